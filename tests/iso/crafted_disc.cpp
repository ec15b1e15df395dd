#include "tests/iso/crafted_disc.h"

#include <cstring>

#include "engine/rtl/endian.h"
#include "engine/rtl/text.h"

namespace sorvane::test {

TBytes Ucs2(const std::string& utf8) {
    TBytes out;
    for (char16_t unit : Utf8ToUtf16(utf8)) {
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    }
    return out;
}

TBytes Latin(const std::string& text) { return TBytes(text.begin(), text.end()); }

TBytes RecordBytes(const TRec& rec) {
    const std::size_t nameLength = rec.Name.size();
    std::size_t length = 33 + nameLength + (nameLength % 2 == 0 ? 1 : 0);
    TBytes out(length, 0);
    out[0] = static_cast<std::uint8_t>(rec.LengthOverride >= 0 ? rec.LengthOverride : static_cast<int>(length));
    WriteBoth<std::uint32_t>(&out[2], rec.Extent);
    WriteBoth<std::uint32_t>(&out[10], rec.Length);
    if (rec.BigEndianDisagrees) WriteMsb<std::uint32_t>(&out[14], rec.Length + 1);
    std::memcpy(&out[18], rec.Date.data(), 7);
    out[25] = rec.Flags;
    WriteBoth<std::uint16_t>(&out[28], 1);
    out[32] = static_cast<std::uint8_t>(rec.NameLengthOverride >= 0 ? rec.NameLengthOverride
                                                                     : static_cast<int>(nameLength));
    if (nameLength) std::memcpy(&out[33], rec.Name.data(), nameLength);
    return out;
}

TBytes DotRecords(std::uint32_t self, std::uint32_t parent) {
    TRec dot{{0}, self, 2048, 0x02};
    TRec dotdot{{1}, parent, 2048, 0x02};
    TBytes out = RecordBytes(dot);
    const TBytes second = RecordBytes(dotdot);
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

TBytes SectorOf(const std::vector<TBytes>& records) {
    TBytes out;
    for (const TBytes& r : records) out.insert(out.end(), r.begin(), r.end());
    out.resize(2048, 0);
    return out;
}

TBytes Descriptor(TDescriptorKind kind, std::uint32_t rootExtent, std::uint32_t rootLength) {
    TBytes d(2048, 0);
    d[0] = kind == TDescriptorKind::Primary ? 1 : kind == TDescriptorKind::Terminator ? 255 : 2;
    std::memcpy(&d[1], "CD001", 5);
    d[6] = 1;
    if (kind == TDescriptorKind::Terminator) return d;
    if (kind == TDescriptorKind::Joliet) {
        d[88] = 0x25;
        d[89] = 0x2F;
        d[90] = 0x45;
    }
    TRec root{{0}, rootExtent, rootLength, 0x02};
    const TBytes record = RecordBytes(root);
    std::memcpy(&d[156], record.data(), 34);
    return d;
}

TCraftedDisc::TCraftedDisc(std::uint32_t isoRoot, std::uint32_t jolietRoot, std::uint32_t trackStart) {
    Disc.AddSession({trackStart, 1000});
    std::uint32_t lba = trackStart + 16;
    Disc.SetSector(lba++, Descriptor(TDescriptorKind::Primary, isoRoot));
    if (jolietRoot) Disc.SetSector(lba++, Descriptor(TDescriptorKind::Joliet, jolietRoot));
    Disc.SetSector(lba, Descriptor(TDescriptorKind::Terminator));
}

void TCraftedDisc::PutDirectory(std::uint32_t lba, std::uint32_t parent, const std::vector<TRec>& records) {
    std::vector<TBytes> bytes{DotRecords(lba, parent)};
    for (const TRec& r : records) bytes.push_back(RecordBytes(r));
    Put(lba, SectorOf(bytes));
}

}  // namespace sorvane::test
