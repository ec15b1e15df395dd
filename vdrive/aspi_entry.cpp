// The two ASPI-style entry points the engine's transport loads from this
// library, and the completion thread behind requests that complete by event.

#include <algorithm>
#include <cstring>

#include "engine/device/aspi.h"
#include "vdrive/host_impl.h"

namespace sorvane::vdrive {
namespace {

constexpr std::uint8_t kAdapters = 1;
constexpr std::uint8_t kMaxTargets = 8;
constexpr std::uint32_t kMaxTransfer = 0x00100000;  // 1 MiB per request

// The status byte is the one field a caller may look at while the request is
// pending on the completion thread; it is stored last, with release order.
void StoreStatus(SRB_ExecSCSICmd* srb, std::uint8_t status) {
    __atomic_store_n(&srb->SRB_Status, status, __ATOMIC_RELEASE);
}

THost::TImpl& Impl();

std::uint32_t HostAdapterInquiry(SRB_HAInquiry* srb) {
    THost::TImpl& impl = Impl();
    srb->HA_Count = kAdapters;
    if (srb->SRB_HaId >= kAdapters) {
        srb->SRB_Status = SS_INVALID_HA;
        return SS_INVALID_HA;
    }
    srb->HA_SCSI_ID = 7;
    std::memcpy(srb->HA_ManagerId, "SORVANE VDRIVE  ", 16);
    std::memset(srb->HA_Identifier, 0, sizeof srb->HA_Identifier);
    std::memcpy(srb->HA_Identifier, "VDRIVE 0", 8);
    std::memset(srb->HA_Unique, 0, sizeof srb->HA_Unique);
    srb->HA_Unique[0] = 0x03;  // buffers aligned to 4 bytes
    {
        std::lock_guard lock(impl.Mutex);
        srb->HA_Unique[3] = std::uint8_t(std::max<std::size_t>(kMaxTargets, impl.Drives.size()));
    }
    std::memcpy(&srb->HA_Unique[4], &kMaxTransfer, 4);  // little-endian, as the block is
    srb->SRB_Status = SS_COMP;
    return SS_COMP;
}

std::uint32_t GetDeviceType(SRB_GDEVBlock* srb) {
    THost::TImpl& impl = Impl();
    std::lock_guard lock(impl.Mutex);
    bool present = srb->SRB_HaId == 0 && srb->SRB_Lun == 0 && srb->SRB_Target < impl.Drives.size();
    srb->SRB_DeviceType = present ? 0x05 : 0x1F;
    srb->SRB_Status = present ? SS_COMP : SS_NO_DEVICE;
    return srb->SRB_Status;
}

std::uint32_t GetDiskInfo(SRB_GetDiskInfo* srb) {
    THost::TImpl& impl = Impl();
    std::lock_guard lock(impl.Mutex);
    if (srb->SRB_HaId != 0 || srb->SRB_Lun != 0 || srb->SRB_Target >= impl.Drives.size()) {
        srb->SRB_Status = SS_NO_DEVICE;
        return SS_NO_DEVICE;
    }
    srb->SRB_DriveFlags = 0;
    srb->SRB_Int13HDriveInfo = srb->SRB_Target;  // drive number: the drive's index
    srb->SRB_Status = SS_COMP;
    return SS_COMP;
}

std::uint32_t Execute(SRB_ExecSCSICmd* srb) {
    THost::TImpl& impl = Impl();
    std::uint8_t status = SS_PENDING;
    {
        std::lock_guard lock(impl.Mutex);
        if (srb->SRB_HaId != 0)
            status = SS_INVALID_HA;
        else if (srb->SRB_Lun != 0 || srb->SRB_Target >= impl.Drives.size())
            status = SS_NO_DEVICE;
        else if (srb->SRB_CDBLen < 6 || srb->SRB_CDBLen > 16)
            status = SS_INVALID_SRB;
        else if (srb->SRB_BufLen > kMaxTransfer)
            status = SS_BUFFER_TO_BIG;
        else if (srb->SRB_BufLen && !srb->SRB_BufPointer)
            status = SS_INVALID_SRB;
        if (status != SS_PENDING) {
            srb->SRB_Status = status;
            return status;
        }
        if ((srb->SRB_Flags & SRB_EVENT_NOTIFY) && srb->SRB_PostProc && impl.Completion == TCompletion::Thread) {
            StoreStatus(srb, SS_PENDING);
            impl.Queue.push_back(srb);
            if (!impl.Worker.joinable()) {
                impl.Stopping = false;
                impl.Worker = std::thread([&impl] {
                    std::unique_lock queueLock(impl.Mutex);
                    for (;;) {
                        impl.QueueChanged.wait(queueLock, [&] { return impl.Stopping || !impl.Queue.empty(); });
                        if (impl.Stopping) return;
                        SRB_ExecSCSICmd* next = impl.Queue.front();
                        impl.Queue.pop_front();
                        ++impl.InFlight;
                        queueLock.unlock();
                        CompleteRequest(impl, next);
                        queueLock.lock();
                        --impl.InFlight;
                        if (impl.Queue.empty() && impl.InFlight == 0) impl.Drained.notify_all();
                    }
                });
            }
            impl.QueueChanged.notify_one();
            return SS_PENDING;
        }
    }
    CompleteRequest(impl, srb);
    return __atomic_load_n(&srb->SRB_Status, __ATOMIC_ACQUIRE);
}

THost::TImpl& Impl() {
    THost::TImpl& impl = THost::Instance().Inside();
    impl.Configure();
    return impl;
}

}  // namespace

void CompleteRequest(THost::TImpl& impl, SRB_ExecSCSICmd* srb) {
    TCommand command;
    std::memcpy(command.Cdb.data(), srb->CDBByte, srb->SRB_CDBLen);
    command.CdbLength = srb->SRB_CDBLen;
    // With neither direction flag the command decides, so the buffer serves
    // both ways.
    bool in = srb->SRB_Flags & SRB_DIR_IN, out = srb->SRB_Flags & SRB_DIR_OUT;
    if (!in && !out) in = out = true;
    if (out && srb->SRB_BufLen) command.DataOut = {srb->SRB_BufPointer, srb->SRB_BufLen};
    command.BufferLength = in ? srb->SRB_BufLen : 0;

    TReply reply = impl.Run(srb->SRB_Target, command);
    impl.Clock.Spend(reply.SpendSeconds);
    if (reply.Status == TReplyStatus::Hang) return;  // never completes, never touches the block again

    AspiCompletionEvent* event = (srb->SRB_Flags & SRB_EVENT_NOTIFY) ? srb->SRB_PostProc : nullptr;
    std::uint8_t status = SS_COMP;
    srb->SRB_HaStat = HASTAT_OK;
    srb->SRB_TargStat = STATUS_GOOD;
    switch (reply.Status) {
        case TReplyStatus::Good:
            if (in && !reply.DataIn.empty())
                std::memcpy(srb->SRB_BufPointer, reply.DataIn.data(), std::min<std::size_t>(reply.DataIn.size(), srb->SRB_BufLen));
            break;
        case TReplyStatus::CheckCondition: {
            status = SS_ERR;
            srb->SRB_TargStat = STATUS_CHKCOND;
            auto fixed = reply.Sense.Fixed();
            std::size_t n = std::min<std::size_t>({fixed.size(), srb->SRB_SenseLen, ASPI_SENSE_LEN});
            std::memset(srb->SenseArea, 0, ASPI_SENSE_LEN);
            std::memcpy(srb->SenseArea, fixed.data(), n);
            break;
        }
        case TReplyStatus::Busy:
            status = SS_ERR;
            srb->SRB_TargStat = STATUS_BUSY;
            break;
        case TReplyStatus::Overrun:
            status = SS_ERR;
            srb->SRB_HaStat = HASTAT_DO_DU;
            break;
        case TReplyStatus::Hang: break;
    }
    StoreStatus(srb, status);
    if (event) event->Signal(event);
}

void THost::TImpl::StopWorker() {
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
        // Requests still queued are dropped unanswered, as a library being
        // unloaded would.
        Queue.clear();
        QueueChanged.notify_all();
    }
    if (Worker.joinable()) Worker.join();
    std::lock_guard lock(Mutex);
    Stopping = false;
    Worker = std::thread();
    Drained.notify_all();
}

}  // namespace sorvane::vdrive

