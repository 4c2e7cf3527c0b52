#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QString>

// The drawing kit of the wiring pictures: one look for sockets, devices, telephones,
// computers and cables, so that every picture of the guide reads the same way.
namespace kit {

enum class Side { Left, Right, Top, Bottom };

// Cable colours; each picture's notes use the same colour for the same kind of cable.
namespace cable {
inline const QColor line { 0x1d, 0x6f, 0xd8 }; // wall socket side: the telephone line
inline const QColor phone { 0x21, 0x9a, 0x44 }; // device or splitter to a telephone
inline const QColor usb { 0xe0, 0x7a, 0x10 }; // device to computer
inline const QColor modem { 0x8e, 0x44, 0xad }; // splitter to the ADSL modem
inline const QColor network { 0x7f, 0x8c, 0x8d }; // modem to computer
} // namespace cable

inline const QColor ink { 0x22, 0x2b, 0x36 };
inline const QColor paper { 0xff, 0xff, 0xff };

QFont font(double pixels, bool bold = false, bool condensed = false);

// A white picture with antialiased drawing already set up on the painter.
QImage canvas(int width, int height);
void prepare(QPainter& painter);

// The dark band across the top with the picture's title.
void title(QPainter& painter, int width, const QString& text, int height = 24);

void text(QPainter& painter, const QRectF& rect, const QString& text, int flags, double pixels,
    bool bold = false, const QColor& color = ink);

// Each returns the point where a cable plugs in.
QPointF wallSocket(
    QPainter& painter, const QRectF& plate, const QString& caption, bool captionLeft = false);
QPointF telephone(QPainter& painter, const QRectF& rect, const QString& caption, Side jackSide);
// Rectangles that put a telephone's or a modem's side jack at the height `jackY`.
QRectF telephoneRect(double left, double jackY, double width, double height);
QRectF modemRect(double left, double jackY, double width, double height);
QPointF computer(QPainter& painter, const QRectF& rect, const QString& caption);
QPointF modem(QPainter& painter, const QRectF& rect, const QString& caption, Side jackSide);

// The caller-ID device's body; ports are added with devicePort().
void device(QPainter& painter, const QRectF& rect, const QString& name, const QString& model);
// A jack on the device's edge, with its name printed inside the body next to it.
QPointF devicePort(
    QPainter& painter, const QRectF& device, Side side, double position, const QString& name);

struct SplitterPorts
{
    QPointF line, phone, modem;
};
SplitterPorts splitter(QPainter& painter, const QRectF& rect, bool withCaptions);

// An orthogonal cable with rounded bends, a plug at each end and a direction mark.
void wire(
    QPainter& painter, const QList<QPointF>& points, const QColor& color, bool dashed = false);
void badge(
    QPainter& painter, const QPointF& centre, int number, const QColor& color, double radius = 8);
// A numbered note: the badge in the cable's colour, then the text; number 0 is an aside.
void note(QPainter& painter, const QRectF& rect, int number, const QColor& color,
    const QString& text, double pixels = 11);
void warning(QPainter& painter, const QRectF& rect, const QString& text, double pixels = 11);
void tag(QPainter& painter, const QPointF& centre, const QString& text, const QColor& color,
    double pixels = 9);

} // namespace kit
