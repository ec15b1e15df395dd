#include <gtest/gtest.h>

#include "engine/rtl/format.h"

namespace sorvane {
namespace {

struct PictureCase {
    const char* picture;
    double value;
    const char* expected;
};

TEST(FormatFloat, PicturesOfTheProduct) {
    const PictureCase cases[] = {
        {"0X", 23.8, "24X"},
        {"0.0", 5.96, "6.0"},
        {"0.0", 0.05, "0.1"},  // halves round away from zero
        {"0.00 Mb", 1.005 + 1e-9, "1.01 Mb"},
        {"0.00 Mb", 700, "700.00 Mb"},
        {"##,##0.00", 1234567.891, "1,234,567.89"},
        {"##,##0.00", 0, "0.00"},
        {"#,##0", 999, "999"},
        {"#,##0", 1000, "1,000"},
        {"#,##0", 1234567, "1,234,567"},
        {"(#,##0 KB/s)", 7056, "(7,056 KB/s)"},
        {"X (#,##0 KB/s)", 22160, "X (22,160 KB/s)"},
        {"00", 7, "07"},
        {"00", 123, "123"},
        {"#", 0, ""},
        {"0", -2.5, "-3"},
        {"0.0#", 1.25, "1.25"},
        {"0.0#", 1.2, "1.2"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFloat(c.picture, c.value), c.expected) << c.picture << " " << c.value;
}

TEST(FormatDateTime, DescriptorDateIsSixteenCharactersWithTwoMillisecondDigits) {
    const TDateTime dt = *TryEncodeDateTime({2004, 3, 9, 7, 5, 1, 5});
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnsszz", dt), "2004030907050105");
    const TDateTime dt2 = *TryEncodeDateTime({2004, 3, 9, 7, 5, 1, 123});
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnsszz", dt2), "2004030907050112");
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss", dt2), "20040309070501");
    EXPECT_EQ(DateTimeToStr(dt2), "2004-03-09 07:05:01");
}

TEST(IntToStrPad, PadsOnTheLeftOnly) {
    EXPECT_EQ(IntToStrPad(8, "0", 150), "00000150");
    EXPECT_EQ(IntToStrPad(3, " ", 7), "  7");
    EXPECT_EQ(IntToStrPad(2, "0", 12345), "12345");
}

TEST(Format, PrintfShapedTemplates) {
    EXPECT_EQ(Format("MAXIMUM FILES CAN BE %d", 65535), "MAXIMUM FILES CAN BE 65535");
    EXPECT_EQ(Format("%s", std::string(5000, 'x').c_str()).size(), 5000u);
}

}  // namespace
}  // namespace sorvane
