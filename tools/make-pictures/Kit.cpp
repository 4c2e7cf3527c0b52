#include "Kit.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace kit {
namespace {

const QColor deviceTop { 0x3e, 0x50, 0x63 };
const QColor deviceBottom { 0x25, 0x32, 0x41 };
const QColor outline { 0x5f, 0x66, 0x70 };

QPointF unit(const QPointF& from, const QPointF& to)
{
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    return length > 0 ? d / length : QPointF(1, 0);
}

// A plug: a small block lying on the cable, its tip at `tip`, pointing along `direction`.
void plug(QPainter& painter, const QPointF& tip, const QPointF& direction, const QColor& color)
{
    const QPointF across(-direction.y(), direction.x());
    const double length = 9, half = 4.5;
    QPolygonF body;
    body << tip + across * half << tip - across * half << tip - across * half - direction * length
         << tip + across * half - direction * length;
    painter.setPen(QPen(color.darker(170), 1));
    painter.setBrush(color.lighter(115));
    painter.drawPolygon(body);
}

void arrowHead(QPainter& painter, const QPointF& tip, const QPointF& direction, const QColor& color,
    double size = 9)
{
    const QPointF across(-direction.y(), direction.x());
    QPolygonF head;
    head << tip + direction * size * 0.6 << tip - direction * size * 0.6 + across * size * 0.7
         << tip - direction * size * 0.6 - across * size * 0.7;
    painter.setPen(QPen(color.darker(170), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(color.darker(115));
    painter.drawPolygon(head);
}

QPainterPath roundedPolyline(const QList<QPointF>& points, double radius)
{
    QPainterPath path(points.first());
    for (qsizetype i = 1; i + 1 < points.size(); ++i) {
        const QPointF corner = points[i];
        const QPointF in = unit(points[i - 1], corner), out = unit(corner, points[i + 1]);
        const double r = std::min({ radius,
            std::hypot(corner.x() - points[i - 1].x(), corner.y() - points[i - 1].y()) / 2,
            std::hypot(points[i + 1].x() - corner.x(), points[i + 1].y() - corner.y()) / 2 });
        path.lineTo(corner - in * r);
        path.quadTo(corner, corner + out * r);
    }
    path.lineTo(points.last());
    return path;
}

QRectF captionRect(const QRectF& rect, double height = 14)
{
    return QRectF(rect.left() - 20, rect.bottom() - height, rect.width() + 40, height);
}

} // namespace

QFont font(double pixels, bool bold, bool condensed)
{
    QFont result(
        condensed ? QStringLiteral("DejaVu Sans Condensed") : QStringLiteral("DejaVu Sans"));
    if (condensed)
        result.setStretch(QFont::SemiCondensed);
    result.setPixelSize(int(std::lround(pixels)));
    result.setBold(bold);
    result.setHintingPreference(QFont::PreferFullHinting);
    result.setStyleStrategy(QFont::PreferAntialias);
    return result;
}

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(paper);
    return image;
}

void prepare(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

void title(QPainter& painter, int width, const QString& caption, int height)
{
    QLinearGradient band(0, 0, 0, height);
    band.setColorAt(0, QColor(0x2c, 0x4a, 0x74));
    band.setColorAt(1, QColor(0x1c, 0x33, 0x55));
    painter.fillRect(QRectF(0, 0, width, height), band);
    text(painter, QRectF(10, 0, width - 20, height), caption, Qt::AlignLeft | Qt::AlignVCenter, 13,
        true, paper);
}

void text(QPainter& painter, const QRectF& rect, const QString& caption, int flags, double pixels,
    bool bold, const QColor& color)
{
    painter.save();
    painter.setFont(font(pixels, bold, false));
    painter.setPen(color);
    painter.drawText(rect, flags, caption);
    painter.restore();
}

QPointF wallSocket(QPainter& painter, const QRectF& plate, const QString& caption, bool captionLeft)
{
    const QRectF face(
        plate.left(), plate.top(), plate.width(), plate.height() - (captionLeft ? 0 : 16));
    painter.setPen(QPen(outline, 1.2));
    QLinearGradient fill(face.topLeft(), face.bottomRight());
    fill.setColorAt(0, QColor(0xfb, 0xfa, 0xf5));
    fill.setColorAt(1, QColor(0xdc, 0xd8, 0xcc));
    painter.setBrush(fill);
    painter.drawRoundedRect(face, 5, 5);
    // The jack: an opening with the latch notch at the bottom.
    const QPointF c = face.center();
    const double w = std::min(18.0, face.width() * 0.45), h = std::min(14.0, face.height() * 0.4);
    const QRectF jack(c.x() - w / 2, c.y() - h / 2, w, h);
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    painter.setBrush(QColor(0x3a, 0x3a, 0x3a));
    painter.drawRoundedRect(jack, 2, 2);
    painter.setBrush(QColor(0x11, 0x11, 0x11));
    painter.drawRect(QRectF(c.x() - w / 5, jack.bottom() - 1, w * 0.4, 3));
    painter.setBrush(QColor(0xc8, 0xa2, 0x3c));
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i)
        painter.drawRect(QRectF(jack.left() + w * 0.2 + i * w * 0.17, jack.top() + 1.5, 1.4, 3));
    if (captionLeft)
        text(painter, QRectF(plate.left() - 64, plate.top(), 60, plate.height()), caption,
            Qt::AlignRight | Qt::AlignVCenter, 10, true);
    else
        text(painter, captionRect(plate), caption, Qt::AlignHCenter | Qt::AlignBottom, 10, true);
    return c;
}

QPointF telephone(QPainter& painter, const QRectF& rect, const QString& caption, Side jackSide)
{
    const QRectF area(rect.left(), rect.top(), rect.width(), rect.height() - 16);
    const double w = std::min(area.width(), area.height() * 1.35);
    const double h = w / 1.35;
    const QRectF box(area.center().x() - w / 2, area.center().y() - h / 2, w, h);

    // Base: a wedge, wider at the bottom.
    const double baseTop = box.top() + h * 0.36;
    QPainterPath base;
    base.moveTo(box.left() + w * 0.14, baseTop);
    base.lineTo(box.right() - w * 0.14, baseTop);
    base.lineTo(box.right(), box.bottom());
    base.lineTo(box.left(), box.bottom());
    base.closeSubpath();
    QLinearGradient body(0, baseTop, 0, box.bottom());
    body.setColorAt(0, QColor(0xd9, 0x5a, 0x47));
    body.setColorAt(1, QColor(0xa8, 0x3a, 0x2c));
    painter.setPen(QPen(QColor(0x6e, 0x22, 0x1a), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(body);
    painter.drawPath(base);

    // Handset resting on the cradle.
    QPainterPath handset;
    const double hy = box.top() + h * 0.05, hh = h * 0.3;
    handset.moveTo(box.left() + w * 0.02, hy + hh);
    handset.cubicTo(box.left() + w * 0.0, hy, box.left() + w * 0.12, hy, box.left() + w * 0.3, hy);
    handset.lineTo(box.right() - w * 0.3, hy);
    handset.cubicTo(
        box.right() - w * 0.12, hy, box.right() - w * 0.0, hy, box.right() - w * 0.02, hy + hh);
    handset.lineTo(box.right() - w * 0.2, hy + hh);
    handset.quadTo(box.right() - w * 0.24, hy + hh * 0.45, box.right() - w * 0.34, hy + hh * 0.45);
    handset.lineTo(box.left() + w * 0.34, hy + hh * 0.45);
    handset.quadTo(box.left() + w * 0.24, hy + hh * 0.45, box.left() + w * 0.2, hy + hh);
    handset.closeSubpath();
    painter.setBrush(QColor(0xb8, 0x45, 0x35));
    painter.drawPath(handset);

    // The number display and the keypad.
    const QRectF display(
        box.left() + w * 0.3, baseTop + h * 0.08, w * 0.4, std::max(4.0, h * 0.12));
    painter.setPen(QPen(QColor(0x33, 0x33, 0x33), 0.8));
    painter.setBrush(QColor(0xc9, 0xe8, 0x9a));
    painter.drawRect(display);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf6, 0xf1, 0xe8));
    const double key = std::max(2.0, w * 0.06), gap = key * 0.6;
    const double keysLeft = box.center().x() - (3 * key + 2 * gap) / 2;
    const double keysTop = display.bottom() + h * 0.07;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            painter.drawRect(QRectF(
                keysLeft + k * (key + gap), keysTop + r * (key + gap * 0.7), key, key * 0.8));

    text(painter, captionRect(rect), caption, Qt::AlignHCenter | Qt::AlignBottom, 10, true);
    // The jack is level with the middle of the drawing, see telephoneRect().
    const double jy = area.center().y();
    switch (jackSide) {
    case Side::Left:
        return QPointF(box.left() + w * 0.12, jy);
    case Side::Right:
        return QPointF(box.right() - w * 0.12, jy);
    case Side::Top:
        return QPointF(box.center().x(), box.top());
    case Side::Bottom:
        break;
    }
    return QPointF(box.center().x(), box.bottom());
}

QPointF computer(QPainter& painter, const QRectF& rect, const QString& caption)
{
    const QRectF area(rect.left(), rect.top(), rect.width(), rect.height() - 16);
    const double towerWidth = area.width() * 0.24;
    const QRectF tower(
        area.left(), area.top() + area.height() * 0.08, towerWidth, area.height() * 0.92);
    const QRectF screenFrame(tower.right() + area.width() * 0.06, area.top(),
        area.right() - tower.right() - area.width() * 0.06, area.height() * 0.74);

    // Monitor with the test program on its screen.
    painter.setPen(QPen(QColor(0x1e, 0x24, 0x2b), 1.2));
    painter.setBrush(QColor(0x3a, 0x41, 0x4a));
    painter.drawRoundedRect(screenFrame, 3, 3);
    const QRectF screen = screenFrame.adjusted(4, 4, -4, -4);
    QLinearGradient sky(screen.topLeft(), screen.bottomLeft());
    sky.setColorAt(0, QColor(0x4f, 0x9d, 0xe8));
    sky.setColorAt(1, QColor(0x2a, 0x6c, 0xb8));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRect(screen);
    const QRectF window = screen.adjusted(screen.width() * 0.15, screen.height() * 0.15,
        -screen.width() * 0.15, -screen.height() * 0.12);
    painter.setBrush(QColor(0xf4, 0xf4, 0xf4));
    painter.drawRect(window);
    painter.setBrush(QColor(0x1c, 0x33, 0x55));
    painter.drawRect(QRectF(window.left(), window.top(), window.width(), window.height() * 0.2));
    painter.setBrush(QColor(0x9a, 0xa5, 0xb1));
    for (int i = 0; i < 3; ++i)
        painter.drawRect(
            QRectF(window.left() + 3, window.top() + window.height() * (0.35 + i * 0.2),
                window.width() - 6, std::max(1.0, window.height() * 0.08)));
    const double neck = screenFrame.center().x();
    painter.setBrush(QColor(0x3a, 0x41, 0x4a));
    painter.drawRect(QRectF(neck - 3, screenFrame.bottom(), 6, area.height() * 0.14));
    painter.drawRoundedRect(QRectF(neck - screenFrame.width() * 0.22,
                                area.top() + area.height() * 0.88, screenFrame.width() * 0.44, 4),
        2, 2);

    // Tower with a drive slot, a power light and a USB socket at the front.
    painter.setPen(QPen(QColor(0x1e, 0x24, 0x2b), 1.2));
    QLinearGradient case_(tower.topLeft(), tower.topRight());
    case_.setColorAt(0, QColor(0x56, 0x5f, 0x6a));
    case_.setColorAt(1, QColor(0x36, 0x3d, 0x46));
    painter.setBrush(case_);
    painter.drawRoundedRect(tower, 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x20, 0x25, 0x2b));
    painter.drawRect(QRectF(tower.left() + 3, tower.top() + 5, tower.width() - 6, 3));
    painter.setBrush(QColor(0x5d, 0xd3, 0x6b));
    painter.drawEllipse(QPointF(tower.center().x(), tower.top() + tower.height() * 0.3), 1.6, 1.6);
    const QPointF usb(tower.center().x(), tower.top() + tower.height() * 0.62);
    painter.setBrush(QColor(0xe6, 0xe6, 0xe6));
    painter.drawRect(QRectF(usb.x() - 4, usb.y() - 2, 8, 4));

