#include "app/erase_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

#include "app/metrics.h"
#include "app/progress_widgets.h"
#include "tasks/progress_texts.h"

namespace sorvane::app {

TErasePanel::TErasePanel(QWidget* parent)
    : QWidget(parent),
      caption_(MakeCaption(this, tr("Quick erase"))),
      percent_(MakePercent(this)),
      bar_(MakeBar(this, 100)),
      elapsed_(MakeTimeValue(this)) {
    auto* grid = new QGridLayout(this);
    const int margin = metrics::Scaled(kPanelMargin);
    grid->setContentsMargins(margin, 0, margin, 0);
    grid->addWidget(caption_, 0, 0);
    grid->addWidget(percent_, 0, 1);
    grid->addWidget(bar_, 1, 0, 1, 2);
    grid->addLayout(Pair(MakeTimeLabel(this, tr("Elapsed:")), elapsed_), 2, 0, 1, 2);
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

int TErasePanel::Position() const { return bar_->value(); }

void TErasePanel::SetElapsed(long long seconds) {
    elapsed_->setText(QString::fromStdString(tasks::TimeText(seconds)));
}

QString TErasePanel::ElapsedText() const { return elapsed_->text(); }

}  // namespace sorvane::app
