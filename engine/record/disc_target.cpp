// Preparing the drive for a recording, and what each disc kind asks of it.
// The answers of the preparation commands are not examined: a drive that is
// not ready for the disc says so at the first write, with a text that tells
// the user why.

#include "engine/record/disc_target.h"

#include <cmath>

#include "engine/device/disc_kind.h"
#include "engine/device/scsi_device.h"
#include "engine/rtl/date_time.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

constexpr int kReadyWaitMs = 10000;
constexpr int kReadyPollMs = 1000;
constexpr std::int32_t kStreamingTimeMs = 1000;
// The units a DVD is reserved and written in: one ring block.
constexpr std::int64_t kDvdWriteUnit = 32;

// SET STREAMING for a DVD-R: the performance over the whole disc, asked
// before its track is reserved.
constexpr std::int32_t kDvdREndSector = 0x0023127F;  // 2,298,495
constexpr std::int32_t kDvdRReadSize = 0xABBD;       // 43,965 kB per second
constexpr std::int32_t kDvdRWriteSize = 0x058A;      // 1,418 kB per second

// The performance descriptor takes sizes in kB per its time; a DVD speed
// step is 1385 kB/s and 1440.25 kB in the descriptor's terms.
std::int32_t StreamingSize(std::uint16_t kBps) {
    return static_cast<std::int32_t>(std::trunc(kBps / kDvdSpeedUnit * 1440.25));
}

}  // namespace

namespace disc {

std::int64_t InWholeDvdWriteUnits(std::int64_t sectors) {
    return (sectors + kDvdWriteUnit - 1) / kDvdWriteUnit * kDvdWriteUnit;
}

}  // namespace disc

TDiscTarget::TDiscTarget(TSCSIDevice& device, TDiscRecording recording)
    : device_(device), recording_(std::move(recording)) {}

std::int64_t TDiscTarget::StartSector() const {
    return recording_.Source == TDiscRecording::TSource::ImageFile ? 0 : recording_.StartAddress;
}

std::uint32_t TDiscTarget::WriteLength(std::uint32_t count, std::uint32_t capacity) const {
    // DVDs are written in whole 32-sector units, the last one padded with
    // zeros: the unit the track is reserved in, and a multiple of the
    // 16-sector packets a DVD-R or a restricted-overwrite DVD-RW refuses to
    // take in part. An image file is no different from a project here.
    return KindTraits(kind_).CdBlocks ? count : capacity;
}

std::string TDiscTarget::Open() {
    std::uint32_t size = 0, free = 0;
    bufferQueryAllowed_ = device_.ReadBufferCapacity(size, free);
    kind_ = device_.GetDiscType();
    device_.CurrentDiscKind = kind_;
    device_.LoadUnload(false);
    if (kind_ != kind::kDvdPlusRw) device_.RezeroUnit();
    device_.SetSpeed(recording_.ReadSpeed, recording_.WriteSpeed);
    device_.WaitUntilReady(kReadyWaitMs, kReadyPollMs);
    const std::uint16_t speed = device_.GetCurrentWriteSpeed();
    device_.SetRecordingWriteSpeed(speed);

    // The first page never announces a following session where that hangs
    // on FinalizeDisc; the real value is sent when the session is closed.
    const bool finalizeDisc = device_.FinalizeDisc;
    device_.FinalizeDisc = true;
    device_.SetWriteParameters(recording_.TestWrite, recording_.UnderrunProtection, true, kind_);
    device_.FinalizeDisc = finalizeDisc;

    const TDiscKindTraits& traits = KindTraits(kind_);
    if (traits.TakesStreamingSpeed) {
        const std::int64_t start = StartSector();
        device_.SetStreamingSpeed(static_cast<std::int32_t>(start),
                                  static_cast<std::int32_t>(start + recording_.StreamSectors),
                                  StreamingSize(recording_.ReadSpeed), StreamingSize(recording_.WriteSpeed),
                                  kStreamingTimeMs, kStreamingTimeMs);
    }
    trackNumber_ = device_.GetLastSession() + 1;
    if (kind_ == kind::kDvdR) SetStreamingForDvdR();
    if (!traits.RandomAccess && !recording_.TestWrite && recording_.PerformOPC) device_.PerformOpcCommand();
    AnnounceStart(speed);
    prepared_ = true;
    return {};
}

void TDiscTarget::SetStreamingForDvdR() {
    device_.SetStreamingSpeed(0, kDvdREndSector, kDvdRReadSize, kDvdRWriteSize, kStreamingTimeMs, kStreamingTimeMs);
    // The time stamp and the reservation are recorded on the disc at once,
    // simulation or not: a test write sends neither.
    if (!recording_.TestWrite) {
        device_.SendTimeStamp(Now());
        // The track is reserved for exactly what will be written.
        device_.ReserveTrack(static_cast<std::uint32_t>(disc::InWholeDvdWriteUnits(recording_.StreamSectors)));
    }
    device_.WaitUntilReady(kReadyWaitMs, kReadyPollMs);
}

void TDiscTarget::AnnounceStart(std::uint16_t speed) {
    const std::string rate = FormatFloat("X (#,##0 KB/s)", speed);
    const std::string speedText = KindTraits(kind_).Dvd ? FormatFloat("0.0", speed / kDvdSpeedUnit) + rate
                                                   : FormatFloat("0", speed / kCdSpeedUnit) + rate;
    device_.DebugMessage(">>> " + Format("STARTING WRITE PROCESS ON %s AT %s", DiscKindName(kind_), speedText.c_str()),
                         mtInfo);
    if (recording_.TestWrite) device_.DebugMessage(">>> TEST/DUMMY WRITE", mtInfo);
}

}  // namespace sorvane
