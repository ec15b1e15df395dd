#pragma once
// The options of a recording (and of an image file): the speeds the drive
// grants, erasing first, closing the disc, the read-ahead cache, a boot
// image, and the identification of the new volume. Every control writes
// straight into the component or the shared state; the identification
// texts go into the component when the page is left.

#include <vector>

#include "app/page.h"
#include "tasks/record_speeds.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace sorvane::app {

class TBurnOptionsPage : public TWizardPage {
    Q_OBJECT
public:
    explicit TBurnOptionsPage(TMainWindow& window);
    ~TBurnOptionsPage() override;

    bool CheckBurn() override;

private:
    void BuildDriveOptions(int top);
    void BuildIdentification(int top);
    void DefaultSettings();
    void FillSpeeds();
    void AdjustForTask();
    void ShowPreviousVolume();

    void SpeedChosen(int index);
    void EraseClicked(bool checked);
    void FinalizeClicked(bool checked);
    void BufferMoved(int position);
    void BootableClicked(bool checked);

    std::vector<tasks::TWriteSpeed> speeds_;
    QLabel* speedCaption_ = nullptr;
    QComboBox* speedList_ = nullptr;
    QCheckBox* eraseFirst_ = nullptr;
    QCheckBox* finalize_ = nullptr;
    QLabel* bufferCaption_ = nullptr;
    QLabel* bufferValue_ = nullptr;
    QSlider* buffer_ = nullptr;
    QCheckBox* bootable_ = nullptr;
    QLineEdit* bootImage_ = nullptr;
    // The identification fields with their captions, in the order shown.
    struct TField {
        QLabel* Caption = nullptr;
        QLineEdit* Edit = nullptr;
    };
    TField label_, preparer_, publisher_, copyright_, date_, program_;
};

}  // namespace sorvane::app
