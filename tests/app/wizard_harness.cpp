#include "tests/app/wizard_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/choose_task.h"
#include "engine/device/transport.h"

namespace sorvane::test {
namespace {

const char* KindName(TScriptedDialogs::TKind kind) {
    switch (kind) {
        case TScriptedDialogs::TKind::OpenFile: return "open-file";
        case TScriptedDialogs::TKind::OpenFiles: return "open-files";
        case TScriptedDialogs::TKind::SaveFile: return "save-file";
        case TScriptedDialogs::TKind::Folder: return "folder";
    }
    return "?";
}

template <class T>
T Answer(std::deque<T>& queue, TScriptedDialogs::TKind kind, const QString& title) {
    if (queue.empty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected %1 dialog \"%2\"").arg(KindName(kind), title)), __FILE__,
                     __LINE__);
        return T();
    }
    T answer = queue.front();
    queue.pop_front();
    return answer;
}

}  // namespace

bool TScriptedMessages::Saw(const QString& text) const {
    for (const TBox& box : shown_)
        if (box.Text == text) return true;
    return false;
}

void TScriptedMessages::Show(QWidget*, const QString& text, const QString& caption, app::TMessageIcon icon) {
    shown_.push_back({text, caption, icon, false, false});
    if (WhileOpen) WhileOpen(shown_.back());
}

bool TScriptedMessages::Ask(QWidget*, const QString& text, const QString& caption) {
    TBox box{text, caption, app::TMessageIcon::Question, true, false};
    if (answers_.empty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected question \"%1\" (%2)").arg(text, caption)), __FILE__,
                     __LINE__);
    } else {
        box.Answer = answers_.front();
        answers_.pop_front();
    }
    shown_.push_back(box);
    if (WhileOpen) WhileOpen(shown_.back());
    return box.Answer;
}

QString TScriptedDialogs::OpenFile(QWidget*, const QString& title, const QString& filter) {
    calls_.push_back({TKind::OpenFile, title, filter});
    return Answer(openFile_, TKind::OpenFile, title);
}

QStringList TScriptedDialogs::OpenFiles(QWidget*, const QString& title, const QString& filter) {
    calls_.push_back({TKind::OpenFiles, title, filter});
    return Answer(openFiles_, TKind::OpenFiles, title);
}

QString TScriptedDialogs::SaveFile(QWidget*, const QString& title, const QString& filter, const QString&) {
    calls_.push_back({TKind::SaveFile, title, filter});
    return Answer(saveFile_, TKind::SaveFile, title);
}

QString TScriptedDialogs::BrowseForFolder(QWidget*, const QString& title, const QString& start) {
    calls_.push_back({TKind::Folder, title, start});
    return Answer(folder_, TKind::Folder, title);
}

bool TFakeDesktop::Open(const QString& urlOrPath) {
    Opened << urlOrPath;
    return true;
}

bool TFakeDesktop::PowerOff(QString& why) {
    ++PowerOffRequests;
    if (!PowerOffAnswer) why = PowerOffRefusal;
    return PowerOffAnswer;
}

void TFakeDesktop::ShowHelp(QWidget*, const QString& helpFile, int topic) {
    HelpFiles << helpFile;
    HelpTopics << topic;
}

std::vector<TDriveSetup> TWizardHarness::DefaultDrives() {
    return {{vdrive::MultiFormatWriter(), vdrive::TMediumRequest(vdrive::TMediumKind::CdR)}};
}

TWizardHarness::TWizardHarness(std::vector<TDriveSetup> drives, double timeScale)
    : messages_(std::make_shared<TScriptedMessages>()),
      dialogs_(std::make_shared<TScriptedDialogs>()),
      desktop_(std::make_shared<TFakeDesktop>()) {
    // Nothing of the user's own recorder is touched, even by code that
    // looks at its folder.
    qputenv("SORVANE_VDRIVE_HOME", QDir(temp_.path()).filePath(QStringLiteral("vdrive")).toLocal8Bit());
    vdrive::THost& host = Host();
    host.UseMemory();
    for (const TDriveSetup& drive : drives) {
        const std::size_t index = host.AddDrive(drive.Model);
        std::string error;
        if (!host.Insert(index, drive.Medium, &error))
            QTest::qFail(qPrintable(QString::fromStdString("cannot insert the disc: " + error)), __FILE__, __LINE__);
    }
    host.SetTimeScale(timeScale);
    host.SetCompletion(vdrive::TCompletion::Thread);

    services_.Messages = messages_;
    services_.Dialogs = dialogs_;
    services_.Desktop = desktop_;
    // No help file unless the test writes one here.
    services_.HelpFile = TempPath(QStringLiteral("Sorvane.chm"));
}

