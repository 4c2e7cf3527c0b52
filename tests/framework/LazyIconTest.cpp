#include "LazyIcon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QImage filled(int size, QColor colour)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

TEST(LazyIcon, ReadsItsFileWhenFirstUsedNotWhenMade)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("icon.png"));
    // Made before its file holds anything: an eager icon would stay empty.
    QIcon icon = LazyIcon(file);
    const QIcon copy = icon;
    EXPECT_TRUE(icon.isNull());
    ASSERT_TRUE(filled(24, Qt::red).save(file));
    EXPECT_FALSE(icon.isNull());

    EXPECT_EQ(icon.availableSizes(), QList<QSize>({ QSize(24, 24) }));
    EXPECT_EQ(icon.actualSize(QSize(48, 48)), QSize(24, 24));
    EXPECT_EQ(icon.pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
    QImage painted = filled(24, Qt::white);
    QPainter painter(&painted);
    copy.paint(&painter, QRect(0, 0, 24, 24));
    painter.end();
    EXPECT_EQ(painted.pixelColor(12, 12), QColor(Qt::red));

    // Once read, it stays as read.
    ASSERT_TRUE(filled(24, Qt::blue).save(file));
    EXPECT_EQ(icon.pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
}

TEST(LazyIcon, AMissingFileGivesANullIcon)
{
    const QIcon icon = LazyIcon(QStringLiteral(":/no/such/icon.ico"));
    EXPECT_TRUE(icon.isNull());
    EXPECT_TRUE(icon.pixmap(16).isNull());
    EXPECT_TRUE(icon.availableSizes().isEmpty());
}
