#include "Displays.h"
#include "Bitmap.h"
#include "CellEditors.h"
#include "ColumnClasses.h"
#include "Fonts.h"
#include "GridView.h"
#include "ImgList.h"
#include "ThemesSupport.h"
#include "Win1254.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// An image with a canvas on it, white to start with.
struct Surface
{
    QImage image;
    TCanvas canvas;
    Surface(int width, int height)
        : image(width, height, QImage::Format_RGB32)
        , canvas(&image)
    {
        image.fill(Qt::white);
    }
    TColor At(int x, int y)
    {
        canvas.Release();
        return canvas.Pixel(x, y);
    }
    QImage Snapshot()
    {
        canvas.Release();
        return image.copy();
    }
};

class ClassicLook
{
public:
    ClassicLook() { SetClassicDrawing(true); }
    ~ClassicLook() { SetClassicDrawing(false); }
};

void Prepare(TColumnDisplay& display, Surface& surface, const QRect& cell)
{
    display.Canvas = &surface.canvas;
    display.CellRect = cell;
    surface.canvas.Font().SetColor(clBlack);
}

// Columns x0 .. x1 (inclusive) that hold a pixel other than white in rows y0 .. y1.
struct InkSpan
{
    int first = -1;
    int last = -1;
};

InkSpan InkColumns(const QImage& image, int y0, int y1)
{
    InkSpan span;
    for (int x = 0; x < image.width(); ++x)
        for (int y = y0; y <= y1; ++y)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                if (span.first < 0)
                    span.first = x;
                span.last = x;
                break;
            }
    return span;
}

// Rows that hold ink between columns x0 and x1.
int InkRows(const QImage& image, int x0, int x1)
{
    int rows = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = x0; x <= x1; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                ++rows;
                break;
            }
    return rows;
}

QImage Solid(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

} // namespace

TEST(CellPainters, TextFollowsAlignmentAndDrawsAmpersandsAsThemselves)
{
    TTextualColumn column;
    column.SetVerticalAlignment(vaTop);
    auto* display = column.Display();
    ASSERT_NE(dynamic_cast<TTextualColumnDisplay*>(display), nullptr);

    Surface left(200, 20);
    Prepare(*display, left, QRect(0, 0, 200, 20));
    display->TextValue = QStringLiteral("&&&&");
    display->Draw();
    const InkSpan l = InkColumns(left.Snapshot(), 0, 19);
    ASSERT_GE(l.first, 2);
    EXPECT_LE(l.first, 3);
    // Four ampersands, not two (as a prefix-processing call would draw).
    const int width = left.canvas.TextWidth(QStringLiteral("&&&&"));
    EXPECT_GE(l.last - l.first + 2, width - 2);

    column.SetAlignment(taRightJustify);
    Surface right(200, 20);
    Prepare(*display, right, QRect(0, 0, 200, 20));
    display->Draw();
    const InkSpan r = InkColumns(right.Snapshot(), 0, 19);
    EXPECT_GE(r.last, 195);
    EXPECT_LE(r.last, 197);

    // Text before and after the value, joined as they are.
    column.SetAlignment(taLeftJustify);
    column.SetTextBefore(QStringLiteral("&&"));
    column.SetTextAfter(QStringLiteral("&&"));
    Surface joined(200, 20);
    Prepare(*display, joined, QRect(0, 0, 200, 20));
    display->TextValue.clear();
    display->Draw();
    EXPECT_EQ(InkColumns(joined.Snapshot(), 0, 19).last, l.last);

    // Nothing at all for an empty value without text around it.
    column.SetTextBefore({});
    column.SetTextAfter({});
    Surface empty(200, 20);
    Prepare(*display, empty, QRect(0, 0, 200, 20));
    display->Draw();
    EXPECT_EQ(InkColumns(empty.Snapshot(), 0, 19).first, -1);
}

TEST(CellPainters, EllipsisEndsACutTextWithDots)
{
    TTextualColumn column;
    auto* display = column.Display();
    const QString text = QStringLiteral("WWWWWWWWWWWWWWWWWWWW");

    Surface cut(64, 20);
    Prepare(*display, cut, QRect(0, 0, 64, 20));
    display->TextValue = text;
    display->Draw();
    const QImage image = cut.Snapshot();
    const InkSpan span = InkColumns(image, 0, 19);
    ASSERT_GT(span.last, 0);
    EXPECT_LE(span.last, 61);
    // The last few inked columns are dots: only a couple of rows high, where a W is tall.
    EXPECT_LE(InkRows(image, span.last - 3, span.last), 3);
    EXPECT_GT(InkRows(image, span.first, span.first + 3), 5);

    // Without the ellipsis the Ws run to the clip edge.
    column.SetWrapKind(wkNone);
    Surface clipped(64, 20);
    Prepare(*display, clipped, QRect(0, 0, 64, 20));
    display->Draw();
    const QImage plain = clipped.Snapshot();
    EXPECT_GT(InkRows(plain, InkColumns(plain, 0, 19).last - 3, InkColumns(plain, 0, 19).last), 5);
}

