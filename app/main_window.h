#pragma once
// The wizard's one top-level window: a fixed body that shows one page at a
// time, the button bar below it (Help, Home, and Next, Stop or Done in one
// spot), the burner component every page works through, the state the
// pages share, and the flow from page to page of each task.

#include <QWidget>
#include <memory>

#include "app/global.h"
#include "app/wizard_services.h"

class QPushButton;

namespace sorvane {
class TOrvoBurner;
}

namespace sorvane::app {

class TWizardPage;

class TMainWindow : public QWidget {
    Q_OBJECT
public:
    // Opens the drives and preselects one; Failed() tells whether that
    // went wrong (the error box has been shown, the program ends).
    explicit TMainWindow(TWizardServices services, QWidget* parent = nullptr);
    ~TMainWindow() override;
    bool Failed() const { return failed_; }

    TOrvoBurner& Burner() { return *burner_; }
    TGlobalState& State() { return state_; }
    const TWizardServices& Services() const { return services_; }
    TWizardPage* CurrentPage() const { return page_.get(); }
    // The body above the button bar, parent of the page shown.
    QWidget* PageHost() const { return body_; }

    // Chooses drive `index` for everything that follows.
    void SelectDrive(int index);

    // The button bar.
    void ShowStopButton(bool enabled);
    void ShowDoneButton();
    void ShowNextButton();
    void SetHomeEnabled(bool enabled);
    bool StopVisible() const;
    bool StopEnabled() const;
    QPushButton* HelpButton() const { return help_; }
    QPushButton* HomeButton() const { return home_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* DoneButton() const { return done_; }

    // The title while an operation runs ("34% Sorvane"); empty brings back
    // "Sorvane".
    void SetProgressTitle(const QString& progress);

    // The open dialog of the image to record; sets ImageFileName.
    bool ChooseImageFile();
    // The folder browser: `folder` comes in preselected and goes out chosen;
    // true only when the chosen folder exists. Remembers it in LastFolder.
    bool BrowseForFolder(const QString& title, QString& folder);
    // Powers the machine off after a finished operation; a refusal is said
    // in a message box.
    void ShutdownComputer();

    // The buttons' actions.
    void Next();
    void Home();
    void Stop();
    void Done();
    void Help();

    // Started with an image file to record: the wizard opens on "Record
    // ISO-image to disc" with that image chosen.
    void StartWithImage(const QString& imageFile);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Destroys the page shown, then makes and shows the one of `caption`.
    void ShowPage(const QString& caption);
    bool CanClose();
    void ForwardToProcess(void (TWizardPage::*handler)());
    void ConnectEngineEvents();
    void OpenDrives();
    void BuildButtonBar();
    // Before the program ends in the middle of an operation: the component
    // stopped, its write thread ended, the tray unlocked.
    void EndOperationForClose();

    // Next and Home while one of them runs (a check may handle events
    // meanwhile): the second is ignored, a close waits for the first.
    bool acting_ = false;
    bool closeWaiting_ = false;
    QString startImage_;

    TWizardServices services_;
    TGlobalState state_;
    std::unique_ptr<TOrvoBurner> burner_;
    std::unique_ptr<TWizardPage> page_;
    QWidget* body_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* home_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* done_ = nullptr;
    bool failed_ = false;
    bool shown_ = false;
};

}  // namespace sorvane::app
