#pragma once
// Waiting on the owner's thread for an operation that runs on workers: the
// calls the workers queue for the owner (their events) run meanwhile, the
// front end gets a tick to show progress, and a stop it asks for reaches
// the operation once.

#include <functional>

namespace sorvane::tasks {

// How often `tick` runs while PumpUntilDone waits.
inline constexpr int kProgressEveryMs = 500;

// Runs the owner's queued calls until `done` answers true. Calls `tick` at
// once and then every kProgressEveryMs, and `stop` once when
// `stopRequested` first answers true. `tick` and `stopRequested` may be
// empty.
void PumpUntilDone(const std::function<bool()>& done, const std::function<void()>& tick,
                   const std::function<bool()>& stopRequested, const std::function<void()>& stop);

}  // namespace sorvane::tasks