TEST(CellPainters, WordWrapStartsAtTheTopWhateverTheVerticalAlignment)
{
    TTextualColumn column;
    column.SetVerticalAlignment(vaBottom);
    column.SetWrapKind(wkWordWrap);
    auto* display = column.Display();
    Surface s(60, 80);
    Prepare(*display, s, QRect(0, 0, 60, 80));
    display->TextValue = QStringLiteral("iki satır");
    display->Draw();
    const QImage image = s.Snapshot();
    int firstRow = -1;
    for (int y = 0; y < 80 && firstRow < 0; ++y)
        for (int x = 0; x < 60; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                firstRow = y;
                break;
            }
    ASSERT_GE(firstRow, 0);
    EXPECT_LT(firstRow, 6);
}

TEST(CellPainters, ValuePaintersFormatTheirValues)
{
    // Numbers: the mask and the text after; dates: the empty caption when hidden.
    TNumericColumn numeric;
    numeric.SetFormatMask("0.00");
    numeric.SetTextAfter(QStringLiteral(" TL"));
    TDateColumn date;
    date.SetHideWhenEmpty(true);
    date.SetEmptyCaption(QStringLiteral("yok"));
    TIncrementColumn increment;

    const auto render = [](TColumnDisplay* display) {
        Surface s(120, 20);
        Prepare(*display, s, QRect(0, 0, 120, 20));
        display->Draw();
        return s.Snapshot();
    };
    // Left-aligned, vertically centred, in the cell less two pixels each side.
    const auto reference = [](const QString& text) {
        Surface s(120, 20);
        s.canvas.Font().SetColor(clBlack);
        s.canvas.Brush().SetStyle(bsClear);
        TRect r(2, 0, 118, 20);
        s.canvas.DrawText(text, r, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        return s.Snapshot();
    };
    numeric.Display()->FloatValue = 3.14159;
    EXPECT_EQ(render(numeric.Display()), reference(QStringLiteral("3.14 TL")));
    date.Display()->DateValue = 0;
    EXPECT_EQ(render(date.Display()), reference(QStringLiteral("yok")));
    increment.Display()->IntValue = 41;
    EXPECT_EQ(render(increment.Display()), reference(QStringLiteral("42")));

    // The mask is Turkish 8-bit text: its letters are drawn as the column shows them.
    TNumericColumn turkish;
    turkish.SetFormatMask(Win1254::encode(QString::fromUtf8("0.0' Şığ'")));
    turkish.Display()->FloatValue = 3.14159;
    EXPECT_EQ(turkish.FormatText(QStringLiteral("3.14159")), QString::fromUtf8("3.1 Şığ"));
    EXPECT_EQ(render(turkish.Display()), reference(QString::fromUtf8("3.1 Şığ")));
}

TEST(CellPainters, ProgressBarFillsItsShareOfTheInnerWidth)
{
    TProgressColumn column;
    column.SetColor(clWhite);
    column.SetProgressColor(clRed);
    column.SetBorderColor(clBlack);
    auto* display = column.Display();
    Surface s(104, 20);
    Prepare(*display, s, QRect(0, 0, 104, 20));
    display->FloatValue = 50;
    display->Draw();
    // Bar 2..101 framed in black, inner area 4..99: 48 of its 96 pixels red.
    EXPECT_EQ(s.At(2, 10), clBlack);
    EXPECT_EQ(s.At(101, 10), clBlack);
    int red = 0, firstRed = -1;
    for (int x = 0; x < 104; ++x)
        if (s.At(x, 10) == clRed) {
            ++red;
            if (firstRed < 0)
                firstRed = x;
        }
    EXPECT_EQ(red, 48);
    EXPECT_EQ(firstRed, 4);

    // Above the maximum the bar stops at the inner edge; hidden when empty.
    Surface full(104, 20);
    Prepare(*display, full, QRect(0, 0, 104, 20));
    display->FloatValue = 250;
    display->Draw();
    EXPECT_EQ(full.At(99, 10), clRed);
    EXPECT_EQ(full.At(100, 10), clWhite);
    column.SetHideWhenEmpty(true);
    Surface hidden(104, 20);
    Prepare(*display, hidden, QRect(0, 0, 104, 20));
    display->FloatValue = 0;
    display->Draw();
    EXPECT_EQ(hidden.At(2, 10), clWhite);
}

// Mask blending divides by 256, so a full channel may come out one step lower.
bool Near(TColor a, TColor b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 1)
            return false;
    return true;
}

