#include "ScrollView.h"

#include "FlyoutControl.h"
#include "ViewServices.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <cstdlib>

namespace {

int checkedAdd(int a, int b)
{
    int result;
    if (__builtin_add_overflow(a, b, &result))
        throw EIntOverflow(QStringLiteral("Integer overflow"));
    return result;
}

int checkedSub(int a, int b)
{
    int result;
    if (__builtin_sub_overflow(a, b, &result))
        throw EIntOverflow(QStringLiteral("Integer overflow"));
    return result;
}

int checkedMul(int a, int b)
{
    int result;
    if (__builtin_mul_overflow(a, b, &result))
        throw EIntOverflow(QStringLiteral("Integer overflow"));
    return result;
}

void checkPageSize(int pageSize)
{
    if (pageSize < 0)
        throw ERangeError(
            QStringLiteral("Scroll bar page size must not be negative (%1)").arg(pageSize));
}

// The window's own scroll bar. Drawing a bar fills its whole length several
// times over, work the raster engine splits into pieces for its worker threads:
// on a busy machine the bar cost more than the rows a line scroll uncovers. On a
// long list a line moves the thumb by less than a pixel, so the bar would be
// drawn again just as it was. At rest (no pointer over it, no button held on
// it) the bar is drawn from a picture of its look, made afresh whenever
// anything the style draws it from has changed.
class WindowScrollBar : public QScrollBar
{
public:
    using QScrollBar::QScrollBar;

protected:
    bool event(QEvent* event) override
    {
        // Whatever reaches the bar but a repaint may change how it looks.
        if (event->type() != QEvent::Paint)
            m_picture = QImage();
        if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange)
            m_seeThrough = nullptr;
        return QScrollBar::event(event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        m_held = true;
        QScrollBar::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QScrollBar::mouseReleaseEvent(event);
        m_held = event->buttons() != Qt::NoButton;
    }

    void paintEvent(QPaintEvent* event) override
    {
        // Pointed at or held, the bar shows which of its parts is hot or pressed.
        if (m_held || isSliderDown() || underMouse()) {
            QScrollBar::paintEvent(event);
            return;
        }
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.subControls = QStyle::SC_All;
        option.activeSubControls = QStyle::SC_None;
        if (style() == m_seeThrough
            || style()->styleHint(QStyle::SH_ScrollBar_Transient, &option, this)) {
            QScrollBar::paintEvent(event);
            return;
        }
        const Look look = lookOf(option);
        if (m_picture.isNull() || !(look == m_look)) {
            if (!makePicture(option)) {
                m_seeThrough = style();
                QScrollBar::paintEvent(event);
                return;
            }
            m_look = look;
        }
        QPainter painter(this);
        painter.drawImage(0, 0, m_picture);
    }

private:
    // What the style draws the bar from, but for the position, which counts
    // only through where the thumb lies and whether it is at an end.
    struct Look
    {
        QSize size;
        qreal ratio = 0;
        const QStyle* style = nullptr;
        qint64 palette = 0;
        QStyle::State state;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        Qt::Orientation orientation = Qt::Vertical;
        int minimum = 0, maximum = 0, pageStep = 0, singleStep = 0;
        bool upsideDown = false;
        QRect slider;
        bool atMinimum = false, atMaximum = false;
        bool operator==(const Look&) const = default;
    };

    Look lookOf(const QStyleOptionSlider& option) const
    {
        return Look { size(), devicePixelRatioF(), style(), palette().cacheKey(), option.state,
            option.direction, option.orientation, option.minimum, option.maximum, option.pageStep,
            option.singleStep, option.upsideDown,
            style()->subControlRect(
                QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            option.sliderPosition <= option.minimum, option.sliderPosition >= option.maximum };
    }

    // Only a picture that covers every pixel can stand for the bar: a style that
    // lets the window show through blends with what lies below.
    bool makePicture(const QStyleOptionSlider& option)
    {
        const qreal ratio = devicePixelRatioF();
        QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        {
            // Set up as a painter on the bar itself would be.
            QPainter painter(&image);
            painter.setPen(QPen(palette().brush(foregroundRole()), 1));
            painter.setBackground(palette().brush(backgroundRole()));
            painter.setFont(font());
            painter.setLayoutDirection(layoutDirection());
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
        }
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(line[x]) != 255) {
                    m_picture = QImage();
                    return false;
                }
            }
        }
        m_picture = image.convertToFormat(QImage::Format_RGB32);
        return true;
    }

    QImage m_picture;
    Look m_look;
    // A style whose bar lets the window show through is drawn as it is.
    const QStyle* m_seeThrough = nullptr;
    bool m_held = false;
};

} // namespace

