#pragma once
// The wizard's fixed sizes, in pixels at the default font. The window does
// not let the user resize it; instead every size grows with the desktop's
// font, so that a larger font never cuts a caption off.

#include <QApplication>
#include <QFont>
#include <algorithm>
#include <cmath>

namespace sorvane::app::metrics {

inline constexpr int kClientWidth = 500;
inline constexpr int kClientHeight = 400;
inline constexpr int kButtonBarHeight = 48;
inline constexpr int kHeaderHeight = 48;
inline constexpr int kButtonWidth = 80;
inline constexpr int kButtonHeight = 32;
inline constexpr int kTaskRowWidth = 221;
inline constexpr int kTaskRowHeight = 32;
inline constexpr int kTaskIconSize = 24;
inline constexpr int kPictureWidth = 276;
inline constexpr int kMarkerWidth = 100;

// The point size the sizes above are made for: the usual desktop default.
inline constexpr double kDesignPointSize = 9.0;

// How much larger than the design the application's font is, never less
// than 1.
inline double FontScale() {
    const QFont font = QApplication::font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    return std::max(1.0, points / kDesignPointSize);
}

// A size of the design, grown with the font.
inline int Scaled(int designPixels) { return static_cast<int>(std::lround(designPixels * FontScale())); }

}  // namespace sorvane::app::metrics
