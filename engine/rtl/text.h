#pragma once
// Text conversions. The program's texts are UTF-8; Joliet names and the
// on-disc UCS-2 fields are UTF-16. Name lengths that the file system limits
// are counted in UTF-16 units, since that is what a Joliet record stores.

#include <string>
#include <string_view>

namespace sorvane {

// Invalid UTF-8 sequences become U+FFFD, so every input converts.
std::u16string Utf8ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// Number of UTF-16 units the text occupies.
std::size_t Utf16Length(std::string_view utf8);
// The longest prefix of `utf8` that fits in `units` UTF-16 units, never
// splitting a character.
std::string Utf16Prefix(std::string_view utf8, std::size_t units);

// Upper-cases a-z only, leaving every other byte (and so every multi-byte
// UTF-8 sequence) as it is.
std::string UpperCase(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);

// Decodes the code point at `pos` and advances `pos` past it; invalid bytes
// decode as U+FFFD, one byte at a time.
char32_t NextCodePoint(std::string_view utf8, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

std::string TrimAscii(std::string_view text);

}  // namespace sorvane