TEST(CellPainters, RatingShowsFullThenEmptyGlyphs)
{
    TRateColumn column;
    column.SetAlignment(taLeftJustify);
    column.SetVerticalAlignment(vaTop);
    column.SetGlyph(Solid(10, 8, Qt::red));
    column.SetEmptyGlyph(Solid(10, 8, Qt::blue));
    auto* display = column.Display();
    Surface s(80, 12);
    Prepare(*display, s, QRect(0, 0, 80, 12));
    display->IntValue = 3;
    display->Draw();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(s.At(i * 10 + 5, 4), i < 3 ? clRed : clBlue) << "glyph " << i;
    EXPECT_EQ(s.At(55, 4), clWhite);

    // Masked: the mask's black keeps the background.
    QImage mask = Solid(10, 8, Qt::white);
    QPainter(&mask).fillRect(0, 0, 5, 8, Qt::black);
    column.SetGlyphMask(mask);
    column.SetEmptyGlyphMask(mask);
    column.SetMasked(true);
    Surface masked(80, 12);
    Prepare(*display, masked, QRect(0, 0, 80, 12));
    display->Draw();
    EXPECT_TRUE(Near(masked.At(2, 4), clWhite));
    EXPECT_TRUE(Near(masked.At(7, 4), clRed));
    EXPECT_TRUE(Near(masked.At(47, 4), clBlue));
    EXPECT_TRUE(Near(masked.At(42, 4), clWhite));
}

TEST(CellPainters, RatingTransparencyShowsTheCellThroughTheKeyColour)
{
    // A red glyph whose bottom-left pixel, and one more, are white: the key colour.
    QImage star = Solid(4, 4, Qt::red);
    star.setPixelColor(0, 3, Qt::white);
    star.setPixelColor(3, 0, Qt::white);
    QImage mask = Solid(4, 4, Qt::white);
    mask.setPixelColor(0, 3, Qt::black);
    const auto drawn = [](TRateColumn& column) {
        column.SetMax(1);
        column.SetAlignment(taLeftJustify);
        column.SetVerticalAlignment(vaTop);
        Surface s(8, 4);
        s.image.fill(Qt::blue);
        Prepare(*column.Display(), s, QRect(0, 0, 8, 4));
        column.Display()->IntValue = 1;
        column.Display()->Draw();
        return s.Snapshot();
    };
    const QRgb blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255), red = qRgb(255, 0, 0);

    // The order of the two settings makes no difference.
    TRateColumn first, last;
    first.SetTransparent(true);
    first.SetGlyph(star);
    last.SetGlyph(star);
    last.SetTransparent(true);
    for (TRateColumn* column : { &first, &last }) {
        const QImage image = drawn(*column);
        EXPECT_EQ(image.pixel(3, 0), blue);
        EXPECT_EQ(image.pixel(0, 3), blue);
        EXPECT_EQ(image.pixel(1, 1), red);
    }
    // The pictures themselves are kept as given: switched off, the white is back.
    EXPECT_EQ(first.Glyph(), star);
    first.SetTransparent(false);
    EXPECT_EQ(drawn(first).pixel(3, 0), white);

    // Masks are never keyed: a masked glyph shows what its mask says.
    last.SetGlyphMask(mask);
    EXPECT_EQ(last.GlyphMask(), mask);
    last.SetMasked(true);
    const QImage masked = drawn(last);
    EXPECT_TRUE(Near(FromQColor(masked.pixelColor(3, 0)), clWhite));
    EXPECT_TRUE(Near(FromQColor(masked.pixelColor(0, 3)), clBlue));
}

TEST(CellPainters, ImagesComeFromTheListPlacedByTheAlignment)
{
    TCustomImageList images(nullptr, 8, 6);
    images.Add(Solid(8, 6, Qt::red));
    images.Add(Solid(8, 6, Qt::green));
    TImageColumn column;
    column.SetAlignment(taRightJustify);
    column.SetVerticalAlignment(vaBottom);
    auto* display = column.Display();
    const auto drawn = [&](int index) {
        Surface s(40, 20);
        Prepare(*display, s, QRect(0, 0, 40, 20));
        display->IntValue = index;
        display->Draw();
        return s.Snapshot();
    };
    const QImage blank = Solid(40, 20, Qt::white).convertToFormat(QImage::Format_RGB32);
    // Without a list, or with an index it does not have, nothing is drawn.
    EXPECT_EQ(drawn(1), blank);
    column.SetImages(&images);
    EXPECT_EQ(drawn(2), blank);

    // Right and bottom, two pixels in: the 8 x 6 image covers (30, 12) to (37, 17).
    const QImage right = drawn(1);
    EXPECT_EQ(right.pixel(30, 12), qRgb(0, 255, 0));
    EXPECT_EQ(right.pixel(37, 17), qRgb(0, 255, 0));
    EXPECT_EQ(right.pixel(38, 17), qRgb(255, 255, 255));
    EXPECT_EQ(right.pixel(30, 11), qRgb(255, 255, 255));
    // Centred on both axes the margin plays no part.
    column.SetAlignment(taCenter);
    column.SetVerticalAlignment(vaMiddle);
    const QImage centred = drawn(0);
    EXPECT_EQ(centred.pixel(16, 7), qRgb(255, 0, 0));
    EXPECT_EQ(centred.pixel(15, 7), qRgb(255, 255, 255));
    EXPECT_EQ(centred.pixel(23, 12), qRgb(255, 0, 0));
    EXPECT_EQ(centred.pixel(23, 13), qRgb(255, 255, 255));

    // Masked: nothing without masks; with them, black in the mask keeps the cell.
    column.SetMasked(true);
    EXPECT_EQ(drawn(0), blank);
    TCustomImageList masks(nullptr, 8, 6);
    QImage mask = Solid(8, 6, Qt::white);
    QPainter(&mask).fillRect(4, 0, 4, 6, Qt::black);
    masks.Add(mask);
    column.SetMasks(&masks);
    const QImage masked = drawn(0);
    EXPECT_TRUE(Near(FromQColor(masked.pixelColor(17, 9)), clRed));
    EXPECT_TRUE(Near(FromQColor(masked.pixelColor(22, 9)), clWhite));
    // An image without its mask draws nothing.
    images.Add(Solid(8, 6, Qt::blue));
    EXPECT_EQ(drawn(2), blank);
}

