#pragma once
// Every multi-byte value that leaves or enters the program in a fixed byte
// order goes through this header: ISO 9660 structures (little-, big- and
// both-endian fields, ECMA-119 7.2 and 7.3), SCSI CDBs and MMC replies
// (big-endian). On-disc and on-wire structs hold these wrappers or byte
// arrays only, never host-order integers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace sorvane {

// --- Byte writers -----------------------------------------------------------

template <typename T>
constexpr void WriteLsb(std::uint8_t* out, T value) {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    auto v = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

template <typename T>
constexpr void WriteMsb(std::uint8_t* out, T value) {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    auto v = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out[i] = static_cast<std::uint8_t>(v >> (8 * (sizeof(T) - 1 - i)));
}

// ECMA-119 7.2.3 / 7.3.3: the value little-endian, then the same value big-endian.
template <typename T>
constexpr void WriteBoth(std::uint8_t* out, T value) {
    WriteLsb(out, value);
    WriteMsb(out + sizeof(T), value);
}

// Writes the low `bytes` bytes of value big-endian (for 24-bit CDB fields).
constexpr void WriteMsbN(std::uint8_t* out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
}

// --- Byte readers -----------------------------------------------------------

template <typename T>
constexpr T ReadLsb(const std::uint8_t* in) {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    U v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) v = static_cast<U>(v | (static_cast<U>(in[i]) << (8 * i)));
    return static_cast<T>(v);
}

template <typename T>
constexpr T ReadMsb(const std::uint8_t* in) {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    U v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) v = static_cast<U>((v << 8) | in[i]);
    return static_cast<T>(v);
}

constexpr std::uint64_t ReadMsbN(const std::uint8_t* in, std::size_t bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i) v = (v << 8) | in[i];
    return v;
}

// Reads a both-endian field; `consistent` tells whether the two halves agree,
// which a reader of untrusted media must check before trusting either.
template <typename T>
constexpr T ReadBoth(const std::uint8_t* in, bool* consistent = nullptr) {
    T lsb = ReadLsb<T>(in);
    if (consistent) *consistent = lsb == ReadMsb<T>(in + sizeof(T));
    return lsb;
}

// --- Value types for structs that mirror a byte layout ------------------------

template <typename T>
class LittleEndian {
public:
    constexpr LittleEndian() = default;
    constexpr LittleEndian(T v) { WriteLsb(bytes_.data(), v); }  // NOLINT(google-explicit-constructor)
    constexpr operator T() const { return ReadLsb<T>(bytes_.data()); }  // NOLINT

private:
    std::array<std::uint8_t, sizeof(T)> bytes_{};
};

template <typename T>
class BigEndian {
public:
    constexpr BigEndian() = default;
    constexpr BigEndian(T v) { WriteMsb(bytes_.data(), v); }  // NOLINT(google-explicit-constructor)
    constexpr operator T() const { return ReadMsb<T>(bytes_.data()); }  // NOLINT

private:
    std::array<std::uint8_t, sizeof(T)> bytes_{};
};

template <typename T>
class BothEndian {
public:
    constexpr BothEndian() = default;
    constexpr BothEndian(T v) { WriteBoth(bytes_.data(), v); }  // NOLINT(google-explicit-constructor)
    constexpr operator T() const { return ReadLsb<T>(bytes_.data()); }  // NOLINT
    constexpr bool Consistent() const { return ReadLsb<T>(bytes_.data()) == ReadMsb<T>(bytes_.data() + sizeof(T)); }

private:
    std::array<std::uint8_t, 2 * sizeof(T)> bytes_{};
};

using Le16 = LittleEndian<std::uint16_t>;
using Le32 = LittleEndian<std::uint32_t>;
using Be16 = BigEndian<std::uint16_t>;
using Be32 = BigEndian<std::uint32_t>;
using Both16 = BothEndian<std::uint16_t>;
using Both32 = BothEndian<std::uint32_t>;

static_assert(sizeof(Le16) == 2 && sizeof(Be32) == 4 && sizeof(Both16) == 4 && sizeof(Both32) == 8);
static_assert(alignof(Both32) == 1, "endian wrappers must not add padding to packed layouts");

}  // namespace sorvane
