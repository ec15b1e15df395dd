#pragma once
// The pieces both panels of the Process page are made of, so that they look
// alike: a navy caption, a right-aligned percentage, a wide bar, and the
// "Elapsed:" / "Remaining:" labels with their bold times.

#include <QString>

class QLabel;
class QProgressBar;
class QWidget;

namespace sorvane::app {

// Both panels span the page, with this much room at either side.
inline constexpr int kPanelWidth = 500;
inline constexpr int kPanelMargin = 16;

QLabel* MakeCaption(QWidget* parent, const QString& text);
QLabel* MakePercent(QWidget* parent);
QProgressBar* MakeBar(QWidget* parent, int maximum);
QLabel* MakeTimeLabel(QWidget* parent, const QString& text);
QLabel* MakeTimeValue(QWidget* parent);

}  // namespace sorvane::app
