#include "engine/iso/directory_record_reader.h"

#include <cstring>

#include "engine/iso/local_name.h"
#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

constexpr std::size_t kSectorBytes = 2048;
constexpr std::size_t kHeaderBytes = sizeof(TDirectoryRecordHeader);
// A record header must fit in what is left of the sector; past this offset
// only padding can follow.
constexpr std::size_t kLastRecordOffset = kSectorBytes - kHeaderBytes - 1;  // 2014

// A CD-ROM XA system-use field (14 bytes: owner ids, attributes, "XA",
// file number, reserved) met where a record should start, as some mastering
// tools leave it: four zero id bytes, then the attribute byte 55h and "XA".
constexpr std::size_t kXaFieldBytes = 14;

bool IsXaField(std::span<const std::uint8_t> sector, std::size_t offset) {
    if (offset + kXaFieldBytes > sector.size()) return false;
    const std::uint8_t* p = sector.data() + offset;
    return p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0 && p[5] == 0x55 && p[6] == 'X' && p[7] == 'A';
}

std::string CutAt(std::string text, char c) {
    const auto pos = text.find(c);
    if (pos != std::string::npos) text.resize(pos);
    return text;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(text, pos);
        // U+FFFD decoded from anything but its own three bytes marks a bad sequence.
        if (cp == 0xFFFD && !(pos - start == 3 && text.substr(start, 3) == "\xEF\xBF\xBD")) return false;
    }
    return true;
}

// ECMA-119 7.5.1 requires the dot between name and extension even where
// there is no extension, and our own writer keeps it in Joliet names too
// ("README."). Other readers of both trees drop it, and so does this one, so
// that a file is found by the name it had on the computer it came from.
// Names that end in more than one dot are left as they are.
std::string WithoutSeparatorDot(std::string name) {
    if (name.size() >= 2 && name.back() == '.' && name[name.size() - 2] != '.') name.pop_back();
    return name;
}

std::string NameOf(std::span<const std::uint8_t> name, TTreeKind kind) {
    return WithoutSeparatorDot(kind == TTreeKind::Joliet ? ConvertJolietName(name) : StripFileVersion(name));
}

}  // namespace

std::string ConvertJolietName(std::span<const std::uint8_t> name) {
    std::u16string units;
    units.reserve(name.size() / 2);
    for (std::size_t i = 0; i + 1 < name.size(); i += 2) {
        const auto unit = ReadMsb<std::uint16_t>(name.data() + i);
        if (unit == 0) break;
        units += static_cast<char16_t>(unit);
    }
    return CutAt(Utf16ToUtf8(units), ';');
}

std::string StripFileVersion(std::span<const std::uint8_t> name) {
    std::string raw(name.begin(), name.end());
    raw = CutAt(CutAt(std::move(raw), '\0'), ';');
    if (IsValidUtf8(raw)) return raw;
    std::string latin1;
    for (const char c : raw) AppendUtf8(latin1, static_cast<unsigned char>(c));
    return latin1;
}

TDateTime RecordingDateOf(const std::array<std::uint8_t, 7>& d) {
    const TDateTime date = TryEncodeDate(1900 + d[0], d[1], d[2]).value_or(0);
    const TDateTime time = TryEncodeTime(d[3], d[4], d[5], 0).value_or(0);
    return date + time;
}

void TDamagedRecords::Add(std::uint32_t lba) {
    if (Count++ == 0) FirstSector = lba;
    LastSector = lba;
}

std::string TDamagedRecords::Message() const {
    if (Count == 0) return {};
    if (Count == 1) return ">>> " + Format("ERROR IMPORTING SESSION, DAMAGED DIRECTORY RECORD IN SECTOR %u", FirstSector);
    const auto count = static_cast<unsigned long long>(Count);
    if (FirstSector == LastSector)
        return ">>> " + Format("ERROR IMPORTING SESSION, %llu DAMAGED DIRECTORY RECORDS IN SECTOR %u", count, FirstSector);
    return ">>> " + Format("ERROR IMPORTING SESSION, %llu DAMAGED DIRECTORY RECORDS IN SECTORS %u TO %u", count,
                           FirstSector, LastSector);
}

