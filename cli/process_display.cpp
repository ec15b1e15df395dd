#include "cli/process_display.h"

#include <cstdio>

#include "cli/erase_progress.h"
#include "cli/interrupt.h"
#include "cli/verify_display.h"

namespace sorvane::cli {

bool ProcessRecording(TOrvoBurner& burner, const char* name, const tasks::TProcessPlan& plan,
                      TProgressLine& progress, tasks::TVerifyOutcome* verified) {
    TInterruptWatch interrupt;
    TEraseProgress erase("Quick erase");
    // A line of text ends whichever progress line is drawn.
    const auto endProgress = [&] {
        erase.Finish();
        progress.Finish();
    };
    tasks::TProcessEvents events;
    events.Status = [&](const std::string& line) {
        endProgress();
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    events.EraseProgress = [&](int percent, long long seconds) { erase.Draw(percent, seconds); };
    events.RecordStarted = [&](std::int64_t total) { progress.Start(total); };
    events.RecordProgress = [&](const tasks::TRecordProgress& reading) {
        progress.Update(reading.Written, reading.CacheFill, reading.DeviceFill);
    };
    events.StopRequested = [&] { return interrupt.Requested(); };
    // Keeps what goes to stderr after the status lines when both streams go
    // to one place.
    events.Warning = [&](const std::string& text) {
        endProgress();
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    events.Verify = VerifyEvents(progress, interrupt);
    std::string failure;
    tasks::TVerifyOutcome outcome;
    if (tasks::ProcessRecording(burner, plan, events, failure, &outcome)) {
        if (plan.Verify) PrintVerifyOutcome(outcome, progress);
        if (verified) *verified = std::move(outcome);
        return true;
    }
    endProgress();
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", name, failure.c_str());
    return false;
}

}  // namespace sorvane::cli