// ---------------------------------------------------------------- TWheelNotches

int TWheelNotches::Add(int angleDelta)
{
    const long long total = (long long)m_rest + angleDelta;
    m_rest = int(total % 120);
    return int(total / 120);
}

// ---------------------------------------------------------------- TControlScrollBar

TControlScrollBar::TControlScrollBar(TCustomScrollView* control, TScrollBarKind kind)
    : m_control(control)
    , m_kind(kind)
{
}

void TControlScrollBar::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    UpdateBar();
}

void TControlScrollBar::SetMax(int max)
{
    m_max = std::max(max, 0);
    // The thumb follows without scrolling: the descendant repaints from its own state.
    if (m_position > m_max)
        m_position = m_max;
    UpdateBar();
}

void TControlScrollBar::SetMin(int min)
{
    m_min = std::max(min, 0);
    UpdateBar();
}

void TControlScrollBar::SetPageSize(int pageSize)
{
    checkPageSize(pageSize);
    m_pageSize = pageSize;
    UpdateBar();
}

void TControlScrollBar::SetPosition(int position)
{
    if (position > m_max)
        position = m_max;
    if (position < m_min)
        position = m_min;
    const int delta = checkedSub(m_position, position);
    m_position = position;
    UpdateBar();
    m_control->BeforeScroll(m_kind);
    if (m_kind == sbVertical)
        m_control->ScrollContent(0, delta);
    else
        m_control->ScrollContent(delta, 0);
}

void TControlScrollBar::SetVisible(bool visible)
{
    m_visible = visible;
    m_control->ShowScrollBar(m_kind, visible);
}

void TControlScrollBar::SetParams(
    int position, int min, int max, int pageSize, bool enabled, bool visible)
{
    // Refused before anything changes, so a bad page loses no setting.
    checkPageSize(pageSize);
    m_updating = true;
    try {
        SetEnabled(enabled);
        SetMax(max);
        SetMin(min);
        SetPageSize(pageSize);
        if (position > 0)
            SetPosition(position);
        SetVisible(visible);
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
    UpdateBar();
}

void TControlScrollBar::UpdateBar()
{
    if (m_updating || !m_control->HandleAllocated())
        return;
    // A bar that is to be shown while it is disabled stays, greyed, when its
    // range is empty.
    m_control->SetDisableNoScroll(m_kind, m_visible && !m_enabled);
    m_control->SetScrollInfo(m_kind, m_min, m_max, m_pageSize, m_position);
    m_control->EnableScrollBar(m_kind, m_enabled);
}

void TControlScrollBar::request(int code)
{
    if (m_max >= 1)
        m_control->ScrollMessage(m_kind, code);
}

void TControlScrollBar::LineUp()
{
    request(SB_LINEUP);
}
void TControlScrollBar::LineDown()
{
    request(SB_LINEDOWN);
}
void TControlScrollBar::PageUp()
{
    request(SB_PAGEUP);
}
void TControlScrollBar::PageDown()
{
    request(SB_PAGEDOWN);
}

void TControlScrollBar::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TControlScrollBar*>(source)) {
        if (other == this)
            return;
        m_lineStep = other->m_lineStep;
        m_pageStep = other->m_pageStep;
        SetParams(other->m_position, other->m_min, other->m_max, other->m_pageSize,
            other->m_enabled, other->m_visible);
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------- TCustomScrollView

TCustomScrollView::TCustomScrollView(QWidget* parent)
    : TCustomControl(parent)
{
    for (TScrollBarKind kind : { sbHorizontal, sbVertical }) {
        auto* bar = new WindowScrollBar(kind == sbHorizontal ? Qt::Horizontal : Qt::Vertical, this);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
        m_bars[kind] = bar;
        connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, kind](int action) { barAction(kind, action); });
        connect(bar, &QAbstractSlider::sliderReleased, this, [this, kind] {
            guard([&] {
                ScrollMessage(kind, SB_THUMBPOSITION);
                ScrollMessage(kind, SB_ENDSCROLL);
            });
        });
    }
}

TCustomScrollView::~TCustomScrollView() = default;

QScrollBar* TCustomScrollView::NativeBar(TScrollBarKind kind) const
{
    return m_bars[kind];
}

