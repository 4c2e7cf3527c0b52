#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG pictures, decoded with libjpeg. Every failure (no JPEG at all, damaged or
// truncated data, an unreadable file) raises Exception with a message naming the
// problem; the caller's process and the library's state are left intact.
namespace Jpeg {

// Decodes a complete JPEG file held in memory. The result is Format_RGB32 at the
// picture's own size, whatever the colour space of the data (grey, YCbCr, CMYK).
QImage decode(const QByteArray& data);

// Reads and decodes a file or a Qt resource (":/pictures/...").
QImage decodeFile(const QString& path);

} // namespace Jpeg
