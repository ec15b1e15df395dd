#pragma once
// TDateTime: days since 1899-12-30 00:00 local time as a double, the fraction
// being the time of day. The component's date properties and the project's
// entry dates use it; conversions to and from file times go through the
// local time zone, as the file manager shows them.

#include <cstdint>
#include <functional>
#include <optional>

namespace sorvane {

using TDateTime = double;

struct TDateParts {
    int Year = 0, Month = 0, Day = 0;
    int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// Empty when a field is out of range (month 13, 30 February, year 0...).
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int milliSecond);
std::optional<TDateTime> TryEncodeDateTime(const TDateParts& parts);
TDateParts DecodeDateTime(TDateTime value);
bool IsLeapYear(int year);

// Local wall-clock time, or the injected clock's.
TDateTime Now();

// Minutes to add to local time to get UTC (east of UTC is negative), the sign
// convention of the system's time-zone bias. From the injected clock if any.
int LocalTimeZoneBias();

// File times are seconds since the Unix epoch (UTC). Empty when the value
// cannot be represented as a local date.
std::optional<TDateTime> FileDateToDateTime(std::int64_t unixSeconds);
std::optional<std::int64_t> DateTimeToFileDate(TDateTime value);

// A fixed clock and time zone for deterministic output. While an instance
// lives, Now() and LocalTimeZoneBias() answer its values (process-wide).
class TScopedClock {
public:
    TScopedClock(TDateTime now, int biasMinutes);
    ~TScopedClock();
    TScopedClock(const TScopedClock&) = delete;
    TScopedClock& operator=(const TScopedClock&) = delete;
};

}  // namespace sorvane
