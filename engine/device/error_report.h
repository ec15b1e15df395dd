#pragma once
// The one-line report of a failed request that the executor posts as a
// diagnostic: command name, operation code, flags, CDB length, address,
// status, data length, the CDB, the first data bytes, the adapter and target
// status, the sense key and code, and the decoded text.

#include <cstdint>
#include <string>

#include "engine/device/aspi.h"

namespace sorvane {

// Commands whose failure is part of ordinary probing (an empty drive answers
// TEST UNIT READY with NOT READY, an absent LUN fails INQUIRY...) and is not
// worth a report.
bool IsQuietCommand(std::uint8_t opcode);

// Whether a completed request deserves the report: it failed, it is not a
// quiet command, and the drive is not merely busy finishing a long write.
bool DeservesErrorReport(const SRB_ExecSCSICmd& srb);

std::string FormatErrorReport(const SRB_ExecSCSICmd& srb, const std::string& lastError);

}  // namespace sorvane
