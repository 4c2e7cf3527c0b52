#include "Files.h"

#include <QBuffer>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace files {
namespace {

void put16(QByteArray& out, unsigned value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void save(const QByteArray& data, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size()
        || !file.flush())
        throw std::runtime_error(
            QStringLiteral("cannot write %1: %2").arg(path, file.errorString()).toStdString());
}

int stride(int width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

void infoHeader(QByteArray& out, int width, int height, int bits, quint32 imageSize)
{
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(height));
    put16(out, 1);
    put16(out, unsigned(bits));
    put32(out, 0); // uncompressed
    put32(out, imageSize);
    put32(out, 3780); // 96 dots per inch
    put32(out, 3780);
    put32(out, 0);
    put32(out, 0);
}

// Rows bottom-up; 1 marks a transparent pixel.
QByteArray andMask(const QImage& image)
{
    const int rowBytes = stride(image.width(), 1);
    QByteArray mask;
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) < 128)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        mask.append(row);
    }
    return mask;
}

int nearest(const QVector<QRgb>& colours, QRgb pixel)
{
    int best = 0, bestDistance = INT32_MAX;
    for (int i = 0; i < colours.size(); ++i) {
        const int dr = qRed(colours[i]) - qRed(pixel), dg = qGreen(colours[i]) - qGreen(pixel),
                  db = qBlue(colours[i]) - qBlue(pixel);
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

QByteArray iconBitmap(const QImage& source, int bits)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    const QByteArray mask = andMask(image);
    QByteArray pixels;
    QByteArray out;
    if (bits == 32) {
        for (int y = h - 1; y >= 0; --y)
            for (int x = 0; x < w; ++x) {
                const QRgb p = image.pixel(x, y);
                const char bgra[]
                    = { char(qBlue(p)), char(qGreen(p)), char(qRed(p)), char(qAlpha(p)) };
                pixels.append(bgra, 4);
            }
        infoHeader(out, w, 2 * h, 32, quint32(pixels.size() + mask.size()));
    } else {
        // Index 0 stays black for the transparent pixels, which the mask hides.
        QVector<QRgb> colours = palette(image, 255);
        colours.prepend(qRgb(0, 0, 0));
        const int rowBytes = stride(w, 8);
        for (int y = h - 1; y >= 0; --y) {
            QByteArray row(rowBytes, '\0');
            for (int x = 0; x < w; ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) >= 128)
                    row[x] = char(1 + nearest(colours.mid(1), p));
            }
            pixels.append(row);
        }
        infoHeader(out, w, 2 * h, 8, quint32(pixels.size() + mask.size()));
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
            const char bgrx[] = { char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0 };
            out.append(bgrx, 4);
        }
    }
    out.append(pixels);
    out.append(mask);
    return out;
}

struct Box
{
    std::vector<QRgb> pixels;
    int channel = 0;
    int range = 0;
    void measure()
    {
        int lo[3] = { 255, 255, 255 }, hi[3] = { 0, 0, 0 };
        for (QRgb p : pixels) {
            const int v[3] = { qRed(p), qGreen(p), qBlue(p) };
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], v[c]);
                hi[c] = std::max(hi[c], v[c]);
            }
        }
        range = -1;
        for (int c = 0; c < 3; ++c)
            if (hi[c] - lo[c] > range) {
                range = hi[c] - lo[c];
                channel = c;
            }
    }
};

int channelOf(QRgb p, int channel)
{
    return channel == 0 ? qRed(p) : channel == 1 ? qGreen(p) : qBlue(p);
}

} // namespace

QVector<QRgb> palette(const QImage& source, int colours)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    std::vector<QRgb> opaque;
    QSet<QRgb> distinct;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) >= 128) {
                opaque.push_back(p | 0xFF000000u);
                distinct.insert(p | 0xFF000000u);
            }
        }
    if (distinct.size() <= colours) {
        QVector<QRgb> exact(distinct.begin(), distinct.end());
        std::sort(exact.begin(), exact.end());
        return exact;
    }
    std::vector<Box> boxes(1);
    boxes[0].pixels = std::move(opaque);
    boxes[0].measure();
    while (int(boxes.size()) < colours) {
        auto widest = std::max_element(boxes.begin(), boxes.end(),
            [](const Box& a, const Box& b) { return a.range < b.range; });
        if (widest->range <= 0)
            break;
        Box& box = *widest;
        const int channel = box.channel;
        std::sort(box.pixels.begin(), box.pixels.end(),
            [channel](QRgb a, QRgb b) { return channelOf(a, channel) < channelOf(b, channel); });
        const auto middle = box.pixels.begin() + qsizetype(box.pixels.size() / 2);
        Box upper;
        upper.pixels.assign(middle, box.pixels.end());
        box.pixels.erase(middle, box.pixels.end());
        box.measure();
        upper.measure();
        boxes.push_back(std::move(upper));
    }
    QVector<QRgb> result;
    for (const Box& box : boxes) {
        long r = 0, g = 0, b = 0;
        for (QRgb p : box.pixels) {
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
        const long n = long(box.pixels.size());
        result.append(qRgb(int(r / n), int(g / n), int(b / n)));
    }
    return result;
}

void writeBmp24(const QImage& source, const QString& path)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int rowBytes = stride(image.width(), 24);
    QByteArray pixels;
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = char(qBlue(line[x]));
            row[3 * x + 1] = char(qGreen(line[x]));
            row[3 * x + 2] = char(qRed(line[x]));
        }
        pixels.append(row);
    }
    QByteArray out("BM");
    put32(out, quint32(14 + 40 + pixels.size()));
    put32(out, 0);
    put32(out, 14 + 40);
    infoHeader(out, image.width(), image.height(), 24, quint32(pixels.size()));
    out.append(pixels);
    save(out, path);
}

void writeJpeg(const QImage& source, const QString& path, int quality)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr error {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // No colour subsampling: coloured lettering and thin cables stay sharp.
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.density_unit = 1;
    cinfo.X_density = 96;
    cinfo.Y_density = 96;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const QByteArray data(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    save(data, path);
}

void writeIco(const QList<IconImage>& images, const QString& path)
{
    QList<QByteArray> entries;
    for (const IconImage& icon : images) {
        if (icon.png) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!icon.image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG"))
                throw std::runtime_error("cannot encode a PNG icon image");
            entries.append(png);
        } else {
            entries.append(iconBitmap(icon.image, icon.bits));
        }
    }
    QByteArray out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, unsigned(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = images[i].image.width();
        out.append(char(size >= 256 ? 0 : size));
        out.append(char(size >= 256 ? 0 : images[i].image.height()));
        out.append(char(0)); // 0: 256 colours or more
        out.append(char(0));
        put16(out, 1);
        put16(out, unsigned(images[i].bits));
        put32(out, quint32(entries[i].size()));
        put32(out, offset);
        offset += quint32(entries[i].size());
    }
    for (const QByteArray& entry : entries)
        out.append(entry);
    save(out, path);
}

} // namespace files
