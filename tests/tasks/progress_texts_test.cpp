// The texts of a running operation's progress, and the time a recording
// still needs at the drive's speed.

#include <gtest/gtest.h>

#include "tasks/progress_texts.h"

namespace sorvane::tasks {
namespace {

TEST(ProgressTexts, TimesKeepTwoDigitsAndLetHoursGrow) {
    EXPECT_EQ(TimeText(0), "00:00:00");
    EXPECT_EQ(TimeText(3725), "01:02:05");
    EXPECT_EQ(TimeText(123 * 3600), "123:00:00");
    EXPECT_EQ(TimeText(-4), "00:00:00");
}

TEST(ProgressTexts, SizesInMbWithGroupedThousands) {
    EXPECT_EQ(MbText(0), "0.00");
    EXPECT_EQ(MbText(12939427), "12.34");
    EXPECT_EQ(MbText(350000LL * 2048), "683.59");
    EXPECT_EQ(MbText(1294465024), "1,234.50");
}

TEST(ProgressTexts, PercentRoundsAndNeverPassesAHundred) {
    EXPECT_EQ(PercentOf(350000, 350000), 100);
    EXPECT_EQ(PercentOf(349999, 350000), 100);  // 99.9997 rounds up
    EXPECT_EQ(PercentOf(1, 200), 1);            // a half rounds up
    EXPECT_EQ(PercentOf(1, 201), 0);
    EXPECT_EQ(PercentOf(400000, 350000), 100);  // padding past the image
    EXPECT_EQ(PercentOf(5, 0), 0);
}

TEST(ProgressTexts, RemainingTimeComesFromTheDriveSpeedAndIsUnknownWithoutOne) {
    // 700 Mb at 7,056 kB/s, nothing written yet: 716,800 kB / 7,056 = 101.6 s.
    EXPECT_EQ(RemainingSeconds(700LL * 1048576, 0, 7056), 102);
    EXPECT_EQ(RemainingText(700LL * 1048576, 350LL * 1048576, 7056), "00:00:51");
    EXPECT_EQ(RemainingText(700LL * 1048576, 700LL * 1048576, 7056), "00:00:00");
    EXPECT_EQ(RemainingText(700LL * 1048576, 800LL * 1048576, 7056), "00:00:00");
    EXPECT_FALSE(RemainingSeconds(700LL * 1048576, 0, 0));
    EXPECT_EQ(RemainingText(700LL * 1048576, 0, 0), "--:--:--");
}

}  // namespace
}  // namespace sorvane::tasks
