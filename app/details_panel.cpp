#include "app/details_panel.h"

#include <QCheckBox>
#include <algorithm>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/metrics.h"
#include "app/project_node.h"
#include "app/size_text.h"

namespace sorvane::app {
namespace {

const QColor kNavy(0, 0, 128);
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

void Colour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QLabel* BoldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

TDetailsPanel::TDetailsPanel(QWidget* parent) : QWidget(parent) {
    constexpr int kMargin = 8;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(3);
    const char* captions[] = {"File path:", "File size:", "Last modified:"};
    for (int i = 0; i < 3; ++i) {
        captions_[i] = new QLabel(tr(captions[i]), this);
        Colour(captions_[i], kNavy);
        fields_[i] = new QLineEdit(this);
        fields_[i]->setReadOnly(true);
        layout->addWidget(captions_[i]);
        layout->addWidget(fields_[i]);
        layout->addSpacing(4);
    }
    layout->addStretch(1);
    layout->addWidget(BoldLabel(tr("Project size:"), this));
    projectSize_ = new QLabel(ProjectSizeText(0), this);
    Colour(projectSize_, kGreen);
    layout->addWidget(projectSize_);
    layout->addSpacing(4);
    freeSpaceCaption_ = BoldLabel(tr("Free disc space:"), this);
    layout->addWidget(freeSpaceCaption_);
    freeSpace_ = new QLabel(ProjectSizeText(0), this);
    Colour(freeSpace_, Qt::black);
    layout->addWidget(freeSpace_);
    layout->addSpacing(8);
    onTop_ = new QCheckBox(tr("Always on top"), this);
    onTop_->setChecked(true);
    layout->addWidget(onTop_);

    // Wide enough for the sizes of any disc on one line, at any font; a
    // larger project's text wraps rather than being cut off.
    for (QLabel* value : {projectSize_, freeSpace_}) value->setWordWrap(true);
    const int widest = projectSize_->fontMetrics().horizontalAdvance(QStringLiteral("9999 Mb (9 999 999 999 byte)"));
    setFixedWidth(std::max(metrics::Scaled(kWidth), widest + 2 * kMargin + 2));
}

void TDetailsPanel::ShowNode(const TProjectNode& node) {
    const bool file = node.IsFile();
    if (node.IsRoot()) {
        captions_[0]->setText(tr("Project name:"));
        captions_[1]->setText(tr("Project size:"));
    } else if (node.IsFolder()) {
        captions_[0]->setText(tr("Folder name:"));
        captions_[1]->setText(tr("Content size:"));
    } else {
        captions_[0]->setText(tr("File path:"));
        captions_[1]->setText(tr("File size:"));
    }
    fields_[0]->setText(file ? node.Data().SourcePath : node.text(0));
    fields_[0]->setCursorPosition(0);
    fields_[1]->setText(DetailsSizeText(node.Data().Size));
    fields_[1]->setCursorPosition(0);
    fields_[2]->setText(file ? node.Data().Modified : QString());
    captions_[2]->setEnabled(file);
    fields_[2]->setEnabled(file);
}

void TDetailsPanel::SetProjectSize(const QString& text, TSizeColour colour) {
    projectSize_->setText(text);
    Colour(projectSize_, colour == TSizeColour::Fits ? kGreen : kRed);
}

void TDetailsPanel::SetFreeSpace(const QString& text, bool closed) {
    freeSpace_->setText(text);
    Colour(freeSpace_, closed ? kRed : QColor(Qt::black));
}

void TDetailsPanel::DisableFreeSpace() {
    freeSpaceCaption_->setEnabled(false);
    freeSpace_->setText(ProjectSizeText(0));
    freeSpace_->setEnabled(false);
}

}  // namespace sorvane::app
