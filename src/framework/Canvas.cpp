#include "Canvas.h"

#include "Bitmap.h"
#include "Fonts.h"

#include <QStringList>
#include <QStyle>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

enum ToolKind { PenTool = 1, BrushTool = 2, FontTool = 3 };

Qt::PenStyle qtPenStyle(TPenStyle style)
{
    switch (style) {
    case psDash:
        return Qt::DashLine;
    case psDot:
        return Qt::DotLine;
    case psDashDot:
        return Qt::DashDotLine;
    case psDashDotDot:
        return Qt::DashDotDotLine;
    case psClear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

Qt::BrushStyle qtBrushStyle(TBrushStyle style)
{
    switch (style) {
    case bsClear:
        return Qt::NoBrush;
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::FDiagPattern;
    case bsBDiagonal:
        return Qt::BDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

// Rounds a / b to the nearest integer, halves away from zero (b > 0).
int roundDiv(long long a, long long b)
{
    return int(a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b));
}

// The last pixel the platform's line drawing sets on the way from a to b: the
// step before b along the major axis. Exact for axis-parallel and diagonal lines.
TPoint lastPixel(const TPoint& a, const TPoint& b)
{
    const int dx = b.X - a.X;
    const int dy = b.Y - a.Y;
    const int n = std::max(std::abs(dx), std::abs(dy));
    if (std::abs(dx) >= std::abs(dy))
        return TPoint(b.X - sign(dx), a.Y + roundDiv((long long)dy * (n - 1), n));
    return TPoint(a.X + roundDiv((long long)dx * (n - 1), n), b.Y - sign(dy));
}

QString stripPrefixes(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        else if (text[i] == QLatin1Char('&'))
            continue;
        out += text[i];
    }
    return out;
}

bool directlyWritable(const QImage& image)
{
    return image.format() == QImage::Format_RGB32
        || image.format() == QImage::Format_ARGB32_Premultiplied
        || image.format() == QImage::Format_ARGB32;
}

} // namespace

// ---------------------------------------------------------------- tools

void TGraphicsObject::Changed()
{
    if (m_canvas)
        m_canvas->toolChanged(m_kind);
    if (OnChange)
        OnChange(nullptr);
}

void TPen::SetColor(TColor color)
{
    if (m_color != color) {
        m_color = color;
        Changed();
    }
}

void TPen::SetWidth(int width)
{
    width = std::max(width, 1);
    if (m_width != width) {
        m_width = width;
        Changed();
    }
}

void TPen::SetStyle(TPenStyle style)
{
    if (m_style != style) {
        m_style = style;
        Changed();
    }
}

void TPen::SetMode(TPenMode mode)
{
    if (m_mode != mode) {
        m_mode = mode;
        Changed();
    }
}

void TPen::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TPen*>(source)) {
        m_color = other->m_color;
        m_width = other->m_width;
        m_style = other->m_style;
        m_mode = other->m_mode;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TBrush::SetColor(TColor color)
{
    // Choosing a colour makes a clear brush solid again, as the platform's brushes do.
    if (m_color != color || m_style == bsClear) {
        m_color = color;
        if (m_style == bsClear)
            m_style = bsSolid;
        Changed();
    }
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (m_style != style) {
        m_style = style;
        Changed();
    }
}

void TBrush::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TBrush*>(source)) {
        m_color = other->m_color;
        m_style = other->m_style;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

TFont::TFont()
    : m_name(QStringLiteral("MS Sans Serif"))
{
}

void TFont::SetName(const QString& name)
{
    if (m_name != name) {
        m_name = name;
        fontChanged();
    }
}

void TFont::SetHeight(int height)
{
    if (m_height != height) {
        m_height = height;
        fontChanged();
    }
}

int TFont::Size() const
{
    return -roundDiv((long long)m_height * 72, 96);
}

void TFont::SetSize(int points)
{
    SetHeight(-roundDiv((long long)points * 96, 72));
}

void TFont::SetStyle(TFontStyles style)
{
    if (m_style != style) {
        m_style = style;
        fontChanged();
    }
}

void TFont::SetColor(TColor color)
{
    if (m_color != color) {
        m_color = color;
        Changed();
    }
}

const QFont& TFont::Handle() const
{
    if (!m_handle) {
        int styles = 0;
        if (m_style & fsBold)
            styles |= Fonts::Bold;
        if (m_style & fsItalic)
            styles |= Fonts::Italic;
        if (m_style & fsUnderline)
            styles |= Fonts::Underline;
        QFont font = Fonts::Make(m_name, m_height, styles);
        font.setStrikeOut(m_style & fsStrikeOut);
        m_handle = font;
    }
    return *m_handle;
}

void TFont::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TFont*>(source)) {
        m_name = other->m_name;
        m_height = other->m_height;
        m_style = other->m_style;
        m_color = other->m_color;
        m_handle = other->m_handle;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TFont::fontChanged()
{
    m_handle.reset();
    Changed();
}

// ---------------------------------------------------------------- canvas

TCanvas::TCanvas(QImage* image)
    : m_image(image)
{
    m_pen.m_canvas = this;
    m_pen.m_kind = PenTool;
    m_brush.m_canvas = this;
    m_brush.m_kind = BrushTool;
    m_font.m_canvas = this;
    m_font.m_kind = FontTool;
}

TCanvas::~TCanvas()
{
    Release();
}

void TCanvas::SetImage(QImage* image)
{
    Release();
    m_image = image;
}

void TCanvas::Release()
{
    if (m_painter.isActive())
        m_painter.end();
}

QPainter& TCanvas::painter()
{
    if (!m_painter.isActive()) {
        if (!m_image || m_image->isNull())
            throw EInvalidOperation(QStringLiteral("Canvas does not allow drawing"));
        m_painter.begin(m_image);
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setRenderHint(QPainter::TextAntialiasing, true);
        applyClip();
        m_composition = QPainter::CompositionMode_SourceOver;
        invalidateTools();
    }
    return m_painter;
}

void TCanvas::invalidateTools()
{
    m_penDirty = m_brushDirty = m_fontDirty = true;
    m_role = Role::None;
    m_composition = m_painter.isActive() ? m_painter.compositionMode() : m_composition;
}

void TCanvas::toolChanged(int kind)
{
    switch (kind) {
    case PenTool:
        m_penDirty = true;
        break;
    case BrushTool:
        m_brushDirty = true;
        break;
    default:
        m_fontDirty = true;
        m_metrics.reset();
        break;
    }
}

void TCanvas::applyComposition(QPainter::CompositionMode mode)
{
    if (m_composition != mode) {
        m_painter.setCompositionMode(mode);
        m_composition = mode;
    }
}

QPainter::CompositionMode TCanvas::penComposition() const
{
    switch (m_pen.Mode()) {
    case pmBlack:
        return QPainter::RasterOp_ClearDestination;
    case pmWhite:
        return QPainter::RasterOp_SetDestination;
    case pmNop:
        return QPainter::CompositionMode_Destination;
    case pmNot:
        return QPainter::RasterOp_NotDestination;
    case pmNotCopy:
        return QPainter::RasterOp_NotSource;
    case pmMergePenNot:
        return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot:
        return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen:
        return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen:
        return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge:
        return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask:
        return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

bool TCanvas::usePen()
{
    if (m_pen.Style() == psClear)
        return false;
    QPainter& p = painter();
    if (m_penDirty) {
        m_qpen.setColor(ToQColor(m_pen.Color()));
        m_qpen.setStyle(qtPenStyle(m_pen.Style()));
        if (m_pen.Width() <= 1) {
            m_qpen.setWidth(0);
            m_qpen.setCapStyle(Qt::SquareCap);
        } else {
            m_qpen.setWidth(m_pen.Width());
            m_qpen.setCapStyle(Qt::RoundCap);
            m_qpen.setJoinStyle(Qt::RoundJoin);
        }
        m_penDirty = false;
        m_role = Role::None;
    }
    if (m_role != Role::Line) {
        p.setPen(m_qpen);
        m_role = Role::Line;
    }
    applyComposition(penComposition());
    return true;
}

bool TCanvas::useBrush()
{
    QPainter& p = painter();
    if (m_brushDirty) {
        if (m_brush.Style() == bsClear)
            p.setBrush(Qt::NoBrush);
        else
            p.setBrush(QBrush(ToQColor(m_brush.Color()), qtBrushStyle(m_brush.Style())));
        m_brushDirty = false;
    }
    return m_brush.Style() != bsClear;
}

void TCanvas::useText()
{
    QPainter& p = painter();
    if (m_fontDirty) {
        p.setFont(m_font.Handle());
        m_textPen = QPen(ToQColor(m_font.Color()));
        m_fontDirty = false;
        m_role = Role::None;
    }
    if (m_role != Role::Text) {
        p.setPen(m_textPen);
        m_role = Role::Text;
    }
    applyComposition(QPainter::CompositionMode_SourceOver);
}

const QFontMetrics& TCanvas::FontMetrics() const
{
    if (!m_metrics)
        m_metrics.emplace(m_font.Handle());
    return *m_metrics;
}

void TCanvas::SetCopyMode(TCopyMode mode)
{
    switch (mode) {
    case cmBlackness:
    case cmDstInvert:
    case cmMergePaint:
    case cmNotSrcCopy:
    case cmNotSrcErase:
    case cmPatCopy:
    case cmPatInvert:
    case cmSrcAnd:
    case cmSrcCopy:
    case cmSrcErase:
    case cmSrcInvert:
    case cmSrcPaint:
    case cmWhiteness:
        m_copyMode = mode;
        return;
    default:
        throw EInvalidOperation(
            QStringLiteral("Copy mode %1 is not supported").arg(mode, 8, 16, QLatin1Char('0')));
    }
}

// ---------------------------------------------------------------- lines and shapes

void TCanvas::LineTo(int x, int y)
{
    const TPoint from = m_penPos;
    const TPoint to(x, y);
    m_penPos = to;
    if (from == to || !usePen())
        return;
    const TPoint last = lastPixel(from, to);
    if (last == from)
        m_painter.drawPoint(from.X, from.Y);
    else
        m_painter.drawLine(from.X, from.Y, last.X, last.Y);
}

void TCanvas::Polyline(std::span<const TPoint> points)
{
    if (points.empty())
        return;
    const TPoint saved = m_penPos;
    m_penPos = points[0];
    for (size_t i = 1; i < points.size(); ++i)
        LineTo(points[i].X, points[i].Y);
    m_penPos = saved;
}

void TCanvas::Polygon(std::span<const TPoint> points)
{
    if (points.size() < 2)
        return;
    QPainter& p = painter();
    const bool pen = usePen();
    if (!pen) {
        p.setPen(Qt::NoPen);
        m_role = Role::None;
        applyComposition(penComposition());
    }
    useBrush();
    // The points are stored as QPoint-compatible pairs of ints.
    static_assert(sizeof(TPoint) == sizeof(QPoint));
    p.drawPolygon(
        reinterpret_cast<const QPoint*>(points.data()), int(points.size()), Qt::WindingFill);
}

void TCanvas::Rectangle(const TRect& r)
{
    if (r.IsEmpty())
        return;
    QPainter& p = painter();
    const bool pen = usePen();
    const bool brush = useBrush();
    if (pen) {
        p.drawRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
    } else if (brush) {
        // Without a pen the fill leaves out the last row and column, as the
        // platform's rectangle does.
        applyComposition(penComposition());
        p.fillRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1), p.brush());
    }
}

void TCanvas::Ellipse(const TRect& r)
{
    if (r.IsEmpty())
        return;
    QPainter& p = painter();
    if (!usePen()) {
        p.setPen(Qt::NoPen);
        m_role = Role::None;
        applyComposition(penComposition());
    }
    useBrush();
    p.drawEllipse(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void TCanvas::FillRect(const TRect& r)
{
    if (r.IsEmpty() || m_brush.Style() == bsClear)
        return;
    if (m_brush.Style() == bsSolid) {
        FillSolid(r, m_brush.Color());
        return;
    }
    QPainter& p = painter();
    useBrush();
    applyComposition(QPainter::CompositionMode_SourceOver);
    p.fillRect(r.ToQRect(), p.brush());
}

void TCanvas::FrameRect(const TRect& r)
{
    if (r.IsEmpty() || m_brush.Style() == bsClear)
        return;
    const TColor c = m_brush.Color();
    FillSolid(TRect(r.Left, r.Top, r.Right, r.Top + 1), c);
    FillSolid(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom), c);
    FillSolid(TRect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1), c);
    FillSolid(TRect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1), c);
}

