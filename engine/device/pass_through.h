#pragma once
// The built-in transport: the optical drives the kernel offers as /dev/sr0,
// /dev/sr1 ..., driven with SG_IO and presented through the same two entry
// points as a run-time-loaded library, so that everything above it builds the
// same request blocks whichever transport is open.
//
// Drives are numbered as small adapter/target/LUN addresses: the kernel's
// host numbers grow with every hot-plugged adapter, so each host the scan
// meets becomes the next adapter number, its drives targets 0, 1, ... in
// device order, LUN 0. Drives whose address the kernel cannot tell sit on
// one extra adapter after the others, numbered the same way.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/device/aspi.h"
#include "engine/device/drive_access.h"
#include "engine/device/pass_through_system.h"

namespace sorvane {

struct TPassThroughDrive {
    std::uint8_t HaId = 0, Target = 0, Lun = 0;
    std::uint8_t DriveIndex = 0;  // n of /dev/sr<n>
    bool Present = false;
    bool HasKernelAddress = false;
    TKernelScsiAddress KernelAddress;
    int Handle = -1;
    std::array<std::uint8_t, 40> InquiryData{};
};

class TPassThroughLayer {
public:
    // The stand-ins for the drive letters C: to Z:.
    static constexpr int kMaxDrives = 24;
    static constexpr int kTimeoutSeconds = 120;
    static constexpr std::uint8_t kTargetsPerAdapter = 8;
    static constexpr std::uint32_t kMaxTransferLength = 0x00FF0000;

    TPassThroughLayer() = default;
    TPassThroughLayer(const TPassThroughLayer&) = delete;
    TPassThroughLayer& operator=(const TPassThroughLayer&) = delete;
    ~TPassThroughLayer();

    // The kernel the layer talks to; the real one unless a test says
    // otherwise. Changing it forgets the drive table.
    void SetSystem(TPassThroughSystem* system);

    // Finds the drives (at most once until Reset); the number found.
    int Scan();
    // Closes every handle and forgets the table.
    void Reset();

    std::uint32_t SupportInfo() const;
    std::uint32_t SendCommand(void* srb);

    void SetReleaseHandle(bool value) { releaseHandle_ = value; }
    bool ReleaseHandle() const { return releaseHandle_; }

    std::uint8_t AdapterCount() const { return adapterCount_; }
    // The device name ("sr0") of the drive at an address, empty when none.
    std::string DeviceName(std::uint8_t haId, std::uint8_t target, std::uint8_t lun) const;
    const TPassThroughDrive* FindDrive(std::uint8_t haId, std::uint8_t target, std::uint8_t lun) const;
    // The drive nodes the last scan was not allowed to open.
    const std::vector<TDeniedDrive>& DeniedDrives() const { return denied_; }

private:
    bool Probe(int index, TPassThroughDrive& drive);
    void NumberDrives();
    void AdapterInquiry(SRB_HAInquiry& srb) const;
    void GetDeviceType(SRB_GDEVBlock& srb) const;
    void Execute(SRB_ExecSCSICmd& srb);
    TPassThroughDrive* Find(std::uint8_t haId, std::uint8_t target, std::uint8_t lun);
    TPassThroughSystem& System() const;

    TPassThroughSystem* system_ = nullptr;
    std::array<TPassThroughDrive, kMaxDrives> drives_{};
    std::vector<TDeniedDrive> denied_;
    // One lock per drive keeps a handle from being closed by one thread
    // while another thread's request is using it.
    std::array<std::mutex, kMaxDrives> driveLocks_;
    std::uint8_t adapterCount_ = 0;
    bool scanDone_ = false;
    std::atomic<bool> releaseHandle_{false};
};

// The process-wide layer and its two entry points.
TPassThroughLayer& PassThroughLayer();
extern "C" std::uint32_t PassThroughGetSupportInfo(void);
extern "C" std::uint32_t PassThroughSendCommand(void* srb);

// The built-in transport's name, as the enumeration reports it.
inline constexpr const char* kPassThroughName = "SGPASSTH";

}  // namespace sorvane
