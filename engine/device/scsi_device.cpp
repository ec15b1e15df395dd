// The transport side of TSCSIDevice: opening the transport, finding and
// selecting drives, and executing one request.

#include "engine/device/scsi_device.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <span>
#include <thread>

#include "engine/device/error_report.h"
#include "engine/device/owned_request.h"
#include "engine/device/pass_through.h"
#include "engine/device/scsi_command.h"
#include "engine/device/transport.h"
#include "engine/rtl/format.h"
#include "engine/rtl/owner_wait.h"
#include "engine/rtl/sync_queue.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

std::uint32_t SendThroughTransport(void* srb) { return TTransport::Instance().Send(srb); }

std::string Bytes(const std::uint8_t* from, std::size_t count) {
    return std::string(reinterpret_cast<const char*>(from), count);
}

// Adapters beyond this count mean the inquiry failed; nothing is scanned.
constexpr std::uint8_t kMostAdapters = 127;
// A library that reports no adapters is still asked for this many.
constexpr std::uint8_t kAdaptersWhenNoneReported = 7;
constexpr std::uint8_t kTargets = 8;
constexpr std::uint8_t kLuns = 8;
// A drive may hold more than one unit attention (a reset, then the disc it
// found); each is reported once, to one command.
constexpr int kUnitAttentionRetries = 3;

// The drive refused the request only to report a medium change or a reset:
// it did not run the command.
bool OnlyReportsUnitAttention(const SRB_ExecSCSICmd& srb) {
    // As when the text is decoded, a failure with a GOOD target status has
    // its reason in the sense bytes too.
    if (srb.SRB_Status != SS_ERR || srb.SRB_HaStat != HASTAT_OK) return false;
    if (srb.SRB_TargStat != STATUS_CHKCOND && srb.SRB_TargStat != STATUS_GOOD) return false;
    const TSense sense = ParseSense(std::span<const std::uint8_t>(srb.SenseArea, ASPI_SENSE_LEN));
    return ClassifySense(sense) == TSenseClass::MediumChanged;
}

}  // namespace

TSCSIDevice::TSCSIDevice()
    : Sleep([this](int ms) { PauseKeepingOwnerAlive(std::chrono::milliseconds(ms)); }) {
    if (ASPIInitialized()) {
        InquireAdapter(0);
        EnumerateDevices();
    }
}

TSCSIDevice::~TSCSIDevice() {
    *alive_ = false;
    WaitForEraseThreads();
}

void TSCSIDevice::PauseKeepingOwnerAlive(std::chrono::nanoseconds pause) {
    const TWaitTicket ticket = WaitTicket();
    WaitKeepingOwnerAlive(pause, [&ticket] { return ticket.Aborted(); });
}

void TSCSIDevice::DebugMessage(const std::string& message, int mType) {
    TSyncQueue& queue = TSyncQueue::Main();
    if (!queue.HasOwner() || queue.IsOwnerThread()) {
        if (OnDebugMessage) OnDebugMessage(*this, message, mType);
        return;
    }
    // The handler is read on the owner's thread too, where it is assigned.
    queue.Post([this, alive = alive_, message, mType] {
        if (*alive && OnDebugMessage) OnDebugMessage(*this, message, mType);
    });
}

void TSCSIDevice::RaiseOnOwner(const std::function<void()>& raise) {
    TSyncQueue& queue = TSyncQueue::Main();
    if (!queue.HasOwner()) {
        raise();
    } else if (queue.IsOwnerThread()) {
        // The lines a worker posted before this come first, as they would
        // have through the queue.
        queue.Pump();
        raise();
    } else {
        queue.Send(raise);
    }
}

bool TSCSIDevice::ASPIInitialized() const { return TTransport::Instance().IsOpen(); }

std::string TSCSIDevice::TransportName() { return TTransport::Instance().Name(); }

std::string TSCSIDevice::DriveAccessProblem() { return DriveAccessMessage(PassThroughLayer().DeniedDrives()); }

void TSCSIDevice::SetReleaseHandle(bool value) { TTransport::Instance().SetReleaseHandle(value); }

bool TSCSIDevice::InitializeTransport(bool PreferPassThrough, const std::string& AspiLibraryPath) {
    TTransport& transport = TTransport::Instance();
    if (!transport.Open(PreferPassThrough, AspiLibraryPath)) {
        if (const std::string reason = transport.LastOpenError(); !reason.empty()) DebugMessage(reason, mtError);
    }
    InquireAdapter(0);
    EnumerateDevices();
    return ASPIInitialized();
}

