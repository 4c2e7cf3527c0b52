#include "Resources.h"
#include "Exceptions.h"
#include "Jpeg.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

quint32 le16(const QByteArray& data, qsizetype at)
{
    return quint32(quint8(data[at])) | quint32(quint8(data[at + 1])) << 8;
}

quint32 le32(const QByteArray& data, qsizetype at)
{
    return le16(data, at) | le16(data, at + 2) << 16;
}

// Enough colours to be a drawing rather than an empty or single-colour canvas.
int distinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

struct IconEntry
{
    int size;
    int bits;
    bool png;
    bool operator<(const IconEntry& o) const
    {
        return std::tie(png, bits, size) < std::tie(o.png, o.bits, o.size);
    }
    bool operator==(const IconEntry& o) const
    {
        return size == o.size && bits == o.bits && png == o.png;
    }
};

void PrintTo(const IconEntry& e, std::ostream* os)
{
    *os << e.size << "px/" << e.bits << "bit" << (e.png ? "/png" : "");
}

// Reads the icon directory and checks every image's own header against it.
std::vector<IconEntry> iconEntries(const QByteArray& data)
{
    std::vector<IconEntry> entries;
    EXPECT_GE(data.size(), 6);
    if (data.size() < 6)
        return entries;
    EXPECT_EQ(le16(data, 0), 0u);
    EXPECT_EQ(le16(data, 2), 1u) << "not an icon file";
    const int count = int(le16(data, 4));
    for (int i = 0; i < count; ++i) {
        const qsizetype at = 6 + 16 * i;
        const int size = quint8(data[at]) == 0 ? 256 : quint8(data[at]);
        EXPECT_EQ(quint8(data[at + 1]), quint8(data[at]));
        const int bits = int(le16(data, at + 6));
        const qsizetype length = le32(data, at + 8), offset = le32(data, at + 12);
        EXPECT_LE(offset + length, data.size());
        const QByteArray image = data.mid(offset, length);
        const bool png = image.startsWith("\x89PNG");
        if (png) {
            // IHDR: width and height, big-endian, at 16 and 20.
            EXPECT_EQ(quint8(image[18]) << 8 | quint8(image[19]), size);
            EXPECT_EQ(quint8(image[22]) << 8 | quint8(image[23]), size);
        } else {
            EXPECT_EQ(le32(image, 0), 40u) << "BITMAPINFOHEADER";
            EXPECT_EQ(int(le32(image, 4)), size);
            EXPECT_EQ(int(le32(image, 8)), 2 * size) << "colour image and mask";
            EXPECT_EQ(int(le16(image, 14)), bits);
            const int stride = ((size * bits + 31) / 32) * 4, maskStride = ((size + 31) / 32) * 4;
            const int palette = bits == 8 ? 256 * 4 : 0;
            EXPECT_EQ(length, 40 + palette + (stride + maskStride) * size);
        }
        entries.push_back({ size, bits, png });
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

TEST(ResourcePictures, BitmapsAre24BitAtTheirFixedSizes)
{
    const struct
    {
        QString path;
        QSize size;
    } bitmaps[] = {
        { Resources::OneLineWiring, QSize(410, 320) },
        { Resources::TwoLineWiring, QSize(478, 322) },
        { Resources::FourLineWiring, QSize(478, 400) },
        { Resources::DeviceThumbnail, QSize(96, 68) },
        { Resources::AdslThumbnail, QSize(96, 68) },
    };
    for (const auto& bitmap : bitmaps) {
        SCOPED_TRACE(bitmap.path.toStdString());
        const QByteArray data = contents(bitmap.path);
        ASSERT_GT(data.size(), 54) << "missing";
        EXPECT_TRUE(data.startsWith("BM"));
        EXPECT_EQ(qsizetype(le32(data, 2)), data.size());
        EXPECT_EQ(int(le32(data, 18)), bitmap.size.width());
        EXPECT_EQ(int(le32(data, 22)), bitmap.size.height());
        EXPECT_EQ(le16(data, 28), 24u) << "bits per pixel";
        EXPECT_EQ(le32(data, 30), 0u) << "uncompressed";

        const QImage image(bitmap.path);
        ASSERT_EQ(image.size(), bitmap.size);
        EXPECT_GT(distinctColours(image), 40);
    }
}

TEST(ResourcePictures, JpegsDecodeAtTheirFixedSizes)
{
    const struct
    {
        QString path;
        QSize size;
    } jpegs[] = {
        { Resources::SplitterPicture, QSize(413, 340) },
        { Resources::AdslWiring, QSize(572, 387) },
    };
    for (const auto& jpeg : jpegs) {
        SCOPED_TRACE(jpeg.path.toStdString());
        EXPECT_TRUE(contents(jpeg.path).startsWith("\xFF\xD8\xFF"));
        const QImage image = Jpeg::decodeFile(jpeg.path);
        ASSERT_EQ(image.size(), jpeg.size);
        EXPECT_GT(distinctColours(image), 40);
    }
}

TEST(ResourcePictures, ThumbnailsHaveAPlainBackgroundCorner)
{
    // The guide draws its thumbnails transparent, keyed on the bottom-left pixel.
    for (const QString& path : { Resources::DeviceThumbnail, Resources::AdslThumbnail }) {
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << path.toStdString();
        EXPECT_EQ(image.pixel(0, image.height() - 1) & 0xFFFFFF, 0xFFFFFFu) << path.toStdString();
    }
}

TEST(ResourceIcons, WindowIconHasSixImagesProgramIconSeven)
{
    const std::vector<IconEntry> window = iconEntries(contents(Resources::WindowIcon));
    const std::vector<IconEntry> expectedWindow { { 16, 8, false }, { 32, 8, false },
        { 48, 8, false }, { 16, 32, false }, { 32, 32, false }, { 48, 32, false } };
    EXPECT_EQ(window, expectedWindow);

    std::vector<IconEntry> expectedProgram = expectedWindow;
    expectedProgram.push_back({ 256, 32, true });
    EXPECT_EQ(iconEntries(contents(Resources::ProgramIcon)), expectedProgram);
}

TEST(ResourceIcons, TheDesktopIconThemeHasEverySizeOfTheTelephone)
{
    for (int size : { 16, 32, 48, 128, 256 }) {
        const QString path
            = QStringLiteral(CALLERID_RESOURCES_DIR "/icons/hicolor/%1x%1.png").arg(size);
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(contents(path).startsWith("\x89PNG"));
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size - 1, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size * 29 / 48)), 255);
        EXPECT_GT(distinctColours(image), size < 32 ? 8 : 40);
    }
}

