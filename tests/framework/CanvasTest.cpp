#include "Canvas.h"
#include "Bitmap.h"

#include <gtest/gtest.h>

#include <array>

namespace {

constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;
constexpr QRgb Red = 0xFFFF0000;

QImage whiteImage(int w = 40, int h = 30)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The leftmost and rightmost columns of a row that are not white.
std::pair<int, int> inkedSpan(const QImage& image, int y)
{
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) != White) {
            if (first < 0)
                first = x;
            last = x;
        }
    return { first, last };
}

} // namespace

TEST(CanvasEdges, FillAndFrameLeaveOutRightAndBottom)
{
    QImage image = whiteImage();
    TCanvas canvas(&image);
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(Rect(2, 3, 10, 8));
    canvas.Release();
    EXPECT_EQ(image.pixel(2, 3), Red);
    EXPECT_EQ(image.pixel(9, 7), Red);
    EXPECT_EQ(image.pixel(10, 7), White);
    EXPECT_EQ(image.pixel(9, 8), White);
    EXPECT_EQ(image.pixel(1, 3), White);

    image.fill(Qt::white);
    canvas.Brush().SetColor(clBlack);
    canvas.FrameRect(Rect(5, 5, 15, 12));
    canvas.Release();
    EXPECT_EQ(image.pixel(5, 5), Black);
    EXPECT_EQ(image.pixel(14, 11), Black);
    EXPECT_EQ(image.pixel(15, 11), White);
    EXPECT_EQ(image.pixel(14, 12), White);
    EXPECT_EQ(image.pixel(6, 6), White) << "inside of a frame is untouched";
}

TEST(CanvasEdges, RectangleOutlinesInsideItsBounds)
{
    QImage image = whiteImage();
    TCanvas canvas(&image);
    canvas.Pen().SetColor(clBlack);
    canvas.Brush().SetColor(clRed);
    canvas.Rectangle(4, 4, 12, 10);
    canvas.Release();
    EXPECT_EQ(image.pixel(4, 4), Black);
    EXPECT_EQ(image.pixel(11, 9), Black);
    EXPECT_EQ(image.pixel(12, 9), White);
    EXPECT_EQ(image.pixel(11, 10), White);
    EXPECT_EQ(image.pixel(6, 6), Red);
}

TEST(CanvasEdges, ClearBrushFillsNothingAndColourMakesItSolid)
{
    QImage image = whiteImage();
    TCanvas canvas(&image);
    canvas.Brush().SetColor(clRed);
    canvas.Brush().SetStyle(bsClear);
    canvas.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(image.pixel(5, 5), White);
    canvas.Brush().SetColor(clBlack);
    EXPECT_EQ(canvas.Brush().Style(), bsSolid);
}

TEST(CanvasLines, StopOnePixelBeforeTheEndPoint)
{
    QImage image = whiteImage();
    TCanvas canvas(&image);
    canvas.MoveTo(2, 5);
    canvas.LineTo(12, 5);
    canvas.Release();
    EXPECT_EQ(inkedSpan(image, 5), std::make_pair(2, 11));
    EXPECT_EQ(canvas.PenPos(), Point(12, 5));

    image.fill(Qt::white);
    canvas.MoveTo(12, 8);
    canvas.LineTo(2, 8);
    canvas.Release();
    EXPECT_EQ(inkedSpan(image, 8), std::make_pair(3, 12)) << "drawn leftwards";

    image.fill(Qt::white);
    canvas.MoveTo(5, 2);
    canvas.LineTo(5, 4);
    canvas.Release();
    EXPECT_EQ(image.pixel(5, 2), Black);
    EXPECT_EQ(image.pixel(5, 3), Black);
    EXPECT_EQ(image.pixel(5, 4), White);
}

