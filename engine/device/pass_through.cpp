#include "engine/device/pass_through.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "engine/device/scsi_constants.h"
#include "engine/rtl/endian.h"

namespace sorvane {
namespace {

// sg_io_hdr host_status and driver_status values (include/scsi/scsi_status.h
// and the sg driver), which the C library headers no longer carry.
constexpr unsigned kDidNoConnect = 0x01;
constexpr unsigned kDidTimeOut = 0x03;
constexpr unsigned kDidBadTarget = 0x04;
constexpr unsigned kDidParity = 0x06;
constexpr unsigned kDidReset = 0x08;
constexpr unsigned kDriverTimeout = 0x06;
constexpr unsigned kDriverSense = 0x08;

constexpr std::size_t kKeptInquiryBytes = 36;
constexpr std::uint8_t kInquiryAllocation = 96;
constexpr std::uint8_t kProbeSenseLength = 24;

bool Succeeded(int ioctlResult, const sg_io_hdr_t& request) {
    return ioctlResult == 0 && request.status == 0 && request.host_status == 0 &&
           (request.driver_status & ~kDriverSense) == 0;
}

// The adapter status that tells the same failure in the request block.
std::uint8_t AdapterStatusOf(const sg_io_hdr_t& request) {
    if ((request.driver_status & 0x0F) == kDriverTimeout) return HASTAT_TIMEOUT;
    switch (request.host_status) {
        case kDidNoConnect:
        case kDidBadTarget: return HASTAT_SEL_TO;
        case kDidTimeOut: return HASTAT_TIMEOUT;
        case kDidParity: return HASTAT_PARITY_ERROR;
        case kDidReset: return HASTAT_BUS_RESET;
        default: return HASTAT_OK;
    }
}

int DataDirectionOf(std::uint8_t flags, std::uint32_t length) {
    if (flags & SRB_DIR_IN) return SG_DXFER_FROM_DEV;
    if (flags & SRB_DIR_OUT) return SG_DXFER_TO_DEV;
    // A buffer without a stated direction: let the kernel move data either way.
    return length ? SG_DXFER_TO_FROM_DEV : SG_DXFER_NONE;
}

int OpenDrive(TPassThroughSystem& system, const std::string& path) {
    // Read-write first (writing commands need it), read-only as the fallback;
    // never blocking on a drive whose tray is open.
    int fd = system.Open(path, O_RDWR | O_NONBLOCK);
    if (fd < 0) fd = system.Open(path, O_RDONLY | O_NONBLOCK);
    return fd;
}

}  // namespace

TPassThroughLayer::~TPassThroughLayer() { Reset(); }

TPassThroughSystem& TPassThroughLayer::System() const {
    return system_ ? *system_ : LinuxPassThroughSystem();
}

void TPassThroughLayer::SetSystem(TPassThroughSystem* system) {
    Reset();
    system_ = system;
}

void TPassThroughLayer::Reset() {
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        std::lock_guard lock(driveLocks_[i]);
        if (drives_[i].Handle >= 0) System().Close(drives_[i].Handle);
        drives_[i] = TPassThroughDrive{};
    }
    denied_.clear();
    adapterCount_ = 0;
    scanDone_ = false;
}

bool TPassThroughLayer::Probe(int index, TPassThroughDrive& drive) {
    TPassThroughSystem& system = System();
    const std::string path = system.DevicePath(index);
    const int fd = OpenDrive(system, path);
    // A node this user may not open is a drive all the same; the front ends
    // name it with the remedy rather than act as if there were none.
    if (fd == -EACCES || fd == -EPERM) denied_.push_back({path, system.OwnerGroup(path)});
    if (fd < 0) return false;
    std::uint8_t cdb[6] = {op::kInquiry, 0, 0, 0, kInquiryAllocation, 0};
    std::uint8_t reply[kInquiryAllocation] = {};
    std::uint8_t sense[kProbeSenseLength] = {};
    sg_io_hdr_t request{};
    request.interface_id = 'S';
    request.dxfer_direction = SG_DXFER_FROM_DEV;
    request.cmd_len = sizeof cdb;
    request.mx_sb_len = sizeof sense;
    request.dxfer_len = sizeof reply;
    request.dxferp = reply;
    request.cmdp = cdb;
    request.sbp = sense;
    request.timeout = kTimeoutSeconds * 1000u;
    const bool answered = Succeeded(system.SgIo(fd, request), request);
    if (answered) {
        std::memcpy(drive.InquiryData.data(), reply, drive.InquiryData.size());
        drive.HasKernelAddress = system.GetScsiAddress(fd, drive.KernelAddress);
        drive.Present = true;
        drive.DriveIndex = static_cast<std::uint8_t>(index);
    }
    system.Close(fd);
    return answered;
}

