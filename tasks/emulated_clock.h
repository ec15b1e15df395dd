#pragma once
// The emulated recorder runs on a simulated clock, by default ten times as
// fast as real time. The burner waits for a drive in real pauses (before it
// asks whether a closing drive is ready, between polls of a busy one); with
// the recorder's drives those pauses follow its clock, so that a rehearsal
// spends on them what it spends on the recording itself.

#include "engine/orvo_burner.h"

namespace sorvane::tasks {

// Paces the burner's pauses by the recorder's clock when the drives it
// opened are the recorder's; leaves them alone for real drives.
void PaceWithEmulatedRecorder(TOrvoBurner& burner);

}  // namespace sorvane::tasks
