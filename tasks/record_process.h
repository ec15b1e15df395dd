#pragma once
// The last step of a recording, as the Process page runs it: the quick
// erase that may come first, the recording of the project or of an image
// file, and the end, which lets the tray go and ejects the disc on request.
// What happens on the way goes to the front end through events, all raised
// on the owner's thread.

#include <cstdint>
#include <functional>
#include <string>

#include "engine/orvo_burner.h"
#include "tasks/erase_process.h"
#include "tasks/verify_process.h"

namespace sorvane::tasks {

struct TProcessPlan {
    bool EraseFirst = false;
    std::string RecordCaption;  // "Record on 16x (2,822 Kb/sec)", "Record ISO-image to disc"
    std::string ImageFile;      // empty: the project is recorded
    bool Verify = false;        // read back what was recorded once it is
    bool Eject = false;
};

// One reading of a recording's counters.
struct TRecordProgress {
    std::int64_t Written = 0;  // bytes
    int CacheFill = 0;         // percent of the read-ahead
    int DeviceFill = 0;        // percent of the drive's buffer
};

// Every member may be empty.
struct TProcessEvents {
    // The steps as the Process page names them: "Quick erase", "Erase
    // finished successfully", the plan's RecordCaption, "Closing track...",
    // "Record finished successfully", and "Verifying..." when the plan
    // verifies.
    std::function<void(const std::string& line)> Status;
    TEraseProgressEvent EraseProgress;
    // The recording has started and will write `totalBytes`.
    std::function<void(std::int64_t totalBytes)> RecordStarted;
    // At once and every half second while the data is written; once more,
    // full, when every sector is with the drive.
    std::function<void(const TRecordProgress&)> RecordProgress;
    // Asked while the data is written, and once after an erase that came
    // first: true stops the recording.
    std::function<bool()> StopRequested;
    // Something went wrong that does not change the outcome.
    std::function<void(const std::string& text)> Warning;
    // The verification after the recording (its StopRequested stops it).
    TVerifyEvents Verify;
};

// Runs the plan; true when the disc was recorded. Otherwise `failure` tells
// why: "Erase finished with error: ...", "Record finished with error: ...".
// An erase, which cannot be stopped, is let finish and nothing is recorded
// after a stop asked for during it. A plan that verifies reads the disc
// back before the tray is let go and the disc ejected; `verified` receives
// what that found.
bool ProcessRecording(TOrvoBurner& burner, const TProcessPlan& plan, const TProcessEvents& events,
                      std::string& failure, TVerifyOutcome* verified = nullptr);

// The drive buffer's fill in percent, as the recording thread last read it.
int DeviceFill(const TOrvoBurner& burner);

// Unlocks the tray. A drive still writing out its buffer after a stopped
// recording refuses every command for a while (two minutes at the most),
// and the recording may have given up waiting for it; the tray is let go
// once the drive takes commands again. The owner's events flow meanwhile,
// and an Abort made during the wait ends it. False, with the drive's reason
// in LastError, when the drive never takes the command.
bool LetTrayGo(TOrvoBurner& burner);

}  // namespace sorvane::tasks