TEST(CanvasLines, DiagonalAndOnePixelLines)
{
    QImage image = whiteImage();
    TCanvas canvas(&image);
    canvas.MoveTo(2, 4);
    canvas.LineTo(4, 6);
    canvas.LineTo(9, 1);
    canvas.Release();
    // The tick's first stroke: (2,4), (3,5); the second from (4,6) up to (8,2).
    EXPECT_EQ(image.pixel(2, 4), Black);
    EXPECT_EQ(image.pixel(3, 5), Black);
    EXPECT_EQ(image.pixel(4, 6), Black);
    EXPECT_EQ(image.pixel(8, 2), Black);
    EXPECT_EQ(image.pixel(9, 1), White);

    image.fill(Qt::white);
    canvas.MoveTo(7, 7);
    canvas.LineTo(8, 7);
    canvas.Release();
    EXPECT_EQ(inkedSpan(image, 7), std::make_pair(7, 7));

    image.fill(Qt::white);
    canvas.Pen().SetStyle(psClear);
    canvas.MoveTo(0, 0);
    canvas.LineTo(20, 0);
    canvas.Release();
    EXPECT_EQ(inkedSpan(image, 0).first, -1);
}

TEST(CanvasLines, PenModeNotInvertsAndTwiceRestores)
{
    QImage image = whiteImage();
    image.setPixel(3, 10, qRgb(0x10, 0x20, 0x30));
    TCanvas canvas(&image);
    canvas.Pen().SetMode(pmNot);
    canvas.MoveTo(3, 0);
    canvas.LineTo(3, 20);
    canvas.Release();
    EXPECT_EQ(image.pixel(3, 0), Black);
    EXPECT_EQ(image.pixel(3, 10), qRgb(0xEF, 0xDF, 0xCF));
    canvas.MoveTo(3, 0);
    canvas.LineTo(3, 20);
    canvas.Release();
    EXPECT_EQ(image.pixel(3, 0), White);
    EXPECT_EQ(image.pixel(3, 10), qRgb(0x10, 0x20, 0x30));
}

TEST(CanvasShapes, PolygonFillsByWinding)
{
    QImage image = whiteImage();
    TCanvas canvas(&image);
    canvas.Pen().SetStyle(psClear);
    canvas.Brush().SetColor(clRed);
    // A pentagram: the centre is inside by winding, outside by alternation.
    const std::array<TPoint, 5> star
        = { Point(20, 0), Point(32, 29), Point(2, 10), Point(38, 10), Point(8, 29) };
    canvas.Polygon(star);
    canvas.Release();
    EXPECT_EQ(image.pixel(20, 15), Red);
    EXPECT_EQ(image.pixel(1, 1), White);
}

TEST(CanvasCopy, DstInvertCopyModeInvertsTheDestination)
{
    QImage image = whiteImage();
    image.setPixel(6, 6, qRgb(0, 0x80, 0xFF));
    TCanvas canvas(&image);
    canvas.SetCopyMode(cmDstInvert);
    const TRect r(5, 5, 10, 10);
    canvas.CopyRect(r, canvas, r);
    canvas.SetCopyMode(cmSrcCopy);
    canvas.Release();
    EXPECT_EQ(image.pixel(5, 5), Black);
    EXPECT_EQ(image.pixel(6, 6), qRgb(0xFF, 0x7F, 0x00));
    EXPECT_EQ(image.pixel(10, 10), White);
    EXPECT_EQ(image.pixel(4, 5), White);
}

TEST(CanvasCopy, QtDrawingAfterAnInvertingCallPaintsPlainly)
{
    // A style drawing a header right after a focus rectangle or an inverted
    // copy must not inherit their raster operation.
    QImage image = whiteImage();
    TCanvas canvas(&image);
    canvas.DrawFocusRect(Rect(1, 1, 9, 9));
    canvas.WithPainter([](QPainter& p) { p.fillRect(QRect(20, 5, 6, 6), QColor(Qt::red)); });
    canvas.SetCopyMode(cmDstInvert);
    canvas.CopyRect(Rect(0, 20, 4, 24), canvas, Rect(0, 20, 4, 24));
    canvas.WithPainter([](QPainter& p) { p.fillRect(QRect(30, 5, 6, 6), QColor(Qt::red)); });
    canvas.SetCopyMode(cmSrcCopy);
    canvas.Release();
    EXPECT_EQ(image.pixel(1, 1), Black);
    EXPECT_EQ(image.pixel(22, 7), Red);
    EXPECT_EQ(image.pixel(0, 20), Black);
    EXPECT_EQ(image.pixel(32, 7), Red);
}

