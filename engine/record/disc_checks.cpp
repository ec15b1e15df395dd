#include "engine/record/disc_checks.h"

#include "engine/device/disc_kind.h"
#include "engine/device/scsi_device.h"
#include "engine/record/disc_close.h"
#include "engine/record/disc_target.h"
#include "engine/rtl/format.h"

namespace sorvane::disc {

std::string CheckDisc(TSCSIDevice& device, TDiscKind kind, bool testWrite, TStart start) {
    if (kind == kind::kUnknown) return kNoDiscText;
    if (IsPressedKind(kind)) return Format(kReadOnlyDiscText, DiscKindName(kind));
    if (testWrite && !CanTestWrite(kind)) return Format(kNoTestWriteText, DiscKindName(kind));
    if (OverwrittenInPlace(kind)) return {};
    const int status = device.GetDiscStatus();
    if (status == discinfo::kStatusComplete) return kFinalizedDiscText;
    // An image file's own addresses count from sector 0; recorded as a
    // later session it could not be read.
    if (start == TStart::SectorZero && status != discinfo::kStatusEmpty && status >= 0) return kDiscNotEmptyText;
    if (LastSessionLeftOpen(device, kind)) return kSessionLeftOpenText;
    return {};
}

std::string CheckRoom(TSCSIDevice& device, TDiscKind kind, std::int64_t startAddress, std::int64_t sectors) {
    const std::int64_t written = WritesCdBlocks(kind) ? sectors : InWholeDvdWriteUnits(sectors);
    const std::int64_t capacity = device.GetDiscCapacity();
    if (capacity > 0 && startAddress + written > capacity) return kNoRoomText;
    return {};
}

}  // namespace sorvane::disc
