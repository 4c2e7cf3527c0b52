#include "Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pictures {

// A red desk telephone whose display shows a number: the caller-ID motif. Drawn on a
// 48-unit grid; below 24 pixels the display keeps one bar so that it does not blur.
QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    const bool tiny = size < 24;
    const double edge = tiny ? 2.4 : size <= 48 ? 1.6 : 1.0;
    const QColor dark(0x5e, 0x17, 0x10);

    // Base: a wedge with rounded corners.
    QPainterPath base;
    base.moveTo(10, 21);
    base.lineTo(38, 21);
    base.quadTo(40, 21, 40.6, 23);
    base.lineTo(46, 42);
    base.quadTo(46.6, 45, 43.5, 45);
    base.lineTo(4.5, 45);
    base.quadTo(1.4, 45, 2, 42);
    base.lineTo(7.4, 23);
    base.quadTo(8, 21, 10, 21);
    QLinearGradient body(0, 21, 0, 45);
    body.setColorAt(0, QColor(0xe8, 0x4c, 0x3d));
    body.setColorAt(1, QColor(0xb0, 0x2a, 0x1e));
    p.setPen(QPen(dark, edge, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(body);
    p.drawPath(base);

    // Handset on its cradle.
    QPainterPath handset;
    handset.moveTo(2, 17);
    handset.cubicTo(1, 5, 6, 4, 14, 4);
    handset.lineTo(34, 4);
    handset.cubicTo(42, 4, 47, 5, 46, 17);
    handset.lineTo(37, 17);
    handset.quadTo(36, 11, 31, 11);
    handset.lineTo(17, 11);
    handset.quadTo(12, 11, 11, 17);
    handset.closeSubpath();
    QLinearGradient shell(0, 4, 0, 17);
    shell.setColorAt(0, QColor(0xf0, 0x5a, 0x4a));
    shell.setColorAt(1, QColor(0xc0, 0x32, 0x25));
    p.setBrush(shell);
    p.drawPath(handset);

    // The display with the caller's number.
    const QRectF display = tiny ? QRectF(11, 25, 26, 10) : QRectF(11, 25, 26, 9);
    p.setPen(QPen(QColor(0x1d, 0x25, 0x1a), tiny ? 2.2 : 1.2));
    p.setBrush(QColor(0xc8, 0xf0, 0x8c));
    p.drawRect(display);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x3a, 0x12));
    if (tiny) {
        p.drawRect(QRectF(15, 28.5, 18, 3));
    } else if (size >= 96) {
        QFont digits(QStringLiteral("DejaVu Sans Mono"));
        digits.setPixelSize(6);
        digits.setBold(true);
        p.setFont(digits);
        p.setPen(QColor(0x1f, 0x3a, 0x12));
        p.drawText(display, Qt::AlignCenter, QStringLiteral("555123"));
    } else {
        for (int i = 0; i < 5; ++i)
            p.drawRect(QRectF(13.5 + i * 4.4, 27.2, 3, 4.6));
    }
    if (!tiny) {
        p.setBrush(QColor(0xfb, 0xef, 0xe6));
        for (int r = 0; r < 2; ++r)
            for (int k = 0; k < 3; ++k)
                p.drawRoundedRect(QRectF(16 + k * 6, 36.5 + r * 3.8, 4, 2.6), 0.6, 0.6);
    }
    return image;
}

} // namespace pictures
