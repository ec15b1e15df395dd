// Finishing a recording: the drive's cache is synchronised once the drive
// was prepared, whatever happened; the track and session are closed as the
// disc kind needs, and the drive is given back, only when every block was
// written. After an error or an abort the drive is left as it is (tray
// locked, write parameters as set) for the front end to deal with.

#include "engine/device/scsi_device.h"
#include "engine/record/disc_close.h"
#include "engine/record/disc_target.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

constexpr int kFinalSynchronizeMs = 120000;
constexpr int kBackgroundSynchronizeMs = 1800000;
// While a DVD-R or DVD-RW empties its buffer onto the disc it answers READ
// DISC INFORMATION with not ready; it is asked every second, for at most
// half an hour, the longest the cache may take by the command's own
// time-out.
constexpr int kFlushPollMs = 1000;
constexpr int kFlushWaitMs = kBackgroundSynchronizeMs;
// The drive buffer bar falls to empty over 960 polls while the drive flushes.
constexpr std::uint32_t kFlushSteps = 960;
constexpr int kReadyAfterCloseMs = 240000;
constexpr int kReadyAfterClosePollMs = 5000;

}  // namespace

std::string TDiscTarget::Close(const std::string& error) {
    std::string outcome;
    if (prepared_) {
        std::uint32_t size = 0, free = 0;
        if (kind_ != kind::kDvdRam) device_.ReadBufferCapacity(size, free);
        // The event says every block is written; after an error or an abort
        // that would not be true.
        if (error.empty() && recording_.OnFinalizingTrack) recording_.OnFinalizingTrack();
        outcome = Synchronize();
        device_.SetDeviceBufferSizes(0, 0);

        if (error.empty() && outcome.empty()) {
            if (!recording_.TestWrite && kind_ != kind::kDvdRam && recording_.FinalizeTrack) outcome = CloseByKind();
            device_.WaitUntilReady(kReadyAfterCloseMs, kReadyAfterClosePollMs);
            if (kind_ != kind::kDvdRam) device_.ReadBufferCapacity(size, free);
            device_.RestoreIdleSettings();
        }
    }
    TSCSIDevice::SetReleaseHandle(true);
    return error.empty() ? outcome : std::string();
}

std::string TDiscTarget::Synchronize() {
    if (disc::FlushesInBackground(kind_)) return SynchronizeInBackground();
    if (device_.SynchronizeCache(kFinalSynchronizeMs, false)) return {};
    if (device_.SynchronizeCache(kFinalSynchronizeMs, true)) return {};
    // A drive still busy writing gets there by itself; the close commands
    // and the wait for ready that follow give it the time.
    return LastFailureIsBusy() ? std::string() : FailureText(kSynchronizeErrorText);
}

std::string TDiscTarget::SynchronizeInBackground() {
    if (!device_.SynchronizeCache(kBackgroundSynchronizeMs, true) && !LastFailureIsBusy())
        return FailureText(kSynchronizeErrorText);
    const std::uint32_t size = device_.DeviceBufferSize();
    std::uint32_t free = size;
    device_.SetDeviceBufferSizes(size, free);
    for (int waited = 0;; waited += kFlushPollMs) {
        if (device_.RefreshDiscInformation()) return {};
        // Only a drive that is still flushing is waited for: one that says
        // something else (the disc is gone, say) will not get there.
        if (!LastFailureIsBusy()) return {};
        if (waited >= kFlushWaitMs) return FailureText(kSynchronizeErrorText);
        free = free > size / kFlushSteps ? free - size / kFlushSteps : 0;
        device_.SetDeviceBufferSizes(size, free);
        device_.Sleep(kFlushPollMs);
    }
}

bool TDiscTarget::SendClose(bool immediate, std::uint8_t closeFunction, int track) {
    const disc::TCloseOutcome outcome = disc::CloseWhenNotBusy(device_, [&] {
        return device_.CloseTrackSession(immediate, closeFunction, 0, static_cast<std::uint8_t>(track >> 8),
                                         static_cast<std::uint8_t>(track & 0xFF));
    });
    if (outcome == disc::TCloseOutcome::Taken) return true;
    device_.DebugMessage(">>> " + Format("CLOSE FUNCTION %d ON TRACK %d FAILED: ", closeFunction, track) +
                             device_.LastError,
                         mtError);
    return false;
}

bool TDiscTarget::CloseCdSession() {
    const bool immediate = TSCSIDevice::CloseImmediate;
    const disc::TCloseOutcome outcome =
        disc::CloseWhenNotBusy(device_, [&] { return device_.CloseTrackOrSession(false, immediate, false); });
    if (outcome != disc::TCloseOutcome::Refused) return outcome == disc::TCloseOutcome::Taken;
    // Some drives refuse the first close after a track-at-once recording
    // for no lasting reason; the second answer is the one that counts.
    return device_.CloseTrackOrSession(false, immediate, false);
}

std::string TDiscTarget::CloseByKind() {
    // Only the command that closes the session (or the disc) decides the
    // outcome: closing the session closes its tracks as well, so a refused
    // track close alone leaves nothing open.
    const int t = trackNumber_;
    const bool finalizeDisc = device_.FinalizeDisc;
    if (kind_ != kind::kDvdR)
        device_.SetWriteParameters(recording_.TestWrite, recording_.UnderrunProtection, finalizeDisc, kind_);
    bool closed = false;
    switch (kind_) {
        case kind::kDvdPlusR:
            SendClose(false, close_fn::kCloseTrack, t);
            closed = SendClose(false, close_fn::kCloseSession, close_fn::kIncompleteTrack);
            break;
        case kind::kDvdPlusRDualLayer:
            SendClose(false, close_fn::kCloseTrack, t);
            closed = SendClose(false, finalizeDisc ? close_fn::kFinalizeDisc : close_fn::kCloseSession, 0);
            break;
        case kind::kDvdR:
            SendClose(true, close_fn::kCloseTrack, t);
            SendClose(true, close_fn::kCloseTrack, t + 1);
            closed = SendClose(true, close_fn::kCloseSession, t + 2);
            break;
        case kind::kDvdRwRestrictedOverwrite:
        case kind::kDvdRwSequential: closed = SendClose(true, close_fn::kCloseSession, 0); break;
        case kind::kDvdPlusRw: closed = SendClose(false, close_fn::kStopBackgroundFormat, close_fn::kIncompleteTrack);
            break;
        default: closed = CloseCdSession(); break;
    }
    return closed ? std::string() : FailureText(kCloseErrorText);
}

}  // namespace sorvane
