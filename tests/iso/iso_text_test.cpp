#include <gtest/gtest.h>

#include "engine/iso/iso_text.h"
#include "engine/rtl/text.h"
#include "tests/iso/golden.h"

namespace sorvane {
namespace {

using test::Ucs2;

TEST(IsoText, PaddedIdentifiersAreCutPaddedAndNeverSplitACharacter) {
    struct Row {
        std::string in;
        std::size_t len;
        std::string out;
    } rows[] = {
        {"MY DISC", 32, "MY DISC" + std::string(25, ' ')},
        {"", 4, "    "},
        {"ABCDEFGH", 4, "ABCD"},
        // A two-byte character becomes one "_" rather than two stray bytes.
        {"CAF\xC3\x89", 8, "CAF_    "},
        {"A\tB", 3, "A_B"},
    };
    for (const Row& r : rows) EXPECT_EQ(StrToPadded(r.in, r.len), r.out) << r.in;
}

TEST(IsoText, Ucs2IdentifiersAreBigEndianSpacePaddedAndCutToWholeCharacters) {
    EXPECT_EQ(StrToUCS2BE("my disc", 32), Ucs2("my disc" + std::string(9, ' ')));
    EXPECT_EQ(StrToUCS2BE("\xC3\xA9", 4), std::string("\0\xE9\0 ", 4));
    // U+1F600 needs a surrogate pair; cut after its first half it becomes a space.
    EXPECT_EQ(StrToUCS2BE("ab\xF0\x9F\x98\x80", 6), std::string("\0a\0b\0 ", 6));
    EXPECT_EQ(StrToUCS2BE("ab\xF0\x9F\x98\x80", 8), std::string("\0a\0b\xD8\x3D\xDE\x00", 8));
    EXPECT_EQ(StrToUCS2BE("abcdef", 5), std::string("\0a\0b\0", 5)) << "an odd length leaves its last byte zero";
}

TEST(IsoText, RecordDatesCarryTheTimeZoneAsASignedByteAndClampToTheirRange) {
    struct Row {
        TDateParts when;
        std::int16_t zone;
        std::array<std::uint8_t, 7> out;
    } rows[] = {
        {{2004, 3, 5, 6, 7, 8, 9}, 4, {104, 3, 5, 6, 7, 8, 4}},
        {{2004, 3, 5, 6, 7, 8, 9}, -20, {104, 3, 5, 6, 7, 8, 0xEC}},
        {{1900, 1, 1, 0, 0, 0, 0}, 0, {0, 1, 1, 0, 0, 0, 0}},
        {{1850, 6, 1, 12, 0, 0, 0}, 0, {0, 1, 1, 0, 0, 0, 0}},
        {{2200, 6, 1, 12, 0, 0, 0}, 0, {255, 12, 31, 23, 59, 59, 0}},
    };
    for (const Row& r : rows) EXPECT_EQ(SetRecordDate(*TryEncodeDateTime(r.when), r.zone), r.out) << r.when.Year;
}

}  // namespace
}  // namespace sorvane
