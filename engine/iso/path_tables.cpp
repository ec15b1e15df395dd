#include "engine/iso/path_tables.h"

namespace sorvane {
namespace {

template <typename Record>
void Append(TMemoryStream& out, std::uint32_t extent, std::uint16_t parentNumber, std::string_view name) {
    Record r{};
    r.NameLength = static_cast<std::uint8_t>(name.size());
    r.Extent = extent;
    r.ParentNumber = parentNumber;
    out.Write(&r, sizeof r);
    out.Write(name.data(), name.size());
    out.WriteZeros(name.size() % 2);
}

}  // namespace

void AppendPathTableRecord(TMemoryStream& out, TPathTableType type, std::uint32_t extent, std::uint16_t parentNumber,
                           std::string_view name) {
    if (type == TPathTableType::L)
        Append<TPathTableRecordL>(out, extent, parentNumber, name);
    else
        Append<TPathTableRecordM>(out, extent, parentNumber, name);
}

}  // namespace sorvane
