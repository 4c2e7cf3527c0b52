#pragma once

#include "Bitmap.h"
#include "Canvas.h"
#include "Geometry.h"
#include "Graphics.h"
#include "SuiteCommon.h"

#include <cstdint>

class QWidget;

// Drawing helpers shared by the grid's painters. The providers are never
// instantiated: each is a namespace of class methods. They draw on the canvas
// they are given with its current pen, brush and font unless a helper says
// otherwise, and leave their changes to the tools in place.

// Rectangle arithmetic.
class TCalcProvider
{
public:
    TCalcProvider() = delete;

    static TRect OffsetRectSides(const TRect& rect, int dLeft, int dTop, int dRight, int dBottom);
    // The top-left corner of a Width x Height item aligned inside Rect; the
    // margin applies to the left, right, top and bottom placements, not to a
    // centred axis. Centres use integer division that truncates towards zero.
    static TPoint PlaceInRect(int width, int height, TVerticalAlignment verticalAlignment,
        TAlignment alignment, const TRect& rect, int margin);
    // False only when one lies wholly beside, above or below the other with a
    // gap; touching edges count as intersecting.
    static bool RectsIntersect(const TRect& a, const TRect& b);
};

// Value as a percentage of Max; a Max of 0 raises a division-by-zero error.
double Percentage(double max, double value);

// Colour mixing, gradients, check boxes, captions and frames.
class TGraphicsProvider
{
public:
    TGraphicsProvider() = delete;

    // Each channel becomes (A x Alpha + B x (255 - Alpha)) div 256, system
    // colours resolved first. Alpha outside 0 .. 255 fails with EAssertionFailed.
    static TColor BlendColors(TColor a, TColor b, int alpha);
    // Each channel becomes round(B x Ratio + A x (1 - Ratio)).
    static TColor MixColors(TColor a, TColor b, double ratio);
    static void SetClipRect(TCanvas& canvas, const TRect& rect);
    // A one-pixel 3D frame on the outermost pixels of Rect: top and left in
    // TopColor, right and bottom in BottomColor (which owns the two far corners).
    static void Frame3D(TCanvas& canvas, const TRect& rect, TColor topColor, TColor bottomColor);
    static void DrawButtonFace(TCanvas& canvas, const TRect& rect, bool dark);
    // Solid: a one-pixel clHighlight frame; otherwise the inverting dotted focus frame.
    static void DrawSelectionFrame(TCanvas& canvas, const TRect& rect, bool solid);
    // A check box placed in Rect with a 2-pixel margin: the themed 13-pixel
    // square when themes are available, else the classic 11-pixel one.
    static void DrawCheckBox(const QWidget* window, TCanvas& canvas, const TRect& rect,
        TAlignment alignment, TVerticalAlignment verticalAlignment, bool checked, bool pressed,
        bool hot);
    // The classic 11 x 11 check box with its top-left corner at (x, y).
    static void DrawClassicCheck(TCanvas& canvas, int x, int y, bool checked, bool pressed);
    // The theme state of the "Button" class's check-box part.
    static int CheckBoxThemeState(bool checked, bool pressed, bool hot);
    // One line per row (or column) from the first colour towards the second;
    // the last line stops one step short of the second colour. The pen keeps
    // the last line's colour.
    static void DrawVerticalGradient(TCanvas& canvas, const TRect& rect, TColor top, TColor bottom);
    static void DrawHorizontalGradient(
        TCanvas& canvas, const TRect& rect, TColor left, TColor right);
    // One line, vertically centred, cut with an ellipsis, '&' drawn as itself.
    static void DrawCaption(TCanvas& canvas, const TRect& rect, const QString& text,
        TAlignment alignment, bool rightToLeft);
    static void DrawIndicatorCell(
        TCanvas& canvas, const TRect& rect, bool pushed, bool inverted, bool currentRow);
};

struct TColorBytes
{
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const TColorBytes&, const TColorBytes&) = default;
};

// Drawing through a grey-level mask: white shows the image, black keeps the background.
class TMaskProvider
{
public:
    TMaskProvider() = delete;

    static int GrayLevel(TColor color);
    static TColor BlendColors(TColor a, TColor b, int alpha);
    static TColorBytes SplitColor(TColor color);
    // Raises Exception("Image and Mask size differ") before drawing anything
    // when the two differ in width or height.
    static void DrawMasked(
        TCanvas& canvas, int x, int y, const TBitmap& mask, const TBitmap& image);
};

// Drawing with per-pixel alpha.
class TDrawProvider
{
public:
    TDrawProvider() = delete;

    // A 32-bit bitmap is mixed with the canvas by each pixel's alpha byte; any
    // other graphic is drawn plainly.
    static void DrawAlpha(TCanvas& canvas, int x, int y, const TGraphic& graphic);
};
