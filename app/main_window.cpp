#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/icons.h"
#include "app/metrics.h"
#include "app/page.h"
#include "app/pages.h"
#include "engine/orvo_burner.h"
#include "engine/rtl/owner_wait.h"
#include "engine/rtl/sync_queue.h"
#include "tasks/device_choice.h"

namespace sorvane::app {
namespace {

constexpr char kTitle[] = "Sorvane";
constexpr char kCancelQuestion[] = QT_TR_NOOP("Do you really want to cancel current operation?");
constexpr char kExtractQuestion[] =
    QT_TR_NOOP("Program is extracting node now.\nDo you really want to cancel extracting?");
constexpr char kQuitAnyway[] = QT_TR_NOOP("It is impossible to quit correct now.\nHowever quit?");
constexpr char kConfirmCancel[] = QT_TR_NOOP("Confirm cancel");
// The read-ahead the wizard records with.
constexpr std::uint32_t kCacheSize = 32 * 1024 * 1024;
// How long a close waits for an aborted operation's threads to let go.
constexpr int kAbortWaitMs = 10000;

// Page switches are drawn once, when the new page is complete.
class TFrozenDrawing {
public:
    explicit TFrozenDrawing(QWidget& widget) : widget_(widget), was_(widget.updatesEnabled()) {
        widget_.setUpdatesEnabled(false);
    }
    ~TFrozenDrawing() { widget_.setUpdatesEnabled(was_); }
    TFrozenDrawing(const TFrozenDrawing&) = delete;
    TFrozenDrawing& operator=(const TFrozenDrawing&) = delete;

private:
    QWidget& widget_;
    bool was_;
};

class TActing {
public:
    explicit TActing(bool& flag) : flag_(flag) { flag_ = true; }
    ~TActing() { flag_ = false; }
    TActing(const TActing&) = delete;
    TActing& operator=(const TActing&) = delete;

private:
    bool& flag_;
};

QPushButton* MakeButton(QWidget* parent, const QString& text, const QIcon& icon, const QString& accessibleName) {
    auto* button = new QPushButton(icon, text, parent);
    button->setObjectName(text);
    button->setAccessibleName(accessibleName);
    button->setIconSize(QSize(metrics::Scaled(16), metrics::Scaled(16)));
    const QSize hint = button->sizeHint();
    button->resize(std::max(metrics::Scaled(metrics::kButtonWidth), hint.width()),
                   std::max(metrics::Scaled(metrics::kButtonHeight), hint.height()));
    return button;
}

}  // namespace

TMainWindow::TMainWindow(TWizardServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      burner_(std::make_unique<TOrvoBurner>()) {
    setWindowTitle(QString::fromLatin1(kTitle));
    setObjectName(QStringLiteral("mainWindow"));
    setAccessibleName(QString::fromLatin1(kTitle));
    setFixedSize(metrics::Scaled(metrics::kClientWidth), metrics::Scaled(metrics::kClientHeight));

    body_ = new QWidget(this);
    body_->setObjectName(QStringLiteral("body"));
    BuildButtonBar();

    TOrvoBurner& burner = *burner_;
    burner.SetCacheSize(kCacheSize);
    burner.PerformOPC = true;
    burner.UnderrunProtection = true;
    burner.WritePostGap = true;
    burner.FinalizeDisc = false;
    burner.TestWrite = false;
    burner.SetReplaceFile(false);
    burner.ReadSpeed = 0;
    burner.SetWriteSpeed(0);
    ConnectEngineEvents();
    OpenDrives();
}

TMainWindow::~TMainWindow() {
    // The page goes first: it may still use the component. The component's
    // events then no longer reach this window.
    page_.reset();
    burner_->OnWriteDone = {};
    burner_->OnFinalizingTrack = {};
    burner_->OnEraseDone = {};
    // A recording still running is stopped; its thread may be waiting for
    // this thread to take an event, so the engine's queue is served (and
    // nothing else: the window is going) until it has ended.
    if (burner_->Writing()) {
        burner_->Abort();
        TSyncQueue::Main().PumpUntil([this] { return !burner_->Writing(); }, kAbortWaitMs);
    }
    burner_->WaitForEraseThreads();
    burner_.reset();
    SetOwnerEventsHook({});
    TSyncQueue::Main().SetWakeup({});
}

void TMainWindow::ConnectEngineEvents() {
    // The workers queue the component's events for this thread; a queued
    // call on Qt's event loop runs them, without polling. While the engine
    // itself waits on this thread, the hook keeps the window alive.
    TSyncQueue& queue = TSyncQueue::Main();
    queue.ClaimOwnership();
    queue.SetWakeup([] {
        QMetaObject::invokeMethod(qApp, [] { TSyncQueue::Main().Pump(); }, Qt::QueuedConnection);
    });
    SetOwnerEventsHook([] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        TSyncQueue::Main().Pump();
    });

    burner_->OnEraseDone = [this](TSCSIDevice&, bool withError) {
        state_.EraseFailed = withError;
        ForwardToProcess(&TWizardPage::EraseDone);
    };
    burner_->OnWriteDone = [this](TOrvoBurner&, const std::string& error) {
        state_.WriteError = QString::fromStdString(error);
        ForwardToProcess(&TWizardPage::BurnDone);
    };
    burner_->OnFinalizingTrack = [this](TOrvoBurner&) { ForwardToProcess(&TWizardPage::Finalizing); };
}

void TMainWindow::OpenDrives() {
    std::string failure;
    if (!tasks::OpenDrives(*burner_, failure)) {
        services_.Messages->Show(nullptr, QString::fromStdString(failure),
                                 QString::fromLatin1(tasks::kAspiErrorCaption), TMessageIcon::Error);
        failed_ = true;
        return;
    }
    for (const std::string& line : burner_->Devices)
        state_.DeviceNames << QString::fromStdString(tasks::DeviceDisplayName(line));
    const int chosen = tasks::DefaultDriveIndex(*burner_);
    if (chosen >= 0) SelectDrive(chosen);
    TSCSIDevice::SetReleaseHandle(true);
    state_.ChosenTask = kTaskRecordNew;
    state_.LastFolder = QStringLiteral("/");
}

void TMainWindow::BuildButtonBar() {
    const int barHeight = metrics::Scaled(metrics::kButtonBarHeight);
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("buttonBar"));
    bar->setAutoFillBackground(true);
    QPalette white = bar->palette();
    white.setColor(QPalette::Window, Qt::white);
    bar->setPalette(white);
    bar->setGeometry(0, height() - barHeight, width(), barHeight);
    auto* line = new QFrame(bar);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, 0, width(), 2);
    body_->setGeometry(0, 0, width(), height() - barHeight);

    help_ = MakeButton(bar, tr("Help"), ThemeIcon("help-contents", QStyle::SP_MessageBoxQuestion), tr("Help"));
    home_ = MakeButton(bar, tr("Home"), ThemeIcon("go-home", QStyle::SP_DirHomeIcon), tr("Home"));
    next_ = MakeButton(bar, tr("Next"), ThemeIcon("go-next", QStyle::SP_ArrowForward), tr("Next"));
    // Next's arrow points the way on, at its right.
    next_->setLayoutDirection(Qt::RightToLeft);
    stop_ = MakeButton(bar, tr("Stop"), ThemeIcon("process-stop", QStyle::SP_BrowserStop), tr("Stop"));
    done_ = MakeButton(bar, tr("Done"), ThemeIcon("dialog-ok", QStyle::SP_DialogOkButton), tr("Done"));

    const int margin = metrics::Scaled(8);
    const int gap = metrics::Scaled(8);
    const auto centredY = [&](QPushButton* b) { return 1 + (barHeight - 1 - b->height()) / 2; };
    help_->move(margin, centredY(help_));
    int right = width() - margin;
    for (QPushButton* b : {next_, stop_, done_}) b->move(right - b->width(), centredY(b));
    const int spotWidth = std::max({next_->width(), stop_->width(), done_->width()});
    right -= spotWidth + gap;
    home_->move(right - home_->width(), centredY(home_));

    home_->setEnabled(false);
    stop_->hide();
    done_->hide();
    connect(help_, &QPushButton::clicked, this, &TMainWindow::Help);
    connect(home_, &QPushButton::clicked, this, &TMainWindow::Home);
    connect(next_, &QPushButton::clicked, this, &TMainWindow::Next);
    connect(stop_, &QPushButton::clicked, this, &TMainWindow::Stop);
    connect(done_, &QPushButton::clicked, this, &TMainWindow::Done);
}

