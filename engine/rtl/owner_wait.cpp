#include "engine/rtl/owner_wait.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "engine/rtl/sync_queue.h"

namespace sorvane {
namespace {

// How often the owner's events are handled, and a stop condition checked,
// while a wait runs: often enough that a window answers at once.
constexpr auto kSlice = std::chrono::milliseconds(10);

std::mutex g_hookMutex;
std::function<void()> g_hook;

void HandleOwnerEvents() {
    std::function<void()> hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_hook;
    }
    if (hook)
        hook();
    else
        TSyncQueue::Main().Pump();
}

}  // namespace

void SetOwnerEventsHook(std::function<void()> hook) {
    std::lock_guard lock(g_hookMutex);
    g_hook = std::move(hook);
}

bool WaitKeepingOwnerAlive(std::chrono::nanoseconds wait, const std::function<bool()>& stopped) {
    using Clock = std::chrono::steady_clock;
    const bool owner = TSyncQueue::Main().IsOwnerThread();
    const Clock::time_point deadline = Clock::now() + std::max(wait, std::chrono::nanoseconds::zero());
    for (;;) {
        if (owner) HandleOwnerEvents();
        if (stopped && stopped()) return false;
        const Clock::time_point now = Clock::now();
        if (now >= deadline) return true;
        // A worker with nothing to watch sleeps the whole wait at once.
        const bool sliced = owner || stopped;
        std::this_thread::sleep_for(sliced ? std::min<Clock::duration>(deadline - now, kSlice) : deadline - now);
    }
}

}  // namespace sorvane
