#pragma once
// The drive a command acts on: the drives opened and one chosen as the
// tasks do, with the reason printed on stderr when there is none.

#include <string>

#include "engine/orvo_burner.h"

namespace sorvane::cli {

// Opens the drives; prints why not and answers false when they cannot be
// reached. Also prints which drives the user may not open, and the remedy.
bool OpenCommandDrives(TOrvoBurner& burner);

// Opens the drives and selects the one `which` names (a -d argument), the
// default drive when it is empty. Answers its index; -1, the reason
// printed, when there is none.
int OpenCommandDrive(TOrvoBurner& burner, const std::string& which);

}  // namespace sorvane::cli