TEST(CellPainters, GraphicsKeepTheirShapeInsideAFrame)
{
    TGraphicColumn column;
    auto* display = column.Display();
    TBitmap wide, tall;
    wide.LoadFromImage(Solid(20, 10, Qt::red));
    tall.LoadFromImage(Solid(10, 20, Qt::blue));
    const auto drawn = [&](TGraphic* graphic, bool selected = false) {
        Surface s(60, 40);
        Prepare(*display, s, QRect(0, 0, 60, 40));
        display->GraphicValue = graphic;
        display->Selected = selected;
        display->Draw();
        return s.Snapshot();
    };
    const QRgb white = qRgb(255, 255, 255), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    // Inside the 4-pixel margin lies (4, 4)-(56, 36); the one-pixel frame goes round it.
    const QImage frame = drawn(nullptr);
    EXPECT_EQ(FromQColor(frame.pixelColor(3, 3)), ColorToRGB(clBtnFace));
    EXPECT_EQ(FromQColor(frame.pixelColor(56, 36)), ColorToRGB(clBtnFace));
    EXPECT_EQ(frame.pixel(4, 4), white);
    EXPECT_EQ(frame.pixel(2, 2), white);
    EXPECT_EQ(FromQColor(drawn(nullptr, true).pixelColor(3, 20)), ColorToRGB(clHighlightText));

    // 20 x 10 scaled by 2.6 to 52 x 26, against the left edge, centred in the height.
    const QImage w = drawn(&wide);
    EXPECT_EQ(w.pixel(5, 8), red);
    EXPECT_EQ(w.pixel(54, 31), red);
    EXPECT_EQ(w.pixel(30, 5), white);
    EXPECT_EQ(w.pixel(30, 34), white);
    // 10 x 20 scaled by 1.6 to 16 x 32, at the top, centred in the width.
    const QImage t = drawn(&tall);
    EXPECT_EQ(t.pixel(23, 5), blue);
    EXPECT_EQ(t.pixel(36, 34), blue);
    EXPECT_EQ(t.pixel(20, 20), white);
    EXPECT_EQ(t.pixel(39, 20), white);
    // Stretched, it fills the whole inside.
    column.SetStrecht(true);
    const QImage stretched = drawn(&tall);
    EXPECT_EQ(stretched.pixel(5, 5), blue);
    EXPECT_EQ(stretched.pixel(54, 34), blue);

    // A wider border takes more rings, one pixel each.
    column.SetBorderWidth(3);
    const QImage thick = drawn(nullptr);
    EXPECT_EQ(FromQColor(thick.pixelColor(1, 20)), ColorToRGB(clBtnFace));
    EXPECT_EQ(thick.pixel(0, 20), white);
}

