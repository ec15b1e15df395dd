#include "tasks/pump.h"

#include <chrono>

#include "engine/rtl/sync_queue.h"

namespace sorvane::tasks {
namespace {

// Short enough that a stop is seen at once by a person.
constexpr int kPumpSliceMs = 100;

}  // namespace

void PumpUntilDone(const std::function<bool()>& done, const std::function<void()>& tick,
                   const std::function<bool()>& stopRequested, const std::function<void()>& stop) {
    auto& queue = TSyncQueue::Main();
    bool stopped = false;
    auto nextTick = std::chrono::steady_clock::now();
    while (!done()) {
        if (!stopped && stopRequested && stopRequested()) {
            stop();
            stopped = true;
        }
        if (tick && std::chrono::steady_clock::now() >= nextTick) {
            tick();
            nextTick += std::chrono::milliseconds(kProgressEveryMs);
        }
        queue.PumpUntil(done, kPumpSliceMs);
    }
}

}  // namespace sorvane::tasks
