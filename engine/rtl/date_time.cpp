#include "engine/rtl/date_time.h"

#include <atomic>
#include <cmath>
#include <ctime>
#include <mutex>

namespace sorvane {
namespace {

constexpr int kMsPerDay = 86'400'000;

// Day number of 1899-12-30 counted from 0001-01-01 = 1, proleptic Gregorian.
constexpr int kDeltaTo1899 = 693594;

std::mutex g_clockMutex;
std::optional<TDateTime> g_fixedNow;
std::optional<int> g_fixedBias;

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

TDateTime FromTm(const std::tm& tm, int ms) {
    auto date = TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    auto time = TryEncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, ms);
    if (!date || !time) return 0;
    return *date + *time;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    int days = day;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    const int y = year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    return static_cast<TDateTime>(days - kDeltaTo1899);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int milliSecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || milliSecond < 0 ||
        milliSecond > 999)
        return std::nullopt;
    const int ms = ((hour * 60 + minute) * 60 + second) * 1000 + milliSecond;
    return static_cast<TDateTime>(ms) / kMsPerDay;
}

std::optional<TDateTime> TryEncodeDateTime(const TDateParts& p) {
    auto date = TryEncodeDate(p.Year, p.Month, p.Day);
    auto time = TryEncodeTime(p.Hour, p.Minute, p.Second, p.MilliSecond);
    if (!date || !time) return std::nullopt;
    // Dates before 1899-12-30 are negative; their time part counts forward
    // from midnight all the same (the sign convention of TDateTime).
    return *date >= 0 ? *date + *time : *date - *time;
}

TDateParts DecodeDateTime(TDateTime value) {
    TDateParts p;
    // Round to the millisecond first so that 0.99999999 of a second does not
    // decode as the second before.
    long long totalMs = std::llround(std::fabs(value - std::trunc(value)) * kMsPerDay);
    long long days = static_cast<long long>(std::trunc(value));
    if (totalMs >= kMsPerDay) {
        totalMs -= kMsPerDay;
        days += value >= 0 ? 1 : -1;
    }
    p.MilliSecond = static_cast<int>(totalMs % 1000);
    p.Second = static_cast<int>(totalMs / 1000 % 60);
    p.Minute = static_cast<int>(totalMs / 60000 % 60);
    p.Hour = static_cast<int>(totalMs / 3600000);

    long long n = days + kDeltaTo1899 - 1;  // days since 0001-01-01, 0-based
    if (n < 0) return p;
    int year = 1;
    const long long n400 = n / 146097;
    n %= 146097;
    long long n100 = n / 36524;
    if (n100 == 4) n100 = 3;
    n -= n100 * 36524;
    const long long n4 = n / 1461;
    n %= 1461;
    long long n1 = n / 365;
    if (n1 == 4) n1 = 3;
    n -= n1 * 365;
    year += static_cast<int>(n400 * 400 + n100 * 100 + n4 * 4 + n1);
    int month = 1;
    while (n >= DaysInMonth(year, month)) {
        n -= DaysInMonth(year, month);
        ++month;
    }
    p.Year = year;
    p.Month = month;
    p.Day = static_cast<int>(n) + 1;
    return p;
}

TDateTime Now() {
    {
        std::lock_guard lock(g_clockMutex);
        if (g_fixedNow) return *g_fixedNow;
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    return FromTm(tm, static_cast<int>(ts.tv_nsec / 1'000'000));
}

int LocalTimeZoneBias() {
    {
        std::lock_guard lock(g_clockMutex);
        if (g_fixedBias) return *g_fixedBias;
    }
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return static_cast<int>(-tm.tm_gmtoff / 60);
}

std::optional<TDateTime> FileDateToDateTime(std::int64_t unixSeconds) {
    const auto t = static_cast<std::time_t>(unixSeconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return std::nullopt;
    auto date = TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    auto time = TryEncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, 0);
    if (!date || !time) return std::nullopt;
    return *date + *time;
}

std::optional<std::int64_t> DateTimeToFileDate(TDateTime value) {
    if (!std::isfinite(value)) return std::nullopt;
    const TDateParts p = DecodeDateTime(value);
    if (p.Year < 1 || p.Year > 9999) return std::nullopt;
    std::tm tm{};
    tm.tm_year = p.Year - 1900;
    tm.tm_mon = p.Month - 1;
    tm.tm_mday = p.Day;
    tm.tm_hour = p.Hour;
    tm.tm_min = p.Minute;
    tm.tm_sec = p.Second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && !(p.Year == 1969 || p.Year == 1970)) return std::nullopt;
    return static_cast<std::int64_t>(t);
}

TScopedClock::TScopedClock(TDateTime now, int biasMinutes) {
    std::lock_guard lock(g_clockMutex);
    g_fixedNow = now;
    g_fixedBias = biasMinutes;
}

TScopedClock::~TScopedClock() {
    std::lock_guard lock(g_clockMutex);
    g_fixedNow.reset();
    g_fixedBias.reset();
}

}  // namespace sorvane
