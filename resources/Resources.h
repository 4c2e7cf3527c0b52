#pragma once

#include <QString>
#include <QStringList>

// Where the program finds its pictures and icons. Linking callerid_resources is
// enough to make these paths readable; nothing has to be initialised.
namespace Resources {

// 24-bit bitmaps: QImage(path).
inline const QString OneLineWiring = QStringLiteral(":/pictures/tek-hat.bmp"); // 410 x 320
inline const QString TwoLineWiring = QStringLiteral(":/pictures/iki-hat.bmp"); // 478 x 322
inline const QString FourLineWiring = QStringLiteral(":/pictures/dort-hat.bmp"); // 478 x 400
inline const QString DeviceThumbnail = QStringLiteral(":/pictures/kucuk-cihaz.bmp"); // 96 x 68
inline const QString AdslThumbnail = QStringLiteral(":/pictures/kucuk-adsl.bmp"); // 96 x 68

// JPEG pictures: Jpeg::decodeFile(path).
inline const QString SplitterPicture = QStringLiteral(":/pictures/splitter-nedir.jpg"); // 413 x 340
inline const QString AdslWiring = QStringLiteral(":/pictures/adsl-baglanti.jpg"); // 572 x 387

// Icons: QIcon(path). The window icon has 16, 32 and 48 pixels in 256 colours and in
// 32-bit colour; the program icon adds a 256-pixel image. (The desktop's icons in
// icons/hicolor/ are installed files, not resources.)
inline const QString WindowIcon = QStringLiteral(":/icons/pencere.ico");
inline const QString ProgramIcon = QStringLiteral(":/icons/program.ico");

// Every path above.
QStringList All();

} // namespace Resources
