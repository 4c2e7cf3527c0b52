#include "Fonts.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// Rows of ink above the top of the dotless capital I, when "I" and "İ" are
// drawn the way a label draws them (top of the text at the top of the box).
int rowsAboveCapital(const QFont& font, const QString& letter)
{
    const QFontMetrics metrics(font);
    QImage image(40, metrics.height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(
            QRect(0, 0, image.width(), image.height()), Qt::AlignLeft | Qt::AlignVCenter, letter);
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                return y;
    return image.height();
}

} // namespace

TEST(Fonts, WindowsNamesMapToInstalledFamiliesWithTurkishLetters)
{
    for (const char* name : { "MS Sans Serif", "Arial", "Verdana", "Default" }) {
        const QFont font = Fonts::Make(QString::fromLatin1(name), -11);
        EXPECT_EQ(font.pixelSize(), 11) << name;
        const QFontMetrics metrics(font);
        for (const QChar c : QStringLiteral("çğıİöşüÇĞÖŞÜ"))
            EXPECT_TRUE(metrics.inFont(c)) << name << " lacks " << QString(c).toStdString();
    }
    EXPECT_TRUE(Fonts::Make(QStringLiteral("Arial"), -24, Fonts::Bold).bold());
    EXPECT_TRUE(Fonts::Make(QStringLiteral("Verdana"), -12, Fonts::Underline).underline());
}

TEST(Fonts, TheDotOfTheCapitalIStaysVisibleAtSmallSizes)
{
    for (const char* name : { "Verdana", "MS Sans Serif", "Arial" }) {
        for (int height : { -11, -12, -13 }) {
            const QFont font = Fonts::Make(QString::fromLatin1(name), height);
            EXPECT_LT(rowsAboveCapital(font, QStringLiteral("İ")),
                rowsAboveCapital(font, QStringLiteral("I")))
                << name << " " << height;
        }
    }
}