TEST(CanvasCopy, SourceModesAndRefusedModes)
{
    TBitmap source(2, 1);
    source.Canvas().SetPixel(0, 0, TColor(0x0000FF));
    source.Canvas().SetPixel(1, 0, TColor(0x00FF00));
    QImage image = whiteImage(4, 1);
    TCanvas canvas(&image);
    canvas.Draw(0, 0, source);
    canvas.SetCopyMode(cmSrcInvert);
    canvas.Draw(2, 0, source);
    canvas.Release();
    EXPECT_EQ(image.pixel(0, 0), Red);
    EXPECT_EQ(image.pixel(2, 0), qRgb(0x00, 0xFF, 0xFF));
    EXPECT_EQ(image.pixel(3, 0), qRgb(0xFF, 0x00, 0xFF));
    EXPECT_THROW(canvas.SetCopyMode(cmMergeCopy), EInvalidOperation);
    EXPECT_EQ(canvas.CopyMode(), cmSrcInvert);
}

TEST(CanvasClip, DrawingStaysInsideTheClip)
{
    QImage image = whiteImage();
    TCanvas canvas(&image);
    canvas.SetClipRect(Rect(5, 5, 10, 10));
    EXPECT_EQ(canvas.ClipRect(), Rect(5, 5, 10, 10));
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(Rect(0, 0, 40, 30));
    canvas.ResetClip();
    canvas.FillSolid(Rect(0, 0, 1, 1), clBlack);
    canvas.Release();
    EXPECT_EQ(image.pixel(5, 5), Red);
    EXPECT_EQ(image.pixel(10, 10), White);
    EXPECT_EQ(image.pixel(4, 5), White);
    EXPECT_EQ(image.pixel(0, 0), Black);
    EXPECT_EQ(canvas.ClipRect(), Rect(0, 0, 40, 30));
}

TEST(CanvasColours, SystemColoursResolveThroughThePalette)
{
    QImage image = whiteImage(2, 1);
    TCanvas canvas(&image);
    canvas.FillSolid(Rect(0, 0, 1, 1), clBtnFace);
    EXPECT_EQ(canvas.Pixel(0, 0), ColorToRGB(clBtnFace));
    EXPECT_EQ(canvas.Pixel(5, 5), TColor(-1));
}

class CanvasText : public ::testing::Test
{
protected:
    QImage image = whiteImage(200, 20);
    TCanvas canvas { &image };

    void SetUp() override
    {
        canvas.Font().SetHeight(-12);
        canvas.Font().SetColor(clBlack);
        canvas.Brush().SetStyle(bsClear);
    }
};