    text(painter, captionRect(rect), caption, Qt::AlignHCenter | Qt::AlignBottom, 10, true);
    return QPointF(tower.left() + 1, usb.y());
}

QPointF modem(QPainter& painter, const QRectF& rect, const QString& caption, Side jackSide)
{
    const QRectF area(rect.left(), rect.top(), rect.width(), rect.height() - 16);
    const QRectF box(
        area.left(), area.top() + area.height() * 0.4, area.width(), area.height() * 0.6);
    // Antenna first, so that the box covers its foot.
    painter.setPen(QPen(QColor(0x2d, 0x34, 0x3b), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(
        QPointF(box.right() - 10, box.top() + 2), QPointF(box.right() - 6, area.top()));
    painter.setPen(QPen(QColor(0x2d, 0x34, 0x3b), 1.2));
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, QColor(0xf5, 0xf6, 0xf7));
    fill.setColorAt(1, QColor(0xc9, 0xcf, 0xd5));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 5, 5);
    painter.setPen(Qt::NoPen);
    const QColor lights[] = { QColor(0x2e, 0xcc, 0x40), QColor(0x2e, 0xcc, 0x40),
        QColor(0x2e, 0xcc, 0x40), QColor(0xff, 0xa5, 0x00) };
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(lights[i]);
        painter.drawEllipse(QPointF(box.left() + 10 + i * 8, box.bottom() - 7), 2, 2);
    }
    text(painter, QRectF(box.left(), box.top() + 1, box.width() - 12, box.height() * 0.55),
        QStringLiteral("ADSL"), Qt::AlignCenter, 9, true, QColor(0x2d, 0x34, 0x3b));
    text(painter, captionRect(rect), caption, Qt::AlignHCenter | Qt::AlignBottom, 10, true);
    const double jy = box.center().y();
    switch (jackSide) {
    case Side::Left:
        return QPointF(box.left() + 2, jy);
    case Side::Right:
        return QPointF(box.right() - 2, jy);
    case Side::Top:
        return QPointF(box.center().x(), box.top() + 2);
    case Side::Bottom:
        break;
    }
    return QPointF(box.center().x(), box.bottom() - 2);
}

