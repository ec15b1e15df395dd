#include "app/erase_panel.h"

#include <QLabel>
#include <QProgressBar>

#include "app/progress_widgets.h"
#include "tasks/progress_texts.h"

namespace sorvane::app {

TErasePanel::TErasePanel(QWidget* parent)
    : QWidget(parent),
      caption_(MakeCaption(this, tr("Quick erase"))),
      percent_(MakePercent(this)),
      bar_(MakeBar(this, 100)),
      elapsed_(MakeTimeValue(this)) {
    caption_->setGeometry(kPanelMargin, 4, 360, 16);
    percent_->setGeometry(kPanelWidth - kPanelMargin - 60, 4, 60, 16);
    bar_->setGeometry(kPanelMargin, 24, kPanelWidth - 2 * kPanelMargin, 18);
    MakeTimeLabel(this, tr("Elapsed:"))->setGeometry(kPanelMargin, 48, 70, 16);
    elapsed_->setGeometry(kPanelMargin + 72, 48, 120, 16);
    setFixedSize(kPanelWidth, kHeight);
}

void TErasePanel::Reset() {
    SetPercent(0);
    SetElapsed(0);
}

void TErasePanel::SetCaption(const QString& caption) { caption_->setText(caption); }

QString TErasePanel::Caption() const { return caption_->text(); }

void TErasePanel::SetPercent(int percent) {
    bar_->setValue(percent);
    percent_->setText(QString::number(tasks::PercentOf(bar_->value(), bar_->maximum())) + "%");
}

QString TErasePanel::PercentText() const { return percent_->text(); }

void TErasePanel::SetElapsed(long long seconds) {
    elapsed_->setText(QString::fromStdString(tasks::TimeText(seconds)));
}

}  // namespace sorvane::app
