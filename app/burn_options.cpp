#include "app/burn_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "app/global.h"
#include "app/main_window.h"
#include "app/metrics.h"
#include "app/option_controls.h"
#include "engine/orvo_burner.h"
#include "tasks/record_checks.h"
#include "tasks/volume_identity.h"

namespace sorvane::app {
namespace {

constexpr int kMargin = 16;
constexpr int kColumnWidth = 216;
constexpr int kRightColumn = 268;
constexpr int kCaptionHeight = 16;
constexpr int kFieldHeight = 22;
constexpr int kFieldStep = 42;  // from one identification field to the next
// The read-ahead cache in steps of 2 Mb, from 2 Mb to 64 Mb.
constexpr int kBufferSteps = 31;
constexpr int kBufferStart = 15;
constexpr std::uint32_t kBufferStepBytes = 2097152;
constexpr char kDateFormat[] = "dd.MM.yyyy";

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TBurnOptionsPage::TBurnOptionsPage(TMainWindow& window) : TWizardPage(window, caption::kBurnOptions) {
    const int top = AddHeader(tr("Record options"), tr("Select record oprions you need.")) + metrics::Scaled(12);
    BuildDriveOptions(top);
    BuildIdentification(top);
    DefaultSettings();
    Window().SetHomeEnabled(true);
    FillSpeeds();
    AdjustForTask();
}

// The identification texts go into the component before the next page
// records with them; an image recorded as it is has none of its own.
TBurnOptionsPage::~TBurnOptionsPage() {
    if (State().ChosenTask == kTaskRecordImage) return;
    TOrvoBurner& burner = Burner();
    burner.IdVolume = label_.Edit->text().toStdString();
    burner.IdPreparer = preparer_.Edit->text().toStdString();
    burner.IdPublisher = publisher_.Edit->text().toStdString();
    burner.FileCopyright = copyright_.Edit->text().toStdString();
}

void TBurnOptionsPage::BuildDriveOptions(int top) {
    int y = 0;
    speedCaption_ = NavyCaption(this, tr("Recording speed:"));
    Place(speedCaption_, top, kMargin, y, kColumnWidth, kCaptionHeight);
    speedList_ = new QComboBox(this);
    Place(speedList_, top, kMargin, y + kCaptionHeight + 2, kColumnWidth, kFieldHeight);
    y += 48;
    eraseFirst_ = new QCheckBox(tr("Erase RW before recording"), this);
    PlaceButton(eraseFirst_, top, kMargin, y, kColumnWidth, kFieldHeight);
    finalize_ = new QCheckBox(tr("Finalize disc"), this);
    PlaceButton(finalize_, top, kMargin, y + 24, kColumnWidth, kFieldHeight);
    y += 62;
    bufferCaption_ = NavyCaption(this, tr("Read buffer size:"));
    Place(bufferCaption_, top, kMargin, y, kColumnWidth - 60, kCaptionHeight);
    bufferValue_ = new QLabel(this);
    bufferValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Place(bufferValue_, top, kMargin + kColumnWidth - 60, y, 60, kCaptionHeight);
    buffer_ = new QSlider(Qt::Horizontal, this);
    buffer_->setRange(0, kBufferSteps);
    buffer_->setTickPosition(QSlider::NoTicks);
    Place(buffer_, top, kMargin, y + kCaptionHeight + 2, kColumnWidth, kFieldHeight);
    y += 54;
    bootable_ = new QCheckBox(tr("Make bootable disc"), this);
    PlaceButton(bootable_, top, kMargin, y, kColumnWidth, kFieldHeight);
    bootImage_ = new QLineEdit(this);
    bootImage_->setObjectName("BootImage");
    bootImage_->setReadOnly(true);
    Place(bootImage_, top, kMargin, y + 26, kColumnWidth, kFieldHeight);

    connect(speedList_, &QComboBox::currentIndexChanged, this, &TBurnOptionsPage::SpeedChosen);
    connect(eraseFirst_, &QCheckBox::clicked, this, &TBurnOptionsPage::EraseClicked);
    connect(finalize_, &QCheckBox::clicked, this, &TBurnOptionsPage::FinalizeClicked);
    connect(buffer_, &QSlider::valueChanged, this, &TBurnOptionsPage::BufferMoved);
    connect(bootable_, &QCheckBox::clicked, this, &TBurnOptionsPage::BootableClicked);
}

void TBurnOptionsPage::BuildIdentification(int top) {
    int y = 0;
    // The fields are named after what they hold, so that they can be told
    // apart without their captions.
    const struct {
        TField* Field;
        QString Caption;
        const char* Name;
    } fields[] = {{&label_, tr("Disc label:"), "DiscLabel"},     {&preparer_, tr("Preparer:"), "Preparer"},
                  {&publisher_, tr("Publisher:"), "Publisher"},  {&copyright_, tr("Copyright:"), "Copyright"},
                  {&date_, tr("Date recording:"), "DateRecording"}, {&program_, tr("Program:"), "Program"}};
    for (const auto& [field, text, name] : fields) {
        field->Caption = NavyCaption(this, text);
        Place(field->Caption, top, kRightColumn, y, kColumnWidth, kCaptionHeight);
        field->Edit = new QLineEdit(this);
        field->Edit->setObjectName(name);
        Place(field->Edit, top, kRightColumn, y + kCaptionHeight + 2, kColumnWidth, kFieldHeight);
        y += kFieldStep;
    }
    date_.Edit->setEnabled(false);
    program_.Edit->setEnabled(false);
}

void TBurnOptionsPage::DefaultSettings() {
    TOrvoBurner& burner = Burner();
    tasks::DefaultSettings(burner);
    label_.Edit->setText(FromStd(burner.IdVolume));
    date_.Edit->setText(QDate::currentDate().toString(kDateFormat));
    program_.Edit->setText(FromStd(burner.IdApplication));
    buffer_->setValue(kBufferStart);
    BufferMoved(kBufferStart);
}

// The list holds what the drive granted when asked, fastest first; a drive
// that grants nothing leaves it empty and records as fast as it can.
void TBurnOptionsPage::FillSpeeds() {
    speeds_ = FillSpeedList(*speedList_, tasks::ProbeWriteSpeeds(Burner()), &tasks::RecordSpeedText);
    State().RecordSpeedText = speedList_->currentText();
}

void TBurnOptionsPage::AdjustForTask() {
    TOrvoBurner& burner = Burner();
    TGlobalState& state = State();
    switch (state.ChosenTask) {
        case kTaskContinue:
            eraseFirst_->setChecked(false);
            eraseFirst_->setEnabled(false);
            for (TField* field : {&preparer_, &publisher_, &copyright_}) field->Edit->setEnabled(false);
            bootable_->setEnabled(false);
            bootImage_->setEnabled(false);
            ShowPreviousVolume();
            break;
        case kTaskMakeIso:
            for (QWidget* control : std::initializer_list<QWidget*>{speedCaption_, speedList_, eraseFirst_, finalize_,
                                                                    bufferCaption_, bufferValue_, buffer_})
                control->setEnabled(false);
            break;
        case kTaskRecordImage:
            // No project page decided the closing for this task: what an
            // earlier task left would close the disc with no way to undo it.
            burner.FinalizeDisc = false;
            eraseFirst_->setEnabled(false);
            if (tasks::ImageNeedsErase(burner)) {
                eraseFirst_->setChecked(true);
                state.EraseFirst = true;
            }
            bootable_->setEnabled(false);
            bootImage_->setEnabled(false);
            for (TField* field : {&label_, &preparer_, &publisher_, &copyright_, &date_, &program_}) {
                field->Caption->setEnabled(false);
                field->Edit->setEnabled(false);
                field->Edit->clear();
            }
            break;
        default:
            break;
    }
    if (state.EraseFirst) {
        eraseFirst_->setChecked(true);
        eraseFirst_->setEnabled(false);
    }
    if (burner.FinalizeDisc) {
        finalize_->setChecked(true);
        finalize_->setEnabled(false);
    }
}

// A continued disc keeps the identification of its volume: the fields show
// it, and the component records the new session with it. Nothing to read
// leaves the fields as they are.
void TBurnOptionsPage::ShowPreviousVolume() {
    tasks::TVolumeIdentity identity;
    if (!tasks::ReadVolumeIdentity(Burner(), identity)) return;
    preparer_.Edit->setText(FromStd(identity.Preparer));
    publisher_.Edit->setText(FromStd(identity.Publisher));
    copyright_.Edit->setText(FromStd(identity.Copyright));
    date_.Edit->setText(FromStd(identity.RecordTime));
    program_.Edit->setText(FromStd(identity.Program));
}

void TBurnOptionsPage::SpeedChosen(int index) {
    if (index < 0 || index >= static_cast<int>(speeds_.size())) return;
    tasks::SelectWriteSpeed(Burner(), speeds_[static_cast<std::size_t>(index)]);
    State().RecordSpeedText = speedList_->itemText(index);
}

void TBurnOptionsPage::EraseClicked(bool checked) { State().EraseFirst = checked; }

void TBurnOptionsPage::FinalizeClicked(bool checked) { Burner().FinalizeDisc = checked; }

void TBurnOptionsPage::BufferMoved(int position) {
    bufferValue_->setText(tr("%1 Mb").arg(2 * position + 2));
    Burner().SetCacheSize(static_cast<std::uint32_t>(position) * kBufferStepBytes + kBufferStepBytes);
}

void TBurnOptionsPage::BootableClicked(bool checked) {
    TImageLayout& layout = Burner().Layout();
    if (checked) {
        const QString path =
            Window().Services().Dialogs->OpenFile(this, tr("Select boot image"), tr("IMG-images (*.img)"));
        if (path.isEmpty()) {
            bootable_->setChecked(false);
            return;
        }
        layout.MakeBootable = true;
        layout.BootImageFile = QFile::encodeName(path).toStdString();
        bootImage_->setText(path);
        return;
    }
    layout.MakeBootable = false;
    layout.BootImageFile.clear();
    bootImage_->clear();
}

bool TBurnOptionsPage::CheckBurn() {
    const int task = State().ChosenTask;
    if (task != kTaskRecordNew && task != kTaskContinue && task != kTaskRecordImage) return true;
    TOrvoBurner& burner = Burner();
    // An image file is recorded as it is: its own size is what has to fit,
    // not a layout of some earlier project.
    std::int64_t sectors = burner.GetImageSize();
    if (task == kTaskRecordImage)
        tasks::ImageFileSectors(burner, QFile::encodeName(State().ImageFileName).toStdString(), sectors);
    tasks::TRecordChoices choices{State().EraseFirst};
    const tasks::TCheckResult result =
        tasks::CheckBurn(burner, static_cast<tasks::TRecordTask>(task), sectors, choices, AskQuestion());
    State().EraseFirst = choices.EraseFirst;
    return Passed(result);
}

}  // namespace sorvane::app
