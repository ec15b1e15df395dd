#pragma once
// A verification on a terminal: its progress line on stderr while it reads,
// Ctrl-C as the way to stop it, and what it found at the end: the problems
// on stderr, one per line, and the closing word (on stdout when the disc is
// confirmed, else on stderr).

#include "cli/interrupt.h"
#include "cli/progress.h"
#include "tasks/verify_process.h"

namespace sorvane::cli {

// The events that draw `progress` and stop when `interrupt` says so.
tasks::TVerifyEvents VerifyEvents(TProgressLine& progress, const TInterruptWatch& interrupt);

// Ends the progress line and prints the outcome.
void PrintVerifyOutcome(const tasks::TVerifyOutcome& outcome, TProgressLine& progress);

}  // namespace sorvane::cli
