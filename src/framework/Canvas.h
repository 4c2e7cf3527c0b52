#pragma once

#include "Classes.h"
#include "Geometry.h"
#include "Graphics.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRegion>

#include <optional>
#include <span>

class TCanvas;
class TGraphic;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// How a line's colour meets what is already there (the binary raster operations).
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int;

// Copy modes are the platform's ternary raster operation codes, so stored
// values keep their meaning.
using TCopyMode = unsigned;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

// Text drawing flags (the values of the platform's text call).
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_RTLREADING = 0x20000;

// The drawing tools keep their settings as plain values; a canvas that uses one
// is told about each change so it can bring its painter up to date lazily, on
// the next drawing call that needs the tool.
class TGraphicsObject : public TPersistent
{
public:
    TGraphicsObject() = default;
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    friend class TCanvas;
    TCanvas* m_canvas = nullptr;
    int m_kind = 0;
};

class TPen : public TGraphicsObject
{
public:
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    int Width() const { return m_width; }
    void SetWidth(int width);
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode mode);

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TPen"); }

private:
    TColor m_color = clBlack;
    int m_width = 1;
    TPenStyle m_style = psSolid;
    TPenMode m_mode = pmCopy;
};

class TBrush : public TGraphicsObject
{
public:
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle style);

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TBrush"); }

private:
    TColor m_color = clWhite;
    TBrushStyle m_style = bsSolid;
};

// A font by its Windows name, mapped once to an installed family (Fonts::Make).
// Height is in pixels: negative for the character height, positive for the
// cell height; Size is in points at 96 pixels per inch.
class TFont : public TGraphicsObject
{
public:
    TFont();

    QString Name() const { return m_name; }
    void SetName(const QString& name);
    int Height() const { return m_height; }
    void SetHeight(int height);
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);

    // The Qt font; built again only after a change.
    const QFont& Handle() const;

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TFont"); }

private:
    void fontChanged();

    QString m_name;
    int m_height = -11;
    TFontStyles m_style = 0;
    TColor m_color = clWindowText;
    mutable std::optional<QFont> m_handle;
};

// Draws on an image with the conventions the components were written for:
// rectangles exclude their right and bottom edges, lines stop one pixel before
// their end point, text is drawn with the platform text call's flags, copy and
// pen modes include the inverting and XOR raster operations, and system colours
// are resolved through the application's palette when a tool is applied.
//
// The canvas keeps one QPainter open on its image between calls; Release()
// ends it (before the image is resized or its rows are written directly).
class TCanvas
{
public:
    explicit TCanvas(QImage* image = nullptr);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    QImage* Image() const { return m_image; }
    void SetImage(QImage* image);
    // Ends the painter; the next drawing call begins it again.
    void Release();

    TPen& Pen() { return m_pen; }
    TBrush& Brush() { return m_brush; }
    TFont& Font() { return m_font; }
    const TPen& Pen() const { return m_pen; }
    const TBrush& Brush() const { return m_brush; }
    const TFont& Font() const { return m_font; }

    TCopyMode CopyMode() const { return m_copyMode; }
    // Raises EInvalidOperation for a raster operation this canvas cannot perform.
    void SetCopyMode(TCopyMode mode);

