#include "app/ToolBarIcons.h"

#include <QFile>
#include <QGuiApplication>

namespace {

// Without an icon theme of the desktop's own, Qt searches the freedesktop fallback theme,
// which holds the programs' icons and no action icons. Each search that fails walks
// hundreds of its folders before the first paint: in the theme check, and again inside
// the style, which asks the theme before it takes its own pictures. Those pictures live in
// the style's resources, so they are taken from there directly.
bool desktopThemeSet() {
    return QIcon::themeName() != QIcon::fallbackThemeName();
}

// The resource files the common style builds these pictures from, at the sizes it gives them.
const char* builtInName(QStyle::StandardPixmap picture) {
    switch (picture) {
    case QStyle::SP_FileIcon:
        return "file";
    case QStyle::SP_DialogOpenButton:
        return "standardbutton-open";
    case QStyle::SP_DialogSaveButton:
        return "standardbutton-save";
    default:
        return nullptr;
    }
}

// `drawnAt`: the largest size in device pixels the picture will be drawn at.
QIcon builtInIcon(QStyle::StandardPixmap picture, qreal drawnAt) {
    QIcon icon;
    const char* name = builtInName(picture);
    if (!name)
        return icon;
    const QString stem = QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1-%2.png")
                             .arg(QLatin1String(name));
    // Every file added is decoded at once. The large picture serves only buttons drawn above
    // 32 device pixels; for the others it would be 64 KB held for nothing.
    QList<int> sizes = {16, 32};
    if (drawnAt > 32)
        sizes.append(128);
    for (const int size : sizes) {
        const QString file = stem.arg(size);
        // A Qt that keeps its pictures elsewhere gets the style's own search instead.
        if (!QFile::exists(file))
            return QIcon();
        icon.addFile(file, QSize(size, size));
    }
    return icon;
}

} // namespace

bool actionIconsThemed() {
    // A theme without the first of the standard action icons has none of them.
    return desktopThemeSet() && QIcon::hasThemeIcon(QStringLiteral("document-new"));
}

QIcon toolBarIcon(const char* themeName, QStyle::StandardPixmap fallback, bool themed,
                  const QStyle& style) {
    QIcon icon = themed ? QIcon::fromTheme(QString::fromLatin1(themeName)) : QIcon();
    if (!icon.isNull() || fallback == QStyle::SP_CustomBase)
        return icon;
    if (!desktopThemeSet())
        icon = builtInIcon(fallback, style.pixelMetric(QStyle::PM_ToolBarIconSize) *
                                         qGuiApp->devicePixelRatio());
    return icon.isNull() ? style.standardIcon(fallback) : icon;
}
