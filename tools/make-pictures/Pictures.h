#pragma once

#include <QImage>

// The guide's pictures and the program's icon art, each at its fixed size.
namespace pictures {

QImage oneLine(); // 410 x 320
QImage twoLines(); // 478 x 322
QImage fourLines(); // 478 x 400
QImage splitterExplained(); // 413 x 340
QImage adslWiring(); // 572 x 387
QImage deviceThumbnail(); // 96 x 68
QImage adslThumbnail(const QImage& adslWiring); // 96 x 68

// The caller-ID telephone of the icons, drawn for one pixel size (ARGB).
QImage icon(int size);

} // namespace pictures
