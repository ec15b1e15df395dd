#pragma once
// Hand-made discs for the reader's tests: volume descriptors and directory
// sectors put together record by record, so that a test can forge exactly
// the hostile byte it is about.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/iso/memory_disc.h"

namespace sorvane::test {

using TBytes = std::vector<std::uint8_t>;

struct TRec {
    TBytes Name;
    std::uint32_t Extent = 0;
    std::uint32_t Length = 0;
    std::uint8_t Flags = 0;
    std::array<std::uint8_t, 7> Date{104, 5, 6, 7, 8, 9, 0};  // 2004-05-06 07:08:09
    bool BigEndianDisagrees = false;
    int LengthOverride = -1;   // the record length byte, when it is to lie
    int NameLengthOverride = -1;
};

// UCS-2 big-endian bytes of a UTF-8 name, as Joliet records it.
TBytes Ucs2(const std::string& utf8);
TBytes Latin(const std::string& text);
TBytes RecordBytes(const TRec& rec);
// "." and ".." records of a directory.
TBytes DotRecords(std::uint32_t self, std::uint32_t parent);
// Concatenates records into one sector, zero-padded.
TBytes SectorOf(const std::vector<TBytes>& records);

enum class TDescriptorKind { Primary, Joliet, SupplementaryNotJoliet, Terminator };
TBytes Descriptor(TDescriptorKind kind, std::uint32_t rootExtent = 0, std::uint32_t rootLength = 2048);

// A one-session disc whose track starts at `trackStart`, with a primary
// descriptor at +16 and, when `jolietRoot` is not 0, a Joliet descriptor at
// +17, then the terminator.
class TCraftedDisc {
public:
    explicit TCraftedDisc(std::uint32_t isoRoot, std::uint32_t jolietRoot = 0, std::uint32_t trackStart = 0);
    void Put(std::uint32_t lba, const TBytes& sector) { Disc.SetSector(lba, sector); }
    // A directory sector: its dot records followed by `records`.
    void PutDirectory(std::uint32_t lba, std::uint32_t parent, const std::vector<TRec>& records);
    TMemoryDisc Disc;
};

}  // namespace sorvane::test
