#pragma once
// The panel beside the Add Files page's tree: three captioned fields with
// the details of the selected node, the project's size, the free space on
// the disc, and "Always on top".

#include <QWidget>
#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace sorvane::app {

class TProjectNode;

class TDetailsPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 184;

    explicit TDetailsPanel(QWidget* parent);

    // The root, a folder or a file: its name or path, its size, its date.
    void ShowNode(const TProjectNode& node);

    enum class TSizeColour { Fits, Overreaches };
    void SetProjectSize(const QString& text, TSizeColour colour);
    // Black free space, or the red of a closed disc.
    void SetFreeSpace(const QString& text, bool closed);
    // "Make ISO-image" records to no disc.
    void DisableFreeSpace();

    QCheckBox* AlwaysOnTop() const { return onTop_; }
    QLabel* ProjectSizeValue() const { return projectSize_; }
    QLabel* FreeSpaceValue() const { return freeSpace_; }
    QLabel* Caption(int field) const { return captions_[field]; }
    QLineEdit* Field(int field) const { return fields_[field]; }

private:
    QLabel* captions_[3] = {};
    QLineEdit* fields_[3] = {};
    QLabel* projectSize_ = nullptr;
    QLabel* freeSpaceCaption_ = nullptr;
    QLabel* freeSpace_ = nullptr;
    QCheckBox* onTop_ = nullptr;
};

}  // namespace sorvane::app
