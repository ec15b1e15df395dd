#pragma once
// The names of the SCSI commands by operation code, as the error report line
// prints them: 22 characters, padded with blanks; empty for codes the
// component never sends.

#include <array>
#include <cstdint>
#include <string>

namespace sorvane {

using TCommandNames = std::array<std::string, 256>;

const TCommandNames& CommandNames();

}  // namespace sorvane
