#pragma once
// The choice between a quick and a full erase of a rewritable disc, and the
// speed of a full one. The erase itself runs on the Process page.

#include <vector>

#include "app/page.h"
#include "tasks/record_speeds.h"

class QComboBox;
class QLabel;
class QRadioButton;

namespace sorvane::app {

class TEraseOptionsPage : public TWizardPage {
    Q_OBJECT
public:
    explicit TEraseOptionsPage(TMainWindow& window);

    bool CheckErase() override;

private:
    void ModeClicked();
    void SpeedChosen(int index);

    std::vector<tasks::TWriteSpeed> speeds_;
    QRadioButton* quick_ = nullptr;
    QRadioButton* full_ = nullptr;
    QLabel* speedCaption_ = nullptr;
    QComboBox* speedList_ = nullptr;
};

}  // namespace sorvane::app
