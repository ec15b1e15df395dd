#include "app/erase_options.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include "app/global.h"
#include "app/main_window.h"
#include "app/metrics.h"
#include "app/option_controls.h"
#include "engine/orvo_burner.h"
#include "tasks/erase_process.h"

namespace sorvane::app {
namespace {

constexpr int kMargin = 16;
constexpr int kIndent = 34;  // the notes stand under the radio buttons' texts
constexpr int kWidth = 468;
constexpr int kRowHeight = 22;
constexpr int kNoteHeight = 34;
constexpr int kListWidth = 120;

QRadioButton* BoldRadio(QWidget* parent, const QString& text) {
    auto* radio = new QRadioButton(text, parent);
    QFont font = radio->font();
    font.setBold(true);
    radio->setFont(font);
    return radio;
}

QLabel* Note(QWidget* parent, const QString& text) {
    auto* note = new QLabel(text, parent);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return note;
}

}  // namespace

TEraseOptionsPage::TEraseOptionsPage(TMainWindow& window) : TWizardPage(window, caption::kEraseOptions) {
    const int top = AddHeader(tr("Erase options"), tr("You can select erase type here.")) + metrics::Scaled(14);
    int y = 0;
    quick_ = BoldRadio(this, tr("Quick erase"));
    PlaceButton(quick_, top, kMargin, y, kWidth, kRowHeight);
    Place(Note(this, tr("Information will not be physically damaged, disc contents will be cleaned only. Use "
                        "it for day-to-day erasing.")),
          top, kIndent, y + kRowHeight, kWidth - kIndent + kMargin, kNoteHeight);
    y += kRowHeight + kNoteHeight + 12;
    full_ = BoldRadio(this, tr("Full erase"));
    PlaceButton(full_, top, kMargin, y, kWidth, kRowHeight);
    Place(Note(this, tr("Information will be physically damaged. Use it for erasing of confidential data.")), top,
          kIndent, y + kRowHeight, kWidth - kIndent + kMargin, kNoteHeight);
    y += kRowHeight + kNoteHeight + 8;
    speedCaption_ = NavyCaption(this, tr("Speed:"));
    Place(speedCaption_, top, kIndent, y + 3, 50, 16);
    speedList_ = new QComboBox(this);
    Place(speedList_, top, kIndent + 50, y, kListWidth, kRowHeight);

    Window().SetHomeEnabled(true);
    State().QuickErase = true;
    quick_->setChecked(true);
    // Every speed granted, as whole steps: the fastest of each stays.
    speeds_ = FillSpeedList(*speedList_, tasks::EraseSpeeds(tasks::ProbeWriteSpeeds(Burner())), &tasks::EraseSpeedText);
    State().EraseSpeedText = speedList_->currentText();
    speedCaption_->setEnabled(false);
    speedList_->setEnabled(false);

    connect(quick_, &QRadioButton::clicked, this, &TEraseOptionsPage::ModeClicked);
    connect(full_, &QRadioButton::clicked, this, &TEraseOptionsPage::ModeClicked);
    connect(speedList_, &QComboBox::currentIndexChanged, this, &TEraseOptionsPage::SpeedChosen);
}

void TEraseOptionsPage::ModeClicked() {
    State().QuickErase = quick_->isChecked();
    speedCaption_->setEnabled(full_->isChecked());
    speedList_->setEnabled(full_->isChecked());
}

void TEraseOptionsPage::SpeedChosen(int index) {
    if (index < 0 || index >= static_cast<int>(speeds_.size())) return;
    tasks::SelectWriteSpeed(Burner(), speeds_[static_cast<std::size_t>(index)]);
    State().EraseSpeedText = speedList_->itemText(index);
}

bool TEraseOptionsPage::CheckErase() { return Passed(tasks::CheckErase(Burner(), State().QuickErase)); }

}  // namespace sorvane::app
