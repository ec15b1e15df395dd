#pragma once
// Encodes path table records (ECMA-119 9.4) into a type L or type M table.

#include <cstdint>
#include <string_view>

#include "engine/iso/path_table_record.h"
#include "engine/rtl/memory_stream.h"

namespace sorvane {

enum class TPathTableType { L, M };  // little-endian / big-endian numbers

// Appends one record and, for an odd-length name, its zero pad byte.
void AppendPathTableRecord(TMemoryStream& out, TPathTableType type, std::uint32_t extent, std::uint16_t parentNumber,
                           std::string_view name);

}  // namespace sorvane
