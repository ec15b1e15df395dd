#include "cli/verify_display.h"

#include <cstdio>

namespace sorvane::cli {

tasks::TVerifyEvents VerifyEvents(TProgressLine& progress, const TInterruptWatch& interrupt) {
    tasks::TVerifyEvents events;
    events.Started = [&progress](std::int64_t total) { progress.Start(total); };
    events.Progress = [&progress](std::int64_t checked) { progress.Update(checked, kNoReadBuffer); };
    events.StopRequested = [&interrupt] { return interrupt.Requested(); };
    return events;
}

void PrintVerifyOutcome(const tasks::TVerifyOutcome& outcome, TProgressLine& progress) {
    progress.Finish();
    // Keeps what goes to stderr after the status lines when both streams go
    // to one place.
    std::fflush(stdout);
    for (const std::string& problem : outcome.Problems) std::fprintf(stderr, "%s\n", problem.c_str());
    std::FILE* out = outcome.Confirmed() ? stdout : stderr;
    std::fprintf(out, "%s\n", outcome.Summary.c_str());
    std::fflush(out);
}

}  // namespace sorvane::cli
