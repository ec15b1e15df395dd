#pragma once
// Turning a failed request into the text the component reports: the request
// status, the adapter and target status, the sense key and the additional
// sense code. Sense data is parsed once, in fixed or descriptor format, into
// key / ASC / ASCQ; the texts come from one table each.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/device/aspi.h"

namespace sorvane {

// Sense data reduced to what the component looks at (SPC-3 4.5).
struct TSense {
    std::uint8_t ResponseCode = 0;  // byte 0 without the VALID bit
    std::uint8_t Key = 0;
    std::uint8_t Asc = 0;
    std::uint8_t Ascq = 0;
    std::uint8_t AdditionalLength = 0;
    bool Filemark = false, EndOfMedium = false, IllegalLength = false;
    bool Fixed() const { return ResponseCode == 0x70 || ResponseCode == 0x71; }
    bool Descriptor() const { return ResponseCode == 0x72 || ResponseCode == 0x73; }
};

// Reads fixed format (70h/71h: key in byte 2, ASC/ASCQ in 12/13) and
// descriptor format (72h/73h: key, ASC, ASCQ in bytes 1 to 3). Bytes beyond
// the span read as zero.
TSense ParseSense(std::span<const std::uint8_t> sense);

// The text for a request status; "CHECK CONDITION" asks for the sense to be
// decoded. `targetBusy` is set when the target reported BUSY.
struct TStatusText {
    std::string Text;
    bool TargetBusy = false;
};
TStatusText DecodeRequestStatus(std::uint8_t srbStatus, std::uint8_t haStat, std::uint8_t targStat);

// The progress indication a drive busy with a long operation (a blank, a
// format) gives in the sense-key-specific field (SPC-3 4.5.2.4.4): the share
// of the operation done, 0 to 1. Empty when the sense carries none, or is not
// that of a drive not ready or reporting nothing else.
std::optional<double> ProgressIndication(std::span<const std::uint8_t> sense);

// The sense-key text ("NOT READY", "ILLEGAL REQUEST"...), empty when the
// sense area holds nothing, "UNKNOWN" for a response code we cannot read.
std::string DecodeSense(std::span<const std::uint8_t> sense);

// The standard description of an ASC/ASCQ pair in capitals, or the pair in
// decimal ("116,9") when the table does not know it.
std::string DecodeAdditionalSense(std::uint8_t asc, std::uint8_t ascq);

// Null when the pair is not in the table.
const char* FindAdditionalSenseText(std::uint8_t asc, std::uint8_t ascq);
std::size_t AdditionalSenseTableSize();

// The whole text of a failed request: the status text, replaced by the sense
// key for a check condition, followed by " (" additional sense ")" when the
// drive sent additional sense bytes.
struct TFailureText {
    std::string Text;
    bool TargetBusy = false;
};
TFailureText DescribeFailure(const SRB_ExecSCSICmd& srb);

}  // namespace sorvane