TWizardHarness::~TWizardHarness() {
    window_.reset();
    for (const QString& caption : standIns_) app::OverridePage(caption, {});
    TTransport::Instance().Close();
    Host().UseMemory();
}

bool TWizardHarness::Start(const QString& imageFile) {
    window_ = std::make_unique<app::TMainWindow>(services_);
    if (window_->Failed()) return false;
    if (!imageFile.isEmpty()) window_->StartWithImage(imageFile);
    window_->show();
    return QTest::qWaitForWindowExposed(window_.get());
}

void TWizardHarness::StandInPage(const QString& caption, app::TPageMaker make) {
    standIns_ << caption;
    app::OverridePage(caption, std::move(make));
}

bool TWizardHarness::Close() { return window_->close(); }

QString TWizardHarness::TempPath(const QString& name) const {
    return name.isEmpty() ? temp_.path() : QDir(temp_.path()).filePath(name);
}

void TWizardHarness::Click(QAbstractButton* button) {
    if (!button) {
        QTest::qFail("no such button", __FILE__, __LINE__);
        return;
    }
    if (!button->isVisible() || !button->isEnabled()) {
        QTest::qFail(qPrintable(QStringLiteral("\"%1\" cannot be clicked now").arg(button->text())), __FILE__,
                     __LINE__);
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

void TWizardHarness::ChooseTask(int task) {
    auto* page = PageAs<app::TChooseTaskPage>();
    if (!page) {
        QTest::qFail("not on the Choose Task page", __FILE__, __LINE__);
        return;
    }
    Click(page->Row(task));
}

void TWizardHarness::ChooseDrive(int index) {
    auto* page = PageAs<app::TChooseTaskPage>();
    if (!page) {
        QTest::qFail("not on the Choose Task page", __FILE__, __LINE__);
        return;
    }
    page->DriveList()->setCurrentIndex(index);
}

void TWizardHarness::PressNext() { Click(window_->NextButton()); }
void TWizardHarness::PressHome() { Click(window_->HomeButton()); }
void TWizardHarness::PressStop() { Click(window_->StopButton()); }
void TWizardHarness::PressDone() { Click(window_->DoneButton()); }
void TWizardHarness::PressHelp() { Click(window_->HelpButton()); }

bool TWizardHarness::WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(5);
    }
    return true;
}

QStringList TWizardHarness::CutOffTexts(const QWidget& root) {
    QStringList cut;
    const auto check = [&](const QWidget* widget, const QString& text) {
        if (!widget->isVisibleTo(&root) || text.isEmpty()) return;
        const QSize hint = widget->sizeHint();
        const auto* label = qobject_cast<const QLabel*>(widget);
        const bool wraps = label && label->wordWrap();
        const int needed = wraps ? label->heightForWidth(widget->width()) : hint.height();
        if ((!wraps && hint.width() > widget->width()) || needed > widget->height())
            cut << QStringLiteral("\"%1\" needs %2x%3, has %4x%5")
                       .arg(text)
                       .arg(hint.width())
                       .arg(needed)
                       .arg(widget->width())
                       .arg(widget->height());
    };
    for (const QLabel* label : root.findChildren<QLabel*>()) check(label, label->text());
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) check(button, button->text());
    return cut;
}

QString TWizardHarness::SaveScreenshot(QWidget& widget, const QString& name) {
    const QDir folder(QStringLiteral(SORVANE_SCREENSHOT_DIR));
    folder.mkpath(QStringLiteral("."));
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(path)) QTest::qFail(qPrintable(QStringLiteral("cannot write ") + path), __FILE__, __LINE__);
    return path;
}

}  // namespace sorvane::test
