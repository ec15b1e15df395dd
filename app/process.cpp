#include "app/process.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include "app/erase_panel.h"
#include "app/global.h"
#include "app/main_window.h"
#include "app/metrics.h"
#include "app/progress_widgets.h"
#include "app/record_panel.h"
#include "app/tray_release.h"
#include "engine/orvo_burner.h"
#include "tasks/emulated_clock.h"
#include "tasks/progress_texts.h"
#include "tasks/record_process.h"

namespace sorvane::app {
namespace {

constexpr int kCountEveryMs = 1000;
constexpr int kProgressEveryMs = 500;
// How long "100%" of an erase stays before its end is said.
constexpr int kEraseEndPauseMs = 500;
constexpr int kGap = 12;
constexpr int kSectorBytes = 2048;
// The record panel's caption before an operation gives it its own; the
// window's title shows no progress under it.
constexpr char kRecordCaption[] = "Record";
// What a start that is refused without saying why (another operation
// still owns the drive) reports.
constexpr char kAlreadyRunning[] = "A RECORDING IS ALREADY RUNNING";

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TProcessPage::TProcessPage(TMainWindow& window)
    : TWizardPage(window, caption::kProcess),
      erasePanel_(new TErasePanel(this)),
      recordPanel_(new TRecordPanel(this)),
      eject_(new QCheckBox(tr("Eject disc after finish"), this)),
      shutdown_(new QCheckBox(tr("Shutdown PC after finish"), this)) {
    AddHeader(tr("Processing operations"), tr("Please wait until all operations finish."));
    // The panels keep their places whether the one above is shown or not.
    auto* column = new QVBoxLayout(this);
    const int gap = metrics::Scaled(kGap);
    column->setContentsMargins(0, gap, 0, gap);
    column->setSpacing(gap);
    for (QWidget* panel : {static_cast<QWidget*>(erasePanel_), static_cast<QWidget*>(recordPanel_)}) {
        QSizePolicy policy = panel->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        panel->setSizePolicy(policy);
        panel->hide();
        column->addWidget(panel);
    }
    column->addStretch(1);
    const int margin = metrics::Scaled(kPanelMargin);
    for (QCheckBox* box : {eject_, shutdown_}) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(margin, 0, margin, 0);
        row->addWidget(box);
        column->addLayout(row);
    }

    countTimer_.setInterval(kCountEveryMs);
    progressTimer_.setInterval(kProgressEveryMs);
    connect(&countTimer_, &QTimer::timeout, this, &TProcessPage::CountTick);
    connect(&progressTimer_, &QTimer::timeout, this, &TProcessPage::ProgressTick);

