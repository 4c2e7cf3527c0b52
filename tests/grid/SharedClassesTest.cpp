#include "SharedClasses.h"
#include "ThemesSupport.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QImage filled(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QRgb rgbOf(TColor c)
{
    return ToQColor(c).rgb();
}

// Forces the classic look for one test.
struct ClassicLook
{
    ClassicLook() { SetClassicDrawing(true); }
    ~ClassicLook() { SetClassicDrawing(false); }
};

} // namespace

TEST(CalcProvider, PlaceInRectFigures)
{
    EXPECT_EQ(TCalcProvider::PlaceInRect(13, 13, vaMiddle, taCenter, Rect(0, 0, 100, 20), 2),
        Point(44, 4));
    EXPECT_EQ(TCalcProvider::PlaceInRect(6, 11, vaBottom, taRightJustify, Rect(0, 0, 100, 20), 2),
        Point(92, 7));
    EXPECT_EQ(TCalcProvider::PlaceInRect(6, 11, vaTop, taLeftJustify, Rect(10, 5, 100, 20), 2),
        Point(12, 7));
    // Centres truncate towards zero, also for negative coordinates.
    EXPECT_EQ(
        TCalcProvider::PlaceInRect(3, 3, vaMiddle, taCenter, Rect(-5, -5, 0, 0), 9), Point(-3, -3));
}

TEST(CalcProvider, RectsIntersectCountsTouchingEdges)
{
    EXPECT_TRUE(TCalcProvider::RectsIntersect(Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)));
    EXPECT_FALSE(TCalcProvider::RectsIntersect(Rect(0, 0, 10, 10), Rect(11, 0, 20, 10)));
    EXPECT_FALSE(TCalcProvider::RectsIntersect(Rect(0, 12, 10, 20), Rect(0, 0, 10, 10)));
    EXPECT_TRUE(TCalcProvider::RectsIntersect(Rect(0, 0, 10, 10), Rect(5, 5, 6, 6)));
    EXPECT_EQ(TCalcProvider::OffsetRectSides(Rect(1, 2, 3, 4), 1, -1, 2, -2), Rect(2, 1, 5, 2));
}

TEST(CalcProvider, Percentage)
{
    EXPECT_DOUBLE_EQ(Percentage(200, 50), 25.0);
    EXPECT_DOUBLE_EQ(Percentage(3, 1), 100.0 / 3);
    EXPECT_THROW(Percentage(0, 5), Exception);
}

TEST(BlendColors, DividesBy256)
{
    EXPECT_EQ(TGraphicsProvider::BlendColors(clWhite, clBlack, 255), TColor(0xFEFEFE));
    EXPECT_EQ(TGraphicsProvider::BlendColors(clWhite, clBlack, 128), TColor(0x7F7F7F));
    EXPECT_EQ(TGraphicsProvider::BlendColors(clWhite, clBlack, 0), clBlack);
    EXPECT_EQ(TGraphicsProvider::BlendColors(clBlack, clWhite, 0), TColor(0xFEFEFE));
    // Channels stay apart: red (0x10*200 + 0xF0*55) div 256 = 0x40, green 13440 div 256
    // = 0x34, blue 9600 div 256 = 0x25.
    EXPECT_EQ(
        TGraphicsProvider::BlendColors(TColor(0x302010), TColor(0x0080F0), 200), TColor(0x253440));
    EXPECT_EQ(TMaskProvider::BlendColors(clRed, clBlue, 255), TColor(0x0000FE));
}

TEST(BlendColors, SystemColoursAreResolvedAndAlphaIsChecked)
{
    EXPECT_EQ(TGraphicsProvider::BlendColors(clBtnFace, clBlack, 128),
        TGraphicsProvider::BlendColors(ColorToRGB(clBtnFace), clBlack, 128));
    EXPECT_THROW(TGraphicsProvider::BlendColors(clWhite, clBlack, 256), EAssertionFailed);
    EXPECT_THROW(TMaskProvider::BlendColors(clWhite, clBlack, 300), EAssertionFailed);
    EXPECT_THROW(TGraphicsProvider::BlendColors(clWhite, clBlack, -1), EAssertionFailed);
}

