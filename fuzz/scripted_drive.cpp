#include "fuzz/scripted_drive.h"

#include <algorithm>
#include <cstring>

#include "engine/device/transport.h"

namespace sorvane::fuzz {
namespace {

TScriptedDrive* g_drive = nullptr;

// The request statuses a library may leave besides done and error; never
// SS_PENDING, which would make the executor wait for an event nobody
// signals.
constexpr std::uint8_t kOtherStatuses[] = {SS_ABORTED, SS_ABORT_FAIL, SS_INVALID_CMD, SS_INVALID_HA, SS_NO_DEVICE,
                                           SS_INVALID_SRB, SS_BUFFER_ALIGN, SS_ASPI_IS_BUSY, SS_BUFFER_TO_BIG, 0x77};

void SetNoMedium(SRB_ExecSCSICmd& srb) {
    srb.SRB_Status = SS_ERR;
    srb.SRB_TargStat = STATUS_CHKCOND;
    srb.SenseArea[0] = 0x70;
    srb.SenseArea[2] = 0x02;
    srb.SenseArea[7] = 10;
    srb.SenseArea[12] = 0x3A;
}

}  // namespace

TScriptedDrive::TScriptedDrive(std::span<const std::uint8_t> script) : TScriptedDrive(script, false) {}

TScriptedDrive::TScriptedDrive(std::span<const std::uint8_t> script, bool alwaysSense)
    : script_(script), alwaysSense_(alwaysSense) {
    g_drive = this;
    TTransport::Instance().OpenEntryPoints("scripted drive", &SupportInfo, &Send);
}

TScriptedDrive TScriptedDrive::AlwaysSense(std::span<const std::uint8_t> sense) { return TScriptedDrive(sense, true); }

TScriptedDrive::~TScriptedDrive() {
    TTransport::Instance().Close();
    g_drive = nullptr;
}

std::uint32_t TScriptedDrive::SupportInfo() { return (static_cast<std::uint32_t>(SS_COMP) << 8) | 1; }

std::uint32_t TScriptedDrive::Send(void* request) {
    auto* header = static_cast<std::uint8_t*>(request);
    if (header[0] == SC_HA_INQUIRY) {
        auto& inquiry = *static_cast<SRB_HAInquiry*>(request);
        inquiry.HA_Count = 1;
        return inquiry.SRB_Status = SS_COMP;
    }
    if (header[0] != SC_EXEC_SCSI_CMD || !g_drive) return header[1] = SS_INVALID_CMD;
    return g_drive->Answer(*static_cast<SRB_ExecSCSICmd*>(request));
}

std::uint8_t TScriptedDrive::Next() { return AtEnd() ? 0 : script_[at_++]; }

std::uint32_t TScriptedDrive::Answer(SRB_ExecSCSICmd& srb) {
    ++requests_;
    srb.SRB_HaStat = HASTAT_OK;
    srb.SRB_TargStat = STATUS_GOOD;
    std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
    const bool dataIn = (srb.SRB_Flags & SRB_DIR_IN) && srb.SRB_BufPointer;

    if (alwaysSense_) {
        const std::size_t n = std::min(script_.size(), sizeof srb.SenseArea);
        if (srb.CDBByte[0] == 0x03) {  // REQUEST SENSE: the sense is its data
            if (dataIn) std::memcpy(srb.SRB_BufPointer, script_.data(), std::min<std::size_t>(n, srb.SRB_BufLen));
            return srb.SRB_Status = SS_COMP;
        }
        std::memcpy(srb.SenseArea, script_.data(), n);
        srb.SRB_TargStat = STATUS_CHKCOND;
        return srb.SRB_Status = SS_ERR;
    }

    if (AtEnd()) {
        SetNoMedium(srb);
        return srb.SRB_Status;
    }
    const std::uint8_t outcome = Next() & 0x07;
    srb.SRB_Status = SS_COMP;
    if (outcome == static_cast<std::uint8_t>(TOutcome::CheckCondition)) {
        srb.SRB_Status = SS_ERR;
        srb.SRB_TargStat = STATUS_CHKCOND;
        const std::size_t n = std::min<std::size_t>(Next() % (ASPI_SENSE_LEN + 1), script_.size() - at_);
        std::memcpy(srb.SenseArea, script_.data() + at_, n);
        at_ += n;
    } else if (outcome == static_cast<std::uint8_t>(TOutcome::Busy)) {
        srb.SRB_Status = SS_ERR;
        srb.SRB_TargStat = STATUS_BUSY;
    } else if (outcome == static_cast<std::uint8_t>(TOutcome::AdapterError)) {
        srb.SRB_Status = SS_ERR;
        srb.SRB_HaStat = Next();
    } else if (outcome == static_cast<std::uint8_t>(TOutcome::OtherStatus)) {
        srb.SRB_Status = kOtherStatuses[Next() % std::size(kOtherStatuses)];
    }
    std::size_t length = Next();
    length |= static_cast<std::size_t>(Next()) << 8;
    length = std::min(length, script_.size() - at_);
    if (dataIn) std::memcpy(srb.SRB_BufPointer, script_.data() + at_, std::min<std::size_t>(length, srb.SRB_BufLen));
    at_ += length;
    return srb.SRB_Status;
}

void AppendReply(std::vector<std::uint8_t>& script, const SRB_ExecSCSICmd& answered) {
    const bool failed = answered.SRB_Status != SS_COMP;
    if (!failed) {
        script.push_back(static_cast<std::uint8_t>(TOutcome::Complete));
    } else if (answered.SRB_TargStat == STATUS_BUSY) {
        script.push_back(static_cast<std::uint8_t>(TOutcome::Busy));
    } else {
        script.push_back(static_cast<std::uint8_t>(TOutcome::CheckCondition));
        const std::uint8_t n = answered.SenseArea[0] ? 18 : 0;
        script.push_back(n);
        script.insert(script.end(), answered.SenseArea, answered.SenseArea + n);
    }
    // Only what came in is worth keeping; trailing zeros of a reply cost the
    // fuzzer nothing to find.
    std::size_t length = (answered.SRB_Flags & SRB_DIR_IN) && answered.SRB_BufPointer ? answered.SRB_BufLen : 0;
    while (length > 0 && answered.SRB_BufPointer[length - 1] == 0) --length;
    length = std::min<std::size_t>(length, 0xFFFF);
    script.push_back(static_cast<std::uint8_t>(length));
    script.push_back(static_cast<std::uint8_t>(length >> 8));
    script.insert(script.end(), answered.SRB_BufPointer, answered.SRB_BufPointer + length);
}

}  // namespace sorvane::fuzz