void device(QPainter& painter, const QRectF& rect, const QString& name, const QString& model)
{
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, deviceTop);
    fill.setColorAt(1, deviceBottom);
    painter.setPen(QPen(QColor(0x14, 0x1b, 0x24), 1.4));
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, 8, 8);
    const QRectF head(rect.left(), rect.top() + 5, rect.width(), 17);
    text(painter, head, name, Qt::AlignCenter, 13, true, paper);
    if (!model.isEmpty())
        text(painter, head.translated(0, 15), model, Qt::AlignCenter, 9, false,
            QColor(0xb9, 0xc8, 0xd8));
    painter.setPen(QPen(QColor(0x1a, 0x6b, 0x2a), 0.8));
    painter.setBrush(QColor(0x4c, 0xe0, 0x6a));
    painter.drawEllipse(QPointF(rect.right() - 10, rect.top() + 10), 3, 3);
}

QPointF devicePort(
    QPainter& painter, const QRectF& body, Side side, double position, const QString& name)
{
    QRectF jack, label;
    QPointF plugIn;
    const int align = Qt::AlignVCenter;
    switch (side) {
    case Side::Left:
        jack = QRectF(body.left() - 5, position - 6, 13, 12);
        label = QRectF(jack.right() + 3, position - 8, 60, 16);
        plugIn = QPointF(body.left() + 3, position);
        break;
    case Side::Right:
        jack = QRectF(body.right() - 8, position - 6, 13, 12);
        label = QRectF(jack.left() - 63, position - 8, 60, 16);
        plugIn = QPointF(body.right() - 3, position);
        break;
    case Side::Bottom:
        jack = QRectF(position - 7, body.bottom() - 6, 14, 10);
        label = QRectF(position - 30, jack.top() - 16, 60, 14);
        plugIn = QPointF(position, body.bottom() + 1);
        break;
    case Side::Top:
        jack = QRectF(position - 7, body.top() - 4, 14, 10);
        label = QRectF(position - 30, jack.bottom() + 1, 60, 14);
        plugIn = QPointF(position, body.top() - 1);
        break;
    }
    painter.setPen(QPen(QColor(0x0e, 0x13, 0x19), 1));
    painter.setBrush(QColor(0xe9, 0xec, 0xef));
    painter.drawRoundedRect(jack, 2, 2);
    painter.setBrush(QColor(0x2a, 0x2f, 0x35));
    painter.setPen(Qt::NoPen);
    painter.drawRect(jack.adjusted(3, 3, -3, -3));
    const int horizontal = side == Side::Left ? Qt::AlignLeft
        : side == Side::Right                 ? Qt::AlignRight
                                              : Qt::AlignHCenter;
    text(painter, label, name, horizontal | align, 10, true, QColor(0xff, 0xf3, 0xc4));
    return plugIn;
}

