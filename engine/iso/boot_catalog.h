#pragma once
// Builds the El Torito boot record descriptor and the one-sector boot
// catalog that points at the boot image.

#include <cstdint>

#include "engine/iso/el_torito.h"

namespace sorvane {

TBootRecordDescriptor EncodeBootRecordDescriptor(std::uint32_t bootCatalogSector);

// Diskette emulation for images of exactly 1.2, 1.44 or 2.88 MB; any other
// size boots as an emulated hard disk.
TBootMediaType BootMediaType(std::int64_t bootImageSectors);

// The word that makes the sixteen little-endian words of the entry sum to 0.
std::uint16_t ValidationChecksum(const TValidationEntry& entry);

TBootCatalog EncodeBootCatalog(std::int64_t bootImageSectors, std::uint32_t bootImageSector);

}  // namespace sorvane