TEST(CellPainters, HtmlTagsAndTheirCountersCarryOver)
{
    THtmlColumn column;
    column.SetFont(ColumnFont { QStringLiteral("Tahoma"), -13, 0, clBlack });
    auto* display = column.Display();
    auto* html = dynamic_cast<THtmlColumnDisplay*>(display);
    ASSERT_NE(html, nullptr);

    const auto render = [&](const QString& text) {
        Surface s(120, 20);
        Prepare(*display, s, QRect(0, 0, 120, 20));
        display->TextValue = text;
        display->Draw();
        return s.Snapshot();
    };
    // The same characters drawn one by one with the styles by hand.
    const auto reference = [](std::initializer_list<std::pair<QString, int>> parts) {
        Surface s(120, 20);
        s.canvas.Font().SetName(QStringLiteral("Tahoma"));
        s.canvas.Font().SetHeight(-13);
        s.canvas.Font().SetColor(clBlack);
        s.canvas.Brush().SetStyle(bsClear);
        int x = 0;
        for (const auto& [text, style] : parts) {
            s.canvas.Font().SetStyle(style);
            s.canvas.TextOut(x, 0, text);
            x += s.canvas.TextWidth(text);
        }
        return s.Snapshot();
    };

    const QImage boldThenPlain
        = reference({ { QStringLiteral("W"), fsBold }, { QStringLiteral("W"), 0 } });
    const QImage drawn = render(QStringLiteral("<b>W</b>W"));
    EXPECT_EQ(drawn, boldThenPlain);
    EXPECT_EQ(html->Counters()[THtmlColumnDisplay::TagB], 0);

    // An unclosed bold tag still holds in the next cell.
    render(QStringLiteral("<B>W"));
    EXPECT_EQ(html->Counters()[THtmlColumnDisplay::TagB], 1);
    EXPECT_EQ(render(QStringLiteral("W")), reference({ { QStringLiteral("W"), fsBold } }));
    render(QStringLiteral("</b>"));

    // A link with an attribute ends with its closing tag: the text after it is plain again.
    const QImage link = render(QStringLiteral("<a href=x>W</a>W"));
    EXPECT_EQ(html->Counters()[THtmlColumnDisplay::TagA], 0);
    bool blueAfter = false;
    const int split = QFontMetrics(Fonts::Make(QStringLiteral("Tahoma"), -13, 0))
                          .horizontalAdvance(QLatin1Char('W'));
    for (int y = 0; y < 20; ++y)
        for (int x = split + 1; x < 120; ++x)
            blueAfter |= (link.pixel(x, y) & 0xFFFFFF) == 0x0000FF;
    EXPECT_FALSE(blueAfter);
    bool blueLink = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < split; ++x)
            blueLink |= (link.pixel(x, y) & 0xFFFFFF) == 0x0000FF;
    EXPECT_TRUE(blueLink);

    // A line break moves down by the line's height; a font colour reads #RRGGBB.
    const QImage twoLines = render(QStringLiteral("W<br>W"));
    EXPECT_EQ(
        InkColumns(twoLines, 0, 19).last, InkColumns(render(QStringLiteral("W")), 0, 19).last);
    const QImage green = render(QStringLiteral("<font color=#00FF00>W</font>"));
    bool greenInk = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            greenInk |= (green.pixel(x, y) & 0xFFFFFF) == 0x00FF00;
    EXPECT_TRUE(greenInk);

    EXPECT_EQ(THtmlColumnDisplay::TagCode(QStringLiteral("FONT")), THtmlColumnDisplay::TagFont);
    EXPECT_EQ(THtmlColumnDisplay::TagCode(QStringLiteral("span")), THtmlColumnDisplay::TagOther);
    EXPECT_EQ(
        THtmlColumnDisplay::AttributeCode(QStringLiteral("Size")), THtmlColumnDisplay::AttrSize);
}

TEST(CellPainters, HintMarkIsARedCornerTriangle)
{
    TTextualColumn column;
    auto* display = column.Display();
    Surface s(40, 20);
    Prepare(*display, s, QRect(0, 0, 40, 20));
    display->DrawHintMark();
    EXPECT_EQ(s.At(38, 0), clRed);
    EXPECT_EQ(s.At(39, 3), clRed);
    EXPECT_EQ(s.At(36, 3), clWhite);
    EXPECT_EQ(s.At(39, 6), clWhite);
}

TEST(CellPainters, ClassicCheckBoxAndItsClickArea)
{
    ClassicLook classic;
    TCheckBoxColumn column;
    column.SetAlignment(taCenter);
    auto* display = column.Display();
    Surface s(40, 21);
    Prepare(*display, s, QRect(0, 0, 40, 21));
    display->BoolValue = true;
    display->Draw();
    // An 11-pixel square centred in the cell with its tick.
    const int x = 40 / 2 - 11 / 2, y = 21 / 2 - 11 / 2;
    EXPECT_EQ(s.At(x, y), ColorToRGB(clBtnShadow));
    EXPECT_EQ(s.At(x + 4, y + 6), ColorToRGB(clWindowText));

    auto* play = column.Play();
    ASSERT_NE(dynamic_cast<TCheckBoxColumnPlay*>(play), nullptr);
    play->CellRect = QRect(100, 50, 40, 21);
    int changes = 0;
    play->OnChange = [&](TColumnPlay*) { ++changes; };
    const QRect box = TCheckBoxColumnPlay::CheckRect(column, play->CellRect);
    EXPECT_EQ(box.width(), 11);
    play->BoolValue = false;
    play->MouseUp(Qt::LeftButton, Qt::NoModifier, box.center().x(), box.center().y());
    EXPECT_TRUE(play->BoolValue);
    play->MouseUp(Qt::LeftButton, Qt::NoModifier, 1, 1);
    EXPECT_TRUE(play->BoolValue);
    play->KeyPress(QLatin1Char('x'));
    play->KeyPress(QLatin1Char(' '));
    EXPECT_FALSE(play->BoolValue);
    EXPECT_EQ(changes, 2);
}

