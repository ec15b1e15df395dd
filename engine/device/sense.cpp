#include "engine/device/sense.h"

#include <algorithm>

#include "engine/rtl/format.h"

namespace sorvane {
namespace {

std::uint8_t At(std::span<const std::uint8_t> bytes, std::size_t index) {
    return index < bytes.size() ? bytes[index] : 0;
}

const char* SenseKeyText(const TSense& sense) {
    switch (sense.Key) {
        case 0x0:
            if (sense.Filemark) return "FILEMARK";
            if (sense.EndOfMedium) return "END OF MEDIA";
            if (sense.IllegalLength) return "ILLEGAL LENGTH";
            return "NO ADDITIONAL SENSE INFORMATION";
        case 0x1: return "RECOVERED ERROR";
        case 0x2: return "NOT READY";
        case 0x3: return "MEDIUM ERROR";
        case 0x4: return "HARDWARE ERROR";
        case 0x5: return "ILLEGAL REQUEST";
        case 0x6: return "UNIT ATTENTION";
        case 0x7: return "DATA PROTECT";
        case 0x8: return "ERASE CHECK";
        case 0xA: return "COPYABORTED";
        case 0xB: return "ABORTED COMMAND";
        case 0xD: return "VOLUME OVERFLOW";
        case 0xE: return "MISCOMPARE";
        case 0xF: return "RESERVED";
        default: return "CHECK CONDITION";  // vendor specific (9h) and the obsolete EQUAL (Ch)
    }
}

const char* AdapterStatusText(std::uint8_t haStat) {
    switch (haStat) {
        case HASTAT_TIMEOUT: return "COMMAND TIMEOUT";
        case HASTAT_COMMAND_TIMEOUT: return "SRB TIMEOUT";
        case HASTAT_MESSAGE_REJECT: return "MESSAGE REJECT";
        case HASTAT_BUS_RESET: return "BUS RESET";
        case HASTAT_PARITY_ERROR: return "PARITY ERROR";
        case HASTAT_REQUEST_SENSE_FAILED: return "REQUEST SENSE FAILED";
        case HASTAT_SEL_TO: return "SELECTION TIMEOUT";
        case HASTAT_DO_DU: return "DATA OVERRUN";
        case HASTAT_BUS_FREE: return "UNEXPECTED BUS FREE";
        default: return "UNKNOWN";
    }
}

}  // namespace

TSense ParseSense(std::span<const std::uint8_t> bytes) {
    TSense sense;
    sense.ResponseCode = At(bytes, 0) & 0x7F;
    sense.AdditionalLength = At(bytes, 7);
    if (sense.Descriptor()) {
        sense.Key = At(bytes, 1) & 0x0F;
        sense.Asc = At(bytes, 2);
        sense.Ascq = At(bytes, 3);
    } else {
        const std::uint8_t flags = At(bytes, 2);
        sense.Key = flags & 0x0F;
        sense.Filemark = (flags & 0x80) != 0;
        sense.EndOfMedium = (flags & 0x40) != 0;
        sense.IllegalLength = (flags & 0x20) != 0;
        sense.Asc = At(bytes, 12);
        sense.Ascq = At(bytes, 13);
    }
    return sense;
}

std::optional<double> ProgressIndication(std::span<const std::uint8_t> bytes) {
    constexpr std::uint8_t kNoSense = 0x0, kNotReady = 0x2;
    constexpr std::uint8_t kSksv = 0x80;
    const TSense sense = ParseSense(bytes);
    if (sense.Key != kNoSense && sense.Key != kNotReady) return std::nullopt;
    std::size_t field = 0;  // where the three sense-key-specific bytes begin
    if (sense.Fixed()) {
        field = 15;
    } else if (sense.Descriptor()) {
        // Descriptors follow the 8-byte header; type 02h holds the field at
        // its byte 4.
        constexpr std::uint8_t kSenseKeySpecific = 0x02;
        const std::size_t end = std::min<std::size_t>(bytes.size(), 8 + std::size_t{At(bytes, 7)});
        for (std::size_t at = 8; at + 1 < end; at += 2 + std::size_t{bytes[at + 1]})
            if (bytes[at] == kSenseKeySpecific) field = at + 4;
        if (field == 0) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!(At(bytes, field) & kSksv)) return std::nullopt;
    const unsigned done = unsigned{At(bytes, field + 1)} << 8 | At(bytes, field + 2);
    return done / 65536.0;
}

TStatusText DecodeRequestStatus(std::uint8_t srbStatus, std::uint8_t haStat, std::uint8_t targStat) {
    switch (srbStatus) {
        case SS_PENDING:
        case SS_COMP: return {};
        case SS_ABORTED:
        case SS_ABORT_FAIL: return {"OPERATION ABORTED BY USER"};
        case SS_INVALID_CMD: return {"INVALID REQUEST"};
        case SS_INVALID_HA: return {"INVALID HOST ADAPTER"};
        case SS_NO_DEVICE: return {"NO DEVICE"};
        case SS_INVALID_SRB: return {"INVALID SRB"};
        case SS_BUFFER_ALIGN: return {"BUFFER ALIGNMENT"};
        case SS_ASPI_IS_BUSY: return {"ASPI IS BUSY"};
        case SS_BUFFER_TO_BIG: return {"BUFFER TOO BIG"};
        case SS_ERR: break;
        default: return {"UNKNOWN"};
    }
    if (haStat != HASTAT_OK) return {AdapterStatusText(haStat)};
    switch (targStat) {
        // A failed request with a GOOD target status still carries its
        // reason in the sense bytes, so both lead to the sense decoding.
        case STATUS_GOOD:
        case STATUS_CHKCOND: return {"CHECK CONDITION"};
        case STATUS_BUSY: return {"TARGET BUSY", true};
        case STATUS_RESCONF: return {"TARGET RESERVATION CONFLICT"};
        case STATUS_QUEUE_FULL: return {"TARGET QUEUE FULL"};
        default: return {"UNKNOWN"};
    }
}

std::string DecodeSense(std::span<const std::uint8_t> bytes) {
    if (At(bytes, 0) == 0) return {};
    const TSense sense = ParseSense(bytes);
    if (!sense.Fixed() && !sense.Descriptor()) return "UNKNOWN";
    return SenseKeyText(sense);
}

std::string DecodeAdditionalSense(std::uint8_t asc, std::uint8_t ascq) {
    if (const char* text = FindAdditionalSenseText(asc, ascq)) return text;
    return Format("%u,%u", asc, ascq);
}

TFailureText DescribeFailure(const SRB_ExecSCSICmd& srb) {
    TStatusText status = DecodeRequestStatus(srb.SRB_Status, srb.SRB_HaStat, srb.SRB_TargStat);
    TFailureText result{std::move(status.Text), status.TargetBusy};
    const std::span<const std::uint8_t> senseArea(srb.SenseArea, ASPI_SENSE_LEN);
    if (result.Text == "CHECK CONDITION") result.Text = DecodeSense(senseArea);
    const TSense sense = ParseSense(senseArea);
    if (sense.AdditionalLength != 0) result.Text += " (" + DecodeAdditionalSense(sense.Asc, sense.Ascq) + ")";
    return result;
}

}  // namespace sorvane