bool TCanvas::DirectArea(TRect& area) const
{
    if (!m_image || !directlyWritable(*m_image) || !m_image->isDetached())
        return false;
    area = area.Intersected(TRect(0, 0, m_image->width(), m_image->height()));
    if (!HasClip())
        return true;
    const QRegion clip = ClipRegion();
    if (clip.rectCount() > 1)
        return false;
    area = area.Intersected(TRect::FromQRect(clip.boundingRect()));
    return true;
}

// Filling rows is most of what solid fills and gradients do. The stores are
// written out eight pixels at a time because the compiler vectorises the plain
// loop only at -O3, and the program is normally built with -O2: one 256-bit
// store in the copy picked where the processor has AVX2, two 128-bit ones in the
// other.
__attribute__((target_clones("avx2", "default"))) void TCanvas::FillPixels(
    QRgb* first, int count, QRgb value)
{
    using Eight = QRgb __attribute__((vector_size(8 * sizeof(QRgb))));
    const Eight eight = Eight {} + value;
    int i = 0;
    for (; i + 8 <= count; i += 8)
        std::memcpy(first + i, &eight, sizeof eight);
    for (; i < count; ++i)
        first[i] = value;
}

QRgb TCanvas::PixelValue(TColor color)
{
    const auto c = static_cast<std::uint32_t>(ColorToRGB(color));
    return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

void TCanvas::FillSolid(const TRect& r, TColor color)
{
    if (r.IsEmpty())
        return;
    TRect area = r;
    if (DirectArea(area)) {
        // Straight into the rows: the painter holds no pixels of its own.
        if (area.IsEmpty())
            return;
        const QRgb rgb = PixelValue(color);
        for (int y = area.Top; y < area.Bottom; ++y) {
            FillPixels(
                reinterpret_cast<QRgb*>(m_image->scanLine(y)) + area.Left, area.Width(), rgb);
        }
        return;
    }
    QPainter& p = painter();
    applyComposition(QPainter::CompositionMode_SourceOver);
    p.fillRect(r.ToQRect(), ToQColor(color));
}

void TCanvas::DrawFocusRect(const TRect& r)
{
    if (r.IsEmpty())
        return;
    QPainter& p = painter();
    p.setPen(QPen(Qt::black, 0));
    m_role = Role::None;
    applyComposition(QPainter::RasterOp_NotDestination);
    QPoint buffer[128];
    int n = 0;
    auto flush = [&] {
        if (n)
            p.drawPoints(buffer, n);
        n = 0;
    };
    auto add = [&](int x, int y) {
        if (((x - r.Left) + (y - r.Top)) % 2 == 0) {
            buffer[n++] = QPoint(x, y);
            if (n == 128)
                flush();
        }
    };
    for (int x = r.Left; x < r.Right; ++x)
        add(x, r.Top);
    if (r.Height() > 1)
        for (int x = r.Left; x < r.Right; ++x)
            add(x, r.Bottom - 1);
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        add(r.Left, y);
        if (r.Width() > 1)
            add(r.Right - 1, y);
    }
    flush();
}