extern "C" {

__attribute__((visibility("default"))) std::uint32_t GetASPI32SupportInfo(void) {
    auto& impl = sorvane::vdrive::Impl();
    std::lock_guard lock(impl.Mutex);
    if (impl.Drives.empty()) return std::uint32_t(SS_NO_ADAPTERS) << 8;
    return std::uint32_t(SS_COMP) << 8 | sorvane::vdrive::kAdapters;
}

__attribute__((visibility("default"))) std::uint32_t SendASPI32Command(void* request) {
    if (!request) return SS_INVALID_SRB;
    auto* header = static_cast<std::uint8_t*>(request);
    switch (header[0]) {
        case SC_HA_INQUIRY: return sorvane::vdrive::HostAdapterInquiry(static_cast<SRB_HAInquiry*>(request));
        case SC_GET_DEV_TYPE: return sorvane::vdrive::GetDeviceType(static_cast<SRB_GDEVBlock*>(request));
        case SC_EXEC_SCSI_CMD: return sorvane::vdrive::Execute(static_cast<SRB_ExecSCSICmd*>(request));
        case SC_GET_DISK_INFO: return sorvane::vdrive::GetDiskInfo(static_cast<SRB_GetDiskInfo*>(request));
        default:
            header[1] = SS_INVALID_CMD;
            return SS_INVALID_CMD;
    }
}

}  // extern "C"
