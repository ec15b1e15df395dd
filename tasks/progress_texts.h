#pragma once
// The texts a running operation's progress is shown with: times ("01:02:05"),
// sizes in Mb ("1,234.56"), whole percentages, and the time a recording
// still needs at the speed the drive writes.

#include <cstdint>
#include <optional>
#include <string>

namespace sorvane::tasks {

// Shown for a time that cannot be told yet.
inline constexpr char kUnknownTime[] = "--:--:--";

// Hours, minutes and seconds, two digits each at least: "00:01:05",
// "123:00:00". A negative count reads "00:00:00".
std::string TimeText(long long seconds);

// `bytes` in Mb of 1048576 bytes, with thousands grouped and two decimals:
// "0.00", "1,234.56".
std::string MbText(std::int64_t bytes);

// `position` of `maximum` in whole percent, rounded to the nearest; a
// position past the maximum counts as the maximum, and nothing to do as 0.
int PercentOf(std::int64_t position, std::int64_t maximum);

// The seconds still needed to write `totalBytes` of which `writtenBytes`
// are written, at `kbps` kB/s, rounded to the nearest; nothing while the
// speed is not known (0).
std::optional<long long> RemainingSeconds(std::int64_t totalBytes, std::int64_t writtenBytes, std::uint32_t kbps);

// RemainingSeconds as a time text; kUnknownTime while the speed is not
// known.
std::string RemainingText(std::int64_t totalBytes, std::int64_t writtenBytes, std::uint32_t kbps);

}  // namespace sorvane::tasks