TColor TCanvas::Pixel(int x, int y) const
{
    if (!m_image || !m_image->valid(x, y))
        return TColor(-1);
    return FromQColor(QColor(m_image->pixel(x, y)));
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    FillSolid(TRect(x, y, x + 1, y + 1), color);
}

// ---------------------------------------------------------------- text

int TCanvas::TextWidth(const QString& text) const
{
    return FontMetrics().horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString&) const
{
    return FontMetrics().height();
}

void TCanvas::opaqueFill(const QRect& r)
{
    if (m_brush.Style() != bsClear && !r.isEmpty())
        FillSolid(TRect::FromQRect(r), m_brush.Color());
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    const QFontMetrics& fm = FontMetrics();
    const int width = fm.horizontalAdvance(text);
    opaqueFill(QRect(x, y, width, fm.height()));
    useText();
    m_painter.drawText(QPoint(x, y + fm.ascent()), text);
    m_penPos = TPoint(x + width, y);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text)
{
    QPainter& p = painter();
    p.save();
    p.setClipRect(r.ToQRect(), HasClip() ? Qt::IntersectClip : Qt::ReplaceClip);
    m_role = Role::None;
    opaqueFill(r.ToQRect());
    useText();
    p.drawText(QPoint(x, y + FontMetrics().ascent()), text);
    p.restore();
    invalidateTools();
}

