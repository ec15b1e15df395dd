#include "engine/iso/iso_text.h"

#include <algorithm>
#include <cstring>

#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane {

std::string StrToPadded(std::string_view s, std::size_t len) {
    std::string out;
    out.reserve(len);
    for (std::size_t pos = 0; pos < s.size() && out.size() < len;) {
        const char32_t cp = NextCodePoint(s, pos);
        out += (cp >= 0x20 && cp < 0x7F) ? static_cast<char>(cp) : '_';
    }
    out.resize(len, ' ');
    return out;
}

std::string StrToUCS2BE(std::string_view s, std::size_t len) {
    const std::size_t units = len / 2;
    std::u16string text = Utf8ToUtf16(s);
    text.resize(std::max(units, text.size()), u' ');
    text.resize(units);
    // Half a surrogate pair is no character at all.
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.back() = u' ';
    std::string out(len, '\0');
    for (std::size_t i = 0; i < units; ++i) {
        out[2 * i] = static_cast<char>(text[i] >> 8);
        out[2 * i + 1] = static_cast<char>(text[i] & 0xFF);
    }
    return out;
}

std::string DateText(TDateTime value) { return FormatDateTime("yyyymmddhhnnsszz", value); }

std::array<std::uint8_t, 17> DescriptorDate(TDateTime value) {
    std::array<std::uint8_t, 17> out{};
    const std::string text = DateText(value);
    std::memcpy(out.data(), text.data(), std::min<std::size_t>(text.size(), 16));
    return out;
}

std::array<std::uint8_t, 17> UnsetDescriptorDate() {
    std::array<std::uint8_t, 17> out{};
    std::fill_n(out.begin(), 16, static_cast<std::uint8_t>('0'));
    return out;
}

std::array<std::uint8_t, 7> SetRecordDate(TDateTime value, std::int16_t timeZoneOffset) {
    TDateParts p = DecodeDateTime(value);
    if (p.Year < 1900) p = TDateParts{1900, 1, 1, 0, 0, 0, 0};
    if (p.Year > 2155) p = TDateParts{2155, 12, 31, 23, 59, 59, 0};
    return {static_cast<std::uint8_t>(p.Year - 1900),   static_cast<std::uint8_t>(p.Month),
            static_cast<std::uint8_t>(p.Day),           static_cast<std::uint8_t>(p.Hour),
            static_cast<std::uint8_t>(p.Minute),        static_cast<std::uint8_t>(p.Second),
            static_cast<std::uint8_t>(timeZoneOffset & 0xFF)};
}

}  // namespace sorvane
