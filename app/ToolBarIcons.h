#pragma once

#include <QIcon>
#include <QStyle>

// The picture of a tool bar button: the desktop's icon theme's if it has one by `themeName`,
// else the style's own `fallback` (none for SP_CustomBase).
//
// `themed` says whether the theme has action icons at all; actionIconsThemed() finds out
// once for all buttons.
QIcon toolBarIcon(const char* themeName, QStyle::StandardPixmap fallback, bool themed,
                  const QStyle& style);

// Whether the desktop's icon theme holds the standard action icons.
bool actionIconsThemed();
