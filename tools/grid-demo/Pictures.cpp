#include "Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <numbers>

namespace Pictures {

namespace {

QImage transparentImage(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QPolygonF starShape(int size)
{
    const double c = size / 2.0;
    const double outer = c - 0.5, inner = outer * 0.45;
    QPolygonF shape;
    for (int i = 0; i < 10; ++i) {
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const double r = i % 2 == 0 ? outer : inner;
        shape << QPointF(c + r * std::cos(angle), c + 0.6 + r * std::sin(angle));
    }
    return shape;
}

QImage drawnStar(int size, const QBrush& fill, QColor outline)
{
    QImage drawn = transparentImage(size, size);
    QPainter p(&drawn);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(outline, 1.0));
    p.setBrush(fill);
    p.drawPolygon(starShape(size));
    return drawn;
}

// The star on a ground of its outline colour: wherever the mask lets a little
// of it through, it is the edge that shows.
QImage opaqueStar(int size, const QBrush& fill, QColor outline)
{
    QImage glyph(size, size, QImage::Format_RGB32);
    glyph.fill(outline);
    QPainter p(&glyph);
    p.drawImage(0, 0, drawnStar(size, fill, outline));
    return glyph;
}

} // namespace

QImage Star(int size)
{
    QLinearGradient gold(0, 0, 0, size);
    gold.setColorAt(0, QColor(255, 226, 90));
    gold.setColorAt(1, QColor(240, 160, 0));
    return opaqueStar(size, gold, QColor(176, 112, 0));
}

QImage EmptyStar(int size)
{
    return opaqueStar(size, QColor(238, 238, 238), QColor(150, 150, 150));
}

QImage StarMask(int size)
{
    const QImage drawn = drawnStar(size, Qt::white, Qt::white);
    QImage mask(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int a = qAlpha(drawn.pixel(x, y));
            mask.setPixel(x, y, qRgb(a, a, a));
        }
    return mask;
}

QImage LineIcon(LineKind kind)
{
    QImage image = transparentImage(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case Home: {
        // A house: wall, door, window and a red roof.
        p.setPen(QPen(QColor(120, 80, 40), 1));
        p.setBrush(QColor(246, 230, 196));
        p.drawRect(QRectF(3.5, 7.5, 9, 7));
        p.setBrush(QColor(150, 95, 45));
        p.drawRect(QRectF(6.5, 10.5, 3, 4));
        p.setBrush(QColor(130, 190, 240));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(10, 9, 2, 2));
        p.setPen(QPen(QColor(140, 30, 20), 1));
        p.setBrush(QColor(205, 60, 45));
        p.drawPolygon(QPolygonF({ QPointF(1, 8.5), QPointF(8, 1.5), QPointF(15, 8.5) }));
        break;
    }
    case Work: {
        // A briefcase with its handle and clasp.
        p.setPen(QPen(QColor(70, 40, 15), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(5.5, 2.5, 5, 3.5), 1, 1);
        p.setPen(QPen(QColor(90, 50, 20), 1));
        p.setBrush(QColor(160, 100, 50));
        p.drawRoundedRect(QRectF(1.5, 5.5, 13, 9), 1.5, 1.5);
        p.setPen(QPen(QColor(120, 70, 30), 1));
        p.drawLine(QPointF(2, 9.5), QPointF(14, 9.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(235, 190, 60));
        p.drawRect(QRectF(7, 8.5, 2, 2.5));
        break;
    }
    case Mobile: {
        // A mobile phone: dark body, blue screen, round button.
        p.setPen(QPen(QColor(20, 20, 20), 1));
        p.setBrush(QColor(60, 60, 66));
        p.drawRoundedRect(QRectF(4.5, 0.5, 7, 15), 1.8, 1.8);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 180, 235));
        p.drawRect(QRectF(5.5, 2.5, 5, 8));
        p.setBrush(QColor(190, 190, 196));
        p.drawEllipse(QPointF(8, 13), 1.2, 1.2);
        break;
    }
    case Fax: {
        // A fax machine: a sheet coming out of a grey body with a keypad.
        p.setPen(QPen(QColor(110, 110, 110), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 0.5, 7, 7));
        p.setPen(QPen(QColor(80, 120, 200), 1));
        p.drawLine(QPointF(6, 3), QPointF(10, 3));
        p.drawLine(QPointF(6, 5), QPointF(9, 5));
        p.setPen(QPen(QColor(70, 75, 80), 1));
        p.setBrush(QColor(160, 166, 172));
        p.drawRoundedRect(QRectF(0.5, 6.5, 15, 8), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(QRectF(2, 8, 6, 1.5));
        p.setBrush(QColor(250, 250, 250));
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col)
                p.drawRect(QRectF(9.5 + col * 1.8, 9 + row * 2.2, 1.2, 1.2));
        break;
    }
    case LineKindCount:
        break;
    }
    return image;
}

QImage Portrait(int size, QColor background, QColor shirt, QColor hair, bool longHair)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 40.0, size / 40.0);
    const QColor skin(241, 199, 165);
    if (longHair) {
        p.setPen(Qt::NoPen);
        p.setBrush(hair);
        p.drawRoundedRect(QRectF(10, 6, 20, 24), 9, 9);
    }
    // Shoulders and neck.
    p.setPen(Qt::NoPen);
    p.setBrush(shirt);
    p.drawEllipse(QRectF(4, 28, 32, 26));
    p.setBrush(skin.darker(108));
    p.drawRect(QRectF(17, 23, 6, 7));
    // Head, then the hair over its top.
    p.setBrush(skin);
    p.drawEllipse(QRectF(12, 7, 16, 19));
    p.setBrush(hair);
    QPainterPath top;
    top.moveTo(11.5, 16);
    top.cubicTo(11, 4, 29, 4, 28.5, 16);
    top.cubicTo(25, 11, 16, 10, 11.5, 16);
    p.drawPath(top);
    // Eyes.
    p.setBrush(QColor(60, 45, 35));
    p.drawEllipse(QPointF(17, 17), 1.1, 1.1);
    p.drawEllipse(QPointF(23, 17), 1.1, 1.1);
    return image;
}

} // namespace Pictures
