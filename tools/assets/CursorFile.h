#pragma once

#include <QImage>
#include <QString>

// Writes a Windows cursor file (.cur) with one 32-bit image and its hot spot.
// Pixels with alpha below 128 become transparent. Returns false when the file
// cannot be written.
bool WriteCursorFile(const QString& path, const QImage& image, int hotX, int hotY);
