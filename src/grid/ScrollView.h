#pragma once

#include "Controls.h"
#include "Geometry.h"
#include "Screen.h"

#include <QCursor>

#include <cstdint>
#include <memory>

class QScrollBar;
class IIntervalTimer;
class TRollShadow;
class TCustomScrollView;
class TScrollView;

enum TScrollBarKind : std::uint8_t { sbHorizontal = 0, sbVertical = 1 };

// Scroll request codes, as the bars and the view's own steps send them.
constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_ENDSCROLL = 8;

// The roll cursors, in the screen's cursor table.
constexpr TCursor crRoll = 3003;
constexpr TCursor crRollUp = 3004;
constexpr TCursor crRollDown = 3005;

// Adds up the turns of a mouse wheel (in eighths of a degree, 120 a notch) and
// hands out whole notches: high-resolution wheels and touchpads send parts of one.
class TWheelNotches
{
public:
    // The whole notches this turn completes, positive away from the user; the
    // part of a notch left over counts towards the next turn, either way.
    int Add(int angleDelta);

private:
    int m_rest = 0;
};

// One of the view's two scroll bars: keeps range, page, position and steps,
// and pushes them to the view's bar of its kind.
class TControlScrollBar : public TPersistent
{
public:
    explicit TControlScrollBar(TCustomScrollView* control, TScrollBarKind kind = sbHorizontal);

    TCustomScrollView* Control() const { return m_control; }
    TScrollBarKind Kind() const { return m_kind; }
    void SetKind(TScrollBarKind kind) { m_kind = kind; }

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // Negative values become 0; a position above the new Max moves to it
    // without scrolling the pixels.
    int Max() const { return m_max; }
    void SetMax(int max);
    int Min() const { return m_min; }
    void SetMin(int min);
    // A negative page is refused with ERangeError and nothing changes.
    int PageSize() const { return m_pageSize; }
    void SetPageSize(int pageSize);
    // Cut to [Min, Max] (Min wins when it exceeds Max); then the view is
    // scrolled by the change, even when there is none.
    int Position() const { return m_position; }
    void SetPosition(int position);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    int LineStep() const { return m_lineStep; }
    void SetLineStep(int step) { m_lineStep = step; }
    int PageStep() const { return m_pageStep; }
    void SetPageStep(int step) { m_pageStep = step; }
    bool Updating() const { return m_updating; }

    // All at once, pushing the bar once at the end. A Position of 0 or less
    // leaves the position alone.
    void SetParams(int position, int min, int max, int pageSize, bool enabled, bool visible);
    virtual void UpdateBar();

    // Sent to the view as scroll requests; nothing while Max is 0.
    void LineUp();
    void LineDown();
    void PageUp();
    void PageDown();

    // Copies the settings of another bar (position included); other sources are refused.
    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TControlScrollBar"); }

private:
    void request(int code);

    TCustomScrollView* m_control;
    bool m_enabled = true;
    TScrollBarKind m_kind;
    int m_pageStep = 1;
    int m_max = 100;
    int m_min = 0;
    int m_pageSize = 0;
    int m_position = 0;
    int m_lineStep = 1;
    bool m_visible = true;
    bool m_updating = false;
};

// The window surface with two real scroll bars; scrolling moves the pixels
// inside the clip rectangle the descendant keeps for each direction.
class TCustomScrollView : public TCustomControl
{
    Q_OBJECT
public:
    explicit TCustomScrollView(QWidget* parent = nullptr);
    ~TCustomScrollView() override;

    int ClientWidth() const override;
    int ClientHeight() const override;

    TRect HorzClipRect() const { return m_horzClipRect; }
    void SetHorzClipRect(const TRect& r) { m_horzClipRect = r; }
    int HorzScrollUnit() const { return m_horzScrollUnit; }
    void SetHorzScrollUnit(int unit) { m_horzScrollUnit = unit; }
    TRect VertClipRect() const { return m_vertClipRect; }
    void SetVertClipRect(const TRect& r) { m_vertClipRect = r; }
    int VertScrollUnit() const { return m_vertScrollUnit; }
    void SetVertScrollUnit(int unit) { m_vertScrollUnit = unit; }

    // Scrolls the pixels by (DX x HorzScrollUnit, DY x VertScrollUnit) inside
    // HorzClipRect when DX is not 0, else inside VertClipRect.
    virtual void ScrollContent(int dx, int dy);
    // Called before every scroll of a bar.
    virtual void BeforeScroll(TScrollBarKind kind);
    // Handles a scroll request for the bar of kind, synchronously.
    virtual void ScrollMessage(TScrollBarKind kind, int code);

    // The window exists once it has been shown or asked for; creating it
    // pushes both bars.
    bool HandleAllocated() const { return m_handleAllocated; }
    void HandleNeeded();

    // The window's own bars, as the platform would keep them. A bar whose range
    // is empty disappears, unless it is to be greyed instead.
    virtual void SetScrollInfo(TScrollBarKind kind, int min, int max, int pageSize, int position);
    void SetDisableNoScroll(TScrollBarKind kind, bool value) { m_disableNoScroll[kind] = value; }
    virtual int ScrollTrackPos(TScrollBarKind kind) const;
    virtual void EnableScrollBar(TScrollBarKind kind, bool enabled);
    virtual void ShowScrollBar(TScrollBarKind kind, bool show);
    QScrollBar* NativeBar(TScrollBarKind kind) const;

protected:
    virtual void CreateWnd() { }
    void ClientAreaMoved() override { layoutBars(); }
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutBars();
    void barAction(TScrollBarKind kind, int action);

    TRect m_horzClipRect;
    int m_horzScrollUnit = 1;
    TRect m_vertClipRect;
    int m_vertScrollUnit = 1;
    QScrollBar* m_bars[2];
    bool m_disableNoScroll[2] = { false, false };
    bool m_handleAllocated = false;
};

// The scroll view with its two bar objects and the middle-button roll.
class TScrollView : public TCustomScrollView
{
    Q_OBJECT
public:
    explicit TScrollView(QWidget* parent = nullptr);
    ~TScrollView() override;

    TControlScrollBar* HorzScrollBar() const { return m_horzScrollBar.get(); }
    TControlScrollBar* VertScrollBar() const { return m_vertScrollBar.get(); }
    TRollShadow* RollShadow() const { return m_rollShadow.get(); }
    IIntervalTimer* RollTimer() const { return m_rollTimer.get(); }

    TPoint RollOrigin() const { return m_rollOrigin; }
    bool Rolling() const { return m_rolling; }
    bool RollingUp() const { return m_rollUp; }
    bool RollingDown() const { return m_rollDown; }

    void ScrollMessage(TScrollBarKind kind, int code) override;

    // The roll cursors, drawn from their pixel pattern (hotspot (6, 10)).
    static QCursor RollCursor(TCursor id);

protected:
    void CreateWnd() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    virtual void RollTick();

private:
    std::unique_ptr<TControlScrollBar> m_horzScrollBar;
    TPoint m_rollOrigin;
    std::unique_ptr<TRollShadow> m_rollShadow;
    std::unique_ptr<IIntervalTimer> m_rollTimer;
    std::unique_ptr<TControlScrollBar> m_vertScrollBar;
    bool m_rolling = false;
    bool m_rollUp = false;
    bool m_rollDown = false;
};
