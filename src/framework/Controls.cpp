#include "Controls.h"

#include <QMouseEvent>
#include <QPainter>

#include <cstring>

TCustomControl::TCustomControl(QWidget* parent)
    : QWidget(parent)
    , m_canvas(&m_buffer)
{
    // The control paints every pixel itself: no background erase before Paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    ensureBuffer();
}

TCustomControl::~TCustomControl()
{
    if (m_capture)
        releaseMouse();
    m_canvas.Release();
}

// The buffer holds the pixels inside the frame: the client area and the bars.
QRect TCustomControl::bufferRect() const
{
    return QRect(0, 0, std::max(width() - 2 * m_frame, 1), std::max(height() - 2 * m_frame, 1));
}

void TCustomControl::ensureBuffer()
{
    const QSize size = bufferRect().size();
    if (m_buffer.size() == size)
        return;
    m_canvas.Release();
    // The old surface may be a window onto the old store: both stay until copied.
    const QImage oldStore = m_store;
    const QImage old = m_buffer;
    m_store = QImage(size.width(), size.height() * 3, QImage::Format_RGB32);
    m_top = size.height();
    m_buffer = surfaceView(m_top);
    // Only the window is filled: the rest of the store is written before it is
    // shown, and memory that is never touched costs nothing.
    m_buffer.fill(palette().color(QPalette::Window));
    if (!old.isNull()) {
        // Pixels that stay inside the window keep their place, as a window's do.
        const int w = std::min(size.width(), old.width());
        const int h = std::min(size.height(), old.height());
        for (int y = 0; y < h; ++y)
            std::memcpy(m_buffer.scanLine(y), old.constScanLine(y), size_t(w) * 4);
    }
    m_valid &= QRegion(m_buffer.rect());
}

QImage TCustomControl::surfaceView(int top)
{
    const qsizetype line = m_store.bytesPerLine();
    return QImage(m_store.bits() + top * line, m_store.width(), m_store.height() / 3, line,
        QImage::Format_RGB32);
}

// Scrolls the rows of r by dy by moving the surface's window over the store;
// only the pixels outside r are copied back into place. Once in a while the
// window reaches an end of the store and the surface is moved to the middle.
bool TCustomControl::slideSurface(int dy, const QRect& r)
{
    const int height = m_buffer.height();
    const qsizetype line = m_store.bytesPerLine();
    // Painting holds the canvas on the surface, and a surface that has been
    // copied off the store (a shared copy written to) cannot slide.
    if (m_painting || std::abs(dy) >= height
        || m_buffer.constBits() != m_store.constBits() + m_top * line)
        return false;
    int top = m_top - dy;
    if (top < 0 || top + height > m_store.height()) {
        // The middle third: any scroll of less than a height fits from there.
        const int middle = height;
        std::memmove(m_store.bits() + middle * line, m_store.constBits() + m_top * line,
            size_t(height) * size_t(line));
        m_top = middle;
        top = m_top - dy;
    }
    // Row y of the new window lies where row y + shift of the old one was: rows
    // are copied in the order that reads each old row before it is written over.
    uchar* store = m_store.bits();
    const int shift = top - m_top;
    const int width = m_buffer.width();
    const auto keep = [&](int y) {
        uchar* to = store + (top + y) * line;
        const uchar* from = store + (m_top + y) * line;
        if (y < r.top() || y > r.bottom()) {
            std::memcpy(to, from, size_t(width) * 4);
            return;
        }
        if (r.left() > 0)
            std::memcpy(to, from, size_t(r.left()) * 4);
        if (r.right() + 1 < width)
            std::memcpy(to + (r.right() + 1) * 4, from + (r.right() + 1) * 4,
                size_t(width - r.right() - 1) * 4);
    };
    if (shift > 0)
        for (int y = height - 1; y >= 0; --y)
            keep(y);
    else
        for (int y = 0; y < height; ++y)
            keep(y);
    m_canvas.Release();
    m_top = top;
    m_buffer = surfaceView(m_top);
    return true;
}

TCanvas& TCustomControl::Canvas()
{
    ensureBuffer();
    if (!m_painting)
        update();
    return m_canvas;
}

void TCustomControl::Invalidate()
{
    m_valid = QRegion();
    update();
}

void TCustomControl::InvalidateRect(const TRect& r)
{
    if (r.IsEmpty())
        return;
    m_valid -= r.ToQRect();
    update(r.ToQRect().translated(ClientOffset()));
}

void TCustomControl::InvalidateRegion(const QRegion& region)
{
    m_valid -= region;
    update(region.translated(ClientOffset()));
}

void TCustomControl::SetFrameWidth(int width, bool relayout)
{
    width = std::max(width, 0);
    if (width == m_frame)
        return;
    m_frame = width;
    ensureBuffer();
    m_valid = QRegion();
    update();
    if (relayout)
        ClientAreaMoved();
}

void TCustomControl::InvalidateFrame()
{
    if (m_frame > 0)
        update(frameRegion());
}

void TCustomControl::PaintFrame(TCanvas&, const TRect&) { }

QRegion TCustomControl::frameRegion() const
{
    const QRect all = rect();
    return QRegion(all) - QRegion(all.adjusted(m_frame, m_frame, -m_frame, -m_frame));
}

void TCustomControl::paintFrameInto(QPainter& painter, const QRegion& area)
{
    if (m_frameBuffer.size() != size())
        m_frameBuffer = QImage(size(), QImage::Format_RGB32);
    {
        TCanvas canvas(&m_frameBuffer);
        guard([&] { PaintFrame(canvas, TRect(0, 0, width(), height())); });
    }
    for (const QRect& r : area)
        painter.drawImage(r, m_frameBuffer, r);
}

