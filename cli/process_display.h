#pragma once
// The Process page on a terminal: the recording's flow run with its status
// lines on stdout, its progress and the reason of a failure on stderr, and
// Ctrl-C as the Stop button.

#include "cli/progress.h"
#include "engine/orvo_burner.h"
#include "tasks/record_process.h"

namespace sorvane::cli {

// Runs the plan; true when the disc was recorded. `name` heads the error
// messages. The first Ctrl-C stops the recording, or the verification that
// follows it; an erase, which cannot be stopped, is let finish and nothing
// is recorded after it. A plan that verifies shows what that found and
// leaves it in `verified`.
bool ProcessRecording(TOrvoBurner& burner, const char* name, const tasks::TProcessPlan& plan,
                      TProgressLine& progress, tasks::TVerifyOutcome* verified = nullptr);

}  // namespace sorvane::cli
