#include "tasks/disc_values.h"

#include <algorithm>
#include <iterator>

#include "engine/device/disc_kind.h"
#include "engine/device/disc_toc.h"
#include "engine/record/disc_close.h"
#include "engine/rtl/format.h"

namespace sorvane::tasks {
namespace {

constexpr TMatrixRow kReadRows[] = {
    {"CD-R", cap::kReadCdR},     {"CD-RW", cap::kReadCdRw},   {"DVD", cap::kReadDvdRom},
    {"DVD-R", cap::kReadDvdR},   {"DVD+R", cap::kReadDvdPlusR}, {"DVD-RW", cap::kReadDvdRw},
    {"DVD+RW", cap::kReadDvdPlusRw}, {"DVD-RAM", cap::kReadDvdRam},
};

constexpr TMatrixRow kWriteRows[] = {
    {"CD-R", cap::kWriteCdR},     {"CD-RW", cap::kWriteCdRw},   {"Test", cap::kTestWrite},
    {"DVD-R", cap::kWriteDvdR},   {"DVD+R", cap::kWriteDvdPlusR}, {"DVD-RW", cap::kWriteDvdRw},
    {"DVD+RW", cap::kWriteDvdPlusRw}, {"DVD-RAM", cap::kWriteDvdRam},
};
static_assert(std::size(kReadRows) == std::size(kWriteRows));

std::string Megabytes(std::int64_t sectors) {
    return FormatFloat("0 Mb", static_cast<double>(sectors) * kSectorSize / 1048576.0);
}

TDiscState DiscState(TOrvoBurner& burner, TDiscKind discKind, std::int64_t used) {
    // Overwritable discs are never closed: they hold a volume or nothing.
    if (KindTraits(discKind).OverwrittenInPlace) return used > 0 ? TDiscState::Appendable : TDiscState::Blank;
    switch (burner.GetDiscStatus()) {
        case discinfo::kStatusEmpty: return TDiscState::Blank;
        case discinfo::kStatusIncomplete:
            return disc::LastSessionLeftOpen(burner, discKind) ? TDiscState::Incomplete : TDiscState::Appendable;
        case discinfo::kStatusComplete: return TDiscState::Finalized;
        default: break;
    }
    // A drive that gives no disc information reads only what is complete.
    TDiscToc toc;
    return ReadDiscToc(burner, toc) ? TDiscState::Finalized : TDiscState::Unknown;
}

}  // namespace

std::span<const TMatrixRow> ReadMatrix() { return kReadRows; }
std::span<const TMatrixRow> WriteMatrix() { return kWriteRows; }
TMatrixRow UnderrunRow() { return {"Protection from empty buffer", cap::kUnderrunProtection}; }

bool ReadDiscValues(TOrvoBurner& burner, TDiscValues& values) {
    const TDiscKind discKind = burner.GetDiscType();
    if (discKind == kind::kUnknown) return false;
    const TDiscKindTraits& traits = KindTraits(discKind);
    values.Type = traits.Name;
    const double unit = traits.Cd ? kCdSpeedUnit : kDvdSpeedUnit;
    values.MaxSpeed = FormatFloat("0x", burner.GetMaxWriteSpeed() / unit);

    const std::int64_t capacity = burner.GetDiscCapacity();
    const std::int64_t used = burner.GetUsedSectors();
    values.State = DiscState(burner, discKind, used);
    values.FullSize = Megabytes(capacity);
    values.UsedSpace = Megabytes(used);
    values.FreeSpace = values.State == TDiscState::Finalized ? "0 Mb"
                                                             : Megabytes(std::max<std::int64_t>(capacity - used, 0));
    return true;
}

}  // namespace sorvane::tasks
