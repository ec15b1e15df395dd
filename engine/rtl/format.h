#pragma once
// Number and date formatting in the pictures the product's texts use.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/rtl/date_time.h"

namespace sorvane {

// printf-style formatting into a string (the engine's message templates are
// printf-shaped: "MAXIMUM FILES CAN BE %d").
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Formats `value` with a picture such as "0.0", "0.00 Mb", "##,##0.00",
// "#,##0", "(#,##0 KB/s)", "00" or "X (#,##0 KB/s)": '0' is a digit that is
// always shown, '#' one shown only when significant, ',' anywhere among them
// asks for thousands separators, '.' starts the decimals; text before and
// after the digits (quoted or not) is copied as it stands. Halves round away
// from zero. Only the first section of a ';'-separated picture is used.
std::string FormatFloat(std::string_view picture, double value);

// Formats a date with the codes yyyy, yy, mm, m, dd, d, hh, h, nn, n, ss, s,
// zzz and zz. "zz" writes the milliseconds with at least two digits and keeps
// only the first two of them (5 ms -> "05", 123 ms -> "12"), so that
// "yyyymmddhhnnsszz" is always 16 characters. Other characters are copied.
std::string FormatDateTime(std::string_view format, TDateTime value);

// The system's date-and-time text for display ("2024-03-01 14:05:09").
std::string DateTimeToStr(TDateTime value);

// Decimal `value`, left-padded with `pad` until it is `width` characters.
std::string IntToStrPad(int width, std::string_view pad, std::int64_t value);

}  // namespace sorvane
