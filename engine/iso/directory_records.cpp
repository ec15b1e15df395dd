#include "engine/iso/directory_records.h"

#include <cassert>
#include <cstring>

namespace sorvane {

void AppendDirectoryRecord(TMemoryStream& out, const TRecordFields& fields, std::string_view name) {
    const std::size_t length = IsoRecordLength(name.size());
    assert(length <= kMaxRecordLength);
    TDirectoryRecordHeader h{};
    h.Length = static_cast<std::uint8_t>(length);
    h.Extent = fields.Extent;
    h.DataLength = fields.DataLength;
    std::memcpy(h.RecordingDate.data(), fields.Date.data(), fields.Date.size());
    h.Flags = fields.Flags;
    h.VolumeSequenceNumber = 1;
    h.NameLength = static_cast<std::uint8_t>(name.size());
    out.Write(&h, sizeof h);
    out.Write(name.data(), name.size());
    out.WriteZeros(length - sizeof h - name.size());
}

}  // namespace sorvane