TEST(MixColors, RoundsEachChannel)
{
    EXPECT_EQ(TGraphicsProvider::MixColors(clBlack, clWhite, 0.0), clBlack);
    EXPECT_EQ(TGraphicsProvider::MixColors(clBlack, clWhite, 1.0), clWhite);
    EXPECT_EQ(TGraphicsProvider::MixColors(clBlack, clWhite, 0.1), TColor(0x1A1A1A)); // 25.5
    EXPECT_EQ(TGraphicsProvider::MixColors(clBlack, TColor(0x000003), 0.5), TColor(0x000002));
    EXPECT_EQ(TGraphicsProvider::MixColors(clBlack, TColor(0x000001), 0.5), clBlack);
}

TEST(MaskProvider, GrayLevelAndSplit)
{
    EXPECT_EQ(TMaskProvider::GrayLevel(clWhite), 255);
    // 255 x 77 div 256: the weight of red is 77, the level of pure red one less.
    EXPECT_EQ(TMaskProvider::GrayLevel(clRed), 76);
    EXPECT_EQ(TMaskProvider::GrayLevel(clLime), 150);
    EXPECT_EQ(TMaskProvider::SplitColor(TColor(0x563412)), (TColorBytes { 0x12, 0x34, 0x56 }));
}

TEST(Gradient, FirstAndLastRows)
{
    QImage image = filled(4, 12, 0xFF808080);
    TCanvas canvas(&image);
    TGraphicsProvider::DrawVerticalGradient(canvas, Rect(1, 1, 3, 11), clBlack, TColor(0x0000C8));
    canvas.Release();
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0)) << "ratio 0";
    EXPECT_EQ(image.pixel(2, 2), qRgb(20, 0, 0)) << "ratio 0.1";
    EXPECT_EQ(image.pixel(1, 10), qRgb(180, 0, 0)) << "ratio 0.9: never the bottom colour";
    EXPECT_EQ(image.pixel(1, 11), 0xFF808080u);
    EXPECT_EQ(image.pixel(3, 5), 0xFF808080u) << "the right edge is excluded";
    EXPECT_EQ(canvas.Pen().Color(), TColor(0x0000B4));

    QImage untouched = image;
    TGraphicsProvider::DrawVerticalGradient(canvas, Rect(1, 1, 3, 1), clWhite, clWhite);
    TGraphicsProvider::DrawHorizontalGradient(canvas, Rect(1, 1, 1, 5), clWhite, clWhite);
    canvas.Release();
    EXPECT_EQ(image, untouched);

    TGraphicsProvider::DrawHorizontalGradient(canvas, Rect(0, 0, 4, 1), clWhite, clBlack);
    canvas.Release();
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(3, 0), qRgb(64, 64, 64)); // round(255 * 0.25) = 64

    // Through a clip of two parts the rows are drawn by the painter, with the same colours.
    image.fill(0xFF808080);
    QRegion clip(QRect(0, 1, 4, 1));
    clip += QRect(0, 10, 4, 1);
    canvas.SetClipRegion(clip);
    TGraphicsProvider::DrawVerticalGradient(canvas, Rect(1, 1, 3, 11), clBlack, TColor(0x0000C8));
    canvas.Release();
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 10), qRgb(180, 0, 0));
    EXPECT_EQ(image.pixel(1, 5), 0xFF808080u) << "outside the clip";
}

TEST(MaskProvider, DrawMaskedMixesByGreyLevel)
{
    TBitmap image(3, 1, pf24bit), mask(3, 1, pf24bit);
    image.Canvas().FillSolid(Rect(0, 0, 3, 1), clRed);
    mask.Canvas().SetPixel(0, 0, clWhite);
    mask.Canvas().SetPixel(1, 0, clBlack);
    mask.Canvas().SetPixel(2, 0, TColor(0x808080));
    image.Canvas().Release();
    mask.Canvas().Release();

    QImage target = filled(5, 3, qRgb(0, 0, 0xFF));
    TCanvas canvas(&target);
    TMaskProvider::DrawMasked(canvas, 1, 1, mask, image);
    canvas.Release();
    EXPECT_EQ(target.pixel(1, 1), qRgb(0xFE, 0, 0)) << "white shows the image";
    EXPECT_EQ(target.pixel(2, 1), qRgb(0, 0, 0xFE)) << "black keeps the background";
    EXPECT_EQ(target.pixel(3, 1), qRgb(0x7F, 0, 0x7E)) << "grey mixes";
    EXPECT_EQ(target.pixel(0, 1), qRgb(0, 0, 0xFF));
    EXPECT_EQ(target.pixel(1, 0), qRgb(0, 0, 0xFF));
}

