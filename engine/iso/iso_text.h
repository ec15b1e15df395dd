#pragma once
// Text and date fields of ISO 9660 structures: identifiers padded with
// spaces (ECMA-119 7.4), UCS-2 identifiers of the Joliet descriptor stored
// big-endian, the 17-byte descriptor dates (ECMA-119 8.4.26.1) and the
// 7-byte recording dates of directory records (ECMA-119 9.1.5).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/rtl/date_time.h"

namespace sorvane {

// `s` followed by spaces and cut to `len` bytes. Characters outside
// printable ASCII become "_", one per character, so that an identifier is
// never cut inside a multi-byte character and holds only bytes every reader
// of the primary tree can show.
std::string StrToPadded(std::string_view s, std::size_t len);

// `s` followed by spaces, as UTF-16 cut to len / 2 units, high byte first.
// A character that would be split by the cut becomes a space.
std::string StrToUCS2BE(std::string_view s, std::size_t len);

// "yyyymmddhhnnsszz": 16 digits, the last two the first two digits of the
// millisecond count.
std::string DateText(TDateTime value);

// A 17-byte descriptor date: DateText followed by a zero offset byte.
std::array<std::uint8_t, 17> DescriptorDate(TDateTime value);

// The unset descriptor date: sixteen "0" digits and a zero offset byte.
std::array<std::uint8_t, 17> UnsetDescriptorDate();

// Year since 1900, month, day, hour, minute, second and the time-zone offset
// in 15-minute units. Dates outside 1900..2155 are clamped to the nearest
// date a record can hold.
std::array<std::uint8_t, 7> SetRecordDate(TDateTime value, std::int16_t timeZoneOffset);

}  // namespace sorvane
