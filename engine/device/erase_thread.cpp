// The erase thread: waits for the drive to finish the blank or format it was
// started on, completes what the disc kind needs on top, keeps the
// percentage done (the drive's own word where it gives one, else an
// estimate), puts the drive's settings back and reports the end on the
// owner's thread.
//
// Every wait is bounded by the estimate for the disc kind (Duration, in
// polling units): a drive that never reports ready again ends the wait
// rather than the program.

#include <algorithm>
#include <cmath>

#include "engine/device/erase.h"
#include "engine/device/scsi_device.h"
#include "engine/device/sense.h"
#include "engine/device/transport.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

constexpr int kShortPollMs = 2000;
constexpr int kLongPollMs = 5000;
constexpr int kSettleMs = 300;

// During a DVD+RW overwrite the estimate moves with the writes up to this
// share of Duration; the rest is left for the drive to settle afterwards.
constexpr double kOverwriteShare = 0.9;

}  // namespace

TEraseThread::TEraseThread(TSCSIDevice& device, std::shared_ptr<TEraseLink> link, TDiscKind kind,
                           std::uint8_t blankType)
    : Kind(kind),
      Device(device),
      BlankType(blankType),
      Duration(erase::EraseDuration(kind, blankType)),
      link_(std::move(link)) {}

void TEraseThread::Execute() {
    switch (Kind) {
        case kind::kDvdRwRestrictedOverwrite:
        case kind::kDvdRwSequential: WaitForDvdMinusRw(); break;
        case kind::kDvdPlusRw: FinishDvdPlusRw(); break;
        case kind::kDvdRam:
            if (BlankType == erase::kQuick) FinishDvdRamQuick();
            break;
        default: break;
    }
    if (TSCSIDevice::ExtraReadyPolling) PollSlowModel();
    WaitUntilIdle();
    // The built-in layer caches the drive table and the INQUIRY answers,
    // which a drive may change after a format; they are read again.
    if (TTransport::Instance().UsesPassThrough()) Device.ReinitializeTransport();
    link_->Progress = 100;
    Device.RestoreIdleSettings();
    Finish();
}

bool TEraseThread::NotReady() const { return Device.SenseSaysNotReady(); }

void TEraseThread::UpdateProgress() {
    // A drive busy with a blank or a format says how much of it is done; the
    // estimate against Duration is only for drives that do not, and for the
    // DVD+RW, whose erase is mostly the overwrite that follows the format.
    // What the drive said never goes back (a blank may run in phases), and
    // 100 waits for the end.
    std::optional<double> done;
    if (Kind != kind::kDvdPlusRw && NotReady()) done = ProgressIndication(Device.SenseData);
    if (done) {
        const int said = std::min(99, static_cast<int>(std::lround(*done * 100.0)));
        link_->Progress = driveTells_ ? std::max(link_->Progress.load(), said) : said;
        driveTells_ = true;
    } else if (!driveTells_) {
        link_->Progress = static_cast<int>(std::lround(t_ / Duration * 100.0));
    }
}

void TEraseThread::Pause(int ms) {
    if (!Stopping()) Device.Sleep(ms);
}

void TEraseThread::Fail(const std::string& error) {
    Device.DebugMessage(">>> " + error, mtError);
    std::lock_guard lock(link_->Mutex);
    if (!WithError) link_->Error = error;
    WithError = true;
}

// Each poll shows what the drive has just said before it waits again.
void TEraseThread::PollWithTestUnitReady(double step) {
    do {
        UpdateProgress();
        if (!Device.TestUnitReady(timeout::kTestUnitReadyMs)) {
            UpdateProgress();
            Pause(kShortPollMs);
        }
        t_ += step;
    } while (NotReady() && t_ <= Duration && !Stopping());
}

void TEraseThread::PollWithDiscInformation() {
    do {
        UpdateProgress();
        Device.RefreshDiscInformation();
        if (NotReady()) {
            UpdateProgress();
            Pause(kLongPollMs);
        }
        t_ += 5;
    } while (NotReady() && t_ <= Duration && !Stopping());
}