    TPoint PenPos() const { return m_penPos; }
    void SetPenPos(const TPoint& p) { m_penPos = p; }
    void MoveTo(int x, int y) { m_penPos = TPoint(x, y); }
    // Draws from the pen position towards (x, y), leaving out the end point.
    void LineTo(int x, int y);
    // Connected lines through the points; the last point is not drawn.
    void Polyline(std::span<const TPoint> points);
    // Outlined with the pen, filled with the brush by the winding rule.
    void Polygon(std::span<const TPoint> points);
    // Outlined with the pen and filled with the brush, within [Left, Right) x [Top, Bottom).
    void Rectangle(const TRect& r);
    void Rectangle(int left, int top, int right, int bottom)
    {
        Rectangle(TRect(left, top, right, bottom));
    }
    void Ellipse(const TRect& r);
    // Fills with the brush; nothing for a clear brush.
    void FillRect(const TRect& r);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& r);
    // Fills with a colour without touching the brush (gradients, strips).
    void FillSolid(const TRect& r, TColor color);
    // Whether drawing code may write the pixels of area straight into the
    // image's rows (32-bit pixels, a clip of at most one rectangle, an image
    // not shared); area is cut to the part that may be written. The rows are
    // reached through Image()->scanLine().
    bool DirectArea(TRect& area) const;
    // A colour as a 32-bit pixel of the canvas's image (opaque).
    static QRgb PixelValue(TColor color);
    // Sets count pixels of a row from first on.
    static void FillPixels(QRgb* first, int count, QRgb value);
    // The dotted focus frame; inverting, so drawing it twice removes it.
    void DrawFocusRect(const TRect& r);

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // Text with its top-left corner at (x, y), in the font's colour; the pen
    // position moves to the end of the text. With a solid brush the text
    // cell is filled with the brush colour first.
    void TextOut(int x, int y, const QString& text);
    // As TextOut, clipped to r (and r filled first with a solid brush).
    void TextRect(const TRect& r, int x, int y, const QString& text);
    // The platform text call: lays out text in r by the DT_ flags and returns the
    // text's height. With DT_CALCRECT nothing is drawn and r's right and bottom
    // are set to fit the text.
    int DrawText(const QString& text, TRect& r, unsigned flags);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    const QFontMetrics& FontMetrics() const;

    // Draws a graphic by the current copy mode.
    void Draw(int x, int y, const TGraphic& graphic);
    void StretchDraw(const TRect& r, const TGraphic& graphic);
    // Copies srcRect of source into dest (stretching when the sizes differ) by the copy mode.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect);
    // Copies an image area by the copy mode; the common step of the three above.
    void DrawImage(const TRect& dest, const QImage& image, const TRect& srcRect);

    bool HasClip() const { return m_hasClip || m_hasDeviceClip; }
    // The clip's bounding box, or the whole image without a clip.
    TRect ClipRect() const;
    // The clip in force: the canvas's own, within the device clip.
    QRegion ClipRegion() const;
    void SetClipRect(const TRect& r);
    void SetClipRegion(const QRegion& region);
    void ResetClip();
    // The area a window allows drawing in while it paints (its update region).
    // Every clip set afterwards stays within it; ResetClip does not lift it.
    void SetDeviceClip(const QRegion& region);
    void ResetDeviceClip();

    // The painter with the canvas's clip, for drawing code of Qt's own (styles).
    // The tools are applied again afterwards, whatever the code did to it.
    template <typename Fn> void WithPainter(Fn&& fn)
    {
        QPainter& p = painter();
        p.save();
        // Plain painting, whatever raster operation the canvas's last call
        // (an inverted copy, a focus rectangle) left in the painter.
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        fn(p);
        p.restore();
        invalidateTools();
    }

private:
    friend class TGraphicsObject;
    enum class Role { None, Line, Fill, Text };

    QPainter& painter();
    void toolChanged(int kind);
    void invalidateTools();
    void applyComposition(QPainter::CompositionMode mode);
    bool usePen();
    bool useBrush();
    void useText();
    QPainter::CompositionMode penComposition() const;
    void opaqueFill(const QRect& r);

    QImage* m_image;
    QPainter m_painter;
    TPen m_pen;
    TBrush m_brush;
    TFont m_font;
    TCopyMode m_copyMode = cmSrcCopy;
    TPoint m_penPos;
    void applyClip();

    QRegion m_clip;
    bool m_hasClip = false;
    QRegion m_deviceClip;
    bool m_hasDeviceClip = false;

    // What the open painter currently holds.
    QPen m_qpen;
    QPen m_textPen;
    bool m_penDirty = true;
    bool m_brushDirty = true;
    bool m_fontDirty = true;
    Role m_role = Role::None;
    QPainter::CompositionMode m_composition = QPainter::CompositionMode_SourceOver;
    mutable std::optional<QFontMetrics> m_metrics;
};
