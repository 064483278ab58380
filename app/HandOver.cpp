#include "app/HandOver.h"

#include <QDir>

QString handOverFileName(const QByteArray& text) {
    const qsizetype zero = text.indexOf('\0');
    QString name = QString::fromUtf8(zero >= 0 ? text.left(zero) : text).trimmed();
    if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"'))
        name = name.mid(1, name.size() - 2);
    return name;
}

QByteArray handOverText(const QString& argument, const QString& workingFolder) {
    const QString absolute = QDir(workingFolder).absoluteFilePath(argument);
    QByteArray text = ('"' + QDir::cleanPath(absolute) + '"').toUtf8();
    text.append('\0');
    return text;
}
