#include "engine/device/scsi_command.h"

#include <cstring>

namespace sorvane {

std::uint8_t TScsiCommand::RequestFlags() const {
    if (flags_) return flags_;
    switch (direction_) {
        case TDataDirection::In: return SRB_EVENT_NOTIFY | SRB_DIR_IN;
        case TDataDirection::Out: return SRB_EVENT_NOTIFY | SRB_DIR_OUT;
        case TDataDirection::None: break;
    }
    return SRB_EVENT_NOTIFY;
}

SRB_ExecSCSICmd TScsiCommand::ToRequest() const {
    SRB_ExecSCSICmd srb;
    std::memset(&srb, 0, sizeof srb);
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Flags = RequestFlags();
    srb.SRB_BufLen = bufferLength_;
    srb.SRB_BufPointer = buffer_;
    srb.SRB_SenseLen = 24;
    srb.SRB_CDBLen = length_;
    std::memcpy(srb.CDBByte, cdb_.data(), length_);
    return srb;
}

}  // namespace sorvane
