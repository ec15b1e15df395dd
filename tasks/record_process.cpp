#include "tasks/record_process.h"

#include <optional>

#include "engine/rtl/owner_wait.h"
#include "tasks/pump.h"

namespace sorvane::tasks {
namespace {

constexpr int kPumpSliceMs = 100;
// How long a drive busy with its buffer is given before the tray is left
// locked, and how often it is asked meanwhile.
constexpr int kUnlockWaitMs = 120000;
constexpr int kUnlockPollMs = 1000;
constexpr char kQuickErase[] = "Quick erase";

void Say(const std::function<void(const std::string&)>& event, const std::string& text) {
    if (event) event(text);
}

// The end of the operation, whatever it was. The recording leaves the tray
// locked after a failure, and the drive belongs to the user again now.
void Finish(TOrvoBurner& burner, const TProcessEvents& events, bool success, bool eject) {
    burner.Abort();
    if (!LetTrayGo(burner)) Say(events.Warning, "Warning: the drive did not let the tray go: " + burner.LastError);
    if (success && eject) burner.LoadUnload(true);
}

bool EraseFirst(TOrvoBurner& burner, const TProcessEvents& events, std::string& failure) {
    Say(events.Status, kQuickErase);
    const TEraseOutcome outcome = EraseAndWait(burner, true, events.EraseProgress);
    if (!outcome.Erased) {
        failure = "Erase finished with error" + (outcome.Reason.empty() ? std::string() : ": " + outcome.Reason);
        return false;
    }
    Say(events.Status, "Erase finished successfully");
    return true;
}

// Records and answers the recording's Error text: empty on success.
std::string Record(TOrvoBurner& burner, const TProcessPlan& plan, const TProcessEvents& events) {
    Say(events.Status, plan.RecordCaption);
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
        if (events.RecordStarted) events.RecordStarted(total);
        const auto report = [&] {
            if (events.RecordProgress)
                events.RecordProgress({burner.BytesWritten(), burner.CacheFillPercent(), DeviceFill(burner)});
        };
        PumpUntilDone([&] { return outcome.has_value() || (finalizing && !stopping); }, report, events.StopRequested,
                      [&] {
                          stopping = true;
                          burner.Abort();
                      });
        if (!outcome) {
            // Every sector is with the drive, which now closes the track;
            // that cannot be stopped.
            if (events.RecordProgress) events.RecordProgress({total, 0, 0});
            Say(events.Status, "Closing track...");
            while (!outcome) WaitKeepingOwnerAlive(kPumpSliceMs, [&] { return outcome.has_value(); });
        }
    }
    burner.OnWriteDone = nullptr;
    burner.OnFinalizingTrack = nullptr;
    return *outcome;
}

}  // namespace

int DeviceFill(const TOrvoBurner& burner) {
    const std::uint64_t size = burner.DeviceBufferSize(), free = burner.DeviceFreeBufferSize();
    if (size == 0 || free > size) return 0;
    return static_cast<int>((size - free) * 100 / size);
}

bool LetTrayGo(TOrvoBurner& burner) {
    // The recording's own Abort came before; one made during the wait (the
    // window closed, say) ends it.
    const TSCSIDevice::TWaitTicket ticket = burner.WaitTicket();
    for (int waited = 0;; waited += kUnlockPollMs) {
        if (burner.AllowMediumRemoval(true)) return true;
        if (!MeansNotReady(burner.LastFailureClass()) || waited >= kUnlockWaitMs) return false;
        burner.Sleep(kUnlockPollMs);
        if (ticket.Aborted()) return false;
    }
}

bool ProcessRecording(TOrvoBurner& burner, const TProcessPlan& plan, const TProcessEvents& events,
                      std::string& failure, TVerifyOutcome* verified) {
    if (plan.EraseFirst) {
        if (!EraseFirst(burner, events, failure)) {
            Finish(burner, events, false, plan.Eject);
            return false;
        }
        if (events.StopRequested && events.StopRequested()) {
            Finish(burner, events, false, plan.Eject);
            failure = "Record cancelled: the disc was erased, nothing was recorded";
            return false;
        }
    }
    const std::string error = Record(burner, plan, events);
    if (!error.empty()) {
        Finish(burner, events, false, plan.Eject);
        failure = "Record finished with error: " + error;
        return false;
    }
    Say(events.Status, "Record finished successfully");
    if (plan.Verify) {
        // The disc is still locked in: nobody swaps it for another on the way.
        Say(events.Status, "Verifying...");
        TVerifyOutcome outcome = VerifyRecording(burner, events.Verify);
        if (verified) *verified = std::move(outcome);
    }
    Finish(burner, events, true, plan.Eject);
    return true;
}

}  // namespace sorvane::tasks