TEST(ColumnClassParts, EachClassMakesItsPainterEditorAndPlay)
{
    TTextualColumn textual;
    TComboBoxColumn combo;
    TNumericColumn numeric;
    TDateColumn date;
    TCheckBoxColumn check;
    TProgressColumn progress;
    TIncrementColumn increment;
    EXPECT_NE(dynamic_cast<TTextualEditor*>(textual.Editor()), nullptr);
    EXPECT_NE(dynamic_cast<TTextualColumnDisplay*>(combo.Display()), nullptr);
    EXPECT_NE(dynamic_cast<TComboBoxEditor*>(combo.Editor()), nullptr);
    EXPECT_NE(dynamic_cast<TSpinEditor*>(numeric.Editor()), nullptr);
    EXPECT_NE(dynamic_cast<TDatePickerEditor*>(date.Editor()), nullptr);
    EXPECT_NE(dynamic_cast<TCheckBoxEditor*>(check.Editor()), nullptr);
    EXPECT_EQ(progress.Editor(), nullptr);
    EXPECT_EQ(textual.Play(), nullptr);
    EXPECT_NE(dynamic_cast<TIncrementColumnDisplay*>(increment.Display()), nullptr);
    EXPECT_FALSE(textual.Editor()->isVisible());

    combo.SetItems({ QStringLiteral("bir"), QStringLiteral("iki") });
    combo.SetStyle(cbsDropDownList);
    combo.PrepareEditor();
    auto* editor = dynamic_cast<TComboBoxEditor*>(combo.Editor());
    EXPECT_EQ(editor->Items(), combo.Items());
    EXPECT_EQ(editor->Style(), dsDropDownList);
}

// ---------------------------------------------------------------------------

namespace {

struct HeaderFixture
{
    TGridView grid;
    TTextualColumn* column;
    Surface surface { 100, 20 };
    TColumnPartDisplay painter { &grid, &surface.canvas };

    HeaderFixture()
    {
        column = new TTextualColumn();
        column->SetWidth(100);
        column->SetPosition(0);
        grid.Columns()->Add(column);
        painter.SetColumn(column);
        painter.Rect = QRect(0, 0, 100, 20);
        surface.canvas.Font().SetColor(clBlack);
    }
    QImage Header(const QString& caption)
    {
        surface.image.fill(Qt::white);
        column->Header().SetCaption(caption);
        painter.DrawPart(PartHeader);
        return surface.Snapshot();
    }
};

int FirstDifferentColumn(const QImage& a, const QImage& b)
{
    for (int x = 0; x < a.width(); ++x)
        for (int y = 0; y < a.height(); ++y)
            if (a.pixel(x, y) != b.pixel(x, y))
                return x;
    return -1;
}

} // namespace

TEST(PartPainter, ClassicHeaderButtonsHaveCutCorners)
{
    ClassicLook classic;
    Surface s(60, 20);
    TColumnPartDisplay painter(nullptr, &s.canvas);
    const TColor face = TColor(0x00C0C0C0);
    const TColor light = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
    painter.PaintHeaderButton(QRect(0, 0, 60, 20), 2, face);
    EXPECT_EQ(s.At(10, 0), light);
    EXPECT_EQ(s.At(0, 1), face);
    EXPECT_EQ(s.At(0, 2), light);
    EXPECT_EQ(s.At(0, 18), face);
    EXPECT_EQ(s.At(59, 1), face);
    EXPECT_EQ(s.At(59, 2), shadow);
    EXPECT_EQ(s.At(59, 18), face);
    EXPECT_EQ(s.At(10, 19), shadow);
    // The first button keeps its left corners, the last its right ones.
    painter.PaintHeaderButton(QRect(0, 0, 60, 20), 1, face);
    EXPECT_EQ(s.At(0, 1), light);
    painter.PaintHeaderButton(QRect(0, 0, 60, 20), 3, face);
    EXPECT_EQ(s.At(59, 1), shadow);
}

TEST(PartPainter, ThemedHeaderTextStartsFurtherIn)
{
    ASSERT_TRUE(ThemesAvailable());
    HeaderFixture themed;
    themed.grid.SetHeaderStyle(hsAuto);
    EXPECT_EQ(themed.painter.ContentIndent(), 11);
    const int themedX = FirstDifferentColumn(themed.Header(QStringLiteral("H")), themed.Header({}));

    HeaderFixture plain;
    plain.grid.SetHeaderStyle(hsDefault);
    EXPECT_EQ(plain.painter.ContentIndent(), 2);
    const int plainX = FirstDifferentColumn(plain.Header(QStringLiteral("H")), plain.Header({}));
    ASSERT_GE(plainX, 3);
    EXPECT_LE(plainX, 4);
    EXPECT_EQ(themedX - plainX, 9);
}

TEST(PartPainter, SortArrowOnlyWhenItFits)
{
    ClassicLook classic;
    HeaderFixture h;
    h.grid.SetHeaderStyle(hsDefault);
    const QString shortCaption = QStringLiteral("Ad");
    const QString wide = QStringLiteral("Arayan numara ve saat");
    const QImage unsortedShort = h.Header(shortCaption);
    const QImage unsortedWide = h.Header(wide);
    h.column->SetSorted(true);
    EXPECT_NE(h.Header(shortCaption), unsortedShort);
    EXPECT_EQ(h.Header(wide), unsortedWide);
}

