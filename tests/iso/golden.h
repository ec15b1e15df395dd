#pragma once
// Golden sectors for the structure writers: a zero buffer with the listed
// byte runs placed at their offsets.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace sorvane::test {

using TRun = std::pair<std::size_t, std::string>;

inline std::vector<std::uint8_t> Golden(std::size_t size, std::initializer_list<TRun> runs) {
    std::vector<std::uint8_t> out(size, 0);
    for (const auto& [offset, bytes] : runs) std::memcpy(out.data() + offset, bytes.data(), bytes.size());
    return out;
}

// A byte string from literal bytes, zeros included.
template <std::size_t N>
std::string B(const char (&bytes)[N]) {
    return std::string(bytes, N - 1);
}

inline std::string Spaces(std::size_t n) { return std::string(n, ' '); }

// UCS-2 big-endian bytes of an ASCII text.
inline std::string Ucs2(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += std::string(1, '\0') + c;
    return out;
}

template <typename T>
std::vector<std::uint8_t> BytesOf(const T& structure) {
    std::vector<std::uint8_t> out(sizeof structure);
    std::memcpy(out.data(), &structure, sizeof structure);
    return out;
}

// The first offset at which two byte vectors differ, for readable failures.
inline std::string FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return "offset " + std::to_string(i) + ": " + std::to_string(a[i]) + " vs " + std::to_string(b[i]);
    return "none";
}

}  // namespace sorvane::test
