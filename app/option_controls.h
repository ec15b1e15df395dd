#pragma once
// Controls the two options pages share: their placing, the navy captions
// above their fields, and the drop-down list of the speeds the drive grants.

#include <QString>
#include <string>
#include <vector>

#include "tasks/record_speeds.h"

class QComboBox;
class QLabel;
class QWidget;

namespace sorvane::app {

// Places a control by the design's sizes, `y` counted from `top` (in
// pixels), grown with the desktop's font as the window is.
void Place(QWidget* control, int top, int x, int y, int width, int height);

// A check box or radio button placed as Place does, but no wider than its
// box and text: only they answer a click.
void PlaceButton(QWidget* button, int top, int x, int y, int width, int height);

// A caption in navy, the colour the options pages name their fields in.
QLabel* NavyCaption(QWidget* parent, const QString& text);

using TSpeedText = std::string (*)(const tasks::TWriteSpeed&);

// Fills `list` with the text of every speed, each text once, and selects
// the first (the fastest). Answers the speeds as listed, item by item.
std::vector<tasks::TWriteSpeed> FillSpeedList(QComboBox& list, const std::vector<tasks::TWriteSpeed>& speeds,
                                              TSpeedText text);

}  // namespace sorvane::app
