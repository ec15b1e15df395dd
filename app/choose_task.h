#pragma once
// The wizard's start page: the six tasks as rows to pick from, the drive to
// work with, and a picture with the program's version and a link.

#include <QAbstractButton>
#include <array>

#include "app/page.h"

class QComboBox;
class QLabel;

namespace sorvane::app {

// One task row: icon and caption, silver and bold with the marker picture
// at its right end while selected.
class TTaskRow : public QAbstractButton {
    Q_OBJECT
public:
    TTaskRow(const QString& text, const QIcon& icon, QWidget* parent);
    bool Selected() const { return selected_; }
    void SetSelected(bool selected);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool selected_ = false;
};

class TChooseTaskPage : public TWizardPage {
    Q_OBJECT
public:
    explicit TChooseTaskPage(TMainWindow& window);

    static constexpr int kTaskCount = 6;
    TTaskRow* Row(int task) const { return rows_[static_cast<std::size_t>(task)]; }
    QComboBox* DriveList() const { return drives_; }
    QLabel* Link() const { return link_; }
    // What the link opens.
    const QString& LinkTarget() const { return linkTarget_; }

protected:
    // The link is a label: a click or Enter on it opens its target.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DeselectAllPanels();
    void RowClick(int task);
    void DriveListChange(int index);
    void LinkClick();

    std::array<TTaskRow*, kTaskCount> rows_{};
    QComboBox* drives_ = nullptr;
    QLabel* link_ = nullptr;
    QString linkTarget_;
};

}  // namespace sorvane::app
