#pragma once
// The Info page, first step of "Get information": what the chosen drive can
// read and write, and what disc is in it (kind, speed, status, sizes and the
// identification of its volume). Everything is read once, when the page is
// first shown; Next leads to the sessions.

#include <QString>
#include <array>

#include "app/page.h"

class QLabel;
class QLineEdit;

namespace sorvane::tasks {
struct TDiscValues;
}

namespace sorvane::app {

class TCapabilityMatrix;

// The "Status:" text of a disc: "Closed", "Not closed" or "???".
QString DiscStatusText(const tasks::TDiscValues& values);

class TInfoPage : public TWizardPage {
    Q_OBJECT
public:
    explicit TInfoPage(TMainWindow& window);

    // Whether the drive and its disc have been read.
    bool Read() const { return read_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Clear();
    void ReadDrive();

    enum TValue { kType, kSpeed, kStatus, kFull, kUsed, kFree, kValueCount };
    enum TField { kLabel, kPreparer, kPublisher, kCopyright, kRecordTime, kProgram, kFieldCount };
    std::array<QLabel*, kValueCount> values_{};
    std::array<QLineEdit*, kFieldCount> fields_{};
    TCapabilityMatrix* matrix_ = nullptr;
    bool started_ = false;
    bool read_ = false;
};

}  // namespace sorvane::app
