#pragma once
// A page of the wizard: a borderless child of the main window that fills
// its body above the button bar. Pages are made when entered and destroyed
// when left; the main window knows them by their caption. The main window
// calls the few operations below on the page it shows; each page overrides
// those that are its own and leaves the rest as they are.

#include <QString>
#include <QWidget>

#include "app/wizard_services.h"
#include "tasks/check_result.h"

class QLabel;

namespace sorvane {
class TOrvoBurner;
}

namespace sorvane::app {

class TMainWindow;
struct TGlobalState;

class TWizardPage : public QWidget {
    Q_OBJECT
public:
    TWizardPage(TMainWindow& window, const QString& caption);
    ~TWizardPage() override;

    // "Add Files", "Process", ...: what the main window knows the page by.
    const QString& Caption() const { return caption_; }

    // Add Files: the check at Next for the recording tasks, and for
    // "Make ISO-image" (which also asks for the image file's name).
    virtual bool AddFiles() { return true; }
    virtual bool GetIsoFile() { return true; }
    // Add Files: the project's name, the text of the tree's root.
    virtual QString ProjectName() const { return {}; }
    // Add Files: stops the refresh of the size display before the page goes.
    virtual void StopRefresh() {}
    // Burn Options and Erase Options: the checks at Next.
    virtual bool CheckBurn() { return true; }
    virtual bool CheckErase() { return true; }
    // Process: ends the operation (false: stopped by the user) and the
    // component's completion events, forwarded while the page is shown.
    virtual void Finish(bool success) { (void)success; }
    virtual void EraseDone() {}
    virtual void BurnDone() {}
    virtual void Finalizing() {}
    // Sessions: whether an extraction runs ("Extracting..." shown), and its
    // end after the user stopped it.
    virtual bool Extracting() const { return false; }
    virtual void HideExtracting() {}

protected:
    TMainWindow& Window() const { return window_; }
    TOrvoBurner& Burner() const;
    TGlobalState& State() const;

    // The white header strip with a line below it: a bold title, a line
    // under it, and the page's step label of the chosen task at the right.
    // The texts are written as captions are: "&&" shows as one "&".
    // Answers the strip's height; the page lays its body out below it (a
    // layout the page installs on itself starts there by itself: the
    // header sets the page's top contents margin).
    int AddHeader(const QString& title, const QString& subtitle);

    // Shows a message box owned by the page, and asks a Yes/No question.
    void Say(const QString& text, const QString& caption, TMessageIcon icon) const;
    bool AskYesNo(const QString& text, const QString& caption) const;
    // Shows a check's refusal (a warning) and answers whether it passed.
    bool Passed(const tasks::TCheckResult& result) const;
    // The question callback the tasks' checks take.
    tasks::TAskQuestion AskQuestion() const;

    // Keeps the header as wide as the page.
    void resizeEvent(QResizeEvent* event) override;

private:
    TMainWindow& window_;
    QString caption_;
    QWidget* header_ = nullptr;
    QWidget* headerLine_ = nullptr;
};

}  // namespace sorvane::app
