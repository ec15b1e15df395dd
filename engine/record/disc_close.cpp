#include "engine/record/disc_close.h"

#include "engine/device/disc_kind.h"
#include "engine/device/mmc_replies.h"
#include "engine/device/scsi_device.h"
#include "engine/device/sense.h"
#include "engine/record/disc_target.h"

namespace sorvane::disc {
namespace {

// A close command refused as busy is sent again every second, 1000 times.
constexpr int kClosePauseMs = 1000;
constexpr int kCloseAttempts = 1000;
constexpr int kReadyMs = 240000;
constexpr int kReadyPollMs = 5000;

}  // namespace

TCloseOutcome CloseWhenNotBusy(TSCSIDevice& device, const std::function<bool()>& close) {
    for (int attempt = 1;; ++attempt) {
        if (close()) return TCloseOutcome::Taken;
        const bool busy = device.TargetBusy || ParseSense(device.SenseData).Asc == asc::kNotReady;
        if (!busy) return TCloseOutcome::Refused;
        if (attempt >= kCloseAttempts) return TCloseOutcome::StillBusy;
        device.Sleep(kClosePauseMs);
    }
}

bool LastSessionLeftOpen(TSCSIDevice& device, TDiscKind kind) {
    if (IsPressedKind(kind) || OverwrittenInPlace(kind)) return false;
    if (!device.RefreshDiscInformation()) return false;
    const std::uint8_t status = device.DiscInfoBlock[discinfo::kStatusByte];
    const int state = (status & discinfo::kLastSessionStateMask) >> discinfo::kLastSessionStateShift;
    return (status & discinfo::kDiscStatusMask) == discinfo::kStatusIncomplete &&
           (state == discinfo::kSessionIncomplete || state == discinfo::kSessionDamaged);
}

std::string CloseOpenSession(TSCSIDevice& device, TDiscKind kind, bool finalize) {
    device.WaitUntilReady(kReadyMs, kReadyPollMs);
    if (!LastSessionLeftOpen(device, kind)) return {};
    const int lastTrack = device.DiscInfoBlock[discinfo::kLastTrackInLastSession];
    // The multi-session field of the write parameters decides on CD and
    // DVD-R whether closing the session leaves room for another.
    const bool savedFinalize = device.FinalizeDisc;
    device.FinalizeDisc = finalize;
    device.SetWriteParameters(false, device.UnderrunProtection, !finalize, kind);
    device.FinalizeDisc = savedFinalize;

    const auto send = [&](std::uint8_t function, int track) {
        return CloseWhenNotBusy(device, [&] {
                   return device.CloseTrackSession(false, function, 0, static_cast<std::uint8_t>(track >> 8),
                                                   static_cast<std::uint8_t>(track & 0xFF));
               }) == TCloseOutcome::Taken;
    };
    // Closing the session closes its tracks as well; the track is closed
    // first all the same, as drives that keep a track open expect.
    send(close_fn::kCloseTrack, lastTrack);
    const bool plus = kind == kind::kDvdPlusR || kind == kind::kDvdPlusRDualLayer;
    const std::uint8_t function = plus && finalize ? close_fn::kFinalizeDisc : close_fn::kCloseSession;
    const bool closed = send(function, 0);
    const std::string error = closed ? std::string() : std::string(kCloseErrorText) + " [" + device.LastError + "]";
    device.WaitUntilReady(kReadyMs, kReadyPollMs);
    device.RestoreIdleSettings();
    return error;
}

}  // namespace sorvane::disc
