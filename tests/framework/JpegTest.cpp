#include "Jpeg.h"
#include "Exceptions.h"

#include <QColor>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime; the compiler does not always ship its header.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

// Pictures are made here with libjpeg's encoder, so each test knows exactly what went in.
QByteArray encode(const QImage& image, J_COLOR_SPACE space, int quality = 95)
{
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr error {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    const int components = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(image.width() * components));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            JSAMPLE* out = &row[static_cast<size_t>(x * components)];
            if (space == JCS_GRAYSCALE) {
                out[0] = static_cast<JSAMPLE>(qGray(pixel));
            } else {
                // Adobe's inverted CMYK of a colour without black ink is its RGB plus 255.
                out[0] = static_cast<JSAMPLE>(qRed(pixel));
                out[1] = static_cast<JSAMPLE>(qGreen(pixel));
                out[2] = static_cast<JSAMPLE>(qBlue(pixel));
                if (components == 4)
                    out[3] = 255;
            }
        }
        JSAMPROW rows[] = { row.data() };
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray result(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return result;
}

// Four quadrants: red, green / blue, white.
QImage quadrants(int width = 64, int height = 48)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            image.setPixel(x, y,
                !bottom ? (right ? qRgb(0, 160, 0) : qRgb(255, 0, 0))
                        : (right ? qRgb(255, 255, 255) : qRgb(0, 0, 255)));
        }
    return image;
}

void expectNear(QRgb actual, QRgb expected, int tolerance = 20)
{
    EXPECT_NEAR(qRed(actual), qRed(expected), tolerance) << qPrintable(QColor(actual).name());
    EXPECT_NEAR(qGreen(actual), qGreen(expected), tolerance) << qPrintable(QColor(actual).name());
    EXPECT_NEAR(qBlue(actual), qBlue(expected), tolerance) << qPrintable(QColor(actual).name());
}

QString decodeError(const QByteArray& data)
{
    try {
        Jpeg::decode(data);
    } catch (const Exception& error) {
        return error.Message();
    }
    return QString();
}

std::size_t heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

} // namespace

TEST(JpegDecoding, ReturnsThePictureAtItsSizeWithItsColours)
{
    const QImage image = Jpeg::decode(encode(quadrants(), JCS_RGB));
    ASSERT_EQ(image.size(), QSize(64, 48));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    expectNear(image.pixel(16, 12), qRgb(255, 0, 0));
    expectNear(image.pixel(48, 12), qRgb(0, 160, 0));
    expectNear(image.pixel(16, 36), qRgb(0, 0, 255));
    expectNear(image.pixel(48, 36), qRgb(255, 255, 255));
}

TEST(JpegDecoding, GreyAndAdobeCmykDataComeOutAsRgb)
{
    const QImage grey = Jpeg::decode(encode(quadrants(40, 30), JCS_GRAYSCALE));
    ASSERT_EQ(grey.size(), QSize(40, 30));
    const int redGrey = qGray(qRgb(255, 0, 0));
    expectNear(grey.pixel(10, 7), qRgb(redGrey, redGrey, redGrey));
    expectNear(grey.pixel(30, 22), qRgb(255, 255, 255));

    const QImage cmyk = Jpeg::decode(encode(quadrants(), JCS_CMYK));
    ASSERT_EQ(cmyk.size(), QSize(64, 48));
    expectNear(cmyk.pixel(16, 12), qRgb(255, 0, 0));
    expectNear(cmyk.pixel(16, 36), qRgb(0, 0, 255));
    expectNear(cmyk.pixel(48, 36), qRgb(255, 255, 255));
}

TEST(JpegDecoding, ReadsFilesAndNamesTheOneThatFails)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath(QStringLiteral("good.jpg"));
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(encode(quadrants(), JCS_RGB));
    file.close();
    EXPECT_EQ(Jpeg::decodeFile(good).size(), QSize(64, 48));

    const QString missing = dir.filePath(QStringLiteral("yok.jpg"));
    try {
        Jpeg::decodeFile(missing);
        FAIL() << "a missing file was decoded";
    } catch (const Exception& error) {
        EXPECT_TRUE(error.Message().contains(missing)) << qPrintable(error.Message());
    }
}

TEST(JpegFailures, TruncatedDataRaisesInsteadOfShowingAGreyPicture)
{
    const QByteArray whole = encode(quadrants(256, 192), JCS_RGB);
    // Cut inside the compressed rows, and cut inside the header.
    for (const qsizetype length : { whole.size() * 3 / 5, qsizetype(100), qsizetype(2) }) {
        const QString message = decodeError(whole.left(length));
        EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot decode the JPEG picture: ")))
            << length << ": " << qPrintable(message);
        EXPECT_TRUE(message.contains(QStringLiteral("Premature end"))) << qPrintable(message);
    }
}

TEST(JpegFailures, GarbageEmptyAndDamagedDataRaise)
{
    const QString garbage = decodeError(QByteArrayLiteral("GIF89a, certainly no JPEG at all"));
    EXPECT_TRUE(garbage.contains(QStringLiteral("Not a JPEG file"))) << qPrintable(garbage);

    EXPECT_EQ(decodeError(QByteArray()),
        QStringLiteral("Cannot decode the JPEG picture: there is no data"));

    // A marker in the middle of the compressed data, as a damaged transfer leaves it.
    QByteArray damaged = encode(quadrants(256, 192), JCS_RGB);
    const qsizetype middle = damaged.size() / 2;
    damaged[middle] = char(0xFF);
    damaged[middle + 1] = char(0xD9);
    const QString message = decodeError(damaged);
    EXPECT_TRUE(message.contains(QStringLiteral("Corrupt JPEG data"))) << qPrintable(message);

    // The decoder is still usable afterwards.
    EXPECT_EQ(Jpeg::decode(encode(quadrants(), JCS_RGB)).size(), QSize(64, 48));
}

TEST(JpegFailures, AHeaderAskingForAHugePictureIsRefusedBeforeAllocating)
{
    QByteArray data = encode(quadrants(), JCS_RGB);
    const qsizetype frame = data.indexOf(QByteArrayLiteral("\xFF\xC0"));
    ASSERT_GT(frame, 0);
    // Height and width follow the marker, its length and the sample precision.
    for (const qsizetype at : { frame + 5, frame + 7 }) {
        data[at] = char(0xEA);
        data[at + 1] = char(0x60);
    }
    EXPECT_EQ(decodeError(data),
        QStringLiteral("Cannot decode the JPEG picture: the picture is too large (60000 x 60000 "
                       "pixels)"));
}

TEST(JpegFailures, RepeatedDecodingAndFailingDoNotLeak)
{
    const QByteArray good = encode(quadrants(128, 96), JCS_RGB);
    const QByteArray truncated = good.left(good.size() / 2);
    const QByteArray garbage = QByteArrayLiteral("\xFF\xD8\xFF\xC0 not really a frame header");
    auto round = [&] {
        EXPECT_EQ(Jpeg::decode(good).width(), 128);
        EXPECT_FALSE(decodeError(truncated).isEmpty());
        EXPECT_FALSE(decodeError(garbage).isEmpty());
    };
    for (int i = 0; i < 5; ++i)
        round();
    const std::size_t before = heapInUse();
    for (int i = 0; i < 200; ++i)
        round();
    const std::size_t after = heapInUse();
    // Every decoder that is not released costs at least a pool of a few kilobytes,
    // so 200 leaked rounds would grow the heap by far more than this.
    EXPECT_LT(after, before + 32 * 1024) << before << " -> " << after;
}
