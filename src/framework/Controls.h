#pragma once

#include "Canvas.h"
#include "Classes.h"
#include "Forms.h"
#include "Geometry.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <algorithm>
#include <functional>

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateFlag {
    ssShift = 0x1,
    ssAlt = 0x2,
    ssCtrl = 0x4,
    ssLeft = 0x8,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40
};
using TShiftState = int;

using TMouseEvent
    = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

// A windowed control that paints itself on a canvas. The canvas draws on an
// image the size of the window that stands for the window's pixels: Paint
// fills in what became invalid, drawing outside Paint shows at the next
// repaint, and ScrollPixels moves the pixels as the window scrolls. Every
// handler runs guarded, so no exception reaches Qt's event loop.
class TCustomControl : public QWidget
{
    Q_OBJECT
public:
    explicit TCustomControl(QWidget* parent = nullptr);
    ~TCustomControl() override;

    // Drawing outside Paint is allowed; the window shows it at its next repaint.
    TCanvas& Canvas();

    // The area inside the window's frame and bars. Client coordinates start at
    // its top-left corner, which lies FrameWidth() pixels inside the window's.
    virtual int ClientWidth() const { return std::max(width() - 2 * m_frame, 0); }
    virtual int ClientHeight() const { return std::max(height() - 2 * m_frame, 0); }
    TRect ClientRect() const { return TRect(0, 0, ClientWidth(), ClientHeight()); }
    // The width of the non-client frame on every side of the window.
    int FrameWidth() const { return m_frame; }
    // Where a client point lies in the window's own (widget) coordinates.
    QPoint ClientOffset() const { return QPoint(m_frame, m_frame); }

    // Asks for a repaint of the area (all of it) without erasing.
    void Invalidate();
    void InvalidateRect(const TRect& r);
    void InvalidateRegion(const QRegion& region);
    // Takes an area off the pending repaint.
    void ValidateRect(const TRect& r);
    // Paints what is invalid now, without waiting for the event loop.
    void Update();

    // Moves the pixels inside clip by (dx, dy); what is uncovered is invalidated.
    void ScrollPixels(int dx, int dy, const TRect& clip);

    TPoint ClientToScreen(const TPoint& p) const
    {
        return TPoint(mapToGlobal(p.ToQPoint() + ClientOffset()));
    }
    TPoint ScreenToClient(const TPoint& p) const
    {
        return TPoint(mapFromGlobal(p.ToQPoint()) - ClientOffset());
    }

    bool MouseCapture() const { return m_capture; }
    void SetMouseCapture(bool capture);

    bool Designing() const { return m_designing; }
    void SetDesigning(bool designing) { m_designing = designing; }

    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    virtual void Paint() { }
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // The client area changed size.
    virtual void Resize() { }
    // Calls Resize when the client size differs from the last one seen.
    void checkClientSize();
    // Gives the window a frame of `width` pixels on every side, outside the
    // client area; the client area shrinks and everything is repainted. A
    // constructor passes relayout false: descendants are not there yet to hear
    // of the new client size, which is checked when the window is first shown.
    void SetFrameWidth(int width, bool relayout = true);
    // Asks for the frame to be painted again.
    void InvalidateFrame();
    // Paints the frame on a canvas the size of the window, in window
    // coordinates; only the outer FrameWidth() pixels are shown.
    virtual void PaintFrame(TCanvas& canvas, const TRect& window);
    // The client area moved inside the window (the frame changed).
    virtual void ClientAreaMoved() { checkClientSize(); }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Runs fn guarded by the application's exception handling.
    template <typename Fn> void guard(Fn&& fn);

private:
    void paintInvalid(const QRegion& area);
    QRect bufferRect() const;
    void ensureBuffer();
    QImage surfaceView(int top);
    bool slideSurface(int dy, const QRect& r);
    void paintFrameInto(QPainter& painter, const QRegion& area);
    QRegion frameRegion() const;
    QPoint clientPoint(const QMouseEvent* event) const;
    bool onFrame(const QMouseEvent* event) const;
    static TShiftState shiftOf(const QMouseEvent* event);

    // The surface is a window onto a store three times its height: a vertical scroll
    // moves the window instead of the pixels (see slideSurface).
    QImage m_store;
    int m_top = 0;
    QImage m_buffer;
    TCanvas m_canvas;
    int m_frame = 0;
    QImage m_frameBuffer;
    QRegion m_valid;
    bool m_painting = false;
    bool m_capture = false;
    bool m_designing = false;
    QSize m_clientSize;
};

template <typename Fn> void TCustomControl::guard(Fn&& fn)
{
    Application()->Guard(this, std::forward<Fn>(fn));
}
