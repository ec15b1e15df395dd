#pragma once
// The checksum that proves a disc holds what was recorded on it: XXH3 with
// 64-bit results, from the xxHash library (Debian's libxxhash).
//
// Why XXH3 rather than CRC-32C: the recording computes it on the write
// thread for every byte it sends, so it must cost next to nothing beside a
// drive, and XXH3 runs at tens of GB/s with the SSE2 every x86-64 processor
// has, where CRC-32C is fast only with the SSE4.2 instruction and slow
// without it. Its 64 bits make a damaged piece that happens to keep its
// checksum a one in 2^64 chance, where 32 bits would leave one in four
// billion across millions of pieces. And Debian ships it as a library of
// its own, while CRC-32C would have to be written here or taken from a
// library that carries much else.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace sorvane {

class TSectorChecksum {
public:
    TSectorChecksum();
    ~TSectorChecksum();
    TSectorChecksum(TSectorChecksum&&) noexcept;
    TSectorChecksum& operator=(TSectorChecksum&&) noexcept;

    // Starts a new checksum.
    void Reset();
    void Update(const std::uint8_t* data, std::size_t bytes);
    // The checksum of everything since the last Reset.
    std::uint64_t Digest() const;

    // The checksum of `bytes` at once.
    static std::uint64_t Of(const std::uint8_t* data, std::size_t bytes);

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

}  // namespace sorvane
