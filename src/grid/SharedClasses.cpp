#include "SharedClasses.h"

#include "ThemesSupport.h"

#include <array>
#include <cmath>

namespace {

void checkAlpha(int alpha)
{
    if (alpha < 0 || alpha > 255)
        throw EAssertionFailed(
            QStringLiteral("Assertion failed: alpha %1 outside 0..255 (SharedClasses)").arg(alpha));
}

// The packed mix of two 0x00??????-laid-out colours: red and blue travel
// together in one word, green in another, and the sum is divided by 256.
inline std::uint32_t blendPacked(std::uint32_t a, std::uint32_t b, std::uint32_t alpha)
{
    const std::uint32_t n = 255 - alpha;
    const std::uint32_t rb = (alpha * (a & 0x00FF00FFu) + n * (b & 0x00FF00FFu)) & 0xFF00FF00u;
    const std::uint32_t g = (alpha * (a & 0x0000FF00u) + n * (b & 0x0000FF00u)) & 0x00FF0000u;
    return (rb | g) >> 8;
}

inline std::uint32_t grayOfBgr(const uchar* p)
{
    return (p[2] * 77u + p[1] * 151u + p[0] * 28u) >> 8;
}

inline std::uint32_t packBgr(const uchar* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}

// Bytes per pixel of an image whose rows hold blue, green, red first; 0 otherwise.
int bgrStride(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_BGR888:
        return 3;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return 4;
    default:
        return 0;
    }
}

QImage asBgr(const QImage& image)
{
    return bgrStride(image) ? image : image.convertToFormat(QImage::Format_RGB32);
}

// Where a picture of w x h at (x, y) can be mixed straight into the canvas's own
// pixels: the copy mode copies, the clip (if any) is one rectangle, and the rows
// are 32-bit. Returns the area to mix in canvas coordinates, or an empty one
// when the canvas needs the general path.
bool directTarget(TCanvas& canvas, int x, int y, int w, int h, TRect& area)
{
    QImage* image = canvas.Image();
    if (!image || canvas.CopyMode() != cmSrcCopy || bgrStride(*image) != 4 || !image->isDetached())
        return false;
    if (canvas.HasClip() && canvas.ClipRegion().rectCount() > 1)
        return false;
    area = TRect::Bounds(x, y, w, h)
               .Intersected(TRect(0, 0, image->width(), image->height()))
               .Intersected(canvas.ClipRect());
    return true;
}

// Mixes image into dst (32-bit rows) through mask over a w x h area; (sx, sy)
// is the area's corner in the image and mask, (dx, dy) in dst.
template <int MaskStride, int ImageStride>
void maskRows(QImage& dst, int dx, int dy, const QImage& mask, const QImage& image, int sx, int sy,
    int w, int h)
{
    for (int row = 0; row < h; ++row) {
        auto* d = reinterpret_cast<std::uint32_t*>(dst.scanLine(dy + row)) + dx;
        const uchar* m = mask.constScanLine(sy + row) + sx * MaskStride;
        const uchar* s = image.constScanLine(sy + row) + sx * ImageStride;
        for (int col = 0; col < w; ++col, m += MaskStride, s += ImageStride) {
            const std::uint32_t old = d[col];
            d[col] = (old & 0xFF000000u) | blendPacked(packBgr(s), old, grayOfBgr(m));
        }
    }
}

void maskInto(QImage& dst, int dx, int dy, const QImage& mask, const QImage& image, int sx, int sy,
    int w, int h)
{
    const int ms = bgrStride(mask), is = bgrStride(image);
    if (ms == 3 && is == 3)
        maskRows<3, 3>(dst, dx, dy, mask, image, sx, sy, w, h);
    else if (ms == 3)
        maskRows<3, 4>(dst, dx, dy, mask, image, sx, sy, w, h);
    else if (is == 3)
        maskRows<4, 3>(dst, dx, dy, mask, image, sx, sy, w, h);
    else
        maskRows<4, 4>(dst, dx, dy, mask, image, sx, sy, w, h);
}

void alphaInto(QImage& dst, int dx, int dy, const QImage& source, int sx, int sy, int w, int h)
{
    for (int row = 0; row < h; ++row) {
        auto* d = reinterpret_cast<std::uint32_t*>(dst.scanLine(dy + row)) + dx;
        const uchar* s = source.constScanLine(sy + row) + sx * 4;
        for (int col = 0; col < w; ++col, s += 4) {
            const std::uint32_t old = d[col];
            d[col] = (old & 0xFF000000u) | blendPacked(packBgr(s), old, s[3]);
        }
    }
}