bool TSCSIDevice::ReinitializeTransport() { return TTransport::Instance().Reopen(); }

void TSCSIDevice::InquireAdapter(std::uint8_t adapter) {
    std::memset(&AdapterInquiry, 0, sizeof AdapterInquiry);
    AdapterInquiry.SRB_Cmd = SC_HA_INQUIRY;
    AdapterInquiry.SRB_HaId = adapter;
    if (ASPIInitialized()) TTransport::Instance().Send(&AdapterInquiry);
    if (AdapterInquiry.SRB_Status != SS_COMP)
        AdapterCountSeen = 255;
    else
        AdapterCountSeen = AdapterInquiry.HA_Count ? AdapterInquiry.HA_Count : kAdaptersWhenNoneReported;
}

void TSCSIDevice::EnumerateDevices() {
    Devices.clear();
    const std::uint8_t keptHa = HaId, keptTarget = TargetId, keptLun = Lun;
    if (DoDebug) DebugMessage(">>> " + TransportName(), mtInfo);
    const std::uint8_t adapters = AdapterCountSeen > kMostAdapters ? 0 : AdapterCountSeen;
    for (std::uint8_t adapter = 0; adapter < adapters; ++adapter) {
        InquireAdapter(adapter);
        if (DoDebug)
            DebugMessage(">>> " + Bytes(AdapterInquiry.HA_ManagerId, sizeof AdapterInquiry.HA_ManagerId) + " (" +
                             TrimAscii(Bytes(AdapterInquiry.HA_Identifier, sizeof AdapterInquiry.HA_Identifier)) +
                             ")",
                         mtInfo);
        for (std::uint8_t target = 0; target < kTargets; ++target) {
            for (std::uint8_t lun = 0; lun < kLuns; ++lun) {
                HaId = adapter;
                TargetId = target;
                Lun = lun;
                InquiryData.fill(0);
                if (!Inquiry()) continue;
                const std::uint8_t type = InquiryData[0];
                if (type != peripheral::kCdDvd && type != peripheral::kWriteOnce) continue;
                const std::string name = GetDriveLetter();
                std::string line = Format("%u:%u:%u,", adapter, target, lun) + (name.empty() ? "?" : name) +
                                   ": " + Bytes(&InquiryData[8], 28);
                if (type == peripheral::kWriteOnce) line += " (not supported)";
                Devices.push_back(std::move(line));
            }
        }
    }
    HaId = keptHa;
    TargetId = keptTarget;
    Lun = keptLun;
    LastError.clear();
}

std::string TSCSIDevice::GetDriveLetter() {
    TTransport& transport = TTransport::Instance();
    if (!transport.IsOpen()) return {};
    if (transport.UsesPassThrough()) return PassThroughLayer().DeviceName(HaId, TargetId, Lun);
    // A library names its drives through the disk information request: the
    // drive number n stands for the device name sr<n>.
    SRB_GetDiskInfo request{};
    request.SRB_Cmd = SC_GET_DISK_INFO;
    request.SRB_HaId = HaId;
    request.SRB_Target = TargetId;
    request.SRB_Lun = Lun;
    transport.Send(&request);
    if (request.SRB_Status != SS_COMP) return {};
    return "sr" + std::to_string(request.SRB_Int13HDriveInfo);
}

void TSCSIDevice::ResetSelection() {
    DeviceId.clear();
    Identity.clear();
    PeripheralType = peripheral::kNone;
    HaId = TargetId = Lun = kNoAddress;
}

void TSCSIDevice::SetModelFlags() {
    const std::string vendorField = Bytes(&InquiryData[8], 8);
    const std::string productField = Bytes(&InquiryData[16], 16);
    std::string vendor = TrimAscii(vendorField);
    const std::string product = TrimAscii(productField);
    if (vendor.size() < 3) vendor = "     ";
    // Drives known to misreport what they can do, or to need more patience.
    ForceUnderrunProtection = product == "CD-W512EB";
    LinkSizeValid = product == "CRX175E" || product == "CD-RW  CRX800E";
    ExtraReadyPolling = product.starts_with("UJDA") || vendor.starts_with("TDK");
    SlowReadyDrive = productField == "DVD-RW  DVR-103 " || productField == "DVD-RW  DVR-104 ";
    CloseImmediate = product != "CDRW321040X";
}

