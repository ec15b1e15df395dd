#include "app/info.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "app/capability_matrix.h"
#include "app/global.h"
#include "app/main_window.h"
#include "engine/orvo_burner.h"
#include "tasks/disc_values.h"
#include "tasks/volume_identity.h"

namespace sorvane::app {
namespace {

constexpr int kMargin = 16;
constexpr int kValueColumn = 150;
constexpr int kValueRow = 34;
constexpr int kFieldRow = 24;
constexpr int kCaptionWidth = 80;
constexpr int kFieldWidth = 196;
constexpr int kMatrixX = 306;
// TestUnitReady's time-out: long enough for a drive that has just closed
// its tray to answer.
constexpr int kReadyTimeoutMs = 5000;

constexpr const char* kValueCaptions[] = {"Disc type:", "Max speed:", "Status:",
                                          "Full size:", "Used space:", "Free space:"};
constexpr const char* kValueNames[] = {"DiscType", "MaxSpeed", "Status", "FullSize", "UsedSpace", "FreeSpace"};
constexpr const char* kFieldCaptions[] = {"Disc label:", "Preparer:",    "Publisher:",
                                          "Copyright:",  "Record time:", "Program:"};
constexpr const char* kFieldNames[] = {"DiscLabel", "Preparer", "Publisher", "Copyright", "RecordTime", "Program"};

QLabel* NavyCaption(const QString& text, QWidget* parent) {
    auto* caption = new QLabel(text, parent);
    caption->setStyleSheet("color: navy;");
    return caption;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString DiscStatusText(const tasks::TDiscValues& values) {
    // A rewritable DVD can always be written again, whatever the state of
    // its last session.
    if (values.Type == "DVD+RW" || values.Type == "DVD-RW") return "Not closed";
    switch (values.State) {
        case tasks::TDiscState::Unknown: return "???";
        case tasks::TDiscState::Finalized: return "Closed";
        default: return "Not closed";
    }
}

TInfoPage::TInfoPage(TMainWindow& window) : TWizardPage(window, caption::kInfo) {
    const int top = AddHeader("Disc/device information",
                              "Here you can see detailed information about disc and active device.");

    for (int i = 0; i < kValueCount; ++i) {
        const int x = kMargin + (i / 3) * kValueColumn;
        const int y = top + 10 + (i % 3) * kValueRow;
        NavyCaption(kValueCaptions[i], this)->setGeometry(x, y, kValueColumn - 10, 15);
        values_[i] = new QLabel(this);
        values_[i]->setObjectName(kValueNames[i]);
        QFont bold = values_[i]->font();
        bold.setBold(true);
        values_[i]->setFont(bold);
        values_[i]->setGeometry(x, y + 14, kValueColumn - 10, 16);
    }

    const int fieldsTop = top + 10 + 3 * kValueRow + 12;
    for (int i = 0; i < kFieldCount; ++i) {
        const int y = fieldsTop + i * kFieldRow;
        NavyCaption(kFieldCaptions[i], this)->setGeometry(kMargin, y + 2, kCaptionWidth, 16);
        fields_[i] = new QLineEdit(this);
        fields_[i]->setObjectName(kFieldNames[i]);
        fields_[i]->setReadOnly(true);
        fields_[i]->setGeometry(kMargin + kCaptionWidth, y, kFieldWidth, 20);
    }

    matrix_ = new TCapabilityMatrix(this);
    matrix_->setObjectName("DeviceMatrix");
    matrix_->move(kMatrixX, top + 10);
    Clear();
}

void TInfoPage::showEvent(QShowEvent* event) {
    TWizardPage::showEvent(event);
    if (started_) return;
    started_ = true;
    // After the page has been drawn with its empty values: closing the tray
    // and asking the drive take a moment.
    QTimer::singleShot(0, this, &TInfoPage::ReadDrive);
}

void TInfoPage::Clear() {
    for (QLabel* value : values_) value->setText("???");
    for (QLineEdit* field : fields_) field->clear();
    matrix_->Clear("Device name");
}

void TInfoPage::ReadDrive() {
    Window().SetHomeEnabled(true);
    Clear();
    const int device = State().ChosenDevice;
    if (device < 0 || device >= State().DeviceNames.size()) {
        read_ = true;
        return;
    }
    TOrvoBurner& burner = Burner();
    burner.LoadUnload(false);
    matrix_->Show(State().DeviceNames[device], burner);
    TSCSIDevice::SetReleaseHandle(true);
    burner.TestUnitReady(kReadyTimeoutMs);

    tasks::TDiscValues values;
    if (tasks::ReadDiscValues(burner, values)) {
        values_[kType]->setText(Text(values.Type));
        values_[kSpeed]->setText(Text(values.MaxSpeed));
        values_[kStatus]->setText(DiscStatusText(values));
        values_[kFull]->setText(Text(values.FullSize));
        values_[kUsed]->setText(Text(values.UsedSpace));
        values_[kFree]->setText(Text(values.FreeSpace));

        tasks::TVolumeIdentity identity;
        if (tasks::ReadVolumeIdentity(burner, identity)) {
            fields_[kLabel]->setText(Text(identity.Label));
            fields_[kPreparer]->setText(Text(identity.Preparer));
            fields_[kPublisher]->setText(Text(identity.Publisher));
            fields_[kCopyright]->setText(Text(identity.Copyright));
            fields_[kRecordTime]->setText(Text(identity.RecordTime));
            fields_[kProgram]->setText(Text(identity.Program));
        }
    }
    read_ = true;
}

}  // namespace sorvane::app
