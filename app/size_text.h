#pragma once
// The texts by which the wizard shows sizes: bytes with their digits
// grouped, and the project's and the disc's sizes in Mb beside them.

#include <QString>
#include <cstdint>

namespace sorvane::app {

// "1 234 567": decimal, a space between groups of three digits.
QString GroupDigits(std::int64_t value);

// A node's size in the details panel: "1,177.38 Mb (1 234 567 890 byte)".
QString DetailsSizeText(std::int64_t bytes);

// The project's size below the panel: "1 177 Mb (1 234 567 890 byte)".
QString ProjectSizeText(std::int64_t bytes);

// The disc's free space, in whole Mb: "702 Mb (736 100 352 byte)".
QString FreeSpaceText(std::int64_t freeSectors);

// What a number of whole Mb holds in bytes, as FreeSpaceText counts it.
std::int64_t FreeSpaceBytes(std::int64_t freeSectors);

}  // namespace sorvane::app