void TSCSIDevice::SelectDevice(const std::string& Id) {
    bool addressed = false;
    if (Id.size() > 4) {
        auto digit = [&](std::size_t at) { return Id[at] >= '0' && Id[at] <= '9'; };
        if (digit(0) && digit(2) && digit(4)) {
            HaId = static_cast<std::uint8_t>(Id[0] - '0');
            TargetId = static_cast<std::uint8_t>(Id[2] - '0');
            Lun = static_cast<std::uint8_t>(Id[4] - '0');
            DeviceId = Id;
            ReadDeviceIdentity();
            addressed = true;
        }
    }
    if (addressed && (PeripheralType == peripheral::kCdDvd || PeripheralType == peripheral::kWriteOnce)) {
        SetModelFlags();
        if (OnDeviceChange) OnDeviceChange(*this);
        ProbeWriteTypes();
        return;
    }
    ResetSelection();
    if (!Id.empty()) DebugMessage("INVALID DEVICE ID / NOT A CD OR DVD DRIVE", mtError);
}

void TSCSIDevice::ReadDeviceIdentity() {
    ReadCapabilities();
    if (!Inquiry()) {
        Identity = LastError;
        // Without an answer there is no drive here, whatever was selected before.
        PeripheralType = peripheral::kNone;
        return;
    }
    PeripheralType = InquiryData[0];
    for (std::size_t i = 8; i <= 55; ++i)
        if (InquiryData[i] < 32) InquiryData[i] = ' ';
    Identity = Bytes(&InquiryData[8], 8) + " " + Bytes(&InquiryData[16], 16) + " " + Bytes(&InquiryData[32], 4);
}

void TSCSIDevice::ExecuteCommand(SRB_ExecSCSICmd& srb, int timeoutMs) {
    LastError.clear();
    TargetBusy = false;
    SenseData.fill(0);
    if (!ASPIInitialized() || HaId == kNoAddress) return;

    const bool byEvent = (srb.SRB_Flags & SRB_EVENT_NOTIFY) != 0;
    srb.SRB_PostProc = nullptr;
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = HaId;
    srb.SRB_Target = TargetId;
    srb.SRB_Lun = Lun;
    srb.SRB_SenseLen = 24;
    srb.CDBByte[1] = static_cast<std::uint8_t>((srb.CDBByte[1] & 0x1F) | (Lun << 5));

    const int waitMs = byEvent ? std::max(timeoutMs, MinimumCompletionWaitMs.load()) : 0;
    SendOwnedRequest(srb, &SendThroughTransport, std::chrono::milliseconds(waitMs));
    // Drives expect the host to take note of a unit attention and send the
    // command again; reported as a failure it would make a disc that was
    // just put in look absent.
    for (int retry = 0; retry < kUnitAttentionRetries && OnlyReportsUnitAttention(srb); ++retry) {
        srb.SRB_Status = SS_PENDING;
        srb.SRB_HaStat = HASTAT_OK;
        srb.SRB_TargStat = STATUS_GOOD;
        std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
        SendOwnedRequest(srb, &SendThroughTransport, std::chrono::milliseconds(waitMs));
    }

    if (srb.SRB_Status != SS_PENDING && srb.SRB_Status != SS_COMP) {
        const TFailureText failure = DescribeFailure(srb);
        LastError = failure.Text;
        TargetBusy = failure.TargetBusy;
        std::memcpy(SenseData.data(), srb.SenseArea, SenseData.size());
    }
    if (!ErrorReported) {
        ErrorReported = true;
        if (DeservesErrorReport(srb)) DebugMessage(FormatErrorReport(srb, LastError), mtError);
    }
    if (srb.SRB_Status == SS_PENDING) {
        // The wait ran out. The request is not aborted: its copy stays with
        // the library until it completes, and the caller sees a time-out.
        srb.SRB_Status = SS_ERR;
        srb.SRB_HaStat = HASTAT_TIMEOUT;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(srb.SRB_BufPointer);
    if (srb.SRB_BufPointer && address % 4 != 0) DebugMessage("aaaa" + std::to_string(address), mtError);
}

bool TSCSIDevice::Run(const TScsiCommand& command) {
    SRB_ExecSCSICmd srb = command.ToRequest();
    ExecuteCommand(srb, command.TimeoutMs());
    return srb.SRB_Status == SS_COMP;
}

}  // namespace sorvane
