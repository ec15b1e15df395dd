#pragma once
// The pieces both panels of the Process page are made of, so that they look
// alike: a navy caption, a right-aligned percentage, a wide bar, and the
// "Elapsed:" / "Remaining:" labels with their bold times.

#include <QString>

class QHBoxLayout;
class QLabel;
class QProgressBar;
class QWidget;

namespace sorvane::app {

// Room at either side of a panel, in pixels of the design.
inline constexpr int kPanelMargin = 16;
// The width of the small buffer bars, in pixels of the design.
inline constexpr int kSmallBarWidth = 120;

QLabel* MakeCaption(QWidget* parent, const QString& text);
QLabel* MakePercent(QWidget* parent);
QProgressBar* MakeBar(QWidget* parent, int maximum);
QLabel* MakeTimeLabel(QWidget* parent, const QString& text);
QLabel* MakeTimeValue(QWidget* parent);
// A label and its value side by side, left-aligned.
QHBoxLayout* Pair(QWidget* label, QWidget* value);

}  // namespace sorvane::app
