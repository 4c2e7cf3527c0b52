#include "Displays.h"

#include "Canvas.h"
#include "ColumnClasses.h"
#include "ColumnDragBox.h"
#include "CustomGridView.h"
#include "ImgList.h"
#include "SharedClasses.h"
#include "SysUtils.h"
#include "ThemesSupport.h"

#include <algorithm>
#include <cmath>

namespace {

TRect toRect(const QRect& r)
{
    return TRect::FromQRect(r);
}

// The grid a column belongs to, as a window for themed drawing.
const QWidget* gridWindow(const TCustomColumn* column)
{
    if (!column || !column->Collection())
        return nullptr;
    return dynamic_cast<const QWidget*>(column->Collection()->Grid());
}

// Draws a picture blending its alpha over what is there (the canvas's copy
// modes would write the transparent pixels as they are).
void drawPicture(TCanvas& canvas, int x, int y, const QImage& image)
{
    if (image.isNull())
        return;
    canvas.WithPainter([&](QPainter& p) { p.drawImage(x, y, image); });
}

void drawMaskedPicture(TCanvas& canvas, int x, int y, const QImage& mask, const QImage& image)
{
    TBitmap maskBitmap, imageBitmap;
    maskBitmap.LoadFromImage(mask);
    imageBitmap.LoadFromImage(image);
    TMaskProvider::DrawMasked(canvas, x, y, maskBitmap, imageBitmap);
}

} // namespace

// ------------------------------------------------------------ shared steps

void TColumnDisplay::DrawCellText(const QString& text, const QRect& rect)
{
    unsigned flags = DT_NOPREFIX;
    switch (Column->Alignment()) {
    case taLeftJustify:
        flags |= DT_LEFT;
        break;
    case taRightJustify:
        flags |= DT_RIGHT;
        break;
    case taCenter:
        flags |= DT_CENTER;
        break;
    }
    switch (Column->WrapKind()) {
    case wkNone:
        flags |= DT_SINGLELINE;
        break;
    case wkEllipsis:
        flags |= DT_SINGLELINE | DT_END_ELLIPSIS;
        break;
    case wkWordWrap:
        flags |= DT_WORDBREAK;
        break;
    }
    // Several lines always start at the top.
    if (flags & DT_SINGLELINE) {
        if (Column->VerticalAlignment() == vaMiddle)
            flags |= DT_VCENTER;
        else if (Column->VerticalAlignment() == vaBottom)
            flags |= DT_BOTTOM;
    }
    if (RightToLeft)
        flags |= DT_RTLREADING;
    Canvas->Brush().SetStyle(bsClear);
    TRect r = toRect(rect);
    Canvas->DrawText(DrawingText(text), r, flags);
    Canvas->Brush().SetStyle(bsSolid);
}

void TColumnDisplay::DrawHintMark()
{
    const TRect r = toRect(CellRect);
    Canvas->Pen().SetColor(clRed);
    Canvas->Brush().SetColor(clRed);
    const TPoint corner[3] = { TPoint(r.Right - 5, r.Top), TPoint(r.Right - 1, r.Top),
        TPoint(r.Right - 1, r.Top + 4) };
    Canvas->Polygon(corner);
}

void TColumnDisplay::FillBackground(TColor color, bool fill)
{
    Canvas->Brush().SetColor(color);
    if (fill)
        Canvas->FillRect(toRect(CellRect));
    else
        Canvas->FrameRect(toRect(CellRect));
}

// ------------------------------------------------------------ cell painters

void TTextualColumnDisplay::Draw()
{
    QRect r;
    GetTextRect(r);
    if (const auto* textual = dynamic_cast<const TTextualColumn*>(Column))
        DrawCellText(textual->TextBefore() + TextValue + textual->TextAfter(), r);
    else
        DrawCellText(TextValue, r);
}

void TNumericColumnDisplay::Draw()
{
    QRect r;
    GetTextRect(r);
    const auto* numeric = dynamic_cast<const TNumericColumn*>(Column);
    DrawCellText(numeric ? numeric->FormatValue(FloatValue) : SysUtils::FloatToStr(FloatValue), r);
}

