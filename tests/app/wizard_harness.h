#pragma once
// The wizard under test: its real main window on an emulated recorder of
// the test's own, with message boxes, file dialogs and the desktop answered
// from a script and recorded, so that a test acts like a user and reads
// what the user would have seen.
//
//     TWizardHarness wizard({{vdrive::CdRwWriter(), {vdrive::TMediumKind::CdR}}});
//     wizard.Start();
//     wizard.ChooseTask(app::kTaskRecordImage);
//     wizard.Dialogs().QueueOpenFile({});   // the user cancels
//     wizard.PressNext();
//     QVERIFY(wizard.PageAs<app::TChooseTaskPage>());

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_window.h"
#include "app/page.h"
#include "app/pages.h"
#include "app/wizard_services.h"
#include "vdrive/vdrive.h"

class QAbstractButton;
class QWidget;

namespace sorvane::test {

// Every box the wizard showed, and every question it asked with the
// answer it got. A question no answer was queued for fails the test (and
// is answered No).
class TScriptedMessages : public app::TMessageBoxes {
public:
    struct TBox {
        QString Text;
        QString Caption;
        app::TMessageIcon Icon = app::TMessageIcon::Information;
        bool Question = false;
        bool Answer = false;
    };

    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    // Runs while a box is open, before it is answered (a screenshot, a
    // click the user makes meanwhile).
    std::function<void(const TBox& box)> WhileOpen;

    const QList<TBox>& Shown() const { return shown_; }
    bool Saw(const QString& text) const;
    TBox Last() const { return shown_.isEmpty() ? TBox() : shown_.back(); }
    int PendingAnswers() const { return static_cast<int>(answers_.size()); }
    void Clear() { shown_.clear(); }

    void Show(QWidget* owner, const QString& text, const QString& caption, app::TMessageIcon icon) override;
    bool Ask(QWidget* owner, const QString& text, const QString& caption) override;

private:
    QList<TBox> shown_;
    std::deque<bool> answers_;
};

// The dialogs answer from per-kind queues (an empty answer is a cancel)
// and record each one opened. A dialog no answer was queued for fails
// the test and is cancelled.
class TScriptedDialogs : public app::TFileDialogs {
public:
    enum class TKind { OpenFile, OpenFiles, SaveFile, Folder };
    struct TCall {
        TKind Kind;
        QString Title;
        QString Filter;  // the folder browser: the folder preselected
    };

    void QueueOpenFile(const QString& path) { openFile_.push_back(path); }
    void QueueOpenFiles(const QStringList& paths) { openFiles_.push_back(paths); }
    void QueueSaveFile(const QString& path) { saveFile_.push_back(path); }
    void QueueFolder(const QString& path) { folder_.push_back(path); }
    const QList<TCall>& Calls() const { return calls_; }

    QString OpenFile(QWidget* owner, const QString& title, const QString& filter) override;
    QStringList OpenFiles(QWidget* owner, const QString& title, const QString& filter) override;
    QString SaveFile(QWidget* owner, const QString& title, const QString& filter,
                     const QString& defaultSuffix) override;
    QString BrowseForFolder(QWidget* owner, const QString& title, const QString& start) override;

private:
    QList<TCall> calls_;
    std::deque<QString> openFile_, saveFile_, folder_;
    std::deque<QStringList> openFiles_;
};

// Records what the wizard asked of the desktop; opens, shows and powers
// off nothing.
class TFakeDesktop : public app::TDesktop {
public:
    QStringList Opened;
    QStringList HelpFiles;
    QList<int> HelpTopics;
    int PowerOffRequests = 0;
    bool PowerOffAnswer = true;
    QString PowerOffRefusal = QStringLiteral("Not authorized.");

    bool Open(const QString& urlOrPath) override;
    bool PowerOff(QString& why) override;
    void ShowHelp(QWidget* owner, const QString& helpFile, int topic) override;
};

struct TDriveSetup {
    vdrive::TDriveModel Model;
    vdrive::TMediumRequest Medium;
};

class TWizardHarness {
public:
    // A recorder of its own holding these drives (default: one multi-format
    // writer with a blank CD-R), its clock running `timeScale` times faster
    // than real time.
    explicit TWizardHarness(std::vector<TDriveSetup> drives = DefaultDrives(), double timeScale = 1000);
    ~TWizardHarness();
    TWizardHarness(const TWizardHarness&) = delete;
    TWizardHarness& operator=(const TWizardHarness&) = delete;

    static std::vector<TDriveSetup> DefaultDrives();

    // Creates the main window with the scripted services and shows it (the
    // Choose Task page appears). False when the window failed at creation.
    // With `imageFile`, as `sorvane FILE.iso` starts.
    bool Start(const QString& imageFile = {});
    app::TMainWindow& Window() { return *window_; }
    bool Started() const { return window_ != nullptr; }
    // Closes the window as the close box does; answers whether it closed.
    bool Close();

    // Shows `make`'s page for `caption` instead of the real one, until the
    // harness goes (tests of the main window's flow).
    void StandInPage(const QString& caption, app::TPageMaker make);

    // Before Start: what the window will be made with.
    app::TWizardServices& Services() { return services_; }
    TScriptedMessages& Messages() { return *messages_; }
    TScriptedDialogs& Dialogs() { return *dialogs_; }
    TFakeDesktop& Desktop() { return *desktop_; }
    vdrive::THost& Host() { return vdrive::THost::Instance(); }
    // A folder of the test's own, removed with the harness.
    QString TempPath(const QString& name = {}) const;

    // Acting as the user.
    void Click(QAbstractButton* button);
    void ChooseTask(int task);
    void ChooseDrive(int index);
    void PressNext();
    void PressHome();
    void PressStop();
    void PressDone();
    void PressHelp();

    // Handles events until `condition` holds or `timeoutMs` has passed;
    // answers the condition.
    static bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

    app::TWizardPage* Page() const { return window_ ? window_->CurrentPage() : nullptr; }
    QString PageCaption() const { return Page() ? Page()->Caption() : QString(); }
    template <class TPage>
    TPage* PageAs() const {
        return dynamic_cast<TPage*>(Page());
    }

    // The labels and buttons under `root` whose text needs more room than
    // they have, each described by its text; empty when all fit.
    static QStringList CutOffTexts(const QWidget& root);

    // Writes build/screenshots/<name>.png; answers its path.
    static QString SaveScreenshot(QWidget& widget, const QString& name);

private:
    QTemporaryDir temp_;
    std::shared_ptr<TScriptedMessages> messages_;
    std::shared_ptr<TScriptedDialogs> dialogs_;
    std::shared_ptr<TFakeDesktop> desktop_;
    app::TWizardServices services_;
    std::unique_ptr<app::TMainWindow> window_;
    QStringList standIns_;
};

}  // namespace sorvane::test