TEST(MaskProvider, DrawMaskedHonoursClipAndCopyMode)
{
    TBitmap image(4, 1), mask(4, 1);
    image.Canvas().FillSolid(Rect(0, 0, 4, 1), clRed);
    mask.Canvas().FillSolid(Rect(0, 0, 4, 1), clWhite);
    QImage target = filled(4, 1, qRgb(0, 0, 0xFF));
    TCanvas canvas(&target);
    QRegion twoParts(QRect(0, 0, 1, 1));
    twoParts += QRect(3, 0, 1, 1);
    canvas.SetClipRegion(twoParts);
    TMaskProvider::DrawMasked(canvas, 0, 0, mask, image);
    canvas.Release();
    EXPECT_EQ(target.pixel(0, 0), qRgb(0xFE, 0, 0));
    EXPECT_EQ(target.pixel(1, 0), qRgb(0, 0, 0xFF));
    EXPECT_EQ(target.pixel(3, 0), qRgb(0xFE, 0, 0));
}

TEST(MaskProvider, SizesMustMatch)
{
    TBitmap image(3, 2), mask(3, 3);
    QImage target = filled(5, 5, qRgb(1, 2, 3));
    const QImage before = target;
    TCanvas canvas(&target);
    try {
        TMaskProvider::DrawMasked(canvas, 0, 0, mask, image);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Image and Mask size differ"));
    }
    canvas.Release();
    EXPECT_EQ(target, before);
}

TEST(DrawProvider, DrawAlphaMixesByEachPixelsAlpha)
{
    TBitmap picture(2, 1, pf32bit);
    uchar* row = picture.ScanLine(0);
    // Blue, green, red, alpha.
    const uchar pixels[8] = { 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x80 };
    std::copy(pixels, pixels + 8, row);
    QImage target = filled(3, 1, qRgb(0, 0, 0xFF));
    TCanvas canvas(&target);
    TDrawProvider::DrawAlpha(canvas, 1, 0, picture);
    canvas.Release();
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 0, 0xFF));
    EXPECT_EQ(target.pixel(1, 0), qRgb(0xFE, 0, 0));
    EXPECT_EQ(target.pixel(2, 0), qRgb(0, 0x7F, 0x7E));

    // Any other graphic is drawn plainly.
    TBitmap plain(1, 1);
    plain.Canvas().SetPixel(0, 0, clLime);
    TDrawProvider::DrawAlpha(canvas, 0, 0, plain);
    canvas.Release();
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 0xFF, 0));
}

TEST(CheckBox, ClassicSquareAndTick)
{
    ClassicLook classic;
    QImage image = filled(30, 20, 0xFF00FF00);
    TCanvas canvas(&image);
    TGraphicsProvider::DrawCheckBox(
        nullptr, canvas, Rect(0, 0, 30, 20), taLeftJustify, vaTop, true, false, false);
    canvas.Release();
    const QRgb frame = rgbOf(clBtnShadow), fill = rgbOf(clWindow), tick = rgbOf(clWindowText);
    // The square sits at (2, 2), 11 pixels wide.
    EXPECT_EQ(image.pixel(2, 2), frame);
    EXPECT_EQ(image.pixel(12, 12), frame);
    EXPECT_EQ(image.pixel(13, 12), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(1, 2), 0xFF00FF00u);
    // Tick strokes from (x+2, y+4+k) through (x+4, y+6+k) towards (x+9, y+1+k).
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(image.pixel(4, 6 + k), tick) << k;
        EXPECT_EQ(image.pixel(6, 8 + k), tick) << k;
        EXPECT_EQ(image.pixel(10, 4 + k), tick) << k;
    }
    EXPECT_EQ(image.pixel(11, 3), fill) << "the tick stops before its end point";
    EXPECT_EQ(image.pixel(4, 4), fill);

    image.fill(0xFF00FF00);
    TGraphicsProvider::DrawCheckBox(
        nullptr, canvas, Rect(0, 0, 30, 20), taLeftJustify, vaTop, false, true, false);
    canvas.Release();
    EXPECT_EQ(image.pixel(6, 8), rgbOf(clBtnFace)) << "pressed and unchecked";
}

