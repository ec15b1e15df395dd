#include "engine/device/scsi_device.h"

namespace sorvane {

TSCSIDevice::TSCSIDevice() = default;

TSCSIDevice::~TSCSIDevice() = default;

void TSCSIDevice::DebugMessage(const std::string& message, int mType) {
    if (OnDebugMessage) OnDebugMessage(*this, message, mType);
}

bool TSCSIDevice::ASPIInitialized() const { return false; }

void TSCSIDevice::SetWriteSpeed(std::uint16_t value) { writeSpeed_ = value; }

}  // namespace sorvane
