#include "tasks/progress_texts.h"

#include <algorithm>
#include <cmath>

#include "engine/rtl/format.h"

namespace sorvane::tasks {

std::string TimeText(long long seconds) {
    seconds = std::max(seconds, 0LL);
    return Format("%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

std::string MbText(std::int64_t bytes) { return FormatFloat("##,##0.00", static_cast<double>(bytes) / 1048576.0); }

int PercentOf(std::int64_t position, std::int64_t maximum) {
    if (maximum <= 0) return 0;
    position = std::clamp<std::int64_t>(position, 0, maximum);
    return static_cast<int>(std::llround(static_cast<double>(position) * 100.0 / static_cast<double>(maximum)));
}

std::optional<long long> RemainingSeconds(std::int64_t totalBytes, std::int64_t writtenBytes, std::uint32_t kbps) {
    if (kbps == 0) return std::nullopt;
    const std::int64_t left = std::max<std::int64_t>(totalBytes - writtenBytes, 0);
    return std::llround(static_cast<double>(left) / 1024.0 / kbps);
}

std::string RemainingText(std::int64_t totalBytes, std::int64_t writtenBytes, std::uint32_t kbps) {
    const std::optional<long long> seconds = RemainingSeconds(totalBytes, writtenBytes, kbps);
    return seconds ? TimeText(*seconds) : std::string(kUnknownTime);
}

}  // namespace sorvane::tasks