TEST(CheckBox, ThemedAndClassicSideBySide)
{
    QImage image = filled(40, 20, 0xFF00FF00);
    TCanvas canvas(&image);
    TGraphicsProvider::DrawCheckBox(
        nullptr, canvas, Rect(0, 0, 20, 20), taCenter, vaMiddle, true, false, false);
    {
        ClassicLook classic;
        TGraphicsProvider::DrawCheckBox(
            nullptr, canvas, Rect(20, 0, 40, 20), taCenter, vaMiddle, true, false, false);
    }
    canvas.Release();
    // Themed: a 13-pixel square at (4, 4); classic: 11 pixels at (25, 5).
    auto inked = [&](int x0, int x1) {
        int left = 99, right = -1, top = 99, bottom = -1;
        for (int y = 0; y < 20; ++y)
            for (int x = x0; x < x1; ++x)
                if (image.pixel(x, y) != 0xFF00FF00u) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return Rect(left, top, right + 1, bottom + 1);
    };
    const TRect themed = inked(0, 20), classic = inked(20, 40);
    EXPECT_EQ(classic, Rect(25, 5, 36, 16));
    EXPECT_GE(themed.Left, 4);
    EXPECT_LE(themed.Right, 17);
    EXPECT_GT(themed.Width(), 11) << "the themed square is the larger one";
    EXPECT_EQ(TGraphicsProvider::CheckBoxThemeState(true, true, true), CBS_CHECKEDPRESSED);
    EXPECT_EQ(TGraphicsProvider::CheckBoxThemeState(false, true, false), CBS_UNCHECKEDNORMAL);
    EXPECT_EQ(TGraphicsProvider::CheckBoxThemeState(false, false, true), CBS_UNCHECKEDHOT);
}

TEST(Frames, ButtonFaceAndSelectionFrame)
{
    QImage image = filled(10, 10, 0xFF000000);
    TCanvas canvas(&image);
    TGraphicsProvider::DrawButtonFace(canvas, Rect(0, 0, 10, 10), true);
    canvas.Release();
    EXPECT_EQ(image.pixel(0, 0), rgbOf(clBtnHighlight));
    EXPECT_EQ(image.pixel(0, 8), rgbOf(clBtnHighlight));
    EXPECT_EQ(image.pixel(9, 9), rgbOf(clWindowFrame));
    EXPECT_EQ(image.pixel(9, 0), rgbOf(clWindowFrame));
    EXPECT_EQ(image.pixel(0, 9), rgbOf(clWindowFrame));
    EXPECT_EQ(image.pixel(5, 5), rgbOf(clBtnFace));

    image.fill(0xFFFFFFFF);
    TGraphicsProvider::DrawSelectionFrame(canvas, Rect(1, 1, 9, 9), false);
    canvas.Release();
    EXPECT_EQ(image.pixel(1, 1), 0xFF000000u);
    EXPECT_EQ(image.pixel(2, 1), 0xFFFFFFFFu) << "dotted";
    TGraphicsProvider::DrawSelectionFrame(canvas, Rect(1, 1, 9, 9), false);
    canvas.Release();
    EXPECT_EQ(image.pixel(1, 1), 0xFFFFFFFFu) << "a second drawing removes it";

    TGraphicsProvider::DrawSelectionFrame(canvas, Rect(1, 1, 9, 9), true);
    canvas.Release();
    EXPECT_EQ(image.pixel(2, 1), rgbOf(clHighlight));
    EXPECT_EQ(image.pixel(8, 8), rgbOf(clHighlight));
    EXPECT_EQ(image.pixel(4, 4), 0xFFFFFFFFu);
}

TEST(Frames, IndicatorCellWithArrowAndInversion)
{
    QImage image = filled(12, 21, 0xFF000000);
    TCanvas canvas(&image);
    TGraphicsProvider::DrawIndicatorCell(canvas, Rect(0, 0, 12, 21), false, false, true);
    canvas.Release();
    EXPECT_EQ(image.pixel(0, 5), rgbOf(clBtnHighlight));
    EXPECT_EQ(image.pixel(11, 5), rgbOf(clBtnShadow));
    EXPECT_EQ(image.pixel(0, 0), rgbOf(clBtnFace)) << "corner";
    // Arrow: 6 x 11 centred, corners (3, 5), (8, 10), (3, 15).
    EXPECT_EQ(image.pixel(3, 10), rgbOf(clWindowText));
    EXPECT_EQ(image.pixel(7, 10), rgbOf(clWindowText));
    EXPECT_EQ(image.pixel(3, 4), rgbOf(clBtnFace));

    TGraphicsProvider::DrawIndicatorCell(canvas, Rect(0, 0, 12, 21), false, true, false);
    canvas.Release();
    EXPECT_EQ(image.pixel(5, 10), ~rgbOf(clBtnFace) | 0xFF000000u);
    EXPECT_EQ(canvas.CopyMode(), cmSrcCopy);
}