void TDateColumnDisplay::Draw()
{
    QRect r;
    GetTextRect(r);
    const auto* date = dynamic_cast<const TDateColumn*>(Column);
    if (DateValue != 0 || !date || !date->HideWhenEmpty())
        DrawCellText(SysUtils::DateTimeToStr(DateValue), r);
    else
        DrawCellText(date->EmptyCaption(), r);
}

void TIncrementColumnDisplay::Draw()
{
    QRect r;
    GetTextRect(r);
    DrawCellText(QString::number(std::int64_t(IntValue) + 1), r);
}

void TCheckBoxColumnDisplay::Draw()
{
    DrawCheck(CellRect, BoolValue, false, false);
}

void TCheckBoxColumnDisplay::DrawCheck(const QRect& rect, bool checked, bool pressed, bool hot)
{
    TGraphicsProvider::DrawCheckBox(gridWindow(Column), *Canvas, toRect(rect), Column->Alignment(),
        Column->VerticalAlignment(), checked, pressed, hot);
}

void TProgressColumnDisplay::Draw()
{
    const auto* progress = dynamic_cast<const TProgressColumn*>(Column);
    if (!progress || (FloatValue == 0 && progress->HideWhenEmpty()))
        return;
    const double percent = Percentage(progress->Max(), FloatValue);
    const int margin = progress->Margin();
    TRect bar = toRect(CellRect).Inflated(-margin, -margin);
    if (progress->ShowText()) {
        QRect textRect;
        GetTextRect(textRect);
        DrawCellText(QString::number(percent, 'f', 0) + QLatin1Char('%'), textRect);
        bar.Left += 30;
    }
    TCanvas& canvas = *Canvas;
    if (progress->Transparent()) {
        canvas.Brush().SetColor(progress->BorderColor());
        canvas.FrameRect(bar);
    } else {
        canvas.Pen().SetColor(progress->BorderColor());
        canvas.Brush().SetColor(progress->Color());
        canvas.Rectangle(bar);
    }
    const TRect inner = bar.Inflated(-2, -2);
    if (inner.IsEmpty())
        return;
    const double wanted = std::round(inner.Width() * percent / 100.0);
    const int width = int(std::clamp(wanted, 0.0, double(inner.Width())));
    if (width <= 0)
        return;
    const TRect filled(inner.Left, inner.Top, inner.Left + width, inner.Bottom);
    switch (progress->ProgressStyle()) {
    case TProgressStyle::psSolid:
        canvas.FillSolid(filled, progress->ProgressColor());
        break;
    case TProgressStyle::psGradient:
        TGraphicsProvider::DrawHorizontalGradient(
            canvas, filled, progress->Color(), progress->ProgressColor());
        break;
    case TProgressStyle::psCylinder:
        TGraphicsProvider::DrawVerticalGradient(
            canvas, filled, progress->Color(), progress->ProgressColor());
        break;
    }
}

void TRateColumnDisplay::Draw()
{
    const auto* rate = dynamic_cast<const TRateColumn*>(Column);
    if (!rate || (IntValue == 0 && rate->HideWhenEmpty()))
        return;
    const QImage& glyph = rate->Glyph();
    const int step = glyph.width();
    const int count = std::max(0, rate->Max());
    if (step <= 0 || count == 0)
        return;
    const TPoint origin = TCalcProvider::PlaceInRect(step * count, glyph.height(),
        Column->VerticalAlignment(), Column->Alignment(), toRect(CellRect), 0);
    for (int i = 1; i <= count; ++i) {
        const bool full = i <= IntValue;
        const int x = origin.X + (i - 1) * step;
        if (!rate->Masked()) {
            drawPicture(*Canvas, x, origin.Y, rate->ShownGlyph(full));
        } else {
            const QImage& picture = full ? glyph : rate->EmptyGlyph();
            const QImage& mask = full ? rate->GlyphMask() : rate->EmptyGlyphMask();
            if (!picture.isNull() && !mask.isNull())
                drawMaskedPicture(*Canvas, x, origin.Y, mask, picture);
        }
    }
}