SplitterPorts splitter(QPainter& painter, const QRectF& rect, bool withCaptions)
{
    painter.setPen(QPen(QColor(0x4a, 0x52, 0x5a), 1.4));
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, QColor(0xff, 0xfe, 0xfa));
    fill.setColorAt(1, QColor(0xe3, 0xe0, 0xd6));
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, 6, 6);
    text(painter, QRectF(rect.left(), rect.top() + 4, rect.width(), 14),
        QStringLiteral("ADSL SPLITTER"), Qt::AlignCenter, withCaptions ? 11 : 9, true,
        QColor(0x2d, 0x34, 0x3b));

    auto jack = [&](const QPointF& at) {
        painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
        painter.setBrush(QColor(0x3a, 0x3a, 0x3a));
        painter.drawRoundedRect(QRectF(at.x() - 6, at.y() - 5, 12, 10), 2, 2);
    };
    SplitterPorts ports;
    ports.line = QPointF(rect.left() + 2, rect.top() + rect.height() * 0.6);
    ports.phone = QPointF(rect.right() - 2, rect.top() + rect.height() * 0.42);
    ports.modem = QPointF(rect.right() - 2, rect.top() + rect.height() * 0.78);
    jack(ports.line);
    jack(ports.phone);
    jack(ports.modem);
    const double size = withCaptions ? 10 : 9;
    const QColor label(0x2d, 0x34, 0x3b);
    text(painter, QRectF(ports.line.x() + 7, ports.line.y() - 8, 60, 16), QStringLiteral("LINE"),
        Qt::AlignLeft | Qt::AlignVCenter, size, true, label);
    text(painter, QRectF(ports.phone.x() - 67, ports.phone.y() - 8, 60, 16),
        QStringLiteral("PHONE"), Qt::AlignRight | Qt::AlignVCenter, size, true, label);
    text(painter, QRectF(ports.modem.x() - 67, ports.modem.y() - 8, 60, 16),
        QStringLiteral("MODEM"), Qt::AlignRight | Qt::AlignVCenter, size, true, label);
    return ports;
}

