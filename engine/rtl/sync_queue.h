#pragma once
// Delivery of calls onto the owner's (main) thread. Worker threads post calls
// here; the owner runs them when it pumps the queue. The GUI installs a wakeup
// hook that schedules a pump on its event loop; the command-line front end and
// the tests pump the queue themselves.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace sorvane {

class TSyncQueue {
public:
    // The process-wide queue of the main thread.
    static TSyncQueue& Main();

    // Declares the calling thread as the owner. The first thread that uses the
    // queue is the owner until another one claims it (tests and the GUI claim
    // it explicitly at start).
    void ClaimOwnership();
    bool IsOwnerThread() const;
    // Whether some thread owns the queue yet.
    bool HasOwner() const;

    // Called after each Post from the posting thread; the GUI uses it to
    // schedule Pump on its event loop.
    void SetWakeup(std::function<void()> wakeup);

    // Queues a call for the owner. Returns at once.
    void Post(std::function<void()> call);

    // Runs `call` on the owner's thread and returns when it has run. On the
    // owner's thread itself the call runs at once.
    void Send(std::function<void()> call);

    // Runs every queued call on the calling thread (which must be the owner).
    // Returns the number of calls run.
    int Pump();

    // Pumps until `done` answers true or `timeoutMs` has passed, sleeping on
    // the queue between calls. Returns done().
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs);

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> calls_;
    std::function<void()> wakeup_;
    std::thread::id owner_{};
    bool ownerSet_ = false;
};

}  // namespace sorvane
