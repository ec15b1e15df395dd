#include "app/help/help_viewer.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvane::app {
namespace {

constexpr char kScheme[] = "chm";
constexpr int kWidth = 600;
constexpr int kHeight = 480;

QPointer<THelpWindow>& OpenWindow() {
    static QPointer<THelpWindow> window;
    return window;
}

}  // namespace

void ShowHelpTopic(QWidget* owner, const QString& chmFile, int topic) {
    THelpWindow* window = THelpWindow::Current();
    if (!window) window = new THelpWindow(owner);
    window->ShowTopic(chmFile, topic);
    window->show();
    window->raise();
    window->activateWindow();
}

THelpBrowser::THelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    // Links are followed by the window, which keeps those that leave the
    // file out of this browser.
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QVariant THelpBrowser::loadResource(int /*type*/, const QUrl& name) {
    // A page names its style sheet and pictures relative to itself.
    const QUrl address = name.isRelative() ? document()->baseUrl().resolved(name) : name;
    if (!file_ || address.scheme() != QLatin1String(kScheme)) return {};
    const auto bytes = file_->Read(address.path().toStdString());
    if (!bytes) return {};
    // Pages come back as bytes: the document reads their character set
    // from the page itself, and pictures decode from them as they are.
    return QByteArray(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size()));
}

THelpWindow* THelpWindow::Current() { return OpenWindow().data(); }

THelpWindow::THelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Sorvane Help"));
    setAccessibleName(tr("Help"));

    contents_ = new QPushButton(tr("Contents"), this);
    back_ = new QPushButton(tr("Back"), this);
    forward_ = new QPushButton(tr("Forward"), this);
    contents_->setAccessibleName(tr("Contents"));
    back_->setAccessibleName(tr("Back"));
    forward_->setAccessibleName(tr("Forward"));
    back_->setEnabled(false);
    forward_->setEnabled(false);
    browser_ = new THelpBrowser(this);
    browser_->setAccessibleName(tr("Help page"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents_);
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(kWidth, kHeight);

    connect(contents_, &QPushButton::clicked, this, [this] {
        if (file_ && file_->IsOpen()) browser_->setSource(AddressOf(file_->StartPage()));
    });
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::anchorClicked, this, &THelpWindow::FollowLink);
    connect(browser_, &QTextBrowser::sourceChanged, this, &THelpWindow::UpdateTitle);

    OpenWindow() = this;
}

THelpWindow::~THelpWindow() {
    // The browser must not read from the file while both are torn down.
    browser_->SetFile(nullptr);
}

QUrl THelpWindow::AddressOf(const std::string& objectPath) {
    return QUrl(QLatin1String(kScheme) + ':' + QString::fromStdString(objectPath));
}

void THelpWindow::ShowTopic(const QString& chmFile, int topic) {
    if (!file_ || !file_->IsOpen() || chmFile != fileName_) {
        browser_->SetFile(nullptr);
        browser_->clearHistory();
        file_ = std::make_unique<TChmFile>(chmFile.toStdString());
        fileName_ = chmFile;
        browser_->SetFile(file_.get());
    }
    if (!file_->IsOpen()) {
        ShowNote(tr("The help file %1 cannot be read.").arg(chmFile));
        return;
    }
    contents_->setEnabled(true);
    const std::string page = file_->TopicPath(topic);
    browser_->setSource(AddressOf(page.empty() ? file_->StartPage() : page));
}

void THelpWindow::FollowLink(const QUrl& link) {
    if (link.scheme() != QLatin1String(kScheme)) {
        // Mail and web addresses belong to the desktop's own programs.
        QDesktopServices::openUrl(link);
        return;
    }
    if (!file_ || !file_->Contains(link.path().toStdString())) {
        ShowNote(tr("The page %1 is missing from the help file.").arg(link.path()));
        return;
    }
    browser_->setSource(link);
}

void THelpWindow::ShowNote(const QString& text) {
    browser_->setHtml(QStringLiteral("<p>%1</p>").arg(text.toHtmlEscaped()));
    contents_->setEnabled(file_ && file_->IsOpen());
    UpdateTitle();
}

void THelpWindow::UpdateTitle() {
    const QString help = file_ && !file_->Title().empty() ? QString::fromStdString(file_->Title()) : tr("Sorvane Help");
    const QString page = browser_->documentTitle();
    setWindowTitle(page.isEmpty() ? help : page + QStringLiteral(" - ") + help);
}

}  // namespace sorvane::app