void TImageColumnDisplay::Draw()
{
    const auto* column = dynamic_cast<const TImageColumn*>(Column);
    TCustomImageList* images = column ? column->Images() : nullptr;
    // An index the list does not have shows nothing, as an empty cell would.
    if (!images || IntValue < 0 || IntValue >= images->Count())
        return;
    const TPoint p = TCalcProvider::PlaceInRect(images->Width(), images->Height(),
        Column->VerticalAlignment(), Column->Alignment(), toRect(CellRect), 2);
    if (!column->Masked()) {
        drawPicture(*Canvas, p.X, p.Y, images->Image(IntValue));
        return;
    }
    TCustomImageList* masks = column->Masks();
    if (!masks || IntValue >= masks->Count())
        return;
    drawMaskedPicture(*Canvas, p.X, p.Y, masks->Image(IntValue), images->Image(IntValue));
}

void TGraphicColumnDisplay::Draw()
{
    const auto* column = dynamic_cast<const TGraphicColumn*>(Column);
    if (!column)
        return;
    TCanvas& canvas = *Canvas;
    const int margin = column->Margin();
    const TRect r = toRect(CellRect).Inflated(-margin, -margin);
    if (column->BorderWidth() > 0) {
        canvas.Brush().SetColor(Selected ? clHighlightText : clBtnFace);
        TRect frame = r;
        for (int i = 0; i < column->BorderWidth(); ++i) {
            frame = frame.Inflated(1, 1);
            canvas.FrameRect(frame);
        }
    }
    if (!GraphicValue || GraphicValue->Empty() || r.IsEmpty())
        return;
    if (column->Strecht()) {
        canvas.StretchDraw(r, *GraphicValue);
        return;
    }
    const double gw = GraphicValue->Width(), gh = GraphicValue->Height();
    const double byWidth = r.Width() / gw, byHeight = r.Height() / gh;
    const double scale = std::min(byWidth, byHeight);
    const int w = int(std::round(gw * scale)), h = int(std::round(gh * scale));
    if (w <= 0 || h <= 0)
        return;
    const TRect target = byWidth >= byHeight
        ? TRect::Bounds(r.Left + (r.Width() - w) / 2, r.Top, w, h)
        : TRect::Bounds(r.Left, r.Top + (r.Height() - h) / 2, w, h);
    canvas.StretchDraw(target, *GraphicValue);
}

// ------------------------------------------------------------------- HTML

