#pragma once

#include <QFile>
#include <QString>

// Opens `path` for reading into `file` only when it is a regular file of at most
// `maxBytes`. Anything else is refused before a byte is read: opening a named pipe waits
// for a writer, and a device such as /dev/zero never ends. Returns false, with `file`
// closed, when the file is refused or cannot be opened.
bool openRegularFile(const QString& path, qint64 maxBytes, QFile& file);
