#pragma once
// The program's help window: the pages of the compiled help file, opened at
// a topic number, with the links between them followed inside the file.
// There is one such window at a time; showing another topic reuses it.

#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>
#include <memory>

#include "app/help/chm_file.h"

class QPushButton;

namespace sorvane::app {

// Shows topic `topic` of the help file `chmFile` in the help window, beside
// `owner`. A topic that the file's context map lacks shows its start page.
void ShowHelpTopic(QWidget* owner, const QString& chmFile, int topic);

// A browser whose pages, style sheets and pictures come out of the help
// file. Addresses inside the file have the scheme "chm" and the object's
// path ("chm:/topic.html"); nothing outside the file is loaded.
class THelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit THelpBrowser(QWidget* parent = nullptr);
    void SetFile(const TChmFile* file) { file_ = file; }
    QVariant loadResource(int type, const QUrl& name) override;

private:
    const TChmFile* file_ = nullptr;
};

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    // The help window on screen, if there is one.
    static THelpWindow* Current();

    explicit THelpWindow(QWidget* owner);
    ~THelpWindow() override;

    void ShowTopic(const QString& chmFile, int topic);
    // The page shown, as "chm:/page.html"; empty while none is.
    QUrl Page() const { return browser_->source(); }
    THelpBrowser* Browser() const { return browser_; }

    static QUrl AddressOf(const std::string& objectPath);

private:
    void FollowLink(const QUrl& link);
    void ShowNote(const QString& text);
    void UpdateTitle();

    QString fileName_;
    std::unique_ptr<TChmFile> file_;
    THelpBrowser* browser_ = nullptr;
    QPushButton* contents_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
};

}  // namespace sorvane::app