void TCustomControl::ValidateRect(const TRect& r)
{
    if (!r.IsEmpty())
        m_valid += r.ToQRect() & bufferRect();
}

void TCustomControl::Update()
{
    ensureBuffer();
    const QRegion need = QRegion(m_buffer.rect()) - m_valid;
    if (need.isEmpty())
        return;
    paintInvalid(need);
    update(need.translated(ClientOffset()));
}

void TCustomControl::paintInvalid(const QRegion& area)
{
    m_painting = true;
    m_canvas.ResetClip();
    m_canvas.SetDeviceClip(area);
    // Like the platform's paint cycle, the area counts as painted even when Paint fails.
    m_valid += area;
    guard([this] { Paint(); });
    m_canvas.ResetClip();
    m_canvas.ResetDeviceClip();
    m_painting = false;
}

void TCustomControl::paintEvent(QPaintEvent* event)
{
    ensureBuffer();
    const QPoint origin = ClientOffset();
    const QRegion inside = event->region().translated(-origin) & m_buffer.rect();
    const QRegion need = inside - m_valid;
    if (!need.isEmpty())
        paintInvalid(need);
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : inside)
        p.drawImage(r.translated(origin), m_buffer, r);
    // The frame is painted afresh whenever a repaint reaches it.
    if (m_frame > 0) {
        const QRegion frame = event->region() & frameRegion();
        if (!frame.isEmpty())
            paintFrameInto(p, frame);
    }
}

void TCustomControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A hidden control takes its new size when it is next painted or drawn on:
    // a window being laid out resizes it several times before it is shown.
    if (isVisible())
        ensureBuffer();
    checkClientSize();
}

void TCustomControl::checkClientSize()
{
    const QSize client(ClientWidth(), ClientHeight());
    if (client == m_clientSize)
        return;
    m_clientSize = client;
    guard([this] { Resize(); });
}

void TCustomControl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
        Invalidate();
        break;
    default:
        break;
    }
}

void TCustomControl::ScrollPixels(int dx, int dy, const TRect& clip)
{
    if (dx == 0 && dy == 0)
        return;
    ensureBuffer();
    const QRect r = clip.ToQRect() & QRect(0, 0, ClientWidth(), ClientHeight()) & m_buffer.rect();
    if (r.isEmpty())
        return;
    const int w = r.width() - std::abs(dx);
    const int h = r.height() - std::abs(dy);
    if (dx == 0 && slideSurface(dy, r)) {
        // Moved without copying the rows of r.
    } else if (w > 0 && h > 0) {
        const int srcX = dx >= 0 ? r.left() : r.left() - dx;
        const int srcY = dy >= 0 ? r.top() : r.top() - dy;
        auto moveRow = [&](int row) {
            std::memmove(m_buffer.scanLine(srcY + dy + row) + size_t(srcX + dx) * 4,
                m_buffer.constScanLine(srcY + row) + size_t(srcX) * 4, size_t(w) * 4);
        };
        if (dy > 0)
            for (int row = h - 1; row >= 0; --row)
                moveRow(row);
        else
            for (int row = 0; row < h; ++row)
                moveRow(row);
    }
    const QRegion inside = m_valid & r;
    m_valid -= r;
    m_valid += inside.translated(dx, dy) & r;
    if (isVisible())
        scroll(dx, dy, r.translated(ClientOffset()));
}

void TCustomControl::SetMouseCapture(bool capture)
{
    if (capture == m_capture)
        return;
    if (capture && isVisible()) {
        grabMouse();
        m_capture = true;
    } else if (!capture) {
        releaseMouse();
        m_capture = false;
    }
}

void TCustomControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TCustomControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TCustomControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

TShiftState TCustomControl::shiftOf(const QMouseEvent* event)
{
    TShiftState shift = 0;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ShiftModifier)
        shift |= ssShift;
    if (mods & Qt::AltModifier)
        shift |= ssAlt;
    if (mods & Qt::ControlModifier)
        shift |= ssCtrl;
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons & Qt::LeftButton)
        shift |= ssLeft;
    if (buttons & Qt::RightButton)
        shift |= ssRight;
    if (buttons & Qt::MiddleButton)
        shift |= ssMiddle;
    return shift;
}

namespace {

bool buttonOf(Qt::MouseButton qt, TMouseButton& button)
{
    switch (qt) {
    case Qt::LeftButton:
        button = mbLeft;
        return true;
    case Qt::RightButton:
        button = mbRight;
        return true;
    case Qt::MiddleButton:
        button = mbMiddle;
        return true;
    default:
        return false;
    }
}

} // namespace

QPoint TCustomControl::clientPoint(const QMouseEvent* event) const
{
    return event->position().toPoint() - ClientOffset();
}

bool TCustomControl::onFrame(const QMouseEvent* event) const
{
    return m_frame > 0 && frameRegion().contains(event->position().toPoint());
}

void TCustomControl::mousePressEvent(QMouseEvent* event)
{
    TMouseButton button;
    // A press on the frame is not the client's.
    if (!buttonOf(event->button(), button) || onFrame(event))
        return;
    const QPoint p = clientPoint(event);
    guard([&] { MouseDown(button, shiftOf(event), p.x(), p.y()); });
}

void TCustomControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!buttonOf(event->button(), button) || onFrame(event))
        return;
    const QPoint p = clientPoint(event);
    guard([&] { MouseDown(button, shiftOf(event) | ssDouble, p.x(), p.y()); });
}

void TCustomControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = clientPoint(event);
    guard([&] { MouseMove(shiftOf(event), p.x(), p.y()); });
}

void TCustomControl::mouseReleaseEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!buttonOf(event->button(), button))
        return;
    const QPoint p = clientPoint(event);
    guard([&] { MouseUp(button, shiftOf(event), p.x(), p.y()); });
}