void TMainWindow::SelectDrive(int index) {
    state_.ChosenDevice = index;
    if (index >= 0 && index < static_cast<int>(burner_->Devices.size())) tasks::SelectDrive(*burner_, index);
}

void TMainWindow::ShowStopButton(bool enabled) {
    next_->hide();
    done_->hide();
    stop_->show();
    stop_->setEnabled(enabled);
}

void TMainWindow::ShowDoneButton() {
    next_->hide();
    stop_->hide();
    done_->show();
}

void TMainWindow::ShowNextButton() {
    stop_->hide();
    done_->hide();
    next_->show();
}

void TMainWindow::SetHomeEnabled(bool enabled) { home_->setEnabled(enabled); }

bool TMainWindow::StopVisible() const { return stop_->isVisibleTo(this); }

bool TMainWindow::StopEnabled() const { return stop_->isEnabled(); }

void TMainWindow::SetProgressTitle(const QString& progress) {
    setWindowTitle(progress.isEmpty() ? QString::fromLatin1(kTitle) : progress + ' ' + QString::fromLatin1(kTitle));
}

bool TMainWindow::ChooseImageFile() {
    const QString file =
        services_.Dialogs->OpenFile(this, tr("Select ISO-image for burning"), tr("ISO-images (*.iso)"));
    state_.ImageFileName = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    return !file.isEmpty();
}

