#pragma once
// The component's device lock. It must be re-entrant: the write thread holds it
// around a GetBlock call that takes it again inside the cache thread's code.

#include <mutex>

namespace sorvane {

class TCriticalSection {
public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

    // BasicLockable, so std::lock_guard / std::unique_lock work on it directly.
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex mutex_;
};

using TLockGuard = std::lock_guard<TCriticalSection>;

}  // namespace sorvane