void TPassThroughLayer::NumberDrives() {
    std::uint8_t nextAdapter = 0;
    auto numberGroup = [&](auto belongs) {
        std::uint8_t target = kTargetsPerAdapter;  // forces a fresh adapter first
        std::uint8_t adapter = 0;
        for (TPassThroughDrive& drive : drives_) {
            if (!drive.Present || !belongs(drive)) continue;
            if (target == kTargetsPerAdapter) {
                adapter = nextAdapter++;
                target = 0;
            }
            drive.HaId = adapter;
            drive.Target = target++;
            drive.Lun = 0;
        }
    };
    std::set<std::uint8_t> hosts;
    for (const TPassThroughDrive& drive : drives_)
        if (drive.Present && drive.HasKernelAddress) hosts.insert(drive.KernelAddress.Host);
    for (std::uint8_t host : hosts)
        numberGroup([host](const TPassThroughDrive& d) { return d.HasKernelAddress && d.KernelAddress.Host == host; });
    numberGroup([](const TPassThroughDrive& d) { return !d.HasKernelAddress; });
    adapterCount_ = nextAdapter;
}

int TPassThroughLayer::Scan() {
    if (scanDone_) return 0;
    Reset();
    int found = 0;
    for (int index = 0; index < kMaxDrives; ++index)
        if (Probe(index, drives_[static_cast<std::size_t>(index)])) ++found;
    NumberDrives();
    scanDone_ = true;
    return found;
}

std::uint32_t TPassThroughLayer::SupportInfo() const {
    if (adapterCount_ == 0) return static_cast<std::uint32_t>(SS_NO_ADAPTERS) << 8;
    return (static_cast<std::uint32_t>(SS_COMP) << 8) | adapterCount_;
}

TPassThroughDrive* TPassThroughLayer::Find(std::uint8_t haId, std::uint8_t target, std::uint8_t lun) {
    for (TPassThroughDrive& drive : drives_)
        if (drive.Present && drive.HaId == haId && drive.Target == target && drive.Lun == lun) return &drive;
    return nullptr;
}

const TPassThroughDrive* TPassThroughLayer::FindDrive(std::uint8_t haId, std::uint8_t target,
                                                      std::uint8_t lun) const {
    return const_cast<TPassThroughLayer*>(this)->Find(haId, target, lun);
}

std::string TPassThroughLayer::DeviceName(std::uint8_t haId, std::uint8_t target, std::uint8_t lun) const {
    const TPassThroughDrive* drive = FindDrive(haId, target, lun);
    return drive ? "sr" + std::to_string(drive->DriveIndex) : std::string();
}

void TPassThroughLayer::AdapterInquiry(SRB_HAInquiry& srb) const {
    srb.HA_Count = adapterCount_;
    if (srb.SRB_HaId >= adapterCount_) {
        srb.SRB_Status = SS_INVALID_HA;
        return;
    }
    srb.HA_SCSI_ID = 7;
    static constexpr char kManager[] = "SORVANE LINUX SG";
    static_assert(sizeof kManager - 1 == sizeof srb.HA_ManagerId);
    std::memcpy(srb.HA_ManagerId, kManager, sizeof srb.HA_ManagerId);
    std::memset(srb.HA_Identifier, 0, sizeof srb.HA_Identifier);
    const std::string identifier = "SGIO " + std::to_string(srb.SRB_HaId);
    std::memcpy(srb.HA_Identifier, identifier.data(), std::min(identifier.size(), sizeof srb.HA_Identifier));
    std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
    WriteLsb<std::uint16_t>(srb.HA_Unique, 0x0007);  // buffer alignment mask
    srb.HA_Unique[3] = kTargetsPerAdapter;
    WriteLsb<std::uint32_t>(srb.HA_Unique + 4, kMaxTransferLength);
    srb.SRB_Status = SS_COMP;
}

