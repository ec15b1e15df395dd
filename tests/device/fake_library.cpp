#include "tests/device/fake_library.h"

#include <cstring>

#include "engine/device/transport.h"

namespace sorvane::test {

TFakeLibrary* TFakeLibrary::current_ = nullptr;

TFakeLibrary::TFakeLibrary() {
    current_ = this;
    TTransport::Instance().OpenEntryPoints("libfake.so", &SupportInfo, &Send);
}

TFakeLibrary::~TFakeLibrary() {
    TTransport::Instance().Close();
    current_ = nullptr;
}

std::uint32_t TFakeLibrary::SupportInfo() {
    return (static_cast<std::uint32_t>(SS_COMP) << 8) | (current_ ? current_->Adapters : 0);
}

std::uint32_t TFakeLibrary::Send(void* request) {
    auto* header = static_cast<std::uint8_t*>(request);
    if (header[0] == SC_HA_INQUIRY) {
        auto& srb = *static_cast<SRB_HAInquiry*>(request);
        srb.HA_Count = current_->Adapters;
        srb.SRB_Status = SS_COMP;
        return SS_COMP;
    }
    if (header[0] != SC_EXEC_SCSI_CMD) {
        header[1] = SS_INVALID_CMD;
        return SS_INVALID_CMD;
    }
    auto& srb = *static_cast<SRB_ExecSCSICmd*>(request);
    TLoggedRequest logged{srb, {}};
    if ((srb.SRB_Flags & SRB_DIR_OUT) && srb.SRB_BufPointer)
        logged.DataOut.assign(srb.SRB_BufPointer, srb.SRB_BufPointer + srb.SRB_BufLen);
    current_->Log.push_back(std::move(logged));
    if (current_->Execute) return current_->Execute(srb);
    srb.SRB_Status = SS_COMP;
    return SS_COMP;
}

void SetSense(SRB_ExecSCSICmd& srb, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
    srb.SenseArea[0] = 0x70;
    srb.SenseArea[2] = key;
    srb.SenseArea[7] = 0x0A;
    srb.SenseArea[12] = asc;
    srb.SenseArea[13] = ascq;
}

}  // namespace sorvane::test