namespace {

// The smallest rectangle holding every pixel in which two pictures differ.
QRect Difference(const QImage& a, const QImage& b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

TColor At(const QImage& image, int x, int y)
{
    return FromQColor(image.pixelColor(x, y));
}

} // namespace

TEST(PartPainter, ClassicSortArrowsPointTheirWayBesideTheCaption)
{
    ClassicLook classic;
    HeaderFixture h;
    h.grid.SetHeaderStyle(hsDefault);
    const QString caption = QStringLiteral("Ad");
    const QImage unsorted = h.Header(caption);
    h.column->SetSorted(true);
    // 19 pixels after the caption, from 2 pixels in; in the middle of the height less 4.
    const int x = 2 + h.surface.canvas.TextWidth(caption) + 19, y = 20 / 2 - 4;
    const TColor shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight),
                 face = ColorToRGB(clBtnFace);

    const QImage ascending = h.Header(caption);
    EXPECT_EQ(Difference(ascending, unsorted), QRect(x, y, 8, 7));
    // The apex at the top, the base along the bottom, lit on the right.
    EXPECT_EQ(At(ascending, x + 3, y), shadow);
    EXPECT_EQ(At(ascending, x + 4, y), light);
    EXPECT_EQ(At(ascending, x + 5, y), face);
    EXPECT_EQ(At(ascending, x + 5, y + 6), shadow);
    EXPECT_EQ(At(ascending, x + 6, y + 4), light);

    h.column->SetSortKind(skDescending);
    const QImage descending = h.Header(caption);
    EXPECT_EQ(Difference(descending, unsorted), QRect(x, y, 8, 7));
    // Upside down: the base along the top, the apex at the bottom.
    EXPECT_EQ(At(descending, x + 5, y), shadow);
    EXPECT_EQ(At(descending, x + 6, y + 2), light);
    EXPECT_EQ(At(descending, x + 5, y + 6), face);
    EXPECT_EQ(At(descending, x + 3, y + 6), shadow);
}

TEST(PartPainter, ThemedSortArrowsAreGreyTriangles)
{
    ASSERT_TRUE(ThemesAvailable());
    HeaderFixture h;
    h.grid.SetHeaderStyle(hsAuto);
    const QString caption = QStringLiteral("Ad");
    const QImage unsorted = h.Header(caption);
    h.column->SetSorted(true);
    const int x = 2 + h.surface.canvas.TextWidth(caption) + 19, y = 20 / 2 - 4 + 1;
    const TColor grey = ColorToRGB(clGrayText);

    const QImage ascending = h.Header(caption);
    EXPECT_EQ(Difference(ascending, unsorted), QRect(x, y, 9, 5));
    EXPECT_EQ(At(ascending, x + 4, y), grey);
    EXPECT_EQ(At(ascending, x + 1, y + 4), grey);
    EXPECT_NE(At(ascending, x + 1, y), grey);

    h.column->SetSortKind(skDescending);
    const QImage descending = h.Header(caption);
    EXPECT_EQ(Difference(descending, unsorted), QRect(x, y, 9, 5));
    EXPECT_EQ(At(descending, x + 4, y + 4), grey);
    EXPECT_EQ(At(descending, x + 1, y), grey);
    EXPECT_NE(At(descending, x + 1, y + 4), grey);
}

TEST(PartPainter, PressedClassicHeadersAreInverted)
{
    ClassicLook classic;
    HeaderFixture h;
    h.grid.SetHeaderStyle(hsDefault);
    const QImage released = h.Header(QString());
    // The grid's pressed header is the one held down by the mouse.
    h.grid.MouseDown(mbLeft, ssLeft, 50, 5);
    ASSERT_EQ(h.grid.PressedHeader(), h.column);
    const QImage pressed = h.Header(QString());
    const auto inverted = [&](int x, int y) {
        return (pressed.pixel(x, y) & 0xFFFFFF) == (~released.pixel(x, y) & 0xFFFFFF);
    };
    // The only column: all of it, its last row and column included.
    EXPECT_TRUE(inverted(50, 10));
    EXPECT_TRUE(inverted(0, 0));
    EXPECT_TRUE(inverted(99, 19));

    // Among others, its last row and column (the shadow) are left as they are.
    auto* second = new TTextualColumn();
    second->SetPosition(1);
    h.grid.Columns()->Add(second);
    h.grid.MouseUp(mbLeft, ssLeft, 200, 100);
    const QImage first = h.Header(QString());
    h.grid.MouseDown(mbLeft, ssLeft, 50, 5);
    const QImage held = h.Header(QString());
    EXPECT_EQ(held.pixel(98, 18) & 0xFFFFFF, ~first.pixel(98, 18) & 0xFFFFFF);
    EXPECT_EQ(held.pixel(99, 19), first.pixel(99, 19));
    EXPECT_EQ(held.pixel(99, 5), first.pixel(99, 5));
    // The drag box's painter draws no background and so never presses: the
    // white it draws on stays white.
    h.painter.DrawBackground = false;
    EXPECT_EQ(h.Header(QString()).pixel(50, 10), qRgb(255, 255, 255));
}