int TCanvas::DrawText(const QString& text, TRect& r, unsigned flags)
{
    const QFontMetrics& fm = FontMetrics();
    const bool prefix = !(flags & DT_NOPREFIX);
    const bool single = flags & DT_SINGLELINE;
    const bool wrap = !single && (flags & DT_WORDBREAK);

    int qtFlags = Qt::AlignAbsolute;
    if (flags & DT_CENTER)
        qtFlags |= Qt::AlignHCenter;
    else if (flags & DT_RIGHT)
        qtFlags |= Qt::AlignRight;
    else
        qtFlags |= Qt::AlignLeft;
    // Vertical placement applies to a single line only.
    if (single && (flags & DT_VCENTER))
        qtFlags |= Qt::AlignVCenter;
    else if (single && (flags & DT_BOTTOM))
        qtFlags |= Qt::AlignBottom;
    else
        qtFlags |= Qt::AlignTop;
    if (single)
        qtFlags |= Qt::TextSingleLine;
    if (wrap)
        qtFlags |= Qt::TextWordWrap;
    if (flags & DT_EXPANDTABS)
        qtFlags |= Qt::TextExpandTabs;
    if (prefix)
        qtFlags |= Qt::TextShowMnemonic;
    if (flags & DT_NOCLIP)
        qtFlags |= Qt::TextDontClip;

    QString shown = text;
    if (single)
        shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if ((flags & DT_END_ELLIPSIS) && !wrap) {
        const int ellipsisFlags = prefix ? int(Qt::TextShowMnemonic) : 0;
        if (single) {
            shown = fm.elidedText(shown, Qt::ElideRight, r.Width(), ellipsisFlags);
        } else {
            QStringList lines = shown.split(QLatin1Char('\n'));
            for (QString& line : lines)
                line = fm.elidedText(line, Qt::ElideRight, r.Width(), ellipsisFlags);
            shown = lines.join(QLatin1Char('\n'));
        }
    }

    const QRect box = r.ToQRect();
    QRect bounds;
    if (single) {
        // The width costs another layout of the text, and only a rectangle to be
        // computed and an opaque background need it: a grid draws many cells.
        const bool needWidth = (flags & DT_CALCRECT) || m_brush.Style() != bsClear;
        const int width
            = needWidth ? fm.horizontalAdvance(prefix ? stripPrefixes(shown) : shown) : 0;
        bounds = QRect(0, 0, width, fm.height());
    } else {
        bounds = fm.boundingRect(QRect(0, 0, std::max(box.width(), 1), 1 << 20),
            (qtFlags & ~(Qt::AlignVertical_Mask | Qt::AlignHorizontal_Mask)) | Qt::AlignLeft
                | Qt::AlignTop,
            shown);
        bounds.moveTo(0, 0);
    }
    if (flags & DT_CALCRECT) {
        r.Right = r.Left + (wrap ? std::max(box.width(), bounds.width()) : bounds.width());
        r.Bottom = r.Top + bounds.height();
        return bounds.height();
    }
    if (shown.isEmpty())
        return 0;

    if (m_brush.Style() != bsClear) {
        // An opaque background covers the text's own box, not the whole rectangle.
        const QRect back = QStyle::alignedRect(Qt::LeftToRight,
            Qt::Alignment(qtFlags & (Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask)),
            bounds.size(), box);
        opaqueFill(flags & DT_NOCLIP ? back : back.intersected(box));
    }
    QPainter& p = painter();
    useText();
    const bool rtl = flags & DT_RTLREADING;
    if (rtl)
        p.setLayoutDirection(Qt::RightToLeft);
    p.drawText(box, qtFlags, shown);
    if (rtl)
        p.setLayoutDirection(Qt::LeftToRight);
    return bounds.height();
}

