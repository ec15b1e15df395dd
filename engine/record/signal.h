#pragma once
// A wake-up call between the pipeline's threads. A waiter takes a snapshot,
// checks the state it waits for, and sleeps only if no call has come since
// the snapshot, so a call made between the check and the sleep is never
// lost. Waits are bounded: every waiter re-checks its flags regularly even if
// nobody calls, which keeps a forgotten call from turning into a hang.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace sorvane {

class TSignal {
public:
    std::uint64_t Snapshot() const {
        std::lock_guard lock(mutex_);
        return generation_;
    }

    void Notify() {
        {
            std::lock_guard lock(mutex_);
            ++generation_;
        }
        changed_.notify_all();
    }

    // True when a call came after `seen`, false when `timeoutMs` passed.
    bool WaitSince(std::uint64_t seen, int timeoutMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return generation_ != seen; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t generation_ = 0;
};

}  // namespace sorvane
