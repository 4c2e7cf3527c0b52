#pragma once

#include <QPoint>
#include <QRect>

// Pixel geometry as the drawing code reasons about it. A TRect runs from
// (Left, Top) up to but not including (Right, Bottom): a rectangle from 0 to 10
// covers ten pixels, its width is Right - Left, and two rectangles that share an
// edge value touch without overlapping. QRect counts its right and bottom edges
// inclusively, so conversions go through ToQRect / FromQRect only.
struct TPoint
{
    int X = 0;
    int Y = 0;

    constexpr TPoint() = default;
    constexpr TPoint(int x, int y)
        : X(x)
        , Y(y)
    {
    }
    explicit TPoint(const QPoint& p)
        : X(p.x())
        , Y(p.y())
    {
    }
    QPoint ToQPoint() const { return QPoint(X, Y); }
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int left, int top, int right, int bottom)
        : Left(left)
        , Top(top)
        , Right(right)
        , Bottom(bottom)
    {
    }
    constexpr TRect(const TPoint& topLeft, const TPoint& bottomRight)
        : Left(topLeft.X)
        , Top(topLeft.Y)
        , Right(bottomRight.X)
        , Bottom(bottomRight.Y)
    {
    }

    static TRect FromQRect(const QRect& r)
    {
        return TRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
    }
    static constexpr TRect Bounds(int left, int top, int width, int height)
    {
        return TRect(left, top, left + width, top + height);
    }
    // An empty TRect becomes an empty QRect at the same corner.
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
    constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
    constexpr bool Contains(const TPoint& p) const
    {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }

    constexpr TRect Offset(int dx, int dy) const
    {
        return TRect(Left + dx, Top + dy, Right + dx, Bottom + dy);
    }
    // Moves every side inwards by (dx, dy); negative amounts grow the rectangle.
    constexpr TRect Inflated(int dx, int dy) const
    {
        return TRect(Left - dx, Top - dy, Right + dx, Bottom + dy);
    }
    // The common part; an empty rectangle when there is none.
    constexpr TRect Intersected(const TRect& o) const
    {
        const TRect r(Left > o.Left ? Left : o.Left, Top > o.Top ? Top : o.Top,
            Right < o.Right ? Right : o.Right, Bottom < o.Bottom ? Bottom : o.Bottom);
        return r.IsEmpty() ? TRect() : r;
    }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int left, int top, int right, int bottom)
{
    return TRect(left, top, right, bottom);
}
constexpr TPoint Point(int x, int y)
{
    return TPoint(x, y);
}
