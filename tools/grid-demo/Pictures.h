#pragma once

#include <QColor>
#include <QImage>

// The pictures of the grid demonstration, drawn in code.
namespace Pictures {

// Rating glyphs: a gold star and an empty (grey outlined) one, and the grey
// mask both are drawn through (white where the star is, soft at its edges).
QImage Star(int size);
QImage EmptyStar(int size);
QImage StarMask(int size);

// Line types of the image column, 16 x 16 with alpha.
enum LineKind { Home, Work, Mobile, Fax, LineKindCount };
QImage LineIcon(LineKind kind);

// A head-and-shoulders portrait of `size` pixels, for the graphic column.
QImage Portrait(int size, QColor background, QColor shirt, QColor hair, bool longHair);

} // namespace Pictures