TEST(Caption, DrawnOnOneLineWithClearBrushThenSolid)
{
    QImage image = filled(100, 20, 0xFFFFFFFF);
    TCanvas canvas(&image);
    canvas.Brush().SetColor(clRed);
    canvas.Font().SetColor(clBlack);
    TGraphicsProvider::DrawCaption(
        canvas, Rect(0, 0, 100, 20), QStringLiteral("A&B"), taCenter, false);
    canvas.Release();
    EXPECT_EQ(canvas.Brush().Style(), bsSolid);
    int inked = 0, red = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x) {
            inked += image.pixel(x, y) != 0xFFFFFFFFu;
            red += image.pixel(x, y) == 0xFFFF0000u;
        }
    EXPECT_GT(inked, 0);
    EXPECT_EQ(red, 0) << "the background stays";
}

namespace {

// Fills a bitmap with a fixed pseudo-random pattern.
void scramble(TBitmap& bitmap, unsigned seed)
{
    for (int y = 0; y < bitmap.Height(); ++y) {
        uchar* row = bitmap.ScanLine(y);
        for (int i = 0; i < bitmap.Width() * bitmap.BytesPerPixel(); ++i) {
            seed = seed * 1103515245u + 12345u;
            row[i] = uchar(seed >> 16);
        }
    }
}

} // namespace

TEST(MaskProvider, WideRowsMatchThePerPixelBlend)
{
    // Rows long enough for the vector steps, with odd widths for the tails.
    for (TPixelFormat format : { pf24bit, pfDevice, pf32bit })
        for (int width : { 1, 2, 7, 8, 9, 10, 11, 15, 16, 17, 18, 31, 37, 64, 255, 257 }) {
            const TPixelFormat maskFormat = format == pf32bit ? pf24bit
                : width % 2 ? (format == pf24bit ? pfDevice : pf24bit)
                            : format;
            TBitmap image(width, 3, format), mask(width, 3, maskFormat);
            scramble(image, 1);
            scramble(mask, 2);
            QImage target(width + 2, 4, QImage::Format_RGB32);
            for (int y = 0; y < target.height(); ++y)
                for (int x = 0; x < target.width(); ++x)
                    target.setPixel(x, y, qRgb(x * 7, y * 50, 255 - x));
            const QImage before = target;
            TCanvas canvas(&target);
            TMaskProvider::DrawMasked(canvas, 1, 1, mask, image);
            canvas.Release();
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < width; ++x) {
                    const TColor expected
                        = TMaskProvider::BlendColors(FromQColor(image.Image().pixelColor(x, y)),
                            FromQColor(before.pixelColor(x + 1, y + 1)),
                            TMaskProvider::GrayLevel(FromQColor(mask.Image().pixelColor(x, y))));
                    ASSERT_EQ(FromQColor(target.pixelColor(x + 1, y + 1)), expected)
                        << "format " << format << " width " << width << " at " << x << "," << y;
                }
            EXPECT_EQ(target.pixel(width + 1, 1), before.pixel(width + 1, 1));
        }
}

TEST(DrawProvider, WideRowsMatchThePerPixelBlend)
{
    for (int width : { 8, 15, 40 }) {
        TBitmap picture(width, 2, pf32bit);
        scramble(picture, 3);
        QImage target(width, 2, QImage::Format_RGB32);
        target.fill(qRgb(10, 200, 90));
        TCanvas canvas(&target);
        TDrawProvider::DrawAlpha(canvas, 0, 0, picture);
        canvas.Release();
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < width; ++x) {
                const uchar* p = picture.ScanLine(y) + 4 * x;
                const TColor source = TColor(p[2] | (p[1] << 8) | (p[0] << 16));
                ASSERT_EQ(FromQColor(target.pixelColor(x, y)),
                    TMaskProvider::BlendColors(source, TColor(0x5AC80A), p[3]))
                    << width << " at " << x;
            }
    }
}

// The gradients and the masked drawing, pixel for pixel: against a reference
// kept here (the mix as first written) and against checksums of what the
// first implementation drew, so that faster code still draws the same pixels.
namespace {

// MixColors as first written: each channel is y * ratio + x * (1 - ratio)
// rounded to the nearest integer, halves to the even one.
TColor referenceMix(TColor a, TColor b, double ratio)
{
    TColor result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double x = double((a >> shift) & 0xFF), y = double((b >> shift) & 0xFF);
        const double v = y * ratio + x * (1 - ratio);
        const double whole = std::floor(v);
        int r = int(whole);
        if (v - whole > 0.5 || (v - whole == 0.5 && (r & 1)))
            ++r;
        result |= TColor((r & 0xFF) << shift);
    }
    return result;
}