    Window().ShowStopButton(false);
    Window().SetHomeEnabled(false);
    QTimer::singleShot(0, this, &TProcessPage::Start);
}

TProcessPage::~TProcessPage() {
    // A stopped operation whose end the page no longer sees.
    if (releasePending_) TTrayRelease::After(Window());
}

void TProcessPage::Start() {
    // The window may have been closed before the page got to start.
    if (phase_ != TPhase::Starting) return;
    // The emulated recorder's drives make the burner's pauses on their own
    // clock, as fast as the recorder runs.
    tasks::PaceWithEmulatedRecorder(Burner());
    switch (State().ChosenTask) {
        case kTaskRecordNew:
            State().EraseFirst ? Erase(true) : BurnDisc();
            break;
        case kTaskContinue:
            BurnDisc();
            break;
        case kTaskErase:
            Erase(State().QuickErase);
            break;
        case kTaskMakeIso:
            SaveISO();
            break;
        case kTaskRecordImage:
            // An erase before a recording is always a quick one.
            State().EraseFirst ? Erase(true) : BurnISO();
            break;
        default:
            Finish(false);
            break;
    }
}

void TProcessPage::Erase(bool quick) {
    State().EraseFailed = false;
    erasePanel_->Reset();
    erasePanel_->SetCaption(quick ? tr("Quick erase") : tr("Full erase on ") + State().EraseSpeedText);
    erasePanel_->show();
    LockTray();
    phase_ = TPhase::Erasing;
    workerRunning_ = true;
    const QPointer<TProcessPage> alive(this);
    const bool started = Burner().EraseDisc(quick ? 1 : 0);
    // A start that fails says so through OnEraseDone before it returns,
    // and the page has ended already.
    if (!alive || phase_ != TPhase::Erasing) return;
    if (!started) {
        // A drive that is not ready starts no erase and raises no event.
        State().EraseFailed = true;
        EraseDone();
        return;
    }
    StartTimers();
    // An erase cannot be stopped.
    Window().ShowStopButton(false);
}

void TProcessPage::EraseDone() {
    workerRunning_ = false;
    countTimer_.stop();
    progressTimer_.stop();
    if (State().EraseFailed) {
        erasePanel_->SetCaption(tr("Erase finished with error"));
        Finish(false);
        return;
    }
    erasePanel_->SetPercent(100);
    if (phase_ == TPhase::Finished) {
        // The user quit during the erase; its end only lets the tray go.
        erasePanel_->SetCaption(tr("Erase finished successfully"));
        Finish(false);
        return;
    }
    ShowProgressTitle(erasePanel_->Caption(), erasePanel_->PercentText());
    phase_ = TPhase::ErasePause;
    QTimer::singleShot(kEraseEndPauseMs, this, &TProcessPage::AfterErase);
}

void TProcessPage::AfterErase() {
    // The window may have been closed during the pause.
    if (phase_ != TPhase::ErasePause) return;
    erasePanel_->SetCaption(tr("Erase finished successfully"));
    if (State().EraseFirst && State().ChosenTask == kTaskRecordNew)
        BurnDisc();
    else if (State().EraseFirst && State().ChosenTask == kTaskRecordImage)
        BurnISO();
    else
        Finish(true);
}

void TProcessPage::BurnDisc() {
    State().ProjectSizeText = ProjectSize();
    recordPanel_->SetCaption(tr("Record on ") + State().RecordSpeedText);
    std::uint32_t bufferSize = 0, bufferFree = 0;
    Burner().ReadBufferCapacity(bufferSize, bufferFree);
    recordPanel_->Reset(Burner().GetImageSize(), bufferSize);
    StartRecording([this] { return Burner().BurnProject(); });
}

void TProcessPage::BurnISO() {
    recordPanel_->SetCaption(tr("Record ISO-image to disc"));
    std::uint32_t bufferSize = 0, bufferFree = 0;
    Burner().ReadBufferCapacity(bufferSize, bufferFree);
    recordPanel_->Reset(0, bufferSize);
    const std::string image = State().ImageFileName.toStdString();
    if (!StartRecording([this, image] { return Burner().BurnISOImage(image); })) return;
    // Only the component, which opened the image, knows its size.
    recordPanel_->SetTotal(Burner().GetImageSize());
    State().ProjectSizeText = ProjectSize();
}

void TProcessPage::SaveISO() {
    eject_->setEnabled(false);
    eject_->setChecked(false);
    State().ProjectSizeText = ProjectSize();
    recordPanel_->SetCaption(tr("Record to ISO-image"));
    recordPanel_->Reset(Burner().GetImageSize(), 0);
    recordPanel_->HideDriveParts();
    const std::string image = State().ImageFileName.toStdString();
    StartRecording([this, image] { return Burner().SaveISOImage(image, false); });
}

bool TProcessPage::StartRecording(const std::function<bool()>& start) {
    recordPanel_->show();
    // Locked before the start: once the recording runs, the drive takes
    // commands from the recording thread alone.
    LockTray();
    phase_ = TPhase::Recording;
    workerRunning_ = true;
    const QPointer<TProcessPage> alive(this);
    const bool started = start();
    // A start that fails raises OnWriteDone before it returns: the page
    // shows the finished operation already, and Stop stays away.
    if (!alive || phase_ != TPhase::Recording) return false;
    if (!started) {
        // Refused without an event: another operation still owns the drive.
        State().WriteError = kAlreadyRunning;
        BurnDone();
        return false;
    }
    StartTimers();
    Window().ShowStopButton(true);
    return true;
}

void TProcessPage::StartTimers() {
    progressTimer_.start();
    State().ElapsedSeconds = 0;
    countTimer_.start();
}

void TProcessPage::CountTick() {
    ++State().ElapsedSeconds;
    if (Burner().Erasing())
        erasePanel_->SetElapsed(State().ElapsedSeconds);
    else
        recordPanel_->SetElapsed(State().ElapsedSeconds);
}

void TProcessPage::ProgressTick() {
    TOrvoBurner& burner = Burner();
    if (burner.Erasing()) {
        erasePanel_->SetPercent(std::min(burner.GetEraseProgress(), 100));
        ShowProgressTitle(erasePanel_->Caption(), erasePanel_->PercentText());
        return;
    }
    const std::int64_t written = burner.BytesWritten();
    recordPanel_->ShowWritten(written, State().ProjectSizeText);
    if (recordPanel_->Caption() != kRecordCaption)
        ShowProgressTitle(recordPanel_->Caption(), recordPanel_->PercentText());
    if (State().ChosenTask == kTaskMakeIso) return;
    // WriteSpeed is 0 when the drive was left to choose: the time left is
    // counted from the speed the drive granted the recording.
    recordPanel_->SetRemaining(
        Q(tasks::RemainingText(burner.GetImageSize() * kSectorBytes, written, burner.RecordingWriteSpeed())));
    recordPanel_->SetReadBuffer(burner.CacheFillPercent());
    const std::uint32_t size = burner.DeviceBufferSize(), free = burner.DeviceFreeBufferSize();
    if (size >= free) recordPanel_->SetDeviceBuffer(size - free);
}

void TProcessPage::Finalizing() {
    // A recording the user stopped keeps its finished state.
    if (phase_ != TPhase::Recording) return;
    phase_ = TPhase::ClosingTrack;
    progressTimer_.stop();
    recordPanel_->SetCaption(tr("Closing track..."));
    Window().ShowStopButton(false);
    Window().SetProgressTitle(tr("100% - Closing track"));
    recordPanel_->ShowComplete(ProjectSize());
}

void TProcessPage::BurnDone() {
    workerRunning_ = false;
    countTimer_.stop();
    progressTimer_.stop();
    const QString error = State().WriteError;
    if (!error.isEmpty()) {
        recordPanel_->SetCaption(tr("Record finished with error"));
        const QPointer<TProcessPage> alive(this);
        Say(tr("Record finished with error: ") + error, tr("Record error"), TMessageIcon::Error);
        if (alive) Finish(false);
        return;
    }
    recordPanel_->SetCaption(tr("Record finished successfully"));
    State().ProjectSizeText = ProjectSize();
    recordPanel_->ShowComplete(State().ProjectSizeText);
    Finish(true);
}

void TProcessPage::Finish(bool success) {
    // A completion that comes after the user stopped the operation ends it
    // a second time: it lets the tray go, but ejects and shuts down nothing.
    const bool first = phase_ != TPhase::Finished;
    phase_ = TPhase::Finished;
    countTimer_.stop();
    progressTimer_.stop();
    Window().SetProgressTitle({});
    Window().SetHomeEnabled(true);
    Window().ShowDoneButton();
    const bool eject = first && success && eject_->isEnabled() && eject_->isChecked();
    const bool shutdown = first && success && shutdown_->isEnabled() && shutdown_->isChecked();
    eject_->setEnabled(false);
    shutdown_->setEnabled(false);
    Burner().Abort();
    if (workerRunning_) {
        // The worker still owns the drive until its event comes.
        releasePending_ = true;
        return;
    }
    releasePending_ = false;
    ReleaseDrive(eject, shutdown);
}

void TProcessPage::LockTray() {
    // An image file can be made without any drive.
    if (State().ChosenDevice >= 0) Burner().AllowMediumRemoval(false);
}

void TProcessPage::ReleaseDrive(bool eject, bool shutdown) {
    if (State().ChosenDevice < 0) {
        if (shutdown) Window().ShutdownComputer();
        return;
    }
    // The wait for a drive still busy with its buffer keeps the window
    // live, and the page may be gone when it ends.
    TOrvoBurner& burner = Burner();
    TMainWindow& window = Window();
    const QPointer<TProcessPage> alive(this);
    if (!tasks::LetTrayGo(burner) && alive)
        Say(tr("The drive did not let the tray go: ") + Q(burner.LastError), tr("Tray locked"),
            TMessageIcon::Warning);
    if (eject) burner.LoadUnload(true);
    if (shutdown) window.ShutdownComputer();
}

void TProcessPage::ShowProgressTitle(const QString& caption, const QString& percent) {
    Window().SetProgressTitle(caption + " - " + percent);
}

QString TProcessPage::ProjectSize() const { return Q(tasks::MbText(Burner().GetImageSize() * kSectorBytes)); }

}  // namespace sorvane::app