void TPassThroughLayer::GetDeviceType(SRB_GDEVBlock& srb) const {
    const bool present = FindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun) != nullptr;
    srb.SRB_DeviceType = present ? peripheral::kCdDvd : 0x1F;
    srb.SRB_Status = present ? SS_COMP : SS_NO_DEVICE;
}

void TPassThroughLayer::Execute(SRB_ExecSCSICmd& srb) {
    TPassThroughDrive* drive = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!drive) {
        srb.SRB_Status = SS_NO_DEVICE;
        return;
    }
    if (srb.CDBByte[0] == op::kInquiry) {
        // Answered from the scan: asking the drive again could wake it, or
        // be refused on a handle opened read-only.
        if (srb.SRB_HaId >= adapterCount_) {
            srb.SRB_Status = SS_INVALID_HA;
            return;
        }
        if (srb.SRB_BufPointer)
            std::memcpy(srb.SRB_BufPointer, drive->InquiryData.data(),
                        std::min<std::size_t>(kKeptInquiryBytes, srb.SRB_BufLen));
        srb.SRB_Status = SS_COMP;
        return;
    }

    const auto index = static_cast<std::size_t>(drive - drives_.data());
    std::lock_guard lock(driveLocks_[index]);
    TPassThroughSystem& system = System();
    if (drive->Handle < 0) drive->Handle = OpenDrive(system, system.DevicePath(drive->DriveIndex));

    std::uint8_t sense[ASPI_SENSE_LEN] = {};
    const std::uint8_t senseLength = std::min<std::uint8_t>(srb.SRB_SenseLen, ASPI_SENSE_LEN);
    sg_io_hdr_t request{};
    request.interface_id = 'S';
    request.dxfer_direction = DataDirectionOf(srb.SRB_Flags, srb.SRB_BufLen);
    request.cmd_len = std::min<std::uint8_t>(srb.SRB_CDBLen, sizeof srb.CDBByte);
    request.cmdp = srb.CDBByte;
    request.mx_sb_len = senseLength;
    request.sbp = sense;
    request.dxfer_len = request.dxfer_direction == SG_DXFER_NONE ? 0 : srb.SRB_BufLen;
    request.dxferp = request.dxfer_len ? srb.SRB_BufPointer : nullptr;
    // The drive gets the longest time any command may take; the caller's
    // own wait is the executor's business.
    request.timeout = kTimeoutSeconds * 1000u;

    const int result = drive->Handle >= 0 ? system.SgIo(drive->Handle, request) : -1;
    if (Succeeded(result, request)) {
        srb.SRB_Status = SS_COMP;
    } else {
        std::memcpy(srb.SenseArea, sense, senseLength);
        if (result == 0) {
            srb.SRB_TargStat = request.status;
            srb.SRB_HaStat = AdapterStatusOf(request);
        }
        srb.SRB_Status = SS_ERR;
    }
    if (releaseHandle_ && drive->Handle >= 0) {
        system.Close(drive->Handle);
        drive->Handle = -1;
    }
}

std::uint32_t TPassThroughLayer::SendCommand(void* request) {
    auto* header = static_cast<std::uint8_t*>(request);
    switch (header[0]) {
        case SC_HA_INQUIRY: AdapterInquiry(*static_cast<SRB_HAInquiry*>(request)); break;
        case SC_GET_DEV_TYPE: GetDeviceType(*static_cast<SRB_GDEVBlock*>(request)); break;
        case SC_EXEC_SCSI_CMD: Execute(*static_cast<SRB_ExecSCSICmd*>(request)); break;
        case SC_GET_DISK_INFO:
            // The layer knows its drives' names itself and never asks this.
            static_cast<SRB_GetDiskInfo*>(request)->SRB_Status = SS_PENDING;
            break;
        default: header[1] = SS_ERR; break;
    }
    return header[1];
}

TPassThroughLayer& PassThroughLayer() {
    static TPassThroughLayer layer;
    return layer;
}

extern "C" std::uint32_t PassThroughGetSupportInfo(void) { return PassThroughLayer().SupportInfo(); }

extern "C" std::uint32_t PassThroughSendCommand(void* srb) { return PassThroughLayer().SendCommand(srb); }

}  // namespace sorvane