// The canvas area at (x, y) as a 32-bit work image (what is already drawn there).
QImage canvasArea(TCanvas& canvas, int x, int y, int w, int h)
{
    QImage work(w, h, QImage::Format_RGB32);
    work.fill(Qt::black);
    if (const QImage* image = canvas.Image()) {
        const QRect from = QRect(x, y, w, h).intersected(image->rect());
        for (int row = 0; row < from.height(); ++row)
            for (int col = 0; col < from.width(); ++col)
                work.setPixel(from.x() - x + col, from.y() - y + row,
                    image->pixel(from.x() + col, from.y() + row));
    }
    return work;
}

} // namespace

// ---------------------------------------------------------------- TCalcProvider

TRect TCalcProvider::OffsetRectSides(
    const TRect& rect, int dLeft, int dTop, int dRight, int dBottom)
{
    return TRect(rect.Left + dLeft, rect.Top + dTop, rect.Right + dRight, rect.Bottom + dBottom);
}

TPoint TCalcProvider::PlaceInRect(int width, int height, TVerticalAlignment verticalAlignment,
    TAlignment alignment, const TRect& rect, int margin)
{
    TPoint p;
    switch (alignment) {
    case taRightJustify:
        p.X = rect.Right - (width + margin);
        break;
    case taCenter:
        p.X = (rect.Left + rect.Right) / 2 - width / 2;
        break;
    default:
        p.X = rect.Left + margin;
        break;
    }
    switch (verticalAlignment) {
    case vaMiddle:
        p.Y = (rect.Top + rect.Bottom) / 2 - height / 2;
        break;
    case vaBottom:
        p.Y = rect.Bottom - (height + margin);
        break;
    default:
        p.Y = rect.Top + margin;
        break;
    }
    return p;
}

bool TCalcProvider::RectsIntersect(const TRect& a, const TRect& b)
{
    return !(a.Right < b.Left || b.Right < a.Left || a.Bottom < b.Top || b.Bottom < a.Top);
}

double Percentage(double max, double value)
{
    if (max == 0)
        throw Exception(QStringLiteral("Floating point division by zero"));
    return value / max * 100;
}

// ---------------------------------------------------------------- TGraphicsProvider

TColor TGraphicsProvider::BlendColors(TColor a, TColor b, int alpha)
{
    checkAlpha(alpha);
    return TColor(blendPacked(
        std::uint32_t(ColorToRGB(a)), std::uint32_t(ColorToRGB(b)), std::uint32_t(alpha)));
}

TColor TGraphicsProvider::MixColors(TColor a, TColor b, double ratio)
{
    const auto ca = std::uint32_t(ColorToRGB(a));
    const auto cb = std::uint32_t(ColorToRGB(b));
    TColor result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double x = double((ca >> shift) & 0xFF);
        const double y = double((cb >> shift) & 0xFF);
        // Halves go to the even neighbour, as the original's rounding does.
        const auto channel = std::uint32_t(std::nearbyint(y * ratio + x * (1 - ratio))) & 0xFF;
        result |= TColor(channel << shift);
    }
    return result;
}

void TGraphicsProvider::SetClipRect(TCanvas& canvas, const TRect& rect)
{
    canvas.SetClipRect(rect);
}

void TGraphicsProvider::Frame3D(
    TCanvas& canvas, const TRect& rect, TColor topColor, TColor bottomColor)
{
    if (rect.IsEmpty())
        return;
    const int r = rect.Right - 1, b = rect.Bottom - 1;
    canvas.Pen().SetColor(topColor);
    const std::array<TPoint, 3> topLeft
        = { Point(rect.Left, b), Point(rect.Left, rect.Top), Point(r, rect.Top) };
    canvas.Polyline(topLeft);
    canvas.Pen().SetColor(bottomColor);
    const std::array<TPoint, 3> bottomRight
        = { Point(r, rect.Top), Point(r, b), Point(rect.Left - 1, b) };
    canvas.Polyline(bottomRight);
}

void TGraphicsProvider::DrawButtonFace(TCanvas& canvas, const TRect& rect, bool dark)
{
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(rect);
    Frame3D(canvas, rect, clBtnHighlight, dark ? clWindowFrame : clBtnShadow);
}

