#include "app/record_panel.h"

#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <climits>

#include "app/progress_widgets.h"
#include "tasks/progress_texts.h"

namespace sorvane::app {
namespace {

constexpr int kSectorBytes = 2048;
constexpr int kSmallBarWidth = 120;

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
    const int right = kPanelWidth - kPanelMargin;
    const int middle = kPanelWidth / 2 + 10;
    caption_->setGeometry(kPanelMargin, 4, 240, 16);
    size_->setAlignment(Qt::AlignCenter);
    size_->setGeometry(middle - 80, 4, 180, 16);
    percent_->setGeometry(right - 50, 4, 50, 16);
    bar_->setGeometry(kPanelMargin, 24, right - kPanelMargin, 18);
    MakeTimeLabel(this, tr("Elapsed:"))->setGeometry(kPanelMargin, 50, 80, 16);
    elapsed_->setGeometry(kPanelMargin + 84, 50, 120, 16);
    remainingLabel_->setGeometry(middle, 50, 80, 16);
    remaining_->setGeometry(middle + 84, 50, 120, 16);
    readLabel_->setGeometry(kPanelMargin, 74, 80, 16);
    readBuffer_->setGeometry(kPanelMargin + 84, 76, kSmallBarWidth, 12);
    deviceLabel_->setGeometry(middle, 74, 84, 16);
    deviceBuffer_->setGeometry(middle + 84, 76, kSmallBarWidth, 12);
    setFixedSize(kPanelWidth, kHeight);
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
int TRecordPanel::Position() const { return bar_->value(); }
int TRecordPanel::Maximum() const { return bar_->maximum(); }

}  // namespace sorvane::app