THtmlColumnDisplay::Tag THtmlColumnDisplay::TagCode(const QString& name)
{
    static const char* const names[] = { "a", "b", "br", "font", "i", "u" };
    for (int i = 0; i < 6; ++i)
        if (name.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return Tag(i + 1);
    return TagOther;
}

THtmlColumnDisplay::Attribute THtmlColumnDisplay::AttributeCode(const QString& name)
{
    static const char* const names[] = { "color", "name", "href", "size" };
    for (int i = 0; i < 4; ++i)
        if (name.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return Attribute(i + 1);
    return AttrOther;
}

namespace {

QString unquoted(const QString& value)
{
    if (value.size() >= 2
        && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

void setStyle(TFont& font, int style, bool on)
{
    font.SetStyle(on ? (font.Style() | style) : (font.Style() & ~style));
}

} // namespace

void THtmlColumnDisplay::applyTag(Tag tag, bool closing, Attribute attribute, const QString& value,
    int& lineHeight, int& penX, int& penY)
{
    TFont& font = Canvas->Font();
    std::int32_t& counter = m_counters[size_t(tag)];
    switch (tag) {
    case TagA:
        if (!closing) {
            setStyle(font, fsUnderline, true);
            font.SetColor(clBlue);
        } else if (counter < 1) {
            setStyle(font, fsUnderline, false);
            font.SetColor(clWindowText);
        }
        break;
    case TagB:
    case TagI:
    case TagU: {
        const int style = tag == TagB ? fsBold : tag == TagI ? fsItalic : fsUnderline;
        if (!closing)
            setStyle(font, style, true);
        else if (counter < 1)
            setStyle(font, style, false);
        break;
    }
    case TagBr:
        penX = CellRect.left();
        penY += lineHeight;
        lineHeight = 0;
        break;
    case TagFont: {
        const QString text = unquoted(value);
        if (attribute == AttrColor) {
            // "#RRGGBB": the first character is skipped.
            bool ok = false;
            const uint rgb = text.mid(1, 6).toUInt(&ok, 16);
            if (ok && text.size() >= 7)
                font.SetColor(TColor(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16)));
        } else if (attribute == AttrName) {
            if (!text.isEmpty())
                font.SetName(text);
        } else if (attribute == AttrSize) {
            bool ok = false;
            const int points = text.toInt(&ok);
            if (ok && points > 0)
                font.SetSize(points);
        }
        break;
    }
    case TagOther:
        break;
    }
}

void THtmlColumnDisplay::Draw()
{
    m_text = TextValue;
    TCanvas& canvas = *Canvas;
    Column->Font().AssignTo(canvas.Font());
    // Tags a previous cell left open still hold.
    TFont& font = canvas.Font();
    if (m_counters[TagA] > 0) {
        setStyle(font, fsUnderline, true);
        font.SetColor(clBlue);
    }
    if (m_counters[TagB] > 0)
        setStyle(font, fsBold, true);
    if (m_counters[TagI] > 0)
        setStyle(font, fsItalic, true);
    if (m_counters[TagU] > 0)
        setStyle(font, fsUnderline, true);
    canvas.Brush().SetStyle(bsClear);
    const int right = CellRect.left() + CellRect.width();
    int penX = CellRect.left(), penY = CellRect.top();
    int lineHeight = 0;

    bool inTag = false, closing = false, readingName = false, readingValue = false;
    // A tag's nesting counts once, however many attributes apply it.
    bool counted = false;
    QString tagName, attrName, attrValue;
    const auto apply = [&] {
        const Tag tag = TagCode(tagName);
        if (!counted) {
            m_counters[size_t(tag)] += closing ? -1 : 1;
            counted = true;
        }
        applyTag(tag, closing, AttributeCode(attrName), attrValue, lineHeight, penX, penY);
    };

    for (qsizetype i = 0; i < m_text.size(); ++i) {
        const QChar c = m_text.at(i);
        if (!inTag) {
            if (c == QLatin1Char('<')) {
                inTag = true;
                counted = false;
                tagName.clear();
                continue;
            }
            // A character outside the basic plane is drawn as one.
            QString ch(c);
            if (c.isHighSurrogate() && i + 1 < m_text.size() && m_text.at(i + 1).isLowSurrogate())
                ch.append(m_text.at(++i));
            const QString shown = DrawingText(ch);
            const int width = canvas.TextWidth(shown);
            if (Column->WrapKind() == wkEllipsis && penX + width + 8 >= right) {
                canvas.TextOut(penX, penY, QStringLiteral("..."));
                break;
            }
            lineHeight = std::max(lineHeight, canvas.TextHeight(shown));
            canvas.TextOut(penX, penY, shown);
            penX += width;
            continue;
        }
        if (c == QLatin1Char('>')) {
            apply();
            closing = false;
            readingName = readingValue = false;
            attrName.clear();
            attrValue.clear();
            inTag = false;
        } else if (c == QLatin1Char(' ')) {
            apply();
            attrName.clear();
            attrValue.clear();
            readingName = true;
            readingValue = false;
        } else if (c == QLatin1Char('=')) {
            readingValue = true;
            attrValue.clear();
        } else if (c == QLatin1Char('/')) {
            closing = true;
        } else if (readingValue) {
            attrValue.append(c);
        } else if (readingName) {
            attrName.append(c);
        } else {
            tagName.append(c);
        }
    }
    canvas.Brush().SetStyle(bsSolid);
}

// ------------------------------------------------------- check-box clicks

QRect TCheckBoxColumnPlay::CheckRect(const TCustomColumn& column, const QRect& cellRect)
{
    const int size = ThemesAvailable() ? 13 : 11;
    const TRect cell = TRect(0, 0, cellRect.width(), cellRect.height()).Inflated(1, 1);
    const TPoint p = TCalcProvider::PlaceInRect(
        size, size, column.VerticalAlignment(), column.Alignment(), cell, 2);
    return QRect(p.X, p.Y, size, size);
}

void TCheckBoxColumnPlay::KeyPress(QChar key)
{
    if (key != QLatin1Char(' '))
        return;
    BoolValue = !BoolValue;
    Changed();
}

void TCheckBoxColumnPlay::MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    if (!Column || !CheckRect(*Column, CellRect).contains(x, y))
        return;
    BoolValue = !BoolValue;
    Changed();
}

// ------------------------------------------------------------ part painter

namespace {

const TCustomGridViewControl* ownerGrid(const QObject* owner)
{
    if (const auto* grid = dynamic_cast<const TCustomGridViewControl*>(owner))
        return grid;
    if (const auto* box = dynamic_cast<const TColumnDragBox*>(owner))
        return box->Grid();
    return nullptr;
}

THeaderStyle headerStyleOf(const QObject* owner)
{
    const TCustomGridViewControl* grid = ownerGrid(owner);
    return grid ? grid->HeaderStyle() : hsAuto;
}

// Where a footer or input cell's caption goes: two pixels in on the left, one
// on the right and at the bottom.
TRect captionRect(const TRect& r)
{
    return TRect(r.Left + 2, r.Top, r.Right - 1, r.Bottom - 1);
}

// A footer or input cell less the grid lines drawn on its right and bottom edges.
TRect insideGridLines(const TRect& r)
{
    return TRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1);
}

bool gridHas(const QObject* owner, TGridOption option)
{
    const TCustomGridViewControl* grid = ownerGrid(owner);
    return grid && grid->Options().Contains(option);
}

} // namespace

int TColumnPartDisplay::ContentIndent()
{
    const bool themedText = DrawBackground && ShowSortArrow == 1
        && headerStyleOf(OwnerControl) == hsAuto && ThemesAvailable() && Column()
        && Column()->Header().DisplayMode() == dmTextOnly;
    return themedText ? 11 : 2;
}

void TColumnPartDisplay::DrawPart(int kind)
{
    PartKind = std::uint8_t(kind);
    switch (kind) {
    case PartFooter:
        DrawFooter();
        break;
    case PartHeader:
        if (DrawBackground && ShowSortArrow == 1) {
            const int place = Column()->ColumnPlace();
            const TColor color = Column()->Header().Color();
            switch (headerStyleOf(OwnerControl)) {
            case hsAuto:
                if (ThemesAvailable())
                    DrawHeaderThemed(Rect, place, color);
                else
                    DrawHeaderButton(Rect, place, color);
                break;
            case hsDefault:
                DrawHeaderButton(Rect, place, color);
                break;
            case hsOldStyle:
                DrawHeaderOld(Rect, color);
                break;
            }
        }
        DrawHeaderContent();
        break;
    case PartInput:
        DrawInput();
        break;
    default:
        break;
    }
}

void TColumnPartDisplay::DrawHeaderContent()
{
    TCustomColumn* column = Column();
    const TColumnHeader& header = column->Header();
    const TRect r = toRect(Rect);
    const bool themes = ThemesAvailable();
    const int arrowY = r.Top + r.Height() / 2 - 4 + (themes ? 1 : 0);
    int x = r.Left + ContentIndent() + 1;
    const bool glyph = HasGlyph();
    const int glyphWidth = glyph ? header.Glyph().width() : 0;
    if (glyph) {
        const QImage picture = header.TransparentGlyph();
        drawPicture(*Canvas, x, r.Top + r.Height() / 2 - picture.height() / 2, picture);
        x += glyphWidth + 2;
    }
    const TDisplayMode mode = header.DisplayMode();
    if (mode == dmTextAndImage || mode == dmTextOnly)
        TGraphicsProvider::DrawCaption(*Canvas, TRect(x, r.Top, r.Right, r.Bottom),
            header.Caption(), taLeftJustify, RightToLeft);
    if (column->Sorted() && ShowSortArrow == 1) {
        int w = 0;
        switch (mode) {
        case dmImageOnly:
            w = glyphWidth + 19;
            break;
        case dmTextOnly:
            w = Canvas->TextWidth(header.Caption()) + 19;
            break;
        case dmTextAndImage:
            w = glyphWidth + Canvas->TextWidth(header.Caption()) + 2 + 19;
            break;
        }
        const int arrowX = r.Left + 2 + w;
        if (arrowX + 8 < r.Right)
            DrawSortArrow(arrowX, arrowY);
    }
    const TCustomGridViewControl* grid = ownerGrid(OwnerControl);
    if (grid && grid->PressedHeader() == column && DrawBackground
        && (!themes || grid->HeaderStyle() != hsAuto))
        DrawPressed();
}

void TColumnPartDisplay::DrawSortArrow(int x, int y)
{
    TCanvas& canvas = *Canvas;
    const bool descending = Column()->SortKind() == skDescending;
    if (ThemesAvailable()) {
        canvas.Pen().SetColor(clGrayText);
        canvas.Brush().SetColor(clGrayText);
        if (descending) {
            const TPoint p[3] = { TPoint(x, y), TPoint(x + 4, y + 4), TPoint(x + 8, y) };
            canvas.Polygon(p);
        } else {
            const TPoint p[3] = { TPoint(x, y + 4), TPoint(x + 4, y), TPoint(x + 8, y + 4) };
            canvas.Polygon(p);
        }
        return;
    }
    if (descending) {
        const TPoint shadow[]
            = { { x + 7, y }, { x, y }, { x, y + 1 }, { x + 1, y + 1 }, { x + 1, y + 3 },
                  { x + 2, y + 3 }, { x + 2, y + 5 }, { x + 3, y + 5 }, { x + 3, y + 7 } };
        const TPoint light[] = { { x + 7, y + 1 }, { x + 6, y + 1 }, { x + 6, y + 3 },
            { x + 5, y + 3 }, { x + 5, y + 5 }, { x + 4, y + 5 }, { x + 4, y + 7 } };
        canvas.Pen().SetColor(clBtnShadow);
        canvas.Polyline(shadow);
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.Polyline(light);
    } else {
        const TPoint shadow[]
            = { { x + 7, y + 6 }, { x, y + 6 }, { x, y + 5 }, { x + 1, y + 5 }, { x + 1, y + 3 },
                  { x + 2, y + 3 }, { x + 2, y + 1 }, { x + 3, y + 1 }, { x + 3, y - 1 } };
        const TPoint light[] = { { x + 7, y + 5 }, { x + 6, y + 5 }, { x + 6, y + 3 },
            { x + 5, y + 3 }, { x + 5, y + 1 }, { x + 4, y + 1 }, { x + 4, y - 1 } };
        canvas.Pen().SetColor(clBtnShadow);
        canvas.Polyline(shadow);
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.Polyline(light);
    }
}

void TColumnPartDisplay::PaintHeaderButton(QRect rect, int place, TColor color)
{
    TCanvas& canvas = *Canvas;
    const TRect r = toRect(rect);
    canvas.FillSolid(r.Inflated(-1, -1), color);
    if (place == 0) {
        TGraphicsProvider::Frame3D(canvas, r, clBtnHighlight, clBtnShadow);
        return;
    }
    const auto line = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    canvas.Pen().SetColor(clBtnHighlight);
    line(r.Left, r.Top, r.Right, r.Top);
    if (place == 1) {
        line(r.Left, r.Top + 1, r.Left, r.Bottom - 1);
    } else {
        line(r.Left, r.Top + 2, r.Left, r.Bottom - 2);
        canvas.SetPixel(r.Left, r.Top + 1, color);
        canvas.SetPixel(r.Left, r.Bottom - 2, color);
    }
    canvas.Pen().SetColor(clBtnShadow);
    line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
    if (place == 3) {
        line(r.Right - 1, r.Top, r.Right - 1, r.Bottom - 1);
    } else {
        line(r.Right - 1, r.Top + 2, r.Right - 1, r.Bottom - 2);
        canvas.SetPixel(r.Right - 1, r.Top + 1, color);
        canvas.SetPixel(r.Right - 1, r.Bottom - 2, color);
    }
}

void TColumnPartDisplay::DrawHeaderOld(const QRect& rect, TColor color)
{
    const TRect r = toRect(rect);
    Canvas->FillSolid(r, color);
    TGraphicsProvider::Frame3D(*Canvas, r, clBtnHighlight, clWindowFrame);
}

void TColumnPartDisplay::DrawHeaderThemed(const QRect& rect, int, TColor)
{
    const TCustomGridViewControl* grid = ownerGrid(OwnerControl);
    int state = 1;
    if (grid && grid->PressedHeader() == Column())
        state = 3;
    else if (grid && grid->HotHeader() == Column() && !grid->IsDesigning())
        state = 2;
    DrawThemed(dynamic_cast<const QWidget*>(OwnerControl), *Canvas, toRect(rect), 1, state,
        QStringLiteral("header"));
}

void TColumnPartDisplay::DrawThemedCorner(const QRect& rect)
{
    DrawThemed(dynamic_cast<const QWidget*>(OwnerControl), *Canvas, toRect(rect), 1, 1,
        QStringLiteral("header"));
}

void TColumnPartDisplay::DrawThemedFiller(const QRect& rect)
{
    DrawThemed(dynamic_cast<const QWidget*>(OwnerControl), *Canvas, toRect(rect), 2, 1,
        QStringLiteral("header"));
}

void TColumnPartDisplay::DrawPressed()
{
    TRect r = toRect(Rect);
    if (Column()->ColumnPlace() == 0) {
        r.Left -= 1;
        r.Top -= 1;
    } else {
        r.Right -= 1;
        r.Bottom -= 1;
    }
    Canvas->SetCopyMode(cmDstInvert);
    Canvas->CopyRect(r, *Canvas, r);
    Canvas->SetCopyMode(cmSrcCopy);
}

void TColumnPartDisplay::DrawFooter()
{
    TCustomColumn* column = Column();
    TCanvas& canvas = *Canvas;
    const TRect r = toRect(Rect);
    const TRect text = captionRect(r);
    column->Font().AssignTo(canvas.Font());
    canvas.Brush().SetColor(column->Footer().Color());
    const bool grid = gridHas(OwnerControl, goGrid);
    canvas.FillRect(grid ? insideGridLines(r) : r);
    if (grid)
        DrawGridLines(clBtnFace);
    TGraphicsProvider::DrawCaption(
        canvas, text, column->Footer().Caption(), column->Alignment(), RightToLeft);
}

void TColumnPartDisplay::DrawInput()
{
    TCustomColumn* column = Column();
    TCanvas& canvas = *Canvas;
    const TRect r = toRect(Rect);
    const TRect text = captionRect(r);
    column->Font().AssignTo(canvas.Font());
    canvas.Font().SetStyle(0);
    const bool active = (State & InputActive) != 0;
    const TCustomGridViewControl* owner = ownerGrid(OwnerControl);
    if (active && !column->Editing()) {
        if (owner && owner->FocusedColumn() == column->Index()) {
            canvas.Font().SetColor(clGrayText);
            canvas.Brush().SetColor(column->Color());
        } else {
            canvas.Font().SetColor(clHighlightText);
            canvas.Brush().SetColor((State & GridFocused) ? clHighlight : clBtnFace);
        }
    } else {
        canvas.Font().SetColor(clGrayText);
        canvas.Brush().SetColor(column->Color());
    }
    const bool lines = active && gridHas(OwnerControl, goGrid);
    if (column->Editing())
        canvas.FrameRect(r);
    else
        canvas.FillRect(lines ? insideGridLines(r) : r);
    if (lines)
        DrawGridLines(clHighlight);
    if (!column->InputValue().isEmpty())
        TGraphicsProvider::DrawCaption(
            canvas, text, column->InputValue(), column->Alignment(), RightToLeft);
    else
        TGraphicsProvider::DrawCaption(canvas, text, column->InputCaption(), taCenter, RightToLeft);
}

void TColumnPartDisplay::DrawGridLines(TColor color)
{
    const TRect r = toRect(Rect);
    Canvas->Pen().SetColor(color);
    Canvas->MoveTo(r.Left, r.Bottom - 1);
    Canvas->LineTo(r.Right - 1, r.Bottom - 1);
    Canvas->MoveTo(r.Right - 1, r.Top);
    Canvas->LineTo(r.Right - 1, r.Bottom + 1);
}
