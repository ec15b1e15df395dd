#include "engine/device/error_report.h"

#include <algorithm>
#include <span>

#include "engine/device/command_names.h"
#include "engine/device/scsi_constants.h"
#include "engine/device/sense_class.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

constexpr std::uint8_t kQuietCommands[] = {0x00, 0x01, 0x04, 0x12, 0x1B, 0x1E, 0x23, 0x35, 0x43,
                                           0x46, 0x51, 0x52, 0x55, 0x5A, 0x5C, 0xB6, 0xBB};

// The report shows at most this many data bytes.
constexpr std::uint32_t kReportedDataBytes = 257;

}  // namespace

bool IsQuietCommand(std::uint8_t opcode) {
    return std::find(std::begin(kQuietCommands), std::end(kQuietCommands), opcode) != std::end(kQuietCommands);
}

bool DeservesErrorReport(const SRB_ExecSCSICmd& srb) {
    if (srb.SRB_Status == SS_PENDING || srb.SRB_Status == SS_COMP) return false;
    if (IsQuietCommand(srb.CDBByte[0])) return false;
    return IsWorthReporting(ParseSense(std::span<const std::uint8_t>(srb.SenseArea, ASPI_SENSE_LEN)));
}

std::string FormatErrorReport(const SRB_ExecSCSICmd& srb, const std::string& lastError) {
    const std::uint8_t opcode = srb.CDBByte[0];
    std::string line = "<<< " + CommandNames()[opcode] + " ";
    line += Format("(%02X) {%02X|%02X} - %u:%X:%u <%02X> [%05X] ", opcode, srb.SRB_Flags, srb.SRB_CDBLen,
                   srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun, srb.SRB_Status, srb.SRB_BufLen);
    for (int i = 1; i < 16; ++i) line += Format("%02X ", srb.CDBByte[i]);
    line += " |";
    if (srb.SRB_BufPointer) {
        const std::uint32_t shown = std::min(srb.SRB_BufLen, kReportedDataBytes);
        for (std::uint32_t i = 0; i < shown; ++i) line += Format("%02X ", srb.SRB_BufPointer[i]);
    }
    const TSense sense = ParseSense(std::span<const std::uint8_t>(srb.SenseArea, ASPI_SENSE_LEN));
    line += Format("= %02X %02X %02X %02X ASC:%02X,ASQ:%02X ", srb.SRB_HaStat, srb.SRB_TargStat, srb.SenseArea[0],
                   srb.SenseArea[2], sense.Asc, sense.Ascq);
    line += lastError;
    return line;
}

}  // namespace sorvane
