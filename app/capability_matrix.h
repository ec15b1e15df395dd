#pragma once
// The device panel of the Info page: the drive's name over a matrix of
// what it reads and what it writes, a yes or a no mark on every row, and
// its buffer-underrun protection below both columns. Not interactive.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <span>
#include <vector>

class QLabel;

namespace sorvane {
class TSCSIDevice;
}
namespace sorvane::tasks {
struct TMatrixRow;
}

namespace sorvane::app {

class TCapabilityMatrix : public QWidget {
    Q_OBJECT
public:
    explicit TCapabilityMatrix(QWidget* parent);

    // Hides every mark and shows `name` ("Device name" before any drive).
    void Clear(const QString& name);
    // The drive's name and a mark on every row from its capability flags.
    void Show(const QString& name, const TSCSIDevice& drive);

    // For tests and screenshots: the mark of a row, by column ("Read",
    // "Write" or "Below") and caption; null when there is no such row.
    QLabel* Mark(const QString& column, const QString& caption) const;

private:
    struct TRow {
        QLabel* Mark;
        std::uint32_t Capability;
    };
    void AddColumn(const QString& title, int x, std::span<const tasks::TMatrixRow> rows);

    QLabel* name_ = nullptr;
    std::vector<TRow> rows_;
};

}  // namespace sorvane::app
