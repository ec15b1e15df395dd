#include "app/record_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <climits>

#include "app/metrics.h"
#include "app/progress_widgets.h"
#include "tasks/progress_texts.h"

namespace sorvane::app {
namespace {

constexpr int kSectorBytes = 2048;

int BarValue(std::int64_t value) { return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX)); }

}  // namespace

TRecordPanel::TRecordPanel(QWidget* parent)
    : QWidget(parent),
      caption_(MakeCaption(this, tr("Record"))),
      size_(new QLabel(this)),
      percent_(MakePercent(this)),
      bar_(MakeBar(this, 1)),
      elapsed_(MakeTimeValue(this)),
      remainingLabel_(MakeTimeLabel(this, tr("Remaining:"))),
      remaining_(MakeTimeValue(this)),
      readLabel_(MakeTimeLabel(this, tr("Read buffer:"))),
      readBuffer_(MakeBar(this, 100)),
      deviceLabel_(MakeTimeLabel(this, tr("Device buffer:"))),
      deviceBuffer_(MakeBar(this, 1)) {
    size_->setAlignment(Qt::AlignCenter);
    for (QProgressBar* small : {readBuffer_, deviceBuffer_}) {
        small->setFixedSize(metrics::Scaled(kSmallBarWidth), metrics::Scaled(12));
    }
    auto* grid = new QGridLayout(this);
    const int margin = metrics::Scaled(kPanelMargin);
    grid->setContentsMargins(margin, 0, margin, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(caption_, 1);
    top->addWidget(size_, 1);
    top->addWidget(percent_, 1);
    grid->addLayout(top, 0, 0, 1, 2);
    grid->addWidget(bar_, 1, 0, 1, 2);
    grid->addLayout(Pair(MakeTimeLabel(this, tr("Elapsed:")), elapsed_), 2, 0);
    grid->addLayout(Pair(remainingLabel_, remaining_), 2, 1);
    grid->addLayout(Pair(readLabel_, readBuffer_), 3, 0);
    grid->addLayout(Pair(deviceLabel_, deviceBuffer_), 3, 1);
    Reset(0, 0);
}

void TRecordPanel::Reset(std::int64_t sectors, std::uint32_t deviceBufferBytes) {
    SetTotal(sectors);
    bar_->setValue(0);
    ShowPercent();
    size_->setText(QString::fromStdString(tasks::MbText(0) + "/" + tasks::MbText(0)) + " Mb");
    SetElapsed(0);
    SetRemaining(QString::fromStdString(tasks::TimeText(0)));
    readBuffer_->setValue(0);
    deviceBuffer_->setRange(0, std::max(BarValue(deviceBufferBytes), 1));
    deviceBuffer_->setValue(0);
}

void TRecordPanel::SetTotal(std::int64_t sectors) {
    bar_->setMaximum(std::max(BarValue(sectors), 1));
    ShowPercent();
}

void TRecordPanel::SetCaption(const QString& caption) { caption_->setText(caption); }

QString TRecordPanel::Caption() const { return caption_->text(); }

void TRecordPanel::HideDriveParts() {
    for (QWidget* part : {static_cast<QWidget*>(remainingLabel_), static_cast<QWidget*>(remaining_),
                          static_cast<QWidget*>(readLabel_), static_cast<QWidget*>(readBuffer_),
                          static_cast<QWidget*>(deviceLabel_), static_cast<QWidget*>(deviceBuffer_)})
        part->hide();
}

void TRecordPanel::ShowWritten(std::int64_t written, const QString& totalMb) {
    size_->setText(QString::fromStdString(tasks::MbText(written)) + "/" + totalMb + " Mb");
    // The bar stops at its maximum, as the padding of a disc's last unit
    // may take the count past the image.
    bar_->setValue(std::min(BarValue(written / kSectorBytes), bar_->maximum()));
    ShowPercent();
}

void TRecordPanel::ShowComplete(const QString& totalMb) {
    size_->setText(totalMb + "/" + totalMb + " Mb");
    bar_->setValue(bar_->maximum());
    ShowPercent();
    readBuffer_->setValue(0);
    deviceBuffer_->setValue(0);
    SetRemaining(QString::fromStdString(tasks::TimeText(0)));
}

void TRecordPanel::SetElapsed(long long seconds) { elapsed_->setText(QString::fromStdString(tasks::TimeText(seconds))); }

void TRecordPanel::SetRemaining(const QString& text) { remaining_->setText(text); }

void TRecordPanel::SetReadBuffer(int percent) { readBuffer_->setValue(std::clamp(percent, 0, 100)); }

void TRecordPanel::SetDeviceBuffer(std::uint32_t usedBytes) {
    deviceBuffer_->setValue(std::min(BarValue(usedBytes), deviceBuffer_->maximum()));
}

void TRecordPanel::ShowPercent() {
    percent_->setText(QString::number(tasks::PercentOf(bar_->value(), bar_->maximum())) + "%");
}

QString TRecordPanel::SizeText() const { return size_->text(); }
QString TRecordPanel::PercentText() const { return percent_->text(); }
QString TRecordPanel::RemainingText() const { return remaining_->text(); }
QString TRecordPanel::ElapsedText() const { return elapsed_->text(); }
bool TRecordPanel::ShowsDriveParts() const { return !remaining_->isHidden() && !deviceBuffer_->isHidden(); }
int TRecordPanel::ReadBufferValue() const { return readBuffer_->value(); }
int TRecordPanel::DeviceBufferValue() const { return deviceBuffer_->value(); }
int TRecordPanel::Position() const { return bar_->value(); }
int TRecordPanel::Maximum() const { return bar_->maximum(); }

}  // namespace sorvane::app
