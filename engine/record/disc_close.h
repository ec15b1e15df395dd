#pragma once
// Closing tracks and sessions: the one rule for a drive that is still busy
// with what it was given before (the recording's own closing follows it too),
// and the closing of a session an interrupted recording left open.

#include <functional>
#include <string>

#include "engine/device/scsi_constants.h"

namespace sorvane {

class TSCSIDevice;

namespace disc {

// Sends a close command until the drive takes it, refuses it for a reason
// other than being busy, or has stayed busy for every attempt: an immediate
// close leaves the drive busy with it for a while, and the next command is
// repeated until the drive takes it, or the session would stay open.
enum class TCloseOutcome { Taken, Refused, StillBusy };
TCloseOutcome CloseWhenNotBusy(TSCSIDevice& device, const std::function<bool()>& close);

// Whether the last session of a write-once or sequential disc is open
// (incomplete or damaged), as a recording that was interrupted leaves it.
// The drive would add a new session's track to it, inside a volume that
// starts where the interrupted one does, and none of it could be seen.
bool LastSessionLeftOpen(TSCSIDevice& device, TDiscKind kind);

// Closes that session: its open track, then the session itself, which
// leaves the disc appendable while it has room; `finalize` closes the disc
// instead. What the interrupted recording wrote stays on the disc as the
// session's content. Empty when the drive took it, else why not.
std::string CloseOpenSession(TSCSIDevice& device, TDiscKind kind, bool finalize);

}  // namespace disc
}  // namespace sorvane
