#include "tasks/emulated_clock.h"

#include <chrono>

#include "vdrive/vdrive.h"

namespace sorvane::tasks {

void PaceWithEmulatedRecorder(TOrvoBurner& burner) {
    // The recorder opens its state folder when it serves its first request:
    // without one, the drives the burner talks to are real.
    const vdrive::THost& host = vdrive::THost::Instance();
    if (host.StateFolder().empty()) return;
    const double scale = host.TimeScale();
    if (!(scale > 1)) return;
    burner.Sleep = [&burner, scale](int ms) {
        const std::chrono::duration<double, std::milli> pause(ms / scale);
        burner.PauseKeepingOwnerAlive(std::chrono::duration_cast<std::chrono::nanoseconds>(pause));
    };
}

}  // namespace sorvane::tasks
