#include "app/size_text.h"

#include "engine/rtl/format.h"

namespace sorvane::app {
namespace {

constexpr std::int64_t kMb = 1048576;
constexpr std::int64_t kSectorBytes = 2048;

}  // namespace

QString GroupDigits(std::int64_t value) {
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, ' ');
    return value < 0 ? "-" + digits : digits;
}

QString DetailsSizeText(std::int64_t bytes) {
    return QString::fromStdString(FormatFloat("##,##0.00 Mb", static_cast<double>(bytes) / kMb)) + " (" +
           GroupDigits(bytes) + " byte)";
}

QString ProjectSizeText(std::int64_t bytes) {
    return QString::fromStdString(FormatFloat("0 Mb", static_cast<double>(bytes) / kMb)) + " (" +
           GroupDigits(bytes) + " byte)";
}

std::int64_t FreeSpaceBytes(std::int64_t freeSectors) {
    const std::int64_t mb = freeSectors > 0 ? freeSectors * kSectorBytes / kMb : 0;
    return mb * kMb;
}

QString FreeSpaceText(std::int64_t freeSectors) {
    const std::int64_t bytes = FreeSpaceBytes(freeSectors);
    return QString::number(bytes / kMb) + " Mb (" + GroupDigits(bytes) + " byte)";
}

}  // namespace sorvane::app
