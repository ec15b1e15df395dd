#pragma once
// The questions a front end asks a drive about itself and its disc, in the
// order it asks them: the drive reply fuzz target puts them to a scripted
// drive, and the program that makes its seed corpus to the emulated
// recorder, so that a recorded script replays request for request. Aborts
// when an answer breaks what the component promises of it.

namespace sorvane {
class TOrvoBurner;
}

namespace sorvane::fuzz {

void AskEverything(TOrvoBurner& burner);

}  // namespace sorvane::fuzz
