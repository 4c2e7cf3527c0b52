#pragma once

#include "Controls.h"
#include "ImgList.h"
#include "ScrollView.h"
#include "SysUtils.h"

#include <QPointer>
#include <QStringList>

#include <algorithm>
#include <functional>

// The drop-down windows the button editors open below themselves: a plain
// pop-up view, the pick list of the combo box editor and the month calendar
// of the date picker.

// A small push button drawn by the grid's helpers: themed or classic face,
// pressed while the mouse holds it, hot while the mouse is over it.
class TSmallButton : public TCustomControl
{
    Q_OBJECT
public:
    explicit TSmallButton(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    bool Pressed() const { return m_pressed; }
    void SetPressed(bool value);
    bool Hot() const { return m_hot; }
    void SetHot(bool value);

    // A press shows the button pressed and raises OnButtonDown; the release
    // lets it go and, over the button, raises OnClick.
    TNotifyEvent OnButtonDown;
    TNotifyEvent OnClick;

    static TSmallButton* Create(QWidget* parent) { return new TSmallButton(parent); }

protected:
    void Paint() override;
    // The picture on the face; the caption, centred, by default.
    virtual void PaintGlyph(TCanvas& canvas, const TRect& rect);
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_caption;
    bool m_pressed = false;
    bool m_hot = false;
    bool m_tracking = false;
};

using TPopupValueEvent = std::function<void(TObject* sender, const QString& value)>;

// A top-most window below an editor that has every click while it is open:
// the release that ends the opening click is let go, the next release inside
// turns into a value (Select), and any later release closes the view.
class TPopupView : public TScrollView
{
    Q_OBJECT
public:
    explicit TPopupView(QWidget* owner = nullptr);
    ~TPopupView() override;

    // The frame: a line in the active caption colour with a white line inside.
    static constexpr int BorderWidth = 2;

    bool Closed() const { return m_closed; }
    // Shows the view at screen point (x, y) with its current size.
    virtual void Popup(int x, int y);
    // Turns a release at a client point into a value.
    virtual void Select(int x, int y);
    // Ends the popup without a value unless Select sent one: hides the window
    // and raises OnClose. Nothing when already closed.
    void ClosePopup();

    // The text of the editor that opens the view.
    QString Text() const { return m_text; }
    void SetText(const QString& value) { m_text = value; }

    // The window size for a client size.
    void SetClientSize(int width, int height);

    int ClientWidth() const override;
    int ClientHeight() const override;
    // The client area in window coordinates.
    TRect ClientBounds() const;

    TNotifyEvent OnClose;
    TPopupValueEvent OnValue;

    static TPopupView* Create(QWidget* owner) { return new TPopupView(owner); }

protected:
    void SendValue(const QString& value);
    // The client area's content; the frame is drawn around it.
    virtual void PaintClient() { }
    void Paint() override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // A key while the view is open (it has the keyboard then): Escape, F4 and
    // Alt+Up close the view.
    virtual void KeyPressed(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void ShowScrollBar(TScrollBarKind kind, bool show) override;
    void SetScrollInfo(TScrollBarKind kind, int min, int max, int pageSize, int position) override;
    // Window point to client point.
    TPoint ToClient(int x, int y) const { return TPoint(x - BorderWidth, y - BorderWidth); }
    bool InClient(const TPoint& client) const;

private:
    void placeBars();

    bool m_closed = true;
    bool m_firstReleaseSeen = true;
    QString m_text;
};

// The pick list of the combo box editor.
class TPopupList : public TPopupView
{
    Q_OBJECT
public:
    explicit TPopupList(QWidget* owner = nullptr);

    // The editor's items, not owned.
    const QStringList& Items() const { return m_items; }
    void SetItems(const QStringList& items) { m_items = items; }
    TCustomImageList* Images() const { return m_images; }
    void SetImages(TCustomImageList* images) { m_images = images; }
    bool ShowImages() const { return m_showImages; }
    void SetShowImages(bool value) { m_showImages = value; }
    // At least 1; also the vertical scroll step.
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int value);
    int HotIndex() const { return m_hotIndex; }
    int ChosenIndex() const { return m_chosenIndex; }
    int DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int value) { m_dropDownCount = value; }
    // The first row shown (the vertical bar's position).
    int TopRow() const;

