#include "engine/device/owned_request.h"

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace sorvane {
namespace {

struct TPendingRequest;

struct TCompletionEvent : AspiCompletionEvent {
    TPendingRequest* Owner = nullptr;
};

struct TPendingRequest {
    SRB_ExecSCSICmd Srb{};
    std::vector<std::uint8_t> Buffer;
    TCompletionEvent Event;
    std::mutex Mutex;
    std::condition_variable Done;
    bool Signalled = false;
};

// The copies a library may still write into. Holding them here also keeps
// them reachable, so that one abandoned for good is not reported as leaked.
class TOutstanding {
public:
    void Insert(std::shared_ptr<TPendingRequest> request) {
        std::lock_guard lock(mutex_);
        TPendingRequest* key = request.get();
        requests_.emplace(key, std::move(request));
    }
    std::shared_ptr<TPendingRequest> Take(TPendingRequest* key) {
        std::lock_guard lock(mutex_);
        auto it = requests_.find(key);
        if (it == requests_.end()) return nullptr;
        std::shared_ptr<TPendingRequest> request = std::move(it->second);
        requests_.erase(it);
        return request;
    }
    std::size_t Size() {
        std::lock_guard lock(mutex_);
        return requests_.size();
    }

private:
    std::mutex mutex_;
    std::unordered_map<TPendingRequest*, std::shared_ptr<TPendingRequest>> requests_;
};

TOutstanding& Outstanding() {
    static auto* outstanding = new TOutstanding;  // outlives every library thread at exit
    return *outstanding;
}

void SignalCompletion(AspiCompletionEvent* event) {
    TPendingRequest* owner = static_cast<TCompletionEvent*>(event)->Owner;
    // Holding the last reference until the waiter has been told keeps the
    // copy alive through the notification even when nobody waits any more.
    const std::shared_ptr<TPendingRequest> keep = Outstanding().Take(owner);
    {
        std::lock_guard lock(owner->Mutex);
        owner->Signalled = true;
    }
    owner->Done.notify_all();
}

}  // namespace

bool SendOwnedRequest(SRB_ExecSCSICmd& srb, SendASPI32CommandFn send, std::chrono::milliseconds wait) {
    auto request = std::make_shared<TPendingRequest>();
    request->Srb = srb;
    if (srb.SRB_BufLen && srb.SRB_BufPointer) {
        // Bytes the drive does not overwrite stay as the caller had them.
        request->Buffer.assign(srb.SRB_BufPointer, srb.SRB_BufPointer + srb.SRB_BufLen);
        request->Srb.SRB_BufPointer = request->Buffer.data();
    } else {
        request->Srb.SRB_BufPointer = nullptr;
    }
    // The copy always asks for completion by event, even where the caller
    // does not wait: the event is how the copy learns when it may go.
    request->Event.Signal = &SignalCompletion;
    request->Event.Owner = request.get();
    request->Srb.SRB_Flags |= SRB_EVENT_NOTIFY;
    request->Srb.SRB_PostProc = &request->Event;

    Outstanding().Insert(request);
    const std::uint32_t returned = send(&request->Srb);
    bool completed;
    if ((returned & 0xFF) != SS_PENDING) {
        // Finished before returning: the library holds on to nothing.
        Outstanding().Take(request.get());
        completed = true;
    } else {
        std::unique_lock lock(request->Mutex);
        completed = request->Done.wait_for(lock, wait, [&] { return request->Signalled; });
    }
    if (!completed) return false;

    srb.SRB_Status = request->Srb.SRB_Status;
    srb.SRB_HaStat = request->Srb.SRB_HaStat;
    srb.SRB_TargStat = request->Srb.SRB_TargStat;
    std::memcpy(srb.SenseArea, request->Srb.SenseArea, sizeof srb.SenseArea);
    if (!request->Buffer.empty() && !(srb.SRB_Flags & SRB_DIR_OUT))
        std::memcpy(srb.SRB_BufPointer, request->Buffer.data(), request->Buffer.size());
    return true;
}

std::size_t OutstandingRequestCount() { return Outstanding().Size(); }

}  // namespace sorvane
