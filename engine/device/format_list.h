#pragma once
// The FORMAT UNIT parameter list the engine sends (MMC-5 6.5.3): a header
// with its format options and one format descriptor. Erasing a DVD+RW or
// DVD-RAM and preparing a DVD-RW for a recording all format this way.

#include <array>
#include <cstdint>

#include "engine/device/scsi_constants.h"

namespace sorvane {

class TSCSIDevice;

namespace format_list {

// The header flags and format types are in scsi_constants.h.
using TList = std::array<std::uint8_t, 12>;

// The header (flags, descriptor length 8) and the descriptor: the number of
// blocks, the format type in the upper six bits of byte 8 and the type's
// 24-bit parameter.
TList Make(std::uint8_t headerFlags, std::uint32_t blocks, std::uint8_t formatType, std::uint32_t parameter);

// FORMAT UNIT with the list as its format data; true when the drive took it.
bool Send(TSCSIDevice& device, const TList& list);

}  // namespace format_list
}  // namespace sorvane