TEST_F(CanvasText, AmpersandIsDrawnAsItselfWithoutPrefixProcessing)
{
    TRect r(0, 0, 200, 20);
    TRect calcPlain = r;
    canvas.DrawText(QStringLiteral("a&b"), calcPlain, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    EXPECT_EQ(calcPlain.Width(), canvas.TextWidth(QStringLiteral("a&b")));
    TRect calcPrefix = r;
    canvas.DrawText(QStringLiteral("a&b"), calcPrefix, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(calcPrefix.Width(), canvas.TextWidth(QStringLiteral("ab")));

    // Drawn: the no-prefix text spans as far as "a&b" measured, past "ab".
    canvas.DrawText(QStringLiteral("a&b"), r, DT_SINGLELINE | DT_NOPREFIX);
    canvas.Release();
    int right = -1;
    for (int y = 0; y < 20; ++y)
        right = std::max(right, inkedSpan(image, y).second);
    EXPECT_GT(right, canvas.TextWidth(QStringLiteral("ab")));
}

TEST_F(CanvasText, EndEllipsisCutsTextToTheRectangle)
{
    const QString text = QStringLiteral("0532 123 45 67 0532 123 45 67");
    TRect narrow(0, 0, 60, 20);
    canvas.DrawText(text, narrow, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    canvas.Release();
    int right = -1;
    for (int y = 0; y < 20; ++y)
        right = std::max(right, inkedSpan(image, y).second);
    EXPECT_GT(right, 40);
    EXPECT_LT(right, 60);

    // The ellipsis is there: a cut text drawn without it differs.
    QImage plain = whiteImage(200, 20);
    TCanvas other(&plain);
    other.Font().SetHeight(-12);
    other.Brush().SetStyle(bsClear);
    other.DrawText(text, narrow, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    other.Release();
    EXPECT_NE(plain, image);
}

TEST_F(CanvasText, AlignmentAndCalcRect)
{
    TRect r(0, 0, 200, 20);
    canvas.DrawText(QStringLiteral("x"), r, DT_SINGLELINE | DT_RIGHT | DT_NOPREFIX);
    canvas.Release();
    int left = 200, right = -1;
    for (int y = 0; y < 20; ++y) {
        const auto span = inkedSpan(image, y);
        if (span.first >= 0) {
            left = std::min(left, span.first);
            right = std::max(right, span.second);
        }
    }
    EXPECT_GT(left, 180);
    EXPECT_LT(right, 200);

    TRect wrap(0, 0, 40, 0);
    const int h = canvas.DrawText(
        QStringLiteral("one two three four five"), wrap, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_GE(h, 3 * canvas.TextHeight(QStringLiteral("x")));
    EXPECT_EQ(wrap.Bottom, h);
}

TEST_F(CanvasText, TextOutMovesThePenAndFillsWithASolidBrush)
{
    canvas.Brush().SetColor(clRed);
    canvas.TextOut(10, 2, QStringLiteral("W"));
    canvas.Release();
    EXPECT_EQ(canvas.PenPos(), Point(10 + canvas.TextWidth(QStringLiteral("W")), 2));
    EXPECT_EQ(image.pixel(10, 2), Red);
    EXPECT_EQ(image.pixel(9, 2), White);
}

TEST(BitmapRows, ScanLineLayoutAndRange)
{
    TBitmap bitmap(3, 2, pf24bit);
    bitmap.Canvas().FillSolid(Rect(0, 0, 3, 2), TColor(0x332211));
    bitmap.Canvas().Release();
    const uchar* row = bitmap.ScanLine(1);
    EXPECT_EQ(row[0], 0x33); // blue first
    EXPECT_EQ(row[1], 0x22);
    EXPECT_EQ(row[2], 0x11);
    EXPECT_EQ(bitmap.BytesPerPixel(), 3);
    EXPECT_THROW(bitmap.ScanLine(2), EListError);

    bitmap.SetPixelFormat(pf32bit);
    EXPECT_EQ(bitmap.BytesPerPixel(), 4);
    EXPECT_EQ(bitmap.ScanLine(0)[2], 0x11);
    EXPECT_THROW(bitmap.SetPixelFormat(pf8bit), EInvalidOperation);
}

TEST(BitmapRows, TransparentDrawingLeavesOutTheKeyColour)
{
    TBitmap glyph(2, 2);
    glyph.Canvas().FillSolid(Rect(0, 0, 2, 2), clRed);
    glyph.Canvas().SetPixel(0, 1, clBlack); // bottom left: the key
    glyph.Canvas().SetPixel(1, 0, clBlack);
    glyph.SetTransparent(true);
    QImage image = whiteImage(2, 2);
    TCanvas canvas(&image);
    canvas.Draw(0, 0, glyph);
    canvas.Release();
    EXPECT_EQ(image.pixel(0, 0), Red);
    EXPECT_EQ(image.pixel(1, 0), White);
    EXPECT_EQ(image.pixel(0, 1), White);
}
