#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `bytes` in one step: the bytes go to a temporary file in
// the same folder, which takes the target's place only once everything is written. Returns
// false, leaving any old file as it was, when the folder or the file cannot be written.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);