TEST(PartPainter, OldStyleHeadersAreFlatWithADarkEdge)
{
    ClassicLook classic;
    HeaderFixture h;
    h.grid.SetHeaderStyle(hsOldStyle);
    h.column->Header().SetColor(TColor(0x00C0E0E0));
    const QImage image = h.Header(QString());
    EXPECT_EQ(At(image, 50, 10), TColor(0x00C0E0E0));
    EXPECT_EQ(At(image, 50, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(image, 0, 10), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(image, 50, 19), ColorToRGB(clWindowFrame));
    EXPECT_EQ(At(image, 99, 10), ColorToRGB(clWindowFrame));
    // The classic button has a shadow there instead.
    h.grid.SetHeaderStyle(hsDefault);
    EXPECT_EQ(At(h.Header(QString()), 50, 19), ColorToRGB(clBtnShadow));
}

TEST(PartPainter, HeaderGlyphsWithAndWithoutTheirCaption)
{
    ClassicLook classic;
    HeaderFixture h;
    h.grid.SetHeaderStyle(hsDefault);
    // A red 8 x 6 glyph whose bottom-left colour, white, is transparent.
    QImage glyph = Solid(8, 6, Qt::red);
    glyph.setPixelColor(0, 5, Qt::white);
    glyph.setPixelColor(7, 0, Qt::white);
    h.column->Header().SetGlyph(glyph);
    const TColor face = ColorToRGB(clBtnFace), red = TColor(0x000000FF);

    // Text only: the glyph is not drawn.
    EXPECT_EQ(At(h.Header(QString()), 4, 8), face);

    // Image only: at 3 pixels in, centred in the height; no caption.
    h.column->Header().SetDisplayMode(dmImageOnly);
    const QImage image = h.Header(QStringLiteral("Ad"));
    EXPECT_EQ(At(image, 3, 7), red);
    EXPECT_EQ(At(image, 10, 12), red);
    EXPECT_EQ(At(image, 10, 7), face);
    EXPECT_EQ(At(image, 3, 12), face);
    EXPECT_EQ(image, h.Header(QString()));
    // Its sort arrow follows the glyph.
    const QImage unsorted = h.Header(QString());
    h.column->SetSorted(true);
    EXPECT_EQ(Difference(h.Header(QString()), unsorted).left(), 2 + 8 + 19);
    h.column->SetSorted(false);

    // Text and image: the caption starts 2 pixels after the glyph.
    h.column->Header().SetDisplayMode(dmTextAndImage);
    const int textX = FirstDifferentColumn(h.Header(QStringLiteral("H")), h.Header(QString()));
    EXPECT_GE(textX, 3 + 8 + 2);
    EXPECT_LE(textX, 3 + 8 + 3);
}

TEST(PartPainter, FooterAndInputCells)
{
    ClassicLook classic;
    HeaderFixture h;
    h.grid.SetOptions(h.grid.Options() + goGrid);
    h.column->SetColor(clWhite);
    h.column->Footer().SetColor(TColor(0x00E0E0E0));
    h.column->Footer().SetCaption(QStringLiteral("Toplam"));
    h.painter.DrawPart(PartFooter);
    // Filled less the grid lines, which are drawn right and at the bottom.
    EXPECT_EQ(h.surface.At(1, 1), TColor(0x00E0E0E0));
    EXPECT_EQ(h.surface.At(99, 5), ColorToRGB(clBtnFace));
    EXPECT_EQ(h.surface.At(50, 19), ColorToRGB(clBtnFace));

    // An active input line highlights the cells of the columns other than the
    // focused one; the focused column's cell keeps the column's colour.
    auto* other = new TTextualColumn();
    other->SetColor(clWhite);
    other->SetPosition(1);
    h.grid.Columns()->Add(other);
    ASSERT_EQ(h.grid.FocusedColumn(), h.column->Index());
    h.painter.State = TColumnPartDisplay::InputActive | TColumnPartDisplay::GridFocused;
    h.painter.DrawPart(PartInput);
    EXPECT_EQ(h.surface.At(1, 1), clWhite);
    h.painter.SetColumn(other);
    h.painter.DrawPart(PartInput);
    EXPECT_EQ(h.surface.At(1, 1), ColorToRGB(clHighlight));
    h.painter.State = TColumnPartDisplay::InputActive;
    h.painter.DrawPart(PartInput);
    EXPECT_EQ(h.surface.At(1, 1), ColorToRGB(clBtnFace));
    h.painter.State = 0;
    h.painter.DrawPart(PartInput);
    EXPECT_EQ(h.surface.At(1, 1), clWhite);
}
