#pragma once
// The wizard's glyphs: the desktop's icon theme where it has the icon, else
// one of Qt's own, so that every platform (the offscreen one of the tests
// too) shows something.

#include <QIcon>
#include <QStyle>

namespace sorvane::app {

QIcon ThemeIcon(const char* themeName, QStyle::StandardPixmap fallback);

}  // namespace sorvane::app
