#include "engine/rtl/format.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace sorvane {

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<std::size_t>(length));
    }
    va_end(args);
    return out;
}

namespace {

bool IsDigitCode(char c) { return c == '0' || c == '#' || c == ',' || c == '.'; }

// Copies picture text, dropping the quotes around quoted literals.
std::string Literal(std::string_view text) {
    std::string out;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                out += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string FormatFloat(std::string_view picture, double value) {
    picture = picture.substr(0, picture.find(';'));

    // Find the digit block outside quotes.
    std::size_t first = std::string_view::npos, last = 0;
    char quote = 0;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        const char c = picture[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (IsDigitCode(c)) {
            if (first == std::string_view::npos) first = i;
            last = i;
        }
    }
    if (first == std::string_view::npos) return Literal(picture);

    const std::string_view digits = picture.substr(first, last - first + 1);
    const std::size_t point = digits.find('.');
    const std::string_view integral = digits.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : digits.substr(point + 1);
    const bool thousands = integral.find(',') != std::string_view::npos;
    int minIntegral = 0, minDecimals = 0, maxDecimals = 0;
    for (char c : integral) minIntegral += c == '0';
    for (char c : fraction) {
        if (c == '0') minDecimals = ++maxDecimals;
        if (c == '#') ++maxDecimals;
    }

    // Round half away from zero at the last decimal, then split.
    const double scale = std::pow(10.0, maxDecimals);
    const double rounded = std::round(std::fabs(value) * scale);
    const bool negative = value < 0 && rounded != 0;
    std::string all = Format("%.0f", rounded);
    while (static_cast<int>(all.size()) <= maxDecimals) all.insert(all.begin(), '0');
    std::string intPart = all.substr(0, all.size() - static_cast<std::size_t>(maxDecimals));
    std::string fracPart = all.substr(all.size() - static_cast<std::size_t>(maxDecimals));
    while (static_cast<int>(fracPart.size()) > minDecimals && !fracPart.empty() && fracPart.back() == '0')
        fracPart.pop_back();
    // Leading zeros only as many as the picture asks for ("#" shows none).
    std::size_t lead = 0;
    while (lead < intPart.size() && intPart[lead] == '0') ++lead;
    intPart.erase(0, lead);
    while (static_cast<int>(intPart.size()) < minIntegral) intPart.insert(intPart.begin(), '0');

    if (thousands) {
        std::string grouped;
        const std::size_t n = intPart.size();
        for (std::size_t i = 0; i < n; ++i) {
            grouped += intPart[i];
            if ((n - 1 - i) % 3 == 0 && i + 1 < n) grouped += ',';
        }
        intPart = grouped;
    }

    std::string out = Literal(picture.substr(0, first));
    if (negative) out += '-';
    out += intPart;
    if (!fracPart.empty()) out += '.' + fracPart;
    out += Literal(picture.substr(last + 1));
    return out;
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
    const TDateParts p = DecodeDateTime(value);
    std::string out;
    std::size_t i = 0;
    const auto run = [&](char c) {
        std::size_t n = 0;
        while (i + n < format.size() && (format[i + n] | 0x20) == c) ++n;
        return n;
    };
    while (i < format.size()) {
        const char c = static_cast<char>(format[i] | 0x20);
        std::size_t n = (c >= 'a' && c <= 'z') ? run(c) : 0;
        switch (n ? c : 0) {
            case 'y':
                out += n >= 3 ? Format("%04d", p.Year) : Format("%02d", p.Year % 100);
                break;
            case 'm': out += n >= 2 ? Format("%02d", p.Month) : Format("%d", p.Month); break;
            case 'd': out += n >= 2 ? Format("%02d", p.Day) : Format("%d", p.Day); break;
            case 'h': out += n >= 2 ? Format("%02d", p.Hour) : Format("%d", p.Hour); break;
            case 'n': out += n >= 2 ? Format("%02d", p.Minute) : Format("%d", p.Minute); break;
            case 's': out += n >= 2 ? Format("%02d", p.Second) : Format("%d", p.Second); break;
            case 'z':
                if (n >= 3)
                    out += Format("%03d", p.MilliSecond);
                else if (n == 2)
                    out += Format("%02d", p.MilliSecond).substr(0, 2);
                else
                    out += Format("%d", p.MilliSecond);
                break;
            default:
                out += format[i];
                n = 1;
        }
        i += n;
    }
    return out;
}

std::string DateTimeToStr(TDateTime value) { return FormatDateTime("yyyy-mm-dd hh:nn:ss", value); }

std::string IntToStrPad(int width, std::string_view pad, std::int64_t value) {
    std::string digits = std::to_string(value);
    if (pad.empty()) return digits;
    std::string out;
    while (static_cast<int>(out.size() + digits.size()) < width) out += pad;
    return out.substr(0, static_cast<std::size_t>(std::max<int>(0, width - static_cast<int>(digits.size())))) + digits;
}

}  // namespace sorvane