void TEraseThread::WaitForDvdMinusRw() {
    // A DVD-RW reports ready for a moment between the phases of a blank;
    // after a rest it is asked again.
    PollWithTestUnitReady(1);
    Pause(kLongPollMs);
    PollWithTestUnitReady(1);
}

void TEraseThread::FinishDvdPlusRw() {
    // A DVD+RW is usable as soon as the drive has written its lead-in and
    // formats the rest in the background.
    do {
        Pause(kShortPollMs);
        t_ += 2;
        Device.RefreshDiscInformation();
        UpdateProgress();
    } while (NotReady() && t_ <= Duration && !Stopping());
    if (Stopping()) return;

    // Formatting leaves the old sectors readable; only zeros over them erase
    // the file system (quick) or everything (full).
    const int writes = BlankType == erase::kQuick ? erase::kQuickOverwriteWrites : erase::kFullOverwriteWrites;
    const double from = t_;
    const double to = std::max(from, Duration * kOverwriteShare);
    const erase::TOverwriteResult written =
        erase::OverwriteWithZeros(Device, writes, erase::TOnWriteFailure::Stop, [&](int done) {
            t_ = from + (to - from) * done / writes;
            UpdateProgress();
            return !Stopping();
        });
    if (written.Failed) {
        Fail(written.FirstError);
        return;
    }
    if (Stopping()) return;
    Pause(kSettleMs);
    t_ += 1;
    UpdateProgress();
    if (!Device.SynchronizeCache(erase::kSynchronizeTimeoutMs, false))
        Fail("ERASE FAILED SYNCHRONIZING THE CACHE: " + Device.LastError);
    Device.CloseTrackSession(false, close_fn::kStopBackgroundFormat, 0, 0, 0);
}

void TEraseThread::FinishDvdRamQuick() {
    // The start overwrote the first sectors; this pass covers every volume
    // descriptor and the first directories. It goes on past a bad sector,
    // but an erase that left one unwritten is not reported as done.
    const erase::TOverwriteResult written = erase::OverwriteWithZeros(
        Device, erase::kQuickOverwriteWrites, erase::TOnWriteFailure::GoOn, [this](int) { return !Stopping(); });
    if (!Device.SynchronizeCache(erase::kSynchronizeTimeoutMs, false) && !written.Failed)
        Fail("ERASE FAILED SYNCHRONIZING THE CACHE: " + Device.LastError);
    if (written.Failed) Fail(written.FirstError);
}

void TEraseThread::PollSlowModel() {
    PollWithTestUnitReady(2);
    Device.RefreshDiscInformation();
    Pause(kLongPollMs);
}

void TEraseThread::WaitUntilIdle() {
    if (Device.TestUnitReady(timeout::kTestUnitReadyMs) && Device.RefreshDiscInformation()) return;
    // DVD-RAM reports its format only through TEST UNIT READY and REQUEST
    // SENSE.
    if (Kind != kind::kDvdRam) PollWithDiscInformation();
    PollWithTestUnitReady(2);

    // A drive keeps its tray shut while it blanks or formats, so a disc
    // missing now was taken out after the drive had finished: there is
    // nothing left to wait for.
    std::uint8_t code = 0;
    do {
        UpdateProgress();
        code = Device.AskSenseCode();
        if (code == asc::kMediumNotPresent) break;
        Pause(kShortPollMs);
    } while (code != 0 && (t_ += 2) <= Duration && !Stopping());
}

void TEraseThread::Finish() {
    Device.erasing_ = false;
    if (!Stopping()) {
        Synchronize([this] {
            // The owner may have begun to go away while this call waited.
            if (Stopping()) return;
            Device.erasing_ = false;
            if (Device.OnEraseDone) Device.OnEraseDone(Device, WithError);
        });
    }
    // The last touch of the device: once told, its destructor may run.
    std::lock_guard lock(link_->Mutex);
    --link_->Running;
    link_->Ended.notify_all();
}

}  // namespace sorvane
