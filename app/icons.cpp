#include "app/icons.h"

#include <QApplication>

namespace sorvane::app {

QIcon ThemeIcon(const char* themeName, QStyle::StandardPixmap fallback) {
    const QString name = QString::fromLatin1(themeName);
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return QApplication::style()->standardIcon(fallback);
}

}  // namespace sorvane::app
