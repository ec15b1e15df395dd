// Starting an erase: the checks, the command that sets the drive to work by
// disc kind, and the erase thread that waits for it.

#include "engine/device/erase.h"

#include <chrono>

#include "engine/device/disc_kind.h"
#include "engine/device/scsi_device.h"
#include "engine/rtl/format.h"
#include "engine/rtl/sync_queue.h"

namespace sorvane {
namespace erase {
namespace {

constexpr std::uint16_t kCdFull = 4500;
constexpr std::uint16_t kCdQuick = 150;
constexpr std::uint16_t kDvdFull = 4440;
constexpr std::uint16_t kDvdQuick = 600;
constexpr std::uint16_t kDvdRwQuick = 180;  // the DVD-RW kind detection never produces
constexpr std::uint16_t kDvdOther = 8880;

constexpr std::uint32_t kDvdRamBlocks = 2236704;
constexpr std::uint32_t kDvdPlusRwBlocks = 2295104;
constexpr std::uint8_t kEraseListFlags = format_list::kFov | format_list::kImmed;

// The zeros every overwrite sends; the executor copies them before the
// transport sees them, so one buffer serves every thread.
alignas(8) const std::array<std::uint8_t, kZeroWriteBytes> kZeros{};

}  // namespace

format_list::TList DvdRamFormatList() {
    return format_list::Make(kEraseListFlags, kDvdRamBlocks, format_list::kFull, kSectorSize);
}

format_list::TList DvdPlusRwFormatList() {
    return format_list::Make(kEraseListFlags, kDvdPlusRwBlocks, format_list::kDvdPlusRwFull, 0);
}

std::uint16_t EraseDuration(TDiscKind discKind, std::uint8_t blankType) {
    if (KindTraits(discKind).Cd) return blankType == kQuick ? kCdQuick : kCdFull;
    switch (blankType) {
        case kFull: return kDvdFull;
        case kQuick: return discKind == kind::kDvdRw ? kDvdRwQuick : kDvdQuick;
        default: return kDvdOther;
    }
}

TOverwriteResult OverwriteWithZeros(TSCSIDevice& device, int writes, TOnWriteFailure onFailure,
                                    const std::function<bool(int done)>& goOn) {
    TOverwriteResult result;
    for (int i = 0; i < writes; ++i) {
        const auto lba = static_cast<std::uint32_t>(i) * kZeroSectorsPerWrite;
        ++result.Done;
        if (!device.WriteSectors(lba, kZeroSectorsPerWrite, SRB_EVENT_NOTIFY | SRB_DIR_OUT, kZeroWriteBytes,
                                 kZeros.data())) {
            if (result.Failed++ == 0)
                result.FirstError = Format("ERASE FAILED AT SECTOR %u: %s", lba, device.LastError.c_str());
            if (onFailure == TOnWriteFailure::Stop) break;
        }
        if (goOn && !goOn(result.Done)) break;
    }
    return result;
}

}  // namespace erase

namespace {

constexpr int kReadyWaitTotalMs = 30000;
constexpr int kReadyWaitIntervalMs = 5000;
constexpr int kFormatRetryPauseMs = 1000;
constexpr int kPumpSliceMs = 10;

// "24X(4,234 KB/s)", "2.4X(3,324 KB/s)": DVDs in tenths of their speed step.
std::string EraseSpeedText(TDiscKind discKind, std::uint16_t kbps) {
    const bool dvd = KindTraits(discKind).Dvd;
    const std::string steps = dvd ? FormatFloat("0.0X", kbps / kDvdSpeedUnit) : FormatFloat("0X", kbps / kCdSpeedUnit);
    return steps + FormatFloat("(#,##0 KB/s)", kbps);
}

}  // namespace

bool TSCSIDevice::EraseDisc(std::uint8_t BlankType) {
    // One erase per device at a time: a second thread would poll the same
    // drive and the first one's progress would be lost. Nor may it meet a
    // recording on the drive.
    if (EraseBusy()) {
        LastError = "AN ERASE IS ALREADY RUNNING";
        return false;
    }
    if (RecordingBusy()) {
        LastError = "A RECORDING IS ALREADY RUNNING";
        return false;
    }
    if (BlankType > erase::kLastBlankType) {
        LastError = "RANGE CHECK ERROR";
        return false;
    }
    const TStartGuard starting(*this, TStarting::Erase);
    if (!eraseLink_) eraseLink_ = std::make_shared<TEraseLink>();
    {
        std::lock_guard lock(eraseLink_->Mutex);
        eraseLink_->Error.clear();
    }

    TestUnitReady(timeout::kTestUnitReadyMs);
    LoadUnload(false);
    TDiscKind discKind = GetDiscType();
    CurrentDiscKind = discKind;
    if (!ReadyForErase()) return false;

    // Write-once and pressed discs cannot be blanked. A kind read while the
    // disc was still spinning up may be wrong, so it is asked once more.
    if (!KindTraits(discKind).Erasable) {
        discKind = GetDiscType();
        CurrentDiscKind = discKind;
        if (!KindTraits(discKind).Erasable)
            return FailEraseStart(Format("%s DISC CANNOT BE ERASED", DiscKindName(discKind)));
    }

    if (!KindTraits(discKind).RandomAccess) {
        SetSpeed(ReadSpeed, WriteSpeed());
        SetWriteParameters(false, false, false, discKind);
    }
    const std::uint16_t speed = GetCurrentWriteSpeed();
    if (!ReadyForErase()) return false;
    DebugMessage(">>> " + Format("STARTING ERASE PROCESS ON %s AT %s", DiscKindName(discKind),
                                 EraseSpeedText(discKind, speed).c_str()),
                 mtInfo);

    if (!StartErase(discKind, BlankType))
        return FailEraseStart(LastError.empty() ? std::string("ERASE COULD NOT BE STARTED") : LastError);

    auto thread = std::make_unique<TEraseThread>(*this, eraseLink_, discKind, BlankType);
    {
        std::lock_guard lock(eraseLink_->Mutex);
        ++eraseLink_->Running;
    }
    eraseLink_->Progress = 0;
    erasing_ = true;
    TEraseThread* started = thread.get();
    TThread::FreeOnTerminate(std::move(thread));
    // The thread may free itself as soon as it runs; it is not touched again.
    started->Resume();
    return true;
}

bool TSCSIDevice::ReadyForErase() {
    if (TestUnitReady(timeout::kTestUnitReadyMs)) return true;
    // The wait ends with commands that succeed; the reason the drive gave
    // first is the one worth telling.
    const std::string reason = LastError;
    if (WaitUntilReady(kReadyWaitTotalMs, kReadyWaitIntervalMs)) return true;
    LastError = reason.empty() ? std::string("DRIVE IS NOT READY") : reason;
    return false;
}

bool TSCSIDevice::StartErase(TDiscKind discKind, std::uint8_t blankType) {
    switch (discKind) {
        case kind::kDvdPlusRw: {
            const format_list::TList list = erase::DvdPlusRwFormatList();
            if (format_list::Send(*this, list)) return true;
            // Some drives refuse the first format of a disc they have just
            // spun up; a seek to the start and a moment's rest settles them.
            RezeroUnit();
            Sleep(kFormatRetryPauseMs);
            return format_list::Send(*this, list);
        }
        case kind::kDvdRam:
            if (blankType == erase::kQuick) {
                // DVD-RAM needs no blanking: overwriting the file system's
                // first sectors is a quick erase. A disc that takes no
                // writes has not been erased.
                const erase::TOverwriteResult written =
                    erase::OverwriteWithZeros(*this, erase::kDvdRamStartWrites, erase::TOnWriteFailure::Stop);
                if (written.Failed) {
                    LastError = written.FirstError;
                    return false;
                }
                return SynchronizeCache(erase::kSynchronizeTimeoutMs, false);
            } else {
                return format_list::Send(*this, erase::DvdRamFormatList());
            }
        default: return Blank(blankType);
    }
}

bool TSCSIDevice::FailEraseStart(const std::string& error) {
    LastError = error;
    {
        std::lock_guard lock(eraseLink_->Mutex);
        eraseLink_->Error = error;
    }
    DebugMessage(">>> " + error, mtError);
    erasing_ = false;
    RaiseOnOwner([this] {
        if (OnEraseDone) OnEraseDone(*this, true);
    });
    return false;
}

int TSCSIDevice::GetEraseProgress() const { return erasing_ && eraseLink_ ? eraseLink_->Progress.load() : 0; }

std::string TSCSIDevice::LastEraseError() const {
    if (!eraseLink_) return {};
    std::lock_guard lock(eraseLink_->Mutex);
    return eraseLink_->Error;
}

void TSCSIDevice::WaitForEraseThreads() {
    if (!eraseLink_) return;
    TEraseLink& link = *eraseLink_;
    link.OwnerGone = true;
    auto ended = [&link] {
        std::lock_guard lock(link.Mutex);
        return link.Running == 0;
    };
    // A thread may be waiting in Synchronize for this very thread: keep
    // running the queued calls (they raise nothing any more) while waiting.
    TSyncQueue& queue = TSyncQueue::Main();
    if (queue.IsOwnerThread()) {
        while (!queue.PumpUntil(ended, kPumpSliceMs)) {
        }
        return;
    }
    std::unique_lock lock(link.Mutex);
    link.Ended.wait(lock, [&link] { return link.Running == 0; });
}

}  // namespace sorvane
