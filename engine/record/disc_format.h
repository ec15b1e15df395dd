#pragma once
// The quick format a DVD-RW gets before a project is recorded on it, which
// leaves it in restricted overwrite with room to grow: a sequential disc is
// formatted anew (FORMAT UNIT type 15h, which erases it), a restricted
// overwrite disc has its last session grown (type 13h, which keeps its
// data).

#include <cstdint>
#include <functional>

#include "engine/device/format_list.h"
#include "engine/device/scsi_constants.h"

namespace sorvane {

class TSCSIDevice;

namespace disc {

// Kind 9: type 15h over 1000 blocks. Kind 8: type 13h (quick grow).
format_list::TList QuickFormatList(TDiscKind kind);
// Either kind, when the drive refused the list above: type 15h.
format_list::TList QuickFormatFallbackList();

// Whether the format may erase what the disc holds.
enum class TFormatScope { MayErase, KeepData };

// Formats the DVD-RW in the drive as above, then waits while the drive
// reports the format in progress, polling every 5 s for at most half an
// hour or until `stopped` answers true. With KeepData no format that erases
// is sent: a sequential disc is left as it is, a restricted overwrite disc
// only grown. True when the drive took a format.
bool QuickFormatDvdRw(TSCSIDevice& device, TDiscKind kind, TFormatScope scope,
                      const std::function<bool()>& stopped = {});

// Waits while a format sent with the immediate bit runs: until then the
// drive answers READ DISC INFORMATION not ready. Polls every `pollMs` for at
// most half an hour, so that a drive that never gets there fails the
// command that follows instead of hanging the recording. False only when
// `stopped` ended the wait.
bool WaitWhileFormatting(TSCSIDevice& device, int pollMs, const std::function<bool()>& stopped = {});

}  // namespace disc
}  // namespace sorvane
