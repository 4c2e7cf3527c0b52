#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QVector>

// Writers for the formats the program's resources must have exactly: 24-bit BMP,
// baseline JPEG, and Windows icons with palette and true-colour images.
namespace files {

void writeBmp24(const QImage& image, const QString& path);
void writeJpeg(const QImage& image, const QString& path, int quality);

struct IconImage
{
    QImage image; // ARGB, square
    int bits; // 8 (256 colours) or 32
    bool png = false; // stored as PNG, as icons of 256 pixels are
};
void writeIco(const QList<IconImage>& images, const QString& path);

// Median cut: at most `colours` entries for the pixels whose alpha is at least half.
QVector<QRgb> palette(const QImage& image, int colours);

} // namespace files