void TGraphicsProvider::DrawSelectionFrame(TCanvas& canvas, const TRect& rect, bool solid)
{
    if (solid) {
        canvas.Brush().SetColor(clHighlight);
        canvas.Brush().SetStyle(bsSolid);
        canvas.FrameRect(rect);
    } else {
        canvas.DrawFocusRect(rect);
    }
}

int TGraphicsProvider::CheckBoxThemeState(bool checked, bool pressed, bool hot)
{
    if (!hot)
        return checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL;
    if (checked)
        return pressed ? CBS_CHECKEDPRESSED : CBS_CHECKEDHOT;
    return pressed ? CBS_UNCHECKEDPRESSED : CBS_UNCHECKEDHOT;
}

void TGraphicsProvider::DrawClassicCheck(TCanvas& canvas, int x, int y, bool checked, bool pressed)
{
    canvas.Pen().SetColor(clBtnShadow);
    canvas.Pen().SetStyle(psSolid);
    canvas.Brush().SetColor(pressed ? clBtnFace : clWindow);
    canvas.Rectangle(TRect::Bounds(x, y, 11, 11));
    if (!checked)
        return;
    canvas.Pen().SetColor(clWindowText);
    for (int k = 0; k < 3; ++k) {
        canvas.MoveTo(x + 2, y + 4 + k);
        canvas.LineTo(x + 4, y + 6 + k);
        canvas.LineTo(x + 9, y + 1 + k);
    }
}

void TGraphicsProvider::DrawCheckBox(const QWidget* window, TCanvas& canvas, const TRect& rect,
    TAlignment alignment, TVerticalAlignment verticalAlignment, bool checked, bool pressed,
    bool hot)
{
    if (ThemesAvailable()) {
        const TPoint p = TCalcProvider::PlaceInRect(13, 13, verticalAlignment, alignment, rect, 2);
        DrawThemed(window, canvas, TRect::Bounds(p.X, p.Y, 13, 13), BP_CHECKBOX,
            CheckBoxThemeState(checked, pressed, hot), QStringLiteral("Button"));
        return;
    }
    const TPoint p = TCalcProvider::PlaceInRect(11, 11, verticalAlignment, alignment, rect, 2);
    DrawClassicCheck(canvas, p.X, p.Y, checked, pressed);
}

void TGraphicsProvider::DrawVerticalGradient(
    TCanvas& canvas, const TRect& rect, TColor top, TColor bottom)
{
    const int height = rect.Height();
    if (rect.IsEmpty())
        return;
    const TColor a = ColorToRGB(top), b = ColorToRGB(bottom);
    TColor c = a;
    for (int y = rect.Top; y < rect.Bottom; ++y) {
        c = MixColors(a, b, double(y - rect.Top) / height);
        canvas.FillSolid(TRect(rect.Left, y, rect.Right, y + 1), c);
    }
    canvas.Pen().SetColor(c);
}

void TGraphicsProvider::DrawHorizontalGradient(
    TCanvas& canvas, const TRect& rect, TColor left, TColor right)
{
    const int width = rect.Width();
    if (rect.IsEmpty())
        return;
    const TColor a = ColorToRGB(left), b = ColorToRGB(right);
    TColor c = a;
    for (int x = rect.Left; x < rect.Right; ++x) {
        c = MixColors(a, b, double(x - rect.Left) / width);
        canvas.FillSolid(TRect(x, rect.Top, x + 1, rect.Bottom), c);
    }
    canvas.Pen().SetColor(c);
}

void TGraphicsProvider::DrawCaption(
    TCanvas& canvas, const TRect& rect, const QString& text, TAlignment alignment, bool rightToLeft)
{
    unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
    if (alignment == taRightJustify)
        flags |= DT_RIGHT;
    else if (alignment == taCenter)
        flags |= DT_CENTER;
    if (rightToLeft)
        flags |= DT_RTLREADING;
    canvas.Brush().SetStyle(bsClear);
    TRect r = rect;
    canvas.DrawText(DrawingText(text), r, flags);
    canvas.Brush().SetStyle(bsSolid);
}

