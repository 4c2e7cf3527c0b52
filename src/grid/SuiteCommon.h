#pragma once

#include <QString>

// Settings every painter of the grid shares.

// Horizontal placement of a cell's content.
enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
// Vertical placement of a cell's content.
enum TVerticalAlignment { vaTop = 0, vaMiddle = 1, vaBottom = 2 };
// Frame of a grid control or an editor window.
enum TBorderStyle { bsNone = 0, bsSingle = 1 };

// True when text is drawn as wide text; false draws it as it reads after a trip
// through the Turkish 8-bit code page. Always true here (every Linux desktop
// draws Unicode); kept switchable so the 8-bit path stays exercised.
extern bool UnicodeDrawing;

// The text a painter hands to the text call, by UnicodeDrawing.
QString DrawingText(const QString& text);
