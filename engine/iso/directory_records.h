#pragma once
// Directory extents: how records are placed in sectors and how one record is
// encoded. Sizing and writing both place records with TRecordPacker, so the
// size the layout plans is by construction the size the writer produces.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/iso/directory_record.h"
#include "engine/rtl/memory_stream.h"

namespace sorvane {

inline constexpr std::size_t kSectorSize = 2048;

// A record never crosses a sector boundary (ECMA-119 6.8.1.1): when it does
// not fit in what is left of the sector, the rest of the sector stays zero
// and the record opens the next one. A record that fills the sector exactly
// stays in it.
class TRecordPacker {
public:
    // Places a record; answers the zero bytes to write before it.
    std::size_t Place(std::size_t length) {
        if (length > free_) {
            const std::size_t skipped = free_;
            used_ += free_ + length;
            free_ = kSectorSize - length;
            return skipped;
        }
        used_ += length;
        free_ -= length;
        return 0;
    }
    // Zero bytes that complete the last sector.
    std::size_t Tail() const { return free_; }
    // The extent's length: whole sectors.
    std::int64_t ExtentSize() const { return static_cast<std::int64_t>(used_ + free_); }

private:
    std::size_t used_ = 0;
    std::size_t free_ = kSectorSize;
};

struct TRecordFields {
    std::uint32_t Extent = 0;
    std::uint32_t DataLength = 0;
    std::array<std::uint8_t, 7> Date{};
    std::uint8_t Flags = 0;
};

// Appends one record with `name` as its identifier (bytes as recorded: ASCII
// for the ISO tree, UCS-2 big-endian for Joliet) and the pad byte that keeps
// the record's length even. The name must leave the record within 255 bytes.
void AppendDirectoryRecord(TMemoryStream& out, const TRecordFields& fields, std::string_view name);

}  // namespace sorvane