void TGraphicsProvider::DrawIndicatorCell(
    TCanvas& canvas, const TRect& rect, bool pushed, bool inverted, bool currentRow)
{
    if (pushed) {
        DrawButtonFace(canvas, rect, true);
    } else {
        canvas.Brush().SetColor(clBtnFace);
        canvas.FillRect(rect);
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(rect.Left, rect.Top);
        canvas.LineTo(rect.Left, rect.Bottom);
        canvas.MoveTo(rect.Left + 2, rect.Top);
        canvas.LineTo(rect.Right - 2, rect.Top);
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(rect.Right - 1, rect.Top);
        canvas.LineTo(rect.Right - 1, rect.Bottom);
        canvas.MoveTo(rect.Left + 2, rect.Bottom - 1);
        canvas.LineTo(rect.Right - 2, rect.Bottom - 1);
        canvas.SetPixel(rect.Left, rect.Top, clBtnFace);
        canvas.SetPixel(rect.Left, rect.Bottom - 1, clBtnFace);
        canvas.SetPixel(rect.Right - 1, rect.Top, clBtnFace);
        canvas.SetPixel(rect.Right - 1, rect.Bottom - 1, clBtnFace);
    }
    if (currentRow) {
        const TPoint p = TCalcProvider::PlaceInRect(6, 11, vaMiddle, taCenter, rect, 0);
        canvas.Pen().SetColor(clWindowText);
        canvas.Brush().SetColor(clWindowText);
        const std::array<TPoint, 3> arrow = { p, Point(p.X + 5, p.Y + 5), Point(p.X, p.Y + 10) };
        canvas.Polygon(arrow);
    }
    if (inverted) {
        const TCopyMode saved = canvas.CopyMode();
        canvas.SetCopyMode(cmDstInvert);
        canvas.CopyRect(rect, canvas, rect);
        canvas.SetCopyMode(saved);
    }
}

// ---------------------------------------------------------------- TMaskProvider

int TMaskProvider::GrayLevel(TColor color)
{
    const auto c = std::uint32_t(ColorToRGB(color));
    return int(((c & 0xFF) * 77 + ((c >> 8) & 0xFF) * 151 + ((c >> 16) & 0xFF) * 28) / 256);
}

TColor TMaskProvider::BlendColors(TColor a, TColor b, int alpha)
{
    return TGraphicsProvider::BlendColors(a, b, alpha);
}

TColorBytes TMaskProvider::SplitColor(TColor color)
{
    const auto c = std::uint32_t(ColorToRGB(color));
    return TColorBytes { std::uint8_t(c & 0xFF), std::uint8_t((c >> 8) & 0xFF),
        std::uint8_t((c >> 16) & 0xFF) };
}

void TMaskProvider::DrawMasked(
    TCanvas& canvas, int x, int y, const TBitmap& mask, const TBitmap& image)
{
    if (mask.Width() != image.Width() || mask.Height() != image.Height())
        throw Exception(QStringLiteral("Image and Mask size differ"));
    const int w = image.Width(), h = image.Height();
    if (w == 0 || h == 0)
        return;
    const QImage maskPixels = asBgr(mask.Image());
    const QImage imagePixels = asBgr(image.Image());
    TRect area;
    if (directTarget(canvas, x, y, w, h, area)) {
        if (!area.IsEmpty())
            maskInto(*canvas.Image(), area.Left, area.Top, maskPixels, imagePixels, area.Left - x,
                area.Top - y, area.Width(), area.Height());
        return;
    }
    QImage work = canvasArea(canvas, x, y, w, h);
    maskInto(work, 0, 0, maskPixels, imagePixels, 0, 0, w, h);
    canvas.DrawImage(TRect::Bounds(x, y, w, h), work, TRect(0, 0, w, h));
}

// ---------------------------------------------------------------- TDrawProvider

void TDrawProvider::DrawAlpha(TCanvas& canvas, int x, int y, const TGraphic& graphic)
{
    const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic);
    if (!bitmap || bitmap->PixelFormat() != pf32bit) {
        canvas.Draw(x, y, graphic);
        return;
    }
    const int w = bitmap->Width(), h = bitmap->Height();
    if (w == 0 || h == 0)
        return;
    const QImage& source = bitmap->Image();
    TRect area;
    if (directTarget(canvas, x, y, w, h, area)) {
        if (!area.IsEmpty())
            alphaInto(*canvas.Image(), area.Left, area.Top, source, area.Left - x, area.Top - y,
                area.Width(), area.Height());
        return;
    }
    QImage work = canvasArea(canvas, x, y, w, h);
    alphaInto(work, 0, 0, source, 0, 0, w, h);
    canvas.DrawImage(TRect::Bounds(x, y, w, h), work, TRect(0, 0, w, h));
}
