#pragma once
// Path table record, ECMA-119 9.4: the 8-byte fixed part before the
// directory identifier. The type L table stores its numbers little-endian,
// the type M table big-endian (ECMA-119 6.9.1). ISO identifiers of odd
// length are followed by one zero pad byte (9.4.6); Joliet identifiers are
// UCS-2, always of even length.

#include <cstddef>
#include <cstdint>

#include "engine/rtl/endian.h"

namespace sorvane {

template <typename U32, typename U16>
struct TPathTableRecordHeader {
    std::uint8_t NameLength;     // 9.4.1
    std::uint8_t ExtAttrLength;  // 9.4.2
    U32 Extent;                  // 9.4.3 first sector of the directory's extent
    U16 ParentNumber;            // 9.4.4 1-based number of the parent's record
};

using TPathTableRecordL = TPathTableRecordHeader<Le32, Le16>;
using TPathTableRecordM = TPathTableRecordHeader<Be32, Be16>;

constexpr std::size_t PathTableRecordLength(std::size_t nameBytes) {
    return sizeof(TPathTableRecordL) + nameBytes + nameBytes % 2;
}

static_assert(sizeof(TPathTableRecordL) == 8);
static_assert(sizeof(TPathTableRecordM) == 8);
static_assert(PathTableRecordLength(1) == 10, "the root's record");

}  // namespace sorvane
