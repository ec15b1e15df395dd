#include "engine/rtl/sync_queue.h"

#include <chrono>
#include <future>

namespace sorvane {

TSyncQueue& TSyncQueue::Main() {
    static TSyncQueue queue;
    return queue;
}

void TSyncQueue::ClaimOwnership() {
    std::lock_guard lock(mutex_);
    owner_ = std::this_thread::get_id();
    ownerSet_ = true;
}

bool TSyncQueue::IsOwnerThread() const {
    std::lock_guard lock(mutex_);
    return ownerSet_ && owner_ == std::this_thread::get_id();
}

bool TSyncQueue::HasOwner() const {
    std::lock_guard lock(mutex_);
    return ownerSet_;
}

void TSyncQueue::SetWakeup(std::function<void()> wakeup) {
    std::lock_guard lock(mutex_);
    wakeup_ = std::move(wakeup);
}

void TSyncQueue::Post(std::function<void()> call) {
    std::function<void()> wakeup;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        wakeup = wakeup_;
    }
    posted_.notify_all();
    if (wakeup) wakeup();
}

void TSyncQueue::Send(std::function<void()> call) {
    if (IsOwnerThread()) {
        call();
        return;
    }
    std::promise<void> ran;
    auto done = ran.get_future();
    Post([&call, &ran] {
        call();
        ran.set_value();
    });
    done.wait();
}

int TSyncQueue::Pump() {
    int count = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard lock(mutex_);
            if (!ownerSet_) {
                owner_ = std::this_thread::get_id();
                ownerSet_ = true;
            }
            if (calls_.empty()) return count;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call();
        ++count;
    }
}

bool TSyncQueue::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Pump();
        if (done()) return true;
        std::unique_lock lock(mutex_);
        if (std::chrono::steady_clock::now() >= deadline) break;
        // Wake for a posted call, or every few milliseconds to re-check `done`
        // (it may depend on state that changes without a post).
        posted_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5)),
                           [this] { return !calls_.empty(); });
    }
    Pump();
    return done();
}

}  // namespace sorvane
