#pragma once
// Running a started erase to its end on the owner's thread: the progress
// line of an erase on stderr (caption, estimated percentage, elapsed time)
// while it is a terminal, and the outcome that OnEraseDone reports. Shared
// by the erase command and by the recordings that erase the disc first.

#include <cstddef>
#include <string>

#include "engine/orvo_burner.h"

namespace sorvane::cli {

// Hours, minutes and seconds, two digits each at least: "00:01:05".
std::string TimeText(long long seconds);

// The erase's progress on stderr, redrawn in place while it is a terminal.
class TEraseProgress {
public:
    explicit TEraseProgress(std::string caption);
    void Draw(int percent, long long elapsedSeconds);
    void Finish();

private:
    std::string caption_;
    const bool enabled_;
    std::size_t shown_ = 0;
};

struct TEraseOutcome {
    bool Erased = false;
    std::string Reason;  // why not, as the drive or the erase thread told it
};

// Locks the tray, starts EraseDisc (quick or full) and waits for
// OnEraseDone, drawing the progress under `caption`. The tray is left
// locked for the caller, who goes on with the disc or lets it go.
TEraseOutcome EraseAndWait(TOrvoBurner& burner, bool quick, const std::string& caption);

}  // namespace sorvane::cli