bool TMainWindow::BrowseForFolder(const QString& title, QString& folder) {
    if (!folder.isEmpty()) state_.LastFolder = folder;
    const QString chosen = services_.Dialogs->BrowseForFolder(this, title, state_.LastFolder);
    if (chosen.isEmpty()) return false;
    folder = chosen;
    state_.LastFolder = chosen;
    return QFileInfo(chosen).isDir();
}

void TMainWindow::ShutdownComputer() {
    QString why;
    if (services_.Desktop->PowerOff(why))
        return;
    services_.Messages->Show(this, tr("The computer could not be shut down.") + '\n' + why, tr("Shutdown failed"),
                             TMessageIcon::Error);
}

void TMainWindow::StartWithImage(const QString& imageFile) {
    startImage_ = QFileInfo(imageFile).absoluteFilePath();
}

void TMainWindow::ShowPage(const QString& caption) {
    // The switch is drawn once, with the new page complete. Only the switch:
    // a check before it may wait for the drive, and the window stays drawn
    // meanwhile.
    TFrozenDrawing frozen(*this);
    // The page that goes is gone before the next is made: its destruction
    // may hand something on to the next.
    page_.reset();
    // Home leads back from every page; Choose Task and a page whose
    // operation starts at once disable it themselves.
    home_->setEnabled(true);
    page_ = MakePage(caption, *this);
    if (!page_) page_ = MakePage(QString::fromLatin1(caption::kChooseTask), *this);
    page_->setGeometry(body_->rect());
    page_->show();
}

void TMainWindow::Next() {
    if (acting_) return;
    {
        TActing acting(acting_);
        const int task = state_.ChosenTask;
        const QString current = page_ ? page_->Caption() : QString();
        if (!page_) {
            ShowPage(QString::fromLatin1(caption::kChooseTask));
        } else if (current == QLatin1String(caption::kChooseTask)) {
            page_.reset();
            switch (task) {
                case kTaskErase: ShowPage(QString::fromLatin1(caption::kEraseOptions)); break;
                case kTaskRecordImage:
                    ShowPage(QString::fromLatin1(ChooseImageFile() ? caption::kBurnOptions : caption::kChooseTask));
                    break;
                case kTaskInformation: ShowPage(QString::fromLatin1(caption::kInfo)); break;
                case kTaskRecordNew:
                case kTaskContinue:
                case kTaskMakeIso: ShowPage(QString::fromLatin1(caption::kAddFiles)); break;
                default: ShowPage(QString::fromLatin1(caption::kChooseTask)); break;
            }
        } else if (current == QLatin1String(caption::kAddFiles)) {
            const bool passed = task == kTaskMakeIso ? page_->GetIsoFile() : page_->AddFiles();
            if (passed && page_) {
                burner_->IdVolume = page_->ProjectName().toStdString();
                page_->StopRefresh();
                ShowPage(QString::fromLatin1(caption::kBurnOptions));
            }
        } else if (current == QLatin1String(caption::kBurnOptions)) {
            if (task == kTaskMakeIso || page_->CheckBurn()) ShowPage(QString::fromLatin1(caption::kProcess));
        } else if (current == QLatin1String(caption::kEraseOptions)) {
            if (page_->CheckErase()) ShowPage(QString::fromLatin1(caption::kProcess));
        } else if (current == QLatin1String(caption::kInfo)) {
            ShowPage(QString::fromLatin1(caption::kSessions));
        } else {
            ShowPage(QString::fromLatin1(caption::kChooseTask));
        }
    }
    if (closeWaiting_) {
        closeWaiting_ = false;
        close();
    }
}

