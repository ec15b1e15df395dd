#pragma once
// What the wizard asks of the desktop, each behind one seam: message boxes,
// file and folder dialogs, and the desktop's own services (opening a page
// or a file with its handler, powering the machine off, showing a help
// topic). The program uses the real ones; the tests put in their own, which
// answer the boxes and dialogs like a user and never touch the machine.

#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace sorvane::app {

enum class TMessageIcon { Warning, Question, Error, Information };

class TMessageBoxes {
public:
    virtual ~TMessageBoxes() = default;
    // A modal box with an OK button, owned by `owner`. Lines of `text` are
    // separated by "\n".
    virtual void Show(QWidget* owner, const QString& text, const QString& caption, TMessageIcon icon) = 0;
    // A modal question with Yes and No; true for Yes.
    virtual bool Ask(QWidget* owner, const QString& text, const QString& caption) = 0;
};

// The dialogs answer the chosen path(s), empty when the user cancelled.
// Filters are Qt's ("ISO-images (*.iso)").
class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;
    // One existing file; hidden files shown.
    virtual QString OpenFile(QWidget* owner, const QString& title, const QString& filter) = 0;
    // Several existing files at once; hidden files shown.
    virtual QStringList OpenFiles(QWidget* owner, const QString& title, const QString& filter) = 0;
    // A file to write; `defaultSuffix` is added to a name without one, and
    // the dialog asks before an existing file is overwritten.
    virtual QString SaveFile(QWidget* owner, const QString& title, const QString& filter,
                             const QString& defaultSuffix) = 0;
    // An existing folder, `start` preselected; every other window of the
    // program is disabled while it is open.
    virtual QString BrowseForFolder(QWidget* owner, const QString& title, const QString& start) = 0;
};

class TDesktop {
public:
    virtual ~TDesktop() = default;
    // Opens a web page or a local file with the desktop's handler for it.
    virtual bool Open(const QString& urlOrPath) = 0;
    // Asks the login manager to power the machine off; false with the
    // reason in `why` when it refuses or cannot be asked.
    virtual bool PowerOff(QString& why) = 0;
    // Shows topic `topic` of the help file `helpFile`.
    virtual void ShowHelp(QWidget* owner, const QString& helpFile, int topic) = 0;
};

struct TWizardServices {
    std::shared_ptr<TMessageBoxes> Messages;
    std::shared_ptr<TFileDialogs> Dialogs;
    std::shared_ptr<TDesktop> Desktop;
    // The help file the Help button opens ("Sorvane.chm" beside the
    // program, or where an install keeps it).
    QString HelpFile;
    // The real ones, as the program uses them.
    static TWizardServices Real();
};

}  // namespace sorvane::app