TEST(ResourceIcons, EveryImageIsTransparentAroundAnOpaqueTelephone)
{
    if (!QImageReader::supportedImageFormats().contains("ico"))
        GTEST_SKIP() << "Qt's icon reader is not installed";
    for (const QString& path : { Resources::WindowIcon, Resources::ProgramIcon }) {
        QImageReader reader(path);
        ASSERT_GE(reader.imageCount(), 6) << path.toStdString();
        for (int i = 0; i < reader.imageCount(); ++i) {
            ASSERT_TRUE(reader.jumpToImage(i));
            const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(image.isNull()) << path.toStdString() << " #" << i;
            const int s = image.width();
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << path.toStdString() << " #" << i;
            EXPECT_EQ(qAlpha(image.pixel(s - 1, 0)), 0) << path.toStdString() << " #" << i;
            // The display in the middle of the telephone's body.
            const QRgb display = image.pixel(s / 2, s * 29 / 48);
            EXPECT_EQ(qAlpha(display), 255) << path.toStdString() << " #" << i;
        }
        EXPECT_FALSE(QIcon(path).availableSizes().isEmpty());
    }
}

TEST(ResourceFiles, EveryNamedPathExists)
{
    for (const QString& path : Resources::All())
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_EQ(Resources::All().size(), 9);
}
