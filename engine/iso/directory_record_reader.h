#pragma once
// Reading the directory records of a disc (ECMA-119 9.1; Joliet keeps the
// same record and stores names as UCS-2 big-endian). Everything here treats
// the sector as hostile: a record is used only after its length, its name and
// its both-endian fields have been checked against the sector it lies in.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/iso/directory_record.h"
#include "engine/rtl/date_time.h"

namespace sorvane {

enum class TTreeKind { Joliet, Iso };

// Where one piece of a file's data lies. A file of 4 GiB or more is recorded
// as several records of the same name, one piece each (ECMA-119 6.5.1).
struct TExtentPart {
    std::uint32_t Extent = 0;
    std::uint32_t Length = 0;
};

// One directory record as the reader understands it.
struct TDiscRecord {
    std::string Name;              // UTF-8, without the ";1" version and a trailing dot
    std::uint32_t Extent = 0;      // first sector (absolute)
    std::uint64_t Length = 0;      // data length; the sum of all parts for a file in pieces
    std::vector<TExtentPart> Parts;
    TDateTime DateTime = 0;        // as recorded (local time); date part 0 when the date is invalid
    std::uint8_t Flags = 0;
    std::uint32_t Sector = 0;      // where the record was found, for messages

    bool IsDirectory() const { return Flags & kFlagDirectory; }
    bool IsHidden() const { return Flags & kFlagHidden; }
    bool InPieces() const { return Parts.size() > 1; }
};

// Joliet name bytes (UCS-2 big-endian) to UTF-8, cut at the first ";" (the
// version) and at the first NUL. An odd last byte is not part of a character
// and is dropped.
std::string ConvertJolietName(std::span<const std::uint8_t> name);
// An 8-bit ISO 9660 name to UTF-8, cut at the first ";" and at the first NUL.
// Bytes that do not form UTF-8 are taken as Latin-1, so every name converts.
std::string StripFileVersion(std::span<const std::uint8_t> name);
// The 7-byte recording date. An impossible date (month 13, day 0...) gives a
// date part of 0 and an impossible time a time part of 0: a damaged date must
// cost the entry its date, not the import.
TDateTime RecordingDateOf(const std::array<std::uint8_t, 7>& date);

// Longest name lengths accepted, in bytes: 107 UCS-2 characters for Joliet;
// for the ISO tree a limit the record length byte already enforces.
constexpr std::uint8_t kLongestJolietNameRead = 214;
constexpr std::uint8_t kLongestIsoNameRead = 239;

using TProblemSink = std::function<void(const std::string& message)>;

// Records of a directory that lie about their own size or fields. They are
// counted rather than reported one by one: a directory full of rubbish holds
// a "record" in every byte, and one line each would flood the user.
struct TDamagedRecords {
    std::uint64_t Count = 0;
    std::uint32_t FirstSector = 0;
    std::uint32_t LastSector = 0;

    void Add(std::uint32_t lba);
    // The one line that reports them; empty when there were none.
    std::string Message() const;
};

// Appends the records of one sector of a directory extent to `out`, in
// order, leaving out "." and "..". Damaged records are counted in `damaged`;
// every other record it cannot use is reported. `firstSector` tells whether
// this is the first sector of the extent (the Joliet walk skips its first
// two records by position).
void ParseDirectorySector(std::span<const std::uint8_t> sector, TTreeKind kind, bool firstSector,
                          std::uint32_t lba, std::vector<TDiscRecord>& out, TDamagedRecords& damaged,
                          const TProblemSink& problem);

// Joins the pieces of files recorded in several extents into one record, so
// that each file appears once. A file whose last piece is missing keeps the
// pieces found and is marked by a problem report.
void JoinFilePieces(std::vector<TDiscRecord>& records, const TProblemSink& problem);

}  // namespace sorvane
