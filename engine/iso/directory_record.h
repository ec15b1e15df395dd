#pragma once
// Directory record, ECMA-119 9.1: the 33-byte fixed part that precedes the
// file identifier. The identifier follows it, then one zero pad byte when
// the identifier's length is even (ECMA-119 9.1.12), so that the record
// length is always even. Records of the Joliet tree carry UCS-2 big-endian
// names, whose length is always even and so always padded.

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/rtl/endian.h"

namespace sorvane {

struct TDirectoryRecordHeader {
    std::uint8_t Length;               // 9.1.1 length of the whole record
    std::uint8_t ExtAttrLength;        // 9.1.2 no extended attribute records
    Both32 Extent;                     // 9.1.3 first sector of the extent
    Both32 DataLength;                 // 9.1.4 bytes of the file or directory
    std::array<std::uint8_t, 7> RecordingDate;  // 9.1.5: years since 1900, month, day, h, m, s, GMT offset
    std::uint8_t Flags;                // 9.1.6
    std::uint8_t FileUnitSize;         // 9.1.7 not interleaved
    std::uint8_t InterleaveGap;        // 9.1.8
    Both16 VolumeSequenceNumber;       // 9.1.9
    std::uint8_t NameLength;           // 9.1.10
};

// 9.1.6 file flags.
inline constexpr std::uint8_t kFlagHidden = 0x01;     // "existence" bit: hidden from listings
inline constexpr std::uint8_t kFlagDirectory = 0x02;
inline constexpr std::uint8_t kFlagMultiExtent = 0x80;  // more records of the same file follow

// Identifiers of the two records every directory extent opens with
// (ECMA-119 6.8.2.2): the directory itself and its parent.
inline constexpr std::uint8_t kSelfName = 0x00;
inline constexpr std::uint8_t kParentName = 0x01;

// A record's length field is one byte; no record may be longer.
inline constexpr std::size_t kMaxRecordLength = 255;

// Record length for an identifier of `nameBytes` bytes.
constexpr std::size_t IsoRecordLength(std::size_t nameBytes) {
    return sizeof(TDirectoryRecordHeader) + nameBytes + (nameBytes % 2 == 0 ? 1 : 0);
}
// Record length for a UCS-2 identifier of `units` characters.
constexpr std::size_t JolietRecordLength(std::size_t units) { return IsoRecordLength(2 * units); }

static_assert(sizeof(TDirectoryRecordHeader) == 33);
static_assert(IsoRecordLength(1) == 34, "the \".\" and \"..\" records");

}  // namespace sorvane