void ParseDirectorySector(std::span<const std::uint8_t> sector, TTreeKind kind, bool firstSector,
                          std::uint32_t lba, std::vector<TDiscRecord>& out, TDamagedRecords& damagedRecords,
                          const TProblemSink& problem) {
    if (sector.size() != kSectorBytes) return;
    const auto damaged = [&] { damagedRecords.Add(lba); };

    std::size_t offset = 0;
    if (kind == TTreeKind::Joliet && firstSector) {
        // The first two records of a Joliet extent are "." and "..".
        offset += sector[offset];
        if (offset < kSectorBytes) offset += sector[offset];
    }

    while (offset <= kLastRecordOffset) {
        if (kind == TTreeKind::Iso && IsXaField(sector, offset)) {
            offset += kXaFieldBytes;
            continue;
        }
        const std::size_t length = sector[offset];
        // ECMA-119 6.8.1.1: records never cross a sector boundary; a zero
        // length byte means the rest of the sector is padding.
        if (length == 0 || offset + length > kSectorBytes) break;
        const std::span<const std::uint8_t> bytes = sector.subspan(offset, length);
        offset += length;

        if (length < kHeaderBytes + 1) {
            damaged();
            continue;
        }
        TDirectoryRecordHeader header;
        std::memcpy(&header, bytes.data(), kHeaderBytes);
        const std::size_t nameLength = header.NameLength;
        const std::span<const std::uint8_t> nameBytes =
            bytes.subspan(kHeaderBytes, std::min(nameLength, length - kHeaderBytes));

        const std::uint8_t limit = kind == TTreeKind::Joliet ? kLongestJolietNameRead : kLongestIsoNameRead;
        if (nameLength > limit) {
            problem(std::string("ERROR IMPORTING SESSION, FILE NAME LENGTH EXCEEDS 120 CHARS") + "\n\r" +
                    PrintableName(NameOf(nameBytes, kind)));
            continue;
        }
        if (nameLength == 0 || kHeaderBytes + nameLength > length) {
            damaged();
            continue;
        }
        // "." and ".." are the one-byte names 00h and 01h in both trees.
        if (nameLength == 1 && nameBytes[0] <= 1) continue;
        if (!header.Extent.Consistent() || !header.DataLength.Consistent()) {
            damaged();
            continue;
        }

        TDiscRecord record;
        record.Name = NameOf(nameBytes, kind);
        if (record.Name.empty() || record.Name == "." || record.Name == "..") {
            problem(">>> " + Format("ERROR IMPORTING SESSION, UNUSABLE NAME IN SECTOR %u", lba));
            continue;
        }
        record.Extent = header.Extent;
        record.Length = static_cast<std::uint32_t>(header.DataLength);
        record.Parts.push_back({record.Extent, static_cast<std::uint32_t>(header.DataLength)});
        record.DateTime = RecordingDateOf(header.RecordingDate);
        record.Flags = header.Flags;
        record.Sector = lba;
        out.push_back(std::move(record));
    }
}

void JoinFilePieces(std::vector<TDiscRecord>& records, const TProblemSink& problem) {
    std::vector<TDiscRecord> joined;
    joined.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        TDiscRecord& record = records[i];
        if (record.IsDirectory() || !(record.Flags & kFlagMultiExtent)) {
            joined.push_back(std::move(record));
            continue;
        }
        // Gather the following pieces of the same name up to the one that
        // does not announce another.
        std::size_t last = i;
        bool complete = false;
        while (last + 1 < records.size() && !records[last + 1].IsDirectory() &&
               records[last + 1].Name == record.Name) {
            ++last;
            if (!(records[last].Flags & kFlagMultiExtent)) {
                complete = true;
                break;
            }
        }
        if (!complete) {
            problem(">>> " + Format("ERROR IMPORTING SESSION, FILE %s LACKS ITS LAST PIECE, SKIPPED",
                                    PrintableName(record.Name).c_str()));
            i = last;
            continue;
        }
        for (std::size_t k = i + 1; k <= last; ++k) {
            record.Parts.push_back(records[k].Parts.front());
            record.Length += records[k].Parts.front().Length;
        }
        record.Flags &= static_cast<std::uint8_t>(~kFlagMultiExtent);
        joined.push_back(std::move(record));
        i = last;
    }
    records = std::move(joined);
}

}  // namespace sorvane
