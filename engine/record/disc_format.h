#pragma once
// The quick format a DVD-RW gets before a project is recorded on it, which
// leaves it in restricted overwrite with room to grow: a sequential disc is
// formatted anew (FORMAT UNIT type 15h, which erases it), a restricted
// overwrite disc has its last session grown (type 13h, which keeps its
// data).

#include <array>
#include <cstdint>

#include "engine/device/scsi_constants.h"

namespace sorvane {

class TSCSIDevice;

namespace disc {

// FORMAT UNIT parameter list header and one descriptor (MMC-5 6.5.3).
using TQuickFormatList = std::array<std::uint8_t, 12>;
// Kind 9: type 15h over 1000 blocks. Kind 8: type 13h (quick grow).
TQuickFormatList QuickFormatList(TDiscKind kind);
// Either kind, when the drive refused the list above: type 15h.
TQuickFormatList QuickFormatFallbackList();

// Whether the format may erase what the disc holds.
enum class TFormatScope { MayErase, KeepData };

// Formats the DVD-RW in the drive as above, then waits while the drive
// reports the format in progress (ASC 04h), polling every 5 s for at most
// half an hour. With KeepData no format that erases is sent: a sequential
// disc is left as it is, a restricted overwrite disc only grown. True when
// the drive took a format.
bool QuickFormatDvdRw(TSCSIDevice& device, TDiscKind kind, TFormatScope scope);

}  // namespace disc
}  // namespace sorvane