    // The item under a client point, or -1.
    int ItemAt(int x, int y) const;

    void Popup(int x, int y) override;
    void Select(int x, int y) override;

    static TPopupView* Create(QWidget* owner) { return new TPopupList(owner); }

protected:
    void PaintClient() override;
    void MouseMove(TShiftState shift, int x, int y) override;
    // The arrows, the page keys, Home and End move the hot item; a letter
    // jumps to the next item that starts with it; Enter chooses the hot item.
    void KeyPressed(int key, Qt::KeyboardModifiers modifiers, const QString& text) override;
    void ScrollContent(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void invalidateRow(int index);
    void setHotIndex(int index);
    // The hot item becomes index (kept within the items), scrolled into view.
    void moveHotTo(int index);
    int rowsThatFit() const { return std::max(1, ClientHeight() / m_itemHeight); }

    QStringList m_items;
    QPointer<TCustomImageList> m_images;
    bool m_showImages = true;
    int m_itemHeight = 16;
    int m_hotIndex = 0;
    int m_previousHot = 0;
    int m_chosenIndex = -1;
    int m_dropDownCount = 8;
    TWheelNotches m_wheel;
};

// The month calendar of the date picker.
class TDatePopup : public TPopupView
{
    Q_OBJECT
public:
    explicit TDatePopup(QWidget* owner = nullptr);

    // Setting Date also sets SelectedDate, Year, Month and Day.
    TDateTime Date() const { return m_date; }
    void SetDate(TDateTime value);
    int Day() const { return m_day; }
    void SetDay(int value);
    int Month() const { return m_month; }
    void SetMonth(int value);
    int Year() const { return m_year; }
    void SetYear(int value);
    TDateTime SelectedDate() const { return m_selectedDate; }
    void SetSelectedDate(TDateTime value);
    bool Tracking() const { return m_tracking; }

    TSmallButton* TodayButton() const { return m_todayButton; }
    TSmallButton* NoneButton() const { return m_noneButton; }

    // Shows the month before or after; January and December wrap the year.
    void PreviousMonth();
    void NextMonth();

    // The day grid: 7 columns from Sunday, 17 x 15 pixel cells from (14, 38).
    static constexpr int GridLeft = 14;
    static constexpr int GridTop = 38;
    static constexpr int CellWidth = 17;
    static constexpr int CellHeight = 15;
    // The date shown in the cell of column c and row r.
    QDate CellDate(int column, int row) const;
    // The cell under a client point; false outside the day grid.
    bool CellAt(int x, int y, int& column, int& row) const;
    // The number of week rows the shown month needs.
    int RowCount() const;

    void Select(int x, int y) override;

    static TPopupView* Create(QWidget* owner) { return new TDatePopup(owner); }

protected:
    void PaintClient() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // The arrows move the selected day by a day or a week, the page keys by a
    // month (with Ctrl a year), Home and End to the ends of the shown month;
    // Enter or Space chooses the selected day.
    void KeyPressed(int key, Qt::KeyboardModifiers modifiers, const QString& text) override;
    void Resize() override;

private:
    // The selected day becomes date, and its month is shown.
    void selectDay(const QDate& date);
    TRect dayArea() const;
    TRect cellRect(int column, int row) const;
    void trackTo(const TPoint& client);
    void buttonValue(const QString& value);
    QDate shownMonth() const { return QDate(m_year, m_month, 1); }

    TDateTime m_date = 0;
    int m_day = 1;
    int m_month = 1;
    int m_year = 1;
    TDateTime m_selectedDate = 0;
    bool m_tracking = false;
    TRect m_selectedRect;
    TSmallButton* m_todayButton;
    TSmallButton* m_noneButton;
};