// ---------------------------------------------------------------- images

void TCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    if (graphic.Empty())
        return;
    graphic.Draw(*this, TRect::Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic& graphic)
{
    if (graphic.Empty() || r.IsEmpty())
        return;
    graphic.Draw(*this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect)
{
    if (!source.m_image)
        throw EInvalidOperation(QStringLiteral("Canvas does not allow drawing"));
    if (&source == this) {
        // Reading and writing the same pixels: take the source area first.
        const QImage copy = m_image->copy(srcRect.ToQRect());
        DrawImage(dest, copy, TRect(0, 0, copy.width(), copy.height()));
        return;
    }
    DrawImage(dest, *source.m_image, srcRect);
}

void TCanvas::DrawImage(const TRect& dest, const QImage& image, const TRect& srcRect)
{
    if (dest.IsEmpty())
        return;
    QPainter& p = painter();
    const QRect target = dest.ToQRect();
    switch (m_copyMode) {
    case cmDstInvert:
        applyComposition(QPainter::RasterOp_NotDestination);
        p.fillRect(target, Qt::black);
        return;
    case cmBlackness:
    case cmWhiteness:
        applyComposition(QPainter::CompositionMode_SourceOver);
        p.fillRect(target, m_copyMode == cmBlackness ? Qt::black : Qt::white);
        return;
    case cmPatCopy:
    case cmPatInvert:
        applyComposition(m_copyMode == cmPatCopy ? QPainter::CompositionMode_SourceOver
                                                 : QPainter::RasterOp_SourceXorDestination);
        p.fillRect(target, ToQColor(m_brush.Color()));
        return;
    case cmNotSrcCopy:
        applyComposition(QPainter::RasterOp_NotSource);
        break;
    case cmSrcAnd:
        applyComposition(QPainter::RasterOp_SourceAndDestination);
        break;
    case cmSrcPaint:
        applyComposition(QPainter::RasterOp_SourceOrDestination);
        break;
    case cmSrcInvert:
        applyComposition(QPainter::RasterOp_SourceXorDestination);
        break;
    case cmSrcErase:
        applyComposition(QPainter::RasterOp_SourceAndNotDestination);
        break;
    case cmNotSrcErase:
        applyComposition(QPainter::RasterOp_NotSourceAndNotDestination);
        break;
    case cmMergePaint:
        applyComposition(QPainter::RasterOp_NotSourceOrDestination);
        break;
    default:
        applyComposition(QPainter::CompositionMode_Source);
        break;
    }
    p.drawImage(target, image, srcRect.ToQRect());
}

// ---------------------------------------------------------------- clipping

TRect TCanvas::ClipRect() const
{
    if (HasClip())
        return TRect::FromQRect(ClipRegion().boundingRect());
    if (!m_image)
        return TRect();
    return TRect(0, 0, m_image->width(), m_image->height());
}

QRegion TCanvas::ClipRegion() const
{
    if (m_hasClip && m_hasDeviceClip)
        return m_clip.intersected(m_deviceClip);
    return m_hasClip ? m_clip : m_deviceClip;
}

void TCanvas::applyClip()
{
    if (!m_painter.isActive())
        return;
    if (HasClip())
        m_painter.setClipRegion(ClipRegion());
    else
        m_painter.setClipping(false);
}

void TCanvas::SetClipRect(const TRect& r)
{
    SetClipRegion(QRegion(r.ToQRect()));
}

void TCanvas::SetClipRegion(const QRegion& region)
{
    m_clip = region;
    m_hasClip = true;
    applyClip();
}

void TCanvas::ResetClip()
{
    m_clip = QRegion();
    m_hasClip = false;
    applyClip();
}

void TCanvas::SetDeviceClip(const QRegion& region)
{
    m_deviceClip = region;
    m_hasDeviceClip = true;
    applyClip();
}

void TCanvas::ResetDeviceClip()
{
    m_deviceClip = QRegion();
    m_hasDeviceClip = false;
    applyClip();
}
