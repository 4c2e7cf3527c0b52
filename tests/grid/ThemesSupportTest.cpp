#include "ThemesSupport.h"

#include "SuiteCommon.h"
#include <QApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(0x12, 0x34, 0x56));
    return image;
}

int changedPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != qRgb(0x12, 0x34, 0x56);
    return n;
}

} // namespace

TEST(ThemesSupport, ClassicSwitchTurnsThemesOff)
{
    ASSERT_FALSE(ClassicDrawing());
    EXPECT_TRUE(ThemesAvailable()) << "the test application runs with a themed style";
    SetClassicDrawing(true);
    EXPECT_FALSE(ThemesAvailable());
    SetClassicDrawing(false);
    EXPECT_TRUE(ThemesAvailable());
}

TEST(ThemesSupport, DrawsKnownClassesInsideTheirRectangle)
{
    for (const char* cls : { "header", "Button", "listview", "rebar", "spin", "edit" }) {
        QImage image = blank(60, 30);
        TCanvas canvas(&image);
        const int part = QLatin1String(cls) == QLatin1String("Button") ? BP_CHECKBOX : 1;
        EXPECT_TRUE(
            DrawThemed(nullptr, canvas, Rect(10, 5, 40, 25), part, 1, QString::fromLatin1(cls)))
            << cls;
        canvas.Release();
        EXPECT_GT(changedPixels(image), 0) << cls;
        EXPECT_EQ(image.pixel(5, 2), qRgb(0x12, 0x34, 0x56)) << cls << " drew outside";
        EXPECT_EQ(image.pixel(45, 27), qRgb(0x12, 0x34, 0x56)) << cls << " drew outside";
    }
}

TEST(ThemesSupport, UnknownClassOrPartDrawsNothing)
{
    QImage image = blank(20, 20);
    TCanvas canvas(&image);
    EXPECT_FALSE(DrawThemed(nullptr, canvas, Rect(0, 0, 20, 20), 1, 1, QStringLiteral("tab")));
    EXPECT_FALSE(DrawThemed(nullptr, canvas, Rect(0, 0, 20, 20), 9, 1, QStringLiteral("header")));
    canvas.Release();
    EXPECT_EQ(changedPixels(image), 0);
}

TEST(ThemesSupport, CheckedAndUncheckedStatesDiffer)
{
    QImage off = blank(13, 13), on = blank(13, 13);
    TCanvas a(&off), b(&on);
    DrawThemed(
        nullptr, a, Rect(0, 0, 13, 13), BP_CHECKBOX, CBS_UNCHECKEDNORMAL, QStringLiteral("Button"));
    DrawThemed(
        nullptr, b, Rect(0, 0, 13, 13), BP_CHECKBOX, CBS_CHECKEDNORMAL, QStringLiteral("Button"));
    a.Release();
    b.Release();
    EXPECT_NE(off, on);
}

TEST(SuiteCommon, EightBitPathLosesWhatTheCodePageCannotHold)
{
    EXPECT_TRUE(UnicodeDrawing);
    const QString text = QStringLiteral("Çağrı €→");
    EXPECT_EQ(DrawingText(text), text);
    UnicodeDrawing = false;
    EXPECT_EQ(DrawingText(text), QStringLiteral("Çağrı €?"));
    UnicodeDrawing = true;
}

TEST(ThemesSupport, CanvasToolsDoNotLeakIntoThemedPictures)
{
    QImage image = blank(60, 24);
    TCanvas canvas(&image);
    canvas.Brush().SetColor(clBlack);
    canvas.Rectangle(0, 0, 1, 1); // the painter now holds a black brush
    DrawThemed(
        nullptr, canvas, Rect(0, 0, 60, 24), EP_EDITTEXT, ETS_NORMAL, QStringLiteral("edit"));
    canvas.Release();
    EXPECT_EQ(image.pixel(30, 12), QApplication::palette().color(QPalette::Base).rgb());
}