QByteArray checksum(const QImage& image)
{
    return QCryptographicHash::hash(
        QByteArrayView(image.constBits(), image.sizeInBytes()), QCryptographicHash::Md5)
        .toHex();
}

// Pairs that meet halves exactly (1 and 3 at ratio 0.5) and pairs from a fixed sequence.
QList<std::pair<TColor, TColor>> gradientColours(int count)
{
    QList<std::pair<TColor, TColor>> pairs
        = { { clBlack, TColor(0x030103) }, { TColor(0x010301), clBlack }, { clWhite, clBlack },
              { TColor(0xFF00FF), TColor(0x00FF00) } };
    unsigned seed = 7;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return TColor((seed >> 7) & 0xFFFFFF);
    };
    while (pairs.size() < count)
        pairs.append({ next(), next() });
    return pairs;
}

} // namespace

TEST(Gradient, EveryRowAndColumnHasTheReferenceColour)
{
    const auto pairs = gradientColours(8);
    for (int size = 1; size <= 300; ++size)
        for (const auto& [first, last] : pairs) {
            QImage image = filled(size + 2, 3, 0xFF808080);
            TCanvas canvas(&image);
            TGraphicsProvider::DrawHorizontalGradient(canvas, Rect(1, 1, size + 1, 2), first, last);
            canvas.Release();
            QImage column = filled(3, size + 2, 0xFF808080);
            TCanvas columnCanvas(&column);
            TGraphicsProvider::DrawVerticalGradient(
                columnCanvas, Rect(1, 1, 2, size + 1), first, last);
            columnCanvas.Release();
            for (int i = 0; i < size; ++i) {
                const TColor expected = referenceMix(first, last, double(i) / size);
                ASSERT_EQ(FromQColor(image.pixelColor(i + 1, 1)), expected) << size << " at " << i;
                ASSERT_EQ(FromQColor(column.pixelColor(1, i + 1)), expected) << size << " at " << i;
            }
            ASSERT_EQ(
                columnCanvas.Pen().Color(), referenceMix(first, last, double(size - 1) / size));
        }
}

TEST(Gradient, DrawsWhatItFirstDrew)
{
    QImage image = filled(300, 280, 0xFF808080);
    TCanvas canvas(&image);
    const auto pairs = gradientColours(6);
    TGraphicsProvider::DrawVerticalGradient(
        canvas, Rect(0, 0, 256, 256), pairs[4].first, pairs[4].second);
    TGraphicsProvider::DrawVerticalGradient(
        canvas, Rect(-5, 250, 310, 290), TColor(0xF0F0F0), TColor(0x0A0B0C));
    TGraphicsProvider::DrawHorizontalGradient(
        canvas, Rect(260, 3, 299, 201), pairs[5].first, pairs[5].second);
    // Through a clip of two parts: the painter's way.
    QRegion clip(QRect(10, 10, 50, 50));
    clip += QRect(100, 100, 50, 50);
    canvas.SetClipRegion(clip);
    TGraphicsProvider::DrawVerticalGradient(
        canvas, Rect(0, 0, 200, 200), pairs[3].first, pairs[3].second);
    canvas.Release();
    EXPECT_EQ(checksum(image), QByteArray("2deb767ccd767d9e0be56b60d6bad60f"));
}

TEST(MaskProvider, DrawsWhatItFirstDrew)
{
    QImage image(300, 290, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x, y, (x * y) >> 6));
    TCanvas canvas(&image);
    for (TPixelFormat format : { pf24bit, pfDevice }) {
        TBitmap picture(251, 257, format), mask(251, 257, format);
        scramble(picture, format == pf24bit ? 11 : 12);
        // A mask with every grey level, and colours that weigh channels differently.
        for (int y = 0; y < mask.Height(); ++y)
            for (int x = 0; x < mask.Width(); ++x)
                mask.Canvas().SetPixel(x, y, y < 128 ? TColor(x * 0x010101) : TColor(x | (y << 9)));
        mask.Canvas().Release();
        TMaskProvider::DrawMasked(canvas, format == pf24bit ? 17 : -9, 9, mask, picture);
        TMaskProvider::DrawMasked(canvas, 120, format == pf24bit ? 200 : -30, mask, picture);
    }
    canvas.Release();
    EXPECT_EQ(checksum(image), QByteArray("fbaf5994f7a6b3c096cbc38b6737d94b"));
}
