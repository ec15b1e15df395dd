#include "app/wizard_services.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#ifdef SORVANE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#endif

#include "app/help/help_viewer.h"

#include "engine/rtl/program_files.h"

namespace sorvane::app {
namespace {

QMessageBox::Icon BoxIcon(TMessageIcon icon) {
    switch (icon) {
        case TMessageIcon::Warning: return QMessageBox::Warning;
        case TMessageIcon::Question: return QMessageBox::Question;
        case TMessageIcon::Error: return QMessageBox::Critical;
        case TMessageIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

class TQtMessageBoxes final : public TMessageBoxes {
public:
    void Show(QWidget* owner, const QString& text, const QString& caption, TMessageIcon icon) override {
        QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, owner);
        box.exec();
    }

    bool Ask(QWidget* owner, const QString& text, const QString& caption) override {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }
};

class TQtFileDialogs final : public TFileDialogs {
public:
    QString OpenFile(QWidget* owner, const QString& title, const QString& filter) override {
        QFileDialog dialog(owner, title, QString(), filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        ShowHidden(dialog);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }

    QStringList OpenFiles(QWidget* owner, const QString& title, const QString& filter) override {
        QFileDialog dialog(owner, title, QString(), filter);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        ShowHidden(dialog);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    }

    QString SaveFile(QWidget* owner, const QString& title, const QString& filter,
                     const QString& defaultSuffix) override {
        QFileDialog dialog(owner, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }

    QString BrowseForFolder(QWidget* owner, const QString& title, const QString& start) override {
        QFileDialog dialog(owner, title, start);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        // The whole program waits for the answer, as the shell's browser
        // makes it wait.
        dialog.setWindowModality(Qt::ApplicationModal);
        if (QFileInfo(start).isDir()) dialog.setDirectory(start);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }

private:
    static void ShowHidden(QFileDialog& dialog) { dialog.setFilter(dialog.filter() | QDir::Hidden); }
};

class TRealDesktop final : public TDesktop {
public:
    bool Open(const QString& urlOrPath) override {
        const QUrl url = QFileInfo::exists(urlOrPath) ? QUrl::fromLocalFile(QFileInfo(urlOrPath).absoluteFilePath())
                                                      : QUrl::fromUserInput(urlOrPath);
        return QDesktopServices::openUrl(url);
    }

    bool PowerOff(QString& why) override {
#ifdef SORVANE_HAVE_DBUS
        // The login manager decides whether this user may power the machine
        // off; "interactive" lets it ask for a password where policy wants one.
        QDBusInterface manager(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                               QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
        if (!manager.isValid()) {
            why = manager.lastError().message();
            if (why.isEmpty()) why = QStringLiteral("The login manager cannot be reached.");
            return false;
        }
        const QDBusReply<void> reply = manager.call(QStringLiteral("PowerOff"), true);
        if (reply.isValid()) return true;
        why = reply.error().message();
        return false;
#else
        why = QStringLiteral("This build cannot ask the login manager to power the machine off.");
        return false;
#endif
    }

    void ShowHelp(QWidget* owner, const QString& helpFile, int topic) override {
        ShowHelpTopic(owner, helpFile, topic);
    }
};

// The help file where this program keeps it: beside the executable, else in
// the install's data folder; where neither has it, the place beside the
// executable, so that Help can say it is missing there.
QString ProgramHelpFile() {
    const std::vector<std::string> candidates = ProgramFileCandidates("Sorvane.chm", TProgramFileKind::Data);
    for (const std::string& candidate : candidates)
        if (QFileInfo::exists(QString::fromStdString(candidate))) return QString::fromStdString(candidate);
    return candidates.empty() ? QStringLiteral("Sorvane.chm") : QString::fromStdString(candidates.front());
}

}  // namespace

TWizardServices TWizardServices::Real() {
    TWizardServices services;
    services.Messages = std::make_shared<TQtMessageBoxes>();
    services.Dialogs = std::make_shared<TQtFileDialogs>();
    services.Desktop = std::make_shared<TRealDesktop>();
    services.HelpFile = ProgramHelpFile();
    return services;
}

}  // namespace sorvane::app