void TMainWindow::Home() {
    if (acting_) return;
    {
        TActing acting(acting_);
        ShowPage(QString::fromLatin1(caption::kChooseTask));
    }
    stop_->hide();
    done_->hide();
    next_->show();
    burner_->IdVolume.clear();
    burner_->IdPreparer.clear();
    burner_->IdPublisher.clear();
    burner_->FileCopyright.clear();
    if (closeWaiting_) {
        closeWaiting_ = false;
        close();
    }
}

void TMainWindow::Stop() {
    if (!page_) return;
    const QString current = page_->Caption();
    if (current == QLatin1String(caption::kProcess)) {
        if (services_.Messages->Ask(this, tr(kCancelQuestion), tr(kConfirmCancel)) && page_ &&
            page_->Caption() == QLatin1String(caption::kProcess))
            page_->Finish(false);
    } else if (current == QLatin1String(caption::kSessions)) {
        if (!services_.Messages->Ask(this, tr(kExtractQuestion), tr(kConfirmCancel))) return;
        state_.CancelExtract = true;
        burner_->Abort();
        if (state_.ChosenDevice >= 0) burner_->AllowMediumRemoval(true);
        home_->setEnabled(true);
        ShowDoneButton();
        if (page_) page_->HideExtracting();
    }
}

void TMainWindow::Done() {
    burner_->Abort();
    if (state_.ChosenDevice >= 0) burner_->AllowMediumRemoval(true);
    close();
}

void TMainWindow::Help() {
    if (!services_.HelpFile.isEmpty() && QFileInfo(services_.HelpFile).isFile()) {
        services_.Desktop->ShowHelp(this, services_.HelpFile, state_.HelpTopic);
        return;
    }
    services_.Messages->Show(this, tr("Help file not found in program folder."), tr("Help not found"),
                             TMessageIcon::Information);
}

void TMainWindow::ForwardToProcess(void (TWizardPage::*handler)()) {
    if (page_ && page_->Caption() == QLatin1String(caption::kProcess)) (page_.get()->*handler)();
}

bool TMainWindow::CanClose() {
    if (!page_) return true;
    const QString current = page_->Caption();
    if (current == QLatin1String(caption::kSessions) && page_->Extracting()) {
        if (!services_.Messages->Ask(this, tr(kExtractQuestion), tr(kConfirmCancel))) return false;
        state_.CancelExtract = true;
        EndOperationForClose();
        return true;
    }
    if (current != QLatin1String(caption::kProcess)) return true;
    if (!StopVisible()) return true;
    const char* question = StopEnabled() ? kCancelQuestion : kQuitAnyway;
    if (!services_.Messages->Ask(this, tr(question), tr(kConfirmCancel))) return false;
    if (page_ && page_->Caption() == QLatin1String(caption::kProcess)) page_->Finish(false);
    EndOperationForClose();
    return true;
}

void TMainWindow::EndOperationForClose() {
    burner_->Abort();
    // The write thread ends at the next block, and an image it was writing
    // never takes the place of the file named (the engine renames only a
    // complete one); its end comes back through the event loop, which keeps
    // running meanwhile.
    WaitKeepingOwnerAlive(kAbortWaitMs, [this] { return !burner_->Writing(); });
    // An erase cannot be stopped in the drive; the program only stops
    // waiting for it.
    if (burner_->Erasing()) burner_->WaitForEraseThreads();
    if (state_.ChosenDevice >= 0) burner_->AllowMediumRemoval(true);
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (acting_) {
        // A step is under way (its check handles events meanwhile); the
        // window closes once it is over.
        closeWaiting_ = true;
        event->ignore();
        return;
    }
    // The page stays until the window goes: a page may itself have asked
    // for the close (Done), and is still running then.
    if (CanClose())
        event->accept();
    else
        event->ignore();
}

void TMainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    if (!startImage_.isEmpty() && !failed_) {
        state_.ChosenTask = kTaskRecordImage;
        if (QFileInfo(startImage_).isFile()) {
            state_.ImageFileName = startImage_;
            TActing acting(acting_);
            ShowPage(QString::fromLatin1(caption::kBurnOptions));
        } else {
            // The task stays chosen, so that Next asks for another image.
            Next();
            services_.Messages->Show(this, tr("The image file %1 cannot be found.").arg(startImage_),
                                     tr("Image not found"), TMessageIcon::Warning);
        }
    } else {
        Next();
    }
    const std::string problem = TSCSIDevice::DriveAccessProblem();
    if (!problem.empty()) {
        QTimer::singleShot(0, this, [this, text = QString::fromStdString(problem)] {
            services_.Messages->Show(this, text, tr("No access to drive"), TMessageIcon::Warning);
        });
    }
}

}  // namespace sorvane::app
