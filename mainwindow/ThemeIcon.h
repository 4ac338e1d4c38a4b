#pragma once

#include <QIcon>
#include <QStyle>

namespace vx {

// The desktop theme's icon of that name, or the style's own picture where the theme has none.
inline QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback, const QStyle* style) {
    return QIcon::fromTheme(QString::fromLatin1(name), style->standardIcon(fallback));
}

} // namespace vx
