#pragma once
// The last step of a recording: the quick erase that may come first, the
// recording of the project or of an image file with its progress, and the
// end, which lets the tray go and ejects the disc on request.

#include <string>

#include "cli/progress.h"
#include "engine/orvo_burner.h"

namespace sorvane::cli {

struct TProcessPlan {
    const char* Name = "";      // at the head of error messages
    bool EraseFirst = false;
    std::string RecordCaption;  // "Record on 16x (2,822 Kb/sec)", "Record ISO-image to disc"
    std::string ImageFile;      // empty: the project is recorded
    bool Eject = false;
};

// Runs the plan; true when the disc was recorded. Status lines go to
// stdout, the progress line and the reason of a failure to stderr. The
// first Ctrl-C stops the recording; an erase, which cannot be stopped, is
// let finish and nothing is recorded after it.
bool ProcessRecording(TOrvoBurner& burner, const TProcessPlan& plan, TProgressLine& progress);

}  // namespace sorvane::cli
