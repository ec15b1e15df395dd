#pragma once
// TSCSIDevice: the drive side of the burner component. It finds the drives,
// selects one, carries every SCSI command to it and knows what the drive can
// do and what disc it holds. TOrvoBurner derives from it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/rtl/component.h"
#include "engine/rtl/critical_section.h"

namespace sorvane {

class TSCSIDevice;

using TOnDebugMsg = std::function<void(TSCSIDevice& Sender, const std::string& Message, int mType)>;
using TDeviceChangedEvent = std::function<void(TSCSIDevice& Sender)>;
using TEraseDoneEvent = std::function<void(TSCSIDevice& Sender, bool WithError)>;

class TSCSIDevice : public TComponent {
public:
    TSCSIDevice();
    ~TSCSIDevice() override;
    TSCSIDevice(const TSCSIDevice&) = delete;
    TSCSIDevice& operator=(const TSCSIDevice&) = delete;

    // --- Diagnostics and the device lock ----------------------------------
    // Raises OnDebugMessage when a handler is assigned.
    void DebugMessage(const std::string& message, int mType);
    void Lock() { DeviceLock.Enter(); }
    void Unlock() { DeviceLock.Leave(); }
    TCriticalSection& DeviceCriticalSection() { return DeviceLock; }

    // --- Published properties -----------------------------------------------
    bool DoDebug = false;
    TOnDebugMsg OnDebugMessage;
    TDeviceChangedEvent OnDeviceChange;
    bool ASPIInitialized() const;

    std::uint16_t DeviceMaxWriteSpeed() const { return deviceMaxWriteSpeed_; }
    std::uint16_t DeviceMaxReadSpeed() const { return deviceMaxReadSpeed_; }
    std::uint16_t ReadSpeed = 0;  // kB/s chosen by the user; 0 = maximum
    std::uint16_t WriteSpeed() const { return writeSpeed_; }
    void SetWriteSpeed(std::uint16_t value);
    bool UnderrunProtection = false;
    bool FinalizeDisc = false;

    // Kept current by the recording thread; read by the progress display.
    std::uint32_t DeviceBufferSize() const { return deviceBufferSize_; }
    std::uint32_t DeviceFreeBufferSize() const { return deviceFreeBufferSize_; }

    bool Erasing() const { return erasing_; }
    TEraseDoneEvent OnEraseDone;

    // --- Selection -----------------------------------------------------------
    // One line per drive found: "adapter:target:lun,device: vendor product rev".
    std::vector<std::string> Devices;
    std::string DeviceId;
    std::string Identity;
    std::uint8_t HaId = 254, TargetId = 254, Lun = 254;
    std::uint8_t PeripheralType = 127;
    std::string LastError;

protected:
    TCriticalSection DeviceLock;
    std::atomic<std::uint16_t> deviceMaxWriteSpeed_{0};
    std::atomic<std::uint16_t> deviceMaxReadSpeed_{0};
    std::uint16_t writeSpeed_ = 0;
    std::atomic<std::uint32_t> deviceBufferSize_{0};
    std::atomic<std::uint32_t> deviceFreeBufferSize_{0};
    std::atomic<bool> erasing_{false};
};

}  // namespace sorvane