int TCustomScrollView::ClientWidth() const
{
    const int bar = m_bars[sbVertical]->isHidden() ? 0 : m_bars[sbVertical]->width();
    return std::max(TCustomControl::ClientWidth() - bar, 0);
}

int TCustomScrollView::ClientHeight() const
{
    const int bar = m_bars[sbHorizontal]->isHidden() ? 0 : m_bars[sbHorizontal]->height();
    return std::max(TCustomControl::ClientHeight() - bar, 0);
}

void TCustomScrollView::ScrollContent(int dx, int dy)
{
    const int px = checkedMul(dx, m_horzScrollUnit);
    const int py = checkedMul(dy, m_vertScrollUnit);
    ScrollPixels(px, py, dx != 0 ? m_horzClipRect : m_vertClipRect);
}

void TCustomScrollView::BeforeScroll(TScrollBarKind) { }

void TCustomScrollView::ScrollMessage(TScrollBarKind, int) { }

void TCustomScrollView::HandleNeeded()
{
    if (m_handleAllocated)
        return;
    m_handleAllocated = true;
    CreateWnd();
}

void TCustomScrollView::SetScrollInfo(
    TScrollBarKind kind, int min, int max, int pageSize, int position)
{
    QScrollBar* bar = m_bars[kind];
    // The thumb's last position leaves room for the page, as the platform's bars do.
    const int last = std::max(min, max - std::max(pageSize - 1, 0));
    bar->setRange(min, last);
    bar->setPageStep(pageSize);
    bar->setValue(position);
    // A window's own bar disappears while its range is empty or smaller than a page.
    const bool show = (max > min && pageSize <= max - min) || m_disableNoScroll[kind];
    if (bar->isHidden() == show) {
        bar->setVisible(show);
        layoutBars();
    }
}

int TCustomScrollView::ScrollTrackPos(TScrollBarKind kind) const
{
    return m_bars[kind]->sliderPosition();
}

void TCustomScrollView::EnableScrollBar(TScrollBarKind kind, bool enabled)
{
    m_bars[kind]->setEnabled(enabled);
}

void TCustomScrollView::ShowScrollBar(TScrollBarKind kind, bool show)
{
    if (m_bars[kind]->isHidden() == show) {
        m_bars[kind]->setVisible(show);
        layoutBars();
    }
}

void TCustomScrollView::layoutBars()
{
    QScrollBar* horz = m_bars[sbHorizontal];
    QScrollBar* vert = m_bars[sbVertical];
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const bool h = !horz->isHidden(), v = !vert->isHidden();
    // The bars stand inside the frame, at the client area's right and bottom.
    const int f = FrameWidth();
    const int w = TCustomControl::ClientWidth(), ht = TCustomControl::ClientHeight();
    vert->setGeometry(f + w - extent, f, extent, ht - (h ? extent : 0));
    horz->setGeometry(f, f + ht - extent, w - (v ? extent : 0), extent);
    checkClientSize();
}

void TCustomScrollView::showEvent(QShowEvent* event)
{
    TCustomControl::showEvent(event);
    guard([this] { HandleNeeded(); });
}

void TCustomScrollView::resizeEvent(QResizeEvent* event)
{
    layoutBars();
    TCustomControl::resizeEvent(event);
}

void TCustomScrollView::barAction(TScrollBarKind kind, int action)
{
    int code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        code = SB_LINEDOWN;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        code = SB_LINEUP;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = SB_PAGEDOWN;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = SB_PAGEUP;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = SB_TOP;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = SB_BOTTOM;
        break;
    case QAbstractSlider::SliderMove:
        code = SB_THUMBTRACK;
        break;
    default:
        return;
    }
    guard([&] { ScrollMessage(kind, code); });
}

// ---------------------------------------------------------------- TScrollView

TScrollView::TScrollView(QWidget* parent)
    : TCustomScrollView(parent)
    , m_horzScrollBar(std::make_unique<TControlScrollBar>(this))
    , m_vertScrollBar(std::make_unique<TControlScrollBar>(this))
{
    m_rollShadow = std::make_unique<TRollShadow>(this);
    m_rollShadow->hide();
    m_rollTimer = ViewServices().CreateTimer();
    m_rollTimer->SetEnabled(false);
    m_rollTimer->OnTimer = [this] { guard([this] { RollTick(); }); };
    m_rollTimer->SetInterval(1);
    m_horzScrollBar->SetKind(sbHorizontal);
    SetHorzScrollUnit(1);
    m_vertScrollBar->SetKind(sbVertical);
    SetVertScrollUnit(1);
    for (TCursor id : { crRoll, crRollUp, crRollDown })
        Screen()->SetCursors(id, RollCursor(id));
}

