#include "app/page.h"

#include <algorithm>

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/global.h"
#include "app/main_window.h"
#include "app/metrics.h"

namespace sorvane::app {

TWizardPage::TWizardPage(TMainWindow& window, const QString& caption)
    : QWidget(window.PageHost()), window_(window), caption_(caption) {
    setObjectName(caption);
    setWindowTitle(caption);
    setAccessibleName(caption);
    setAutoFillBackground(true);
    if (QWidget* host = window.PageHost()) setGeometry(host->rect());
    State().HelpTopic = HelpTopicOf(caption, State().ChosenTask);
}

TWizardPage::~TWizardPage() = default;

TOrvoBurner& TWizardPage::Burner() const { return window_.Burner(); }

TGlobalState& TWizardPage::State() const { return window_.State(); }

namespace {

// A caption as written, where "&&" stands for one "&".
QString CaptionText(QString text) { return text.replace(QLatin1String("&&"), QLatin1String("&")); }

}  // namespace

int TWizardPage::AddHeader(const QString& title, const QString& subtitle) {
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("header"));
    strip->setAutoFillBackground(true);
    QPalette white = strip->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    strip->setPalette(white);

    auto* titleLabel = new QLabel(CaptionText(title), strip);
    titleLabel->setObjectName(QStringLiteral("headerTitle"));
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    auto* subtitleLabel = new QLabel(CaptionText(subtitle), strip);
    subtitleLabel->setObjectName(QStringLiteral("headerSubtitle"));
    subtitleLabel->setWordWrap(true);
    auto* stepLabel = new QLabel(StepLabel(caption_, State().ChosenTask), strip);
    stepLabel->setObjectName(QStringLiteral("stepLabel"));
    stepLabel->setFont(bold);
    QPalette grey = stepLabel->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    stepLabel->setPalette(grey);
    stepLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(titleLabel);
    texts->addWidget(subtitleLabel);
    texts->addStretch();
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(metrics::Scaled(12), metrics::Scaled(6), metrics::Scaled(12), metrics::Scaled(4));
    row->addLayout(texts, 1);
    row->addWidget(stepLabel, 0, Qt::AlignTop);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    // The strip keeps the height of the design unless the texts need more.
    const int needed = row->hasHeightForWidth() ? row->totalHeightForWidth(width()) : strip->sizeHint().height();
    const int stripHeight = std::max(metrics::Scaled(metrics::kHeaderHeight), needed);
    strip->setGeometry(0, 0, width(), stripHeight);
    line->setGeometry(0, stripHeight, width(), 2);
    header_ = strip;
    headerLine_ = line;
    const int height = stripHeight + 2;
    // A layout the page installs begins below the header.
    QMargins margins = contentsMargins();
    margins.setTop(height);
    setContentsMargins(margins);
    return height;
}

void TWizardPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (header_) header_->resize(width(), header_->height());
    if (headerLine_) headerLine_->resize(width(), headerLine_->height());
}

void TWizardPage::Say(const QString& text, const QString& caption, TMessageIcon icon) const {
    window_.Services().Messages->Show(const_cast<TWizardPage*>(this), text, caption, icon);
}

bool TWizardPage::AskYesNo(const QString& text, const QString& caption) const {
    return window_.Services().Messages->Ask(const_cast<TWizardPage*>(this), text, caption);
}

bool TWizardPage::Passed(const tasks::TCheckResult& result) const {
    if (result.Passed) return true;
    // A question the user answered No to needs no box of its own.
    if (!result.Declined)
        Say(QString::fromStdString(result.Message.Text), QString::fromStdString(result.Message.Caption),
            TMessageIcon::Warning);
    return false;
}

tasks::TAskQuestion TWizardPage::AskQuestion() const {
    return [this](const tasks::TPageMessage& question) {
        return AskYesNo(QString::fromStdString(question.Text), QString::fromStdString(question.Caption));
    };
}

}  // namespace sorvane::app
