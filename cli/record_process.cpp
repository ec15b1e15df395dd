#include "cli/record_process.h"

#include <cstdio>
#include <optional>

#include "cli/erase_progress.h"
#include "cli/interrupt.h"
#include "engine/device/sense.h"
#include "engine/rtl/sync_queue.h"

namespace sorvane::cli {
namespace {

constexpr int kPumpSliceMs = 100;
// How long a drive busy with its buffer is given before the tray is left
// locked, and how often it is asked meanwhile.
constexpr int kUnlockWaitMs = 120000;
constexpr int kUnlockPollMs = 1000;
constexpr char kQuickErase[] = "Quick erase";

void Status(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Failure(const TProcessPlan& plan, const std::string& message) {
    // Keeps the reason after the status lines when both streams go to one
    // place.
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", plan.Name, message.c_str());
}

// The drive buffer's fill in percent, as the recording thread last read it.
int DeviceFill(const TOrvoBurner& burner) {
    const std::uint64_t size = burner.DeviceBufferSize(), free = burner.DeviceFreeBufferSize();
    if (size == 0 || free > size) return 0;
    return static_cast<int>((size - free) * 100 / size);
}

// Unlocks the tray. A drive still writing out its buffer after a stopped
// recording refuses every command for a while, and the recording may have
// given up waiting for it; the tray is let go once the drive takes commands
// again.
void LetTrayGo(TOrvoBurner& burner) {
    for (int waited = 0;; waited += kUnlockPollMs) {
        if (burner.AllowMediumRemoval(true)) return;
        const bool busy = burner.TargetBusy || ParseSense(burner.SenseData).Asc == asc::kNotReady;
        if (!busy || waited >= kUnlockWaitMs) break;
        burner.Sleep(kUnlockPollMs);
    }
    std::fflush(stdout);
    std::fprintf(stderr, "Warning: the drive did not let the tray go: %s\n", burner.LastError.c_str());
}

// The end of the operation, whatever it was. The recording leaves the tray
// locked after a failure, and the drive belongs to the user again now.
void Finish(TOrvoBurner& burner, bool success, bool eject) {
    burner.Abort();
    LetTrayGo(burner);
    if (success && eject) burner.LoadUnload(true);
}

bool EraseFirst(TOrvoBurner& burner, const TProcessPlan& plan) {
    Status(kQuickErase);
    const TEraseOutcome outcome = EraseAndWait(burner, true, kQuickErase);
    if (!outcome.Erased) {
        Failure(plan, "Erase finished with error" + (outcome.Reason.empty() ? std::string() : ": " + outcome.Reason));
        return false;
    }
    Status("Erase finished successfully");
    return true;
}

// Records and answers the recording's Error text: empty on success.
std::string Record(TOrvoBurner& burner, const TProcessPlan& plan, TProgressLine& progress,
                   const TInterruptWatch& interrupt) {
    Status(plan.RecordCaption);
    std::optional<std::string> outcome;
    bool finalizing = false, stopping = false;
    burner.OnWriteDone = [&](TOrvoBurner&, const std::string& error) { outcome = error; };
    burner.OnFinalizingTrack = [&](TOrvoBurner&) { finalizing = true; };
    // Locked before the recording starts: once it runs, the drive takes
    // commands from the recording thread alone.
    burner.AllowMediumRemoval(false);
    const bool started = plan.ImageFile.empty() ? burner.BurnProject() : burner.BurnISOImage(plan.ImageFile);
    // A recording that cannot start has said why already, unless another
    // one still runs.
    if (!started && !outcome) outcome = "A RECORDING IS ALREADY RUNNING";

    if (!outcome) {
        const std::int64_t total = burner.GetImageSize() * 2048;
        progress.Start(total);
        PumpUntilDone([&] { return outcome.has_value() || (finalizing && !stopping); }, progress,
                      [&] {
                          return TProgressSample{burner.BytesWritten(), burner.CacheFillPercent(), DeviceFill(burner)};
                      },
                      [&] { return interrupt.Requested(); },
                      [&] {
                          stopping = true;
                          burner.Abort();
                      });
        if (!outcome) {
            // Every sector is with the drive, which now closes the track;
            // that cannot be stopped.
            progress.Update(total, 0, 0);
            progress.Finish();
            Status("Closing track...");
            while (!outcome) TSyncQueue::Main().PumpUntil([&] { return outcome.has_value(); }, kPumpSliceMs);
        }
    }
    progress.Finish();
    burner.OnWriteDone = nullptr;
    burner.OnFinalizingTrack = nullptr;
    return *outcome;
}

}  // namespace

bool ProcessRecording(TOrvoBurner& burner, const TProcessPlan& plan, TProgressLine& progress) {
    TInterruptWatch interrupt;
    if (plan.EraseFirst) {
        if (!EraseFirst(burner, plan)) {
            Finish(burner, false, plan.Eject);
            return false;
        }
        if (interrupt.Requested()) {
            Finish(burner, false, plan.Eject);
            Failure(plan, "Record cancelled: the disc was erased, nothing was recorded");
            return false;
        }
    }
    const std::string error = Record(burner, plan, progress, interrupt);
    Finish(burner, error.empty(), plan.Eject);
    if (!error.empty()) {
        Failure(plan, "Record finished with error: " + error);
        return false;
    }
    Status("Record finished successfully");
    return true;
}

}  // namespace sorvane::cli