void wire(QPainter& painter, const QList<QPointF>& points, const QColor& color, bool dashed)
{
    const QPainterPath path = roundedPolyline(points, 7);
    painter.setBrush(Qt::NoBrush);
    if (!dashed) {
        painter.setPen(QPen(color.darker(150), 5.5, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
        painter.drawPath(path);
        painter.setPen(QPen(color, 3.5, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    } else {
        painter.setPen(QPen(color, 3, Qt::DashLine, Qt::FlatCap, Qt::RoundJoin));
    }
    painter.drawPath(path);

    plug(painter, points.first(), unit(points[1], points[0]), color);
    plug(painter, points.last(), unit(points[points.size() - 2], points.last()), color);

    // The direction mark sits in the middle of the longest stretch.
    qsizetype longest = 0;
    double best = -1;
    for (qsizetype i = 0; i + 1 < points.size(); ++i) {
        const QPointF d = points[i + 1] - points[i];
        const double length = std::hypot(d.x(), d.y());
        if (length > best) {
            best = length;
            longest = i;
        }
    }
    if (best > 30)
        arrowHead(painter, (points[longest] + points[longest + 1]) / 2,
            unit(points[longest], points[longest + 1]), color);
}

void badge(QPainter& painter, const QPointF& centre, int number, const QColor& color, double radius)
{
    painter.setPen(QPen(paper, 1.5));
    painter.setBrush(color.darker(115));
    painter.drawEllipse(centre, radius, radius);
    text(painter, QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
        QString::number(number), Qt::AlignCenter, radius * 1.35, true, paper);
}

QRectF telephoneRect(double left, double jackY, double width, double height)
{
    return QRectF(left, jackY - (height - 16) / 2, width, height);
}

QRectF modemRect(double left, double jackY, double width, double height)
{
    return QRectF(left, jackY - (height - 16) * 0.7, width, height);
}

void note(QPainter& painter, const QRectF& rect, int number, const QColor& color,
    const QString& caption, double pixels)
{
    const QPointF centre(rect.left() + 8, rect.top() + pixels * 0.75);
    if (number > 0) {
        badge(painter, centre, number, color, 7.5);
    } else {
        // An aside rather than a step: an "i" instead of a number.
        painter.setPen(QPen(paper, 1.5));
        painter.setBrush(color);
        painter.drawEllipse(centre, 7.5, 7.5);
        text(painter, QRectF(centre.x() - 7.5, centre.y() - 7.5, 15, 15), QStringLiteral("i"),
            Qt::AlignCenter, 11, true, paper);
    }
    text(painter, rect.adjusted(21, 0, 0, 0), caption,
        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, pixels);
}

void warning(QPainter& painter, const QRectF& rect, const QString& caption, double pixels)
{
    painter.setPen(QPen(QColor(0xe6, 0x7e, 0x22), 1.2));
    painter.setBrush(QColor(0xff, 0xf4, 0xe3));
    painter.drawRoundedRect(rect, 4, 4);
    const QPointF top(rect.left() + 14, rect.center().y() - 8);
    QPolygonF triangle;
    triangle << top << QPointF(top.x() + 9, top.y() + 16) << QPointF(top.x() - 9, top.y() + 16);
    painter.setPen(QPen(QColor(0xa0, 0x4a, 0x00), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xf3, 0x9c, 0x12));
    painter.drawPolygon(triangle);
    text(painter, QRectF(top.x() - 5, top.y() + 3, 10, 13), QStringLiteral("!"), Qt::AlignCenter,
        11, true, QColor(0x3a, 0x1c, 0x00));
    text(painter, rect.adjusted(30, 3, -6, -3), caption,
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, pixels, false,
        QColor(0x5a, 0x2d, 0x00));
}

void tag(QPainter& painter, const QPointF& centre, const QString& caption, const QColor& color,
    double pixels)
{
    painter.save();
    painter.setFont(font(pixels, true));
    const double width = painter.fontMetrics().horizontalAdvance(caption) + 10;
    const QRectF box(centre.x() - width / 2, centre.y() - pixels * 0.8, width, pixels * 1.6);
    painter.setPen(QPen(color.darker(120), 1));
    painter.setBrush(QColor::fromHsl(color.hslHue(), color.hslSaturation(), 236));
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.setPen(color.darker(160));
    painter.drawText(box, Qt::AlignCenter, caption);
    painter.restore();
}

} // namespace kit
