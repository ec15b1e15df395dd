#include <gtest/gtest.h>

#include "engine/rtl/text.h"

namespace sorvane {
namespace {

TEST(Text, Utf8AndUtf16RoundTripOutsideTheBasicPlane) {
    const std::string text = "Fotos \xC3\xA9t\xC3\xA9 \xF0\x9F\x93\x80 \xE6\x97\xA5";  // été, 📀, 日
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 14u);  // the disc emoji takes a surrogate pair
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf16Length(text), 14u);
}

TEST(Text, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");              // truncated
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");    // overlong "/"
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80").size(), 3u);      // encoded surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(Text, PrefixNeverSplitsACharacter) {
    const std::string text = "ab\xF0\x9F\x93\x80" "c";
    EXPECT_EQ(Utf16Prefix(text, 3), "ab");
    EXPECT_EQ(Utf16Prefix(text, 4), "ab\xF0\x9F\x93\x80");
    EXPECT_EQ(Utf16Prefix(text, 99), text);
}

TEST(Text, UpperCaseTouchesAsciiLettersOnly) {
    EXPECT_EQ(UpperCase("readme.txt \xC3\xA9"), "README.TXT \xC3\xA9");
    EXPECT_TRUE(SameTextAscii("Docs", "DOCS"));
    EXPECT_FALSE(SameTextAscii("Docs", "DOC"));
    EXPECT_EQ(TrimAscii(" \t x y \n"), "x y");
}

}  // namespace
}  // namespace sorvane
