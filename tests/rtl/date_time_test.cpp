#include <gtest/gtest.h>

#include "engine/rtl/date_time.h"

namespace sorvane {
namespace {

TEST(DateTime, EncodesKnownDayNumbers) {
    EXPECT_EQ(*TryEncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(*TryEncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(*TryEncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(*TryEncodeDate(2024, 2, 29), 45351.0);
    EXPECT_DOUBLE_EQ(*TryEncodeTime(12, 0, 0, 0), 0.5);
}

TEST(DateTime, RefusesImpossibleDatesAndTimes) {
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29));  // 1900 is not a leap year
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29));   // 2000 is
    EXPECT_FALSE(TryEncodeDate(2024, 13, 1));
    EXPECT_FALSE(TryEncodeDate(2024, 0, 1));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000));
}

TEST(DateTime, DecodeInvertsEncodeAcrossCenturiesAndLeapDays) {
    for (int year : {1601, 1899, 1900, 1999, 2000, 2024, 2100, 9999})
        for (int month = 1; month <= 12; ++month)
            for (int day : {1, 28, 29, 31}) {
                auto encoded = TryEncodeDateTime({year, month, day, 23, 59, 58, 999});
                if (!encoded) continue;
                const TDateParts p = DecodeDateTime(*encoded);
                EXPECT_EQ(p.Year, year);
                EXPECT_EQ(p.Month, month);
                EXPECT_EQ(p.Day, day);
                EXPECT_EQ(p.Hour, 23);
                EXPECT_EQ(p.Minute, 59);
                EXPECT_EQ(p.Second, 58);
                EXPECT_EQ(p.MilliSecond, 999);
            }
}

TEST(DateTime, FileDatesRoundTripThroughLocalTime) {
    const std::int64_t t = 1700000000;  // 2023-11-14 22:13:20 UTC
    const auto dt = FileDateToDateTime(t);
    ASSERT_TRUE(dt);
    EXPECT_EQ(DateTimeToFileDate(*dt), t);
}

TEST(DateTime, ScopedClockFixesNowAndBias) {
    {
        TScopedClock clock(*TryEncodeDate(2004, 5, 6), -120);
        EXPECT_EQ(Now(), *TryEncodeDate(2004, 5, 6));
        EXPECT_EQ(LocalTimeZoneBias(), -120);
    }
    EXPECT_NE(Now(), *TryEncodeDate(2004, 5, 6));
}

}  // namespace
}  // namespace sorvane
