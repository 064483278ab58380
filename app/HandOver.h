#pragma once

#include <QByteArray>
#include <QString>

// The file name in the text that a second start hands over: the text up to its first zero
// byte, trimmed of blanks, without one pair of enclosing quotation marks when both are
// there. Empty when nothing is left, in which case nothing is to be opened.
QString handOverFileName(const QByteArray& text);

// The text a second start hands over for its first argument: the argument made absolute
// (against `workingFolder`) and enclosed in quotation marks, then a zero byte.
QByteArray handOverText(const QString& argument, const QString& workingFolder);
