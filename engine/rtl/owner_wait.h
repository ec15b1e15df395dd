#pragma once
// Waiting without freezing the thread that waits. While a wait of the engine
// runs on the owner's thread (the one that pumps TSyncQueue::Main(): a
// window's thread, the command line's main thread), that thread keeps
// handling its pending events through a hook the front end installs; a
// window's hook runs its event loop and the engine's queue. Without a hook
// the queue alone is pumped, which is all the command line needs. On any
// other thread a wait is a plain sleep. Every wait of the engine that may
// last more than a moment pauses through here, and ends early once its
// stop condition holds.
//
// What runs during such a wait runs inside the engine's call: a front end
// guards what may not run then (a second start, the close box), and the
// engine refuses a second operation on the drive meanwhile.

#include <chrono>
#include <functional>

namespace sorvane {

// Installs the hook that handles the owner's pending events; an empty one
// brings back the default, which pumps TSyncQueue::Main(). Any thread may
// install it; it only ever runs on the owner's thread.
void SetOwnerEventsHook(std::function<void()> hook);

// Waits `wait` (0: just handles the owner's pending events), ending early
// once `stopped` answers true. False when it was stopped.
bool WaitKeepingOwnerAlive(std::chrono::nanoseconds wait, const std::function<bool()>& stopped = {});
inline bool WaitKeepingOwnerAlive(int ms, const std::function<bool()>& stopped = {}) {
    return WaitKeepingOwnerAlive(std::chrono::milliseconds(ms), stopped);
}

}  // namespace sorvane
