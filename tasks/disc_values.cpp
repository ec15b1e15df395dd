#include "tasks/disc_values.h"

#include <algorithm>
#include <iterator>

#include "engine/device/disc_kind.h"
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

}  // namespace

std::span<const TMatrixRow> ReadMatrix() { return kReadRows; }
std::span<const TMatrixRow> WriteMatrix() { return kWriteRows; }
TMatrixRow UnderrunRow() { return {"Protection from empty buffer", cap::kUnderrunProtection}; }

bool ReadDiscValues(TOrvoBurner& burner, TDiscValues& values) {
    const TDiscKind discKind = burner.GetDiscType();
    const std::string kindName = DiscKindName(discKind);
    if (kindName == "UNKNOWN") return false;
    values.Type = kindName;
    const double unit = IsCdKind(discKind) ? kCdSpeedUnit : kDvdSpeedUnit;
    values.MaxSpeed = FormatFloat("0x", burner.GetMaxWriteSpeed() / unit);

    const int status = burner.GetDiscStatus();
    values.Status = status == -1 ? "???" : status == 2 ? "Closed" : "Not closed";
    // Rewritable DVDs can always be written again.
    if (kindName == "DVD+RW" || kindName == "DVD-RW") values.Status = "Not closed";

    const std::int64_t capacity = burner.GetDiscCapacity();
    const std::int64_t used = burner.GetUsedSectors();
    values.FullSize = Megabytes(capacity);
    values.UsedSpace = Megabytes(used);
    values.FreeSpace = values.Status == "Closed" ? "0 Mb" : Megabytes(std::max<std::int64_t>(capacity - used, 0));
    return true;
}

}  // namespace sorvane::tasks