TScrollView::~TScrollView()
{
    if (m_rolling)
        Screen()->SetCursor(crDefault);
    m_rollShadow.reset();
    m_rollTimer.reset();
    m_horzScrollBar.reset();
    m_vertScrollBar.reset();
}

void TScrollView::CreateWnd()
{
    TCustomScrollView::CreateWnd();
    m_vertScrollBar->UpdateBar();
    m_horzScrollBar->UpdateBar();
}

void TScrollView::ScrollMessage(TScrollBarKind kind, int code)
{
    TCustomScrollView::ScrollMessage(kind, code);
    TControlScrollBar* bar = kind == sbVertical ? m_vertScrollBar.get() : m_horzScrollBar.get();
    switch (code) {
    case SB_LINEUP:
        bar->SetPosition(checkedSub(bar->Position(), bar->LineStep()));
        break;
    case SB_LINEDOWN:
        bar->SetPosition(checkedAdd(bar->Position(), bar->LineStep()));
        break;
    case SB_PAGEUP:
        bar->SetPosition(checkedSub(bar->Position(), bar->PageStep()));
        break;
    case SB_PAGEDOWN:
        bar->SetPosition(checkedAdd(bar->Position(), bar->PageStep()));
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        bar->SetPosition(ScrollTrackPos(kind));
        break;
    case SB_TOP:
        bar->SetPosition(0);
        break;
    case SB_BOTTOM:
        bar->SetPosition(bar->Max());
        break;
    default:
        break;
    }
    ShowScrollBar(kind, isVisible());
}

QCursor TScrollView::RollCursor(TCursor id)
{
    const bool up = id != crRollDown;
    const bool down = id != crRollUp;
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    auto span = [&](int y, int from, int to) {
        for (int x = from; x <= to; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
    };
    for (int k = 0; k <= 6; ++k) {
        if (up)
            span(k, 6 - k, 7 + k); // two pixels at the apex, fourteen at row 6
        if (down)
            span(21 - k, 6 - k, 7 + k);
    }
    span(9, 6, 7);
    span(10, 5, 8);
    span(11, 5, 8);
    span(12, 6, 7);
    return QCursor(QPixmap::fromImage(image), 6, 10);
}

void TScrollView::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomScrollView::MouseDown(button, shift, x, y);
    if (button != mbMiddle)
        return;
    m_rolling = true;
    // A new roll has no direction until the mouse moves.
    m_rollUp = m_rollDown = false;
    m_rollShadow->setCursor(Screen()->Cursors(crRoll));
    m_rollOrigin = TPoint(x, y);
    m_rollShadow->ShowAt(ClientToScreen(m_rollOrigin));
    m_rollShadow->show();
    m_rollTimer->SetInterval(1);
    m_rollTimer->SetEnabled(true);
    SetMouseCapture(true);
}

void TScrollView::MouseMove(TShiftState shift, int x, int y)
{
    TCustomScrollView::MouseMove(shift, x, y);
    if (!m_rolling)
        return;
    m_rollUp = m_rollDown = false;
    const long long dy = (long long)y - m_rollOrigin.Y;
    if (dy < -5) {
        Screen()->SetCursor(crRollUp);
        m_rollUp = true;
    } else if (dy > 5) {
        Screen()->SetCursor(crRollDown);
        m_rollDown = true;
    } else {
        Screen()->SetCursor(crRoll);
    }
    m_rollShadow->setCursor(Screen()->Cursors(Screen()->Cursor()));
}

void TScrollView::RollTick()
{
    const TPoint p = ScreenToClient(TPoint(ViewServices().CursorPos()));
    const long long d = std::llabs((long long)p.Y - m_rollOrigin.Y);
    m_rollTimer->SetInterval(int(std::max(100 - d, 1LL)));
    if (m_rollUp)
        m_vertScrollBar->LineUp();
    if (m_rollDown)
        m_vertScrollBar->LineDown();
}

void TScrollView::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomScrollView::MouseUp(button, shift, x, y);
    m_rollTimer->SetEnabled(false);
    m_rolling = false;
    m_rollShadow->hide();
    Screen()->SetCursor(crDefault);
    SetMouseCapture(false);
}
