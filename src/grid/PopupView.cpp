#include "PopupView.h"

#include "SharedClasses.h"
#include "ThemesSupport.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

namespace {

// Day 1 = Sunday, as the calendar's first column.
int sundayBasedDayOfWeek(const QDate& date)
{
    return date.dayOfWeek() % 7 + 1;
}

// A day as the calendar reports it: its midnight.
TDateTime midnight(const QDate& date)
{
    return SysUtils::ToDateTime(QDateTime(date, QTime(0, 0)));
}

const char* const dayLetters[] = { "S", "M", "T", "W", "T", "F", "S" };
const char* const monthNames[] = { "January", "February", "March", "April", "May", "June", "July",
    "August", "September", "October", "November", "December" };

} // namespace

// ---------------------------------------------------------------------------

TSmallButton::TSmallButton(QWidget* parent)
    : TCustomControl(parent)
{
    setFocusPolicy(Qt::NoFocus);
    resize(16, 16);
}

void TSmallButton::SetCaption(const QString& value)
{
    m_caption = value;
    Invalidate();
}

void TSmallButton::SetPressed(bool value)
{
    if (value == m_pressed)
        return;
    m_pressed = value;
    Invalidate();
}

void TSmallButton::SetHot(bool value)
{
    if (value == m_hot)
        return;
    m_hot = value;
    Invalidate();
}

void TSmallButton::Paint()
{
    TCanvas& canvas = Canvas();
    const TRect rect(0, 0, width(), height());
    bool themed = false;
    if (ThemesAvailable()) {
        canvas.FillSolid(rect, clBtnFace);
        const int state = !isEnabled() ? PBS_DISABLED
            : m_pressed                ? PBS_PRESSED
            : m_hot                    ? PBS_HOT
                                       : PBS_NORMAL;
        themed = DrawThemed(this, canvas, rect, BP_PUSHBUTTON, state, QStringLiteral("Button"));
    }
    if (!themed) {
        if (m_pressed) {
            canvas.FillSolid(rect, clBtnFace);
            canvas.Brush().SetStyle(bsSolid);
            canvas.Brush().SetColor(clBtnShadow);
            canvas.FrameRect(rect);
        } else {
            TGraphicsProvider::DrawButtonFace(canvas, rect, true);
        }
    }
    // The picture moves down and right while the button is held, as on a classic button.
    PaintGlyph(canvas, m_pressed ? rect.Offset(1, 1) : rect);
}

void TSmallButton::PaintGlyph(TCanvas& canvas, const TRect& rect)
{
    if (m_caption.isEmpty())
        return;
    canvas.WithPainter([&](QPainter& p) {
        p.setFont(font());
        p.setPen(ToQColor(isEnabled() ? clBtnText : clGrayText));
        p.drawText(rect.ToQRect(), Qt::AlignCenter | Qt::TextSingleLine, m_caption);
    });
}

void TSmallButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft)
        return;
    m_tracking = true;
    SetPressed(true);
    if (OnButtonDown)
        OnButtonDown(this);
}

void TSmallButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !m_tracking)
        return;
    m_tracking = false;
    SetPressed(false);
    if (TRect(0, 0, width(), height()).Contains(TPoint(x, y)) && OnClick)
        OnClick(this);
}

void TSmallButton::enterEvent(QEnterEvent* event)
{
    TCustomControl::enterEvent(event);
    SetHot(true);
}

void TSmallButton::leaveEvent(QEvent* event)
{
    TCustomControl::leaveEvent(event);
    SetHot(false);
}

// ---------------------------------------------------------------------------

TPopupView::TPopupView(QWidget* owner)
    : TScrollView(owner)
{
    // A window of its own above everything; while open it has every click.
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    // No bars until a view asks for them.
    HorzScrollBar()->SetMax(0);
    VertScrollBar()->SetMax(0);
    hide();
}

TPopupView::~TPopupView()
{
    OnClose = nullptr;
    OnValue = nullptr;
}

int TPopupView::ClientWidth() const
{
    return std::max(0, TScrollView::ClientWidth() - 2 * BorderWidth);
}

int TPopupView::ClientHeight() const
{
    return std::max(0, TScrollView::ClientHeight() - 2 * BorderWidth);
}

TRect TPopupView::ClientBounds() const
{
    return TRect::Bounds(BorderWidth, BorderWidth, ClientWidth(), ClientHeight());
}

bool TPopupView::InClient(const TPoint& client) const
{
    return client.X >= 0 && client.Y >= 0 && client.X < ClientWidth() && client.Y < ClientHeight();
}

void TPopupView::SetClientSize(int width, int height)
{
    const int bar = NativeBar(sbVertical)->isHidden() ? 0 : NativeBar(sbVertical)->width();
    resize(width + 2 * BorderWidth + bar, height + 2 * BorderWidth);
}

void TPopupView::Popup(int x, int y)
{
    m_closed = false;
    // The release of the click that opened the view is not a choice. Opened
    // without a button held (from code or the keyboard) there is none to wait for.
    m_firstReleaseSeen = QGuiApplication::mouseButtons() == Qt::NoButton;
    move(x, y);
    Invalidate();
    show();
    raise();
}

void TPopupView::Select(int, int) { }

void TPopupView::SendValue(const QString& value)
{
    if (OnValue)
        OnValue(this, value);
}

void TPopupView::ClosePopup()
{
    if (m_closed)
        return;
    m_closed = true;
    hide();
    if (OnClose)
        OnClose(this);
}

void TPopupView::hideEvent(QHideEvent* event)
{
    TScrollView::hideEvent(event);
    // Closed by the window system (Escape, another window taking over).
    if (!m_closed) {
        m_closed = true;
        if (OnClose)
            guard([this] { OnClose(this); });
    }
}

void TPopupView::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TScrollView::MouseUp(button, shift, x, y);
    if (!m_firstReleaseSeen) {
        m_firstReleaseSeen = true;
        return;
    }
    const TPoint client = ToClient(x, y);
    if (InClient(client))
        Select(client.X, client.Y);
    ClosePopup();
}

void TPopupView::KeyPressed(int key, Qt::KeyboardModifiers modifiers, const QString&)
{
    if (key == Qt::Key_Escape || key == Qt::Key_F4
        || (key == Qt::Key_Up && (modifiers & Qt::AltModifier)))
        ClosePopup();
}

void TPopupView::keyPressEvent(QKeyEvent* event)
{
    guard([&] { KeyPressed(event->key(), event->modifiers(), event->text()); });
    // Keys the view does not use go nowhere: the editor below waits for the
    // view to close.
    event->accept();
}

void TPopupView::Paint()
{
    TCanvas& canvas = Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clActiveCaption);
    canvas.FrameRect(TRect(0, 0, width(), height()));
    canvas.Brush().SetColor(clWhite);
    canvas.FrameRect(TRect(1, 1, width() - 1, height() - 1));
    const TRect client = ClientBounds();
    if (client.IsEmpty())
        return;
    canvas.SetClipRect(client);
    PaintClient();
    canvas.ResetClip();
}

void TPopupView::placeBars()
{
    // The bars sit inside the frame.
    QScrollBar* vert = NativeBar(sbVertical);
    if (!vert->isHidden())
        vert->setGeometry(width() - BorderWidth - vert->width(), BorderWidth, vert->width(),
            height() - 2 * BorderWidth);
    QScrollBar* horz = NativeBar(sbHorizontal);
    if (!horz->isHidden())
        horz->setGeometry(BorderWidth, height() - BorderWidth - horz->height(),
            width() - 2 * BorderWidth - (vert->isHidden() ? 0 : vert->width()), horz->height());
}

void TPopupView::resizeEvent(QResizeEvent* event)
{
    TScrollView::resizeEvent(event);
    placeBars();
}

void TPopupView::ShowScrollBar(TScrollBarKind kind, bool show)
{
    TScrollView::ShowScrollBar(kind, show);
    placeBars();
}

void TPopupView::SetScrollInfo(TScrollBarKind kind, int min, int max, int pageSize, int position)
{
    TScrollView::SetScrollInfo(kind, min, max, pageSize, position);
    placeBars();
}

// ---------------------------------------------------------------------------

TPopupList::TPopupList(QWidget* owner)
    : TPopupView(owner)
{
    VertScrollBar()->SetLineStep(1);
    SetVertScrollUnit(m_itemHeight);
    SetClientSize(80, 50);
}

void TPopupList::SetItemHeight(int value)
{
    m_itemHeight = std::max(1, value);
    SetVertScrollUnit(m_itemHeight);
}

int TPopupList::TopRow() const
{
    return VertScrollBar()->Position();
}

void TPopupList::Popup(int x, int y)
{
    TControlScrollBar* bar = VertScrollBar();
    bar->SetPosition(0);
    const int count = int(m_items.size());
    const int rowsThatFit = ClientHeight() / m_itemHeight;
    bar->SetMax(std::max(0, count - rowsThatFit));
    const int match = int(m_items.indexOf(Text()));
    m_previousHot = m_hotIndex;
    m_chosenIndex = -1;
    if (match >= 0) {
        m_hotIndex = match;
        bar->SetPosition(match);
    } else {
        m_hotIndex = 0;
    }
    TPopupView::Popup(x, y);
}

int TPopupList::ItemAt(int x, int y) const
{
    if (!InClient(TPoint(x, y)))
        return -1;
    const int index = y / m_itemHeight + TopRow();
    return index < m_items.size() ? index : -1;
}

void TPopupList::Select(int x, int y)
{
    // Below the last item there is nothing to choose.
    const int index = ItemAt(x, y);
    if (index < 0)
        return;
    m_chosenIndex = index;
    SendValue(m_items.at(index));
}

void TPopupList::invalidateRow(int index)
{
    const int row = index - TopRow();
    if (row < 0)
        return;
    const TRect client = ClientBounds();
    InvalidateRect(TRect(client.Left, client.Top + row * m_itemHeight, client.Right,
        client.Top + (row + 1) * m_itemHeight)
                       .Intersected(client));
}

void TPopupList::setHotIndex(int index)
{
    if (index == m_hotIndex)
        return;
    m_previousHot = m_hotIndex;
    m_hotIndex = index;
    invalidateRow(m_previousHot);
    invalidateRow(m_hotIndex);
}

void TPopupList::MouseMove(TShiftState shift, int x, int y)
{
    TPopupView::MouseMove(shift, x, y);
    const TPoint client = ToClient(x, y);
    if (!InClient(client))
        return;
    const int index = client.Y / m_itemHeight + TopRow();
    if (index < m_items.size())
        setHotIndex(index);
}

void TPopupList::moveHotTo(int index)
{
    if (m_items.isEmpty())
        return;
    index = std::clamp(index, 0, int(m_items.size()) - 1);
    setHotIndex(index);
    TControlScrollBar* bar = VertScrollBar();
    if (index < TopRow())
        bar->SetPosition(index);
    else if (index >= TopRow() + rowsThatFit())
        bar->SetPosition(index - rowsThatFit() + 1);
}

void TPopupList::KeyPressed(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    if (modifiers & (Qt::AltModifier | Qt::ControlModifier)) {
        TPopupView::KeyPressed(key, modifiers, text);
        return;
    }
    switch (key) {
    case Qt::Key_Up:
        moveHotTo(m_hotIndex - 1);
        return;
    case Qt::Key_Down:
        moveHotTo(m_hotIndex + 1);
        return;
    case Qt::Key_PageUp:
        moveHotTo(m_hotIndex - rowsThatFit());
        return;
    case Qt::Key_PageDown:
        moveHotTo(m_hotIndex + rowsThatFit());
        return;
    case Qt::Key_Home:
        moveHotTo(0);
        return;
    case Qt::Key_End:
        moveHotTo(int(m_items.size()) - 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_hotIndex >= 0 && m_hotIndex < m_items.size()) {
            m_chosenIndex = m_hotIndex;
            SendValue(m_items.at(m_hotIndex));
        }
        ClosePopup();
        return;
    default:
        break;
    }
    if (text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace()) {
        // Letters compare as Turkish text, where i goes with İ and ı with I;
        // the search runs from the item after the hot one round to the hot one.
        const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
        const QString wanted = turkish.toUpper(text);
        const int count = int(m_items.size());
        for (int i = 1; i <= count; ++i) {
            const int index = (m_hotIndex + i) % count;
            if (turkish.toUpper(m_items.at(index)).startsWith(wanted)) {
                moveHotTo(index);
                break;
            }
        }
        return;
    }
    TPopupView::KeyPressed(key, modifiers, text);
}

void TPopupList::ScrollContent(int, int)
{
    // The list is a handful of rows: painting them again is simpler than moving pixels.
    Invalidate();
}

void TPopupList::wheelEvent(QWheelEvent* event)
{
    const int notches = m_wheel.Add(event->angleDelta().y());
    guard([&] {
        for (int i = 0; i < std::abs(notches); ++i) {
            if (notches > 0)
                VertScrollBar()->LineUp();
            else
                VertScrollBar()->LineDown();
        }
    });
    event->accept();
}

void TPopupList::PaintClient()
{
    TCanvas& canvas = Canvas();
    const TRect client = ClientBounds();
    const bool images = m_showImages && m_images;
    int y = client.Top;
    for (int index = TopRow(); index < m_items.size(); ++index, y += m_itemHeight) {
        if (y + m_itemHeight > client.Bottom)
            break;
        const TRect row(client.Left, y, client.Right, y + m_itemHeight);
        const bool hot = index == m_hotIndex;
        canvas.FillSolid(row, hot ? clHighlight : clWindow);
        int textLeft = client.Left + 2;
        if (images) {
            if (index < m_images->Count()) {
                const int top = y + (m_itemHeight - m_images->Height()) / 2;
                canvas.WithPainter(
                    [&](QPainter& p) { m_images->Draw(p, client.Left + 2, top, index); });
            }
            textLeft = client.Left + m_images->Width() + 5;
        }
        canvas.WithPainter([&](QPainter& p) {
            p.setFont(font());
            p.setPen(ToQColor(hot ? clHighlightText : clWindowText));
            const QRect textRect(textLeft, y, std::max(0, client.Right - textLeft), m_itemHeight);
            const QString text
                = p.fontMetrics().elidedText(m_items.at(index), Qt::ElideRight, textRect.width());
            p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        });
    }
    if (y < client.Bottom)
        canvas.FillSolid(TRect(client.Left, y, client.Right, client.Bottom), clWindow);
}

// ---------------------------------------------------------------------------

TDatePopup::TDatePopup(QWidget* owner)
    : TPopupView(owner)
    , m_todayButton(new TSmallButton(this))
    , m_noneButton(new TSmallButton(this))
{
    m_todayButton->SetCaption(QStringLiteral("Today"));
    m_noneButton->SetCaption(QStringLiteral("None"));
    m_todayButton->OnClick
        = [this](TObject*) { buttonValue(SysUtils::DateTimeToStr(SysUtils::Date())); };
    m_noneButton->OnClick = [this](TObject*) { buttonValue(QStringLiteral("0")); };
    resize(151, 163);
    Resize();
}

void TDatePopup::Resize()
{
    m_todayButton->setGeometry(BorderWidth + 18, BorderWidth + 131, 48, 20);
    m_noneButton->setGeometry(BorderWidth + 79, BorderWidth + 131, 48, 20);
}

void TDatePopup::SetDate(TDateTime value)
{
    m_date = value;
    m_selectedDate = value;
    const QDate date = SysUtils::FromDateTime(value).date();
    m_year = date.year();
    m_month = date.month();
    m_day = date.day();
    m_selectedRect = TRect();
    Invalidate();
}

void TDatePopup::SetDay(int value)
{
    m_day = std::clamp(value, 1, 31);
    Invalidate();
}

void TDatePopup::SetMonth(int value)
{
    m_month = std::clamp(value, 1, 12);
    Invalidate();
}

void TDatePopup::SetYear(int value)
{
    m_year = std::clamp(value, 1, 9999);
    Invalidate();
}

void TDatePopup::SetSelectedDate(TDateTime value)
{
    m_selectedDate = value;
    Invalidate();
}

void TDatePopup::PreviousMonth()
{
    if (m_month > 1) {
        --m_month;
    } else if (m_year > 1) {
        m_month = 12;
        --m_year;
    }
    Invalidate();
}

void TDatePopup::NextMonth()
{
    if (m_month < 12) {
        ++m_month;
    } else if (m_year < 9999) {
        m_month = 1;
        ++m_year;
    }
    Invalidate();
}

int TDatePopup::RowCount() const
{
    const QDate first = shownMonth();
    const int cells = sundayBasedDayOfWeek(first) - 1 + first.daysInMonth();
    return (cells + 6) / 7;
}

QDate TDatePopup::CellDate(int column, int row) const
{
    const QDate first = shownMonth();
    const int f = sundayBasedDayOfWeek(first);
    const int days = first.daysInMonth();
    const int i = column + 7 * row;
    if (i < f - 1) {
        const QDate previous = first.addMonths(-1);
        return QDate(previous.year(), previous.month(), previous.daysInMonth() - (f - 2 - i));
    }
    if (i + 2 <= f + days)
        return QDate(m_year, m_month, i + 2 - f);
    const QDate next = first.addMonths(1);
    return QDate(next.year(), next.month(), i + 2 - (f + days));
}

TRect TDatePopup::dayArea() const
{
    return TRect(GridLeft, GridTop, ClientWidth() - 14, ClientHeight() - 20);
}

bool TDatePopup::CellAt(int x, int y, int& column, int& row) const
{
    if (!dayArea().Contains(TPoint(x, y)))
        return false;
    column = (x - GridLeft) / CellWidth;
    row = (y - GridTop) / CellHeight;
    return column < 7 && row < RowCount();
}

TRect TDatePopup::cellRect(int column, int row) const
{
    return TRect::Bounds(BorderWidth + GridLeft + column * CellWidth,
        BorderWidth + GridTop + row * CellHeight, CellWidth, CellHeight);
}

void TDatePopup::trackTo(const TPoint& client)
{
    int column = 0, row = 0;
    if (!CellAt(client.X, client.Y, column, row))
        return;
    const TDateTime date = midnight(CellDate(column, row));
    if (date == m_selectedDate)
        return;
    InvalidateRect(m_selectedRect);
    m_selectedDate = date;
    m_selectedRect = cellRect(column, row);
    InvalidateRect(m_selectedRect);
}

void TDatePopup::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TPopupView::MouseDown(button, shift, x, y);
    if (button != mbLeft)
        return;
    const TPoint client = ToClient(x, y);
    if (TRect(0, 0, 18, 18).Contains(client)) {
        PreviousMonth();
    } else if (TRect(ClientWidth() - 18, 0, ClientWidth(), 18).Contains(client)) {
        NextMonth();
    } else if (dayArea().Contains(client)) {
        m_tracking = true;
        trackTo(client);
    }
}

void TDatePopup::MouseMove(TShiftState shift, int x, int y)
{
    TPopupView::MouseMove(shift, x, y);
    if (m_tracking)
        trackTo(ToClient(x, y));
}

void TDatePopup::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    const TPoint client = ToClient(x, y);
    // The heading with its arrows acts on the press; releasing there keeps the calendar open.
    if (InClient(client) && client.Y < 19) {
        TScrollView::MouseUp(button, shift, x, y);
        return;
    }
    m_tracking = false;
    TPopupView::MouseUp(button, shift, x, y);
}

void TDatePopup::selectDay(const QDate& date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return;
    m_selectedDate = midnight(date);
    m_year = date.year();
    m_month = date.month();
    Invalidate();
}

void TDatePopup::KeyPressed(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    if (modifiers & Qt::AltModifier) {
        TPopupView::KeyPressed(key, modifiers, text);
        return;
    }
    // The keys move on from the selected day; without one, from the shown month's first.
    QDate selected = SysUtils::FromDateTime(m_selectedDate).date();
    if (m_selectedDate == 0 || !selected.isValid())
        selected = shownMonth();
    const int years = (modifiers & Qt::ControlModifier) ? 12 : 1;
    switch (key) {
    case Qt::Key_Left:
        selectDay(selected.addDays(-1));
        return;
    case Qt::Key_Right:
        selectDay(selected.addDays(1));
        return;
    case Qt::Key_Up:
        selectDay(selected.addDays(-7));
        return;
    case Qt::Key_Down:
        selectDay(selected.addDays(7));
        return;
    case Qt::Key_PageUp:
        selectDay(selected.addMonths(-years));
        return;
    case Qt::Key_PageDown:
        selectDay(selected.addMonths(years));
        return;
    case Qt::Key_Home:
        selectDay(shownMonth());
        return;
    case Qt::Key_End:
        selectDay(QDate(m_year, m_month, shownMonth().daysInMonth()));
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        SendValue(SysUtils::DateTimeToStr(midnight(selected)));
        ClosePopup();
        return;
    default:
        TPopupView::KeyPressed(key, modifiers, text);
    }
}

void TDatePopup::Select(int x, int y)
{
    int column = 0, row = 0;
    if (!CellAt(x, y, column, row))
        return;
    SendValue(SysUtils::DateTimeToStr(midnight(CellDate(column, row))));
}

void TDatePopup::buttonValue(const QString& value)
{
    guard([&] {
        SendValue(value);
        ClosePopup();
    });
}

void TDatePopup::PaintClient()
{
    TCanvas& canvas = Canvas();
    const TRect client = ClientBounds();
    canvas.FillSolid(client, clWindow);
    const int left = client.Left;
    const int top = client.Top;
    const int width = client.Width();

    // The heading: the two arrows and the month with its year.
    const TRect previous = TRect::Bounds(left, top, 18, 18);
    const TRect next = TRect::Bounds(left + width - 18, top, 18, 18);
    TGraphicsProvider::DrawButtonFace(canvas, previous, false);
    TGraphicsProvider::DrawButtonFace(canvas, next, false);
    for (int i = 0; i < 4; ++i) {
        const int cy = top + 9;
        canvas.FillSolid(TRect(left + 7 + i, cy - i, left + 8 + i, cy + i + 1), clBtnText);
        canvas.FillSolid(
            TRect(left + width - 8 - i, cy - i, left + width - 7 - i, cy + i + 1), clBtnText);
    }
    const QDate today = QDate::currentDate();
    const QDate selected = SysUtils::FromDateTime(m_selectedDate).date();
    canvas.WithPainter([&](QPainter& p) {
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(ToQColor(clWindowText));
        const QString heading
            = QStringLiteral("%1 %2").arg(QLatin1String(monthNames[m_month - 1])).arg(m_year);
        p.drawText(QRect(left + 18, top, width - 36, 18), Qt::AlignCenter, heading);

        p.setFont(font());
        for (int c = 0; c < 7; ++c)
            p.drawText(QRect(left + GridLeft + c * CellWidth, top + 20, CellWidth, 15),
                Qt::AlignCenter, QLatin1String(dayLetters[c]));
        p.setPen(ToQColor(clGrayText));
        p.drawLine(left + GridLeft, top + GridTop - 2, left + GridLeft + 7 * CellWidth - 1,
            top + GridTop - 2);
    });

    // The days: other months in grey, the selected day highlighted, today framed.
    const int rows = RowCount();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 7; ++c) {
            const QDate date = CellDate(c, r);
            const TRect cell = cellRect(c, r);
            const bool isSelected = date == selected;
            if (isSelected) {
                canvas.FillSolid(cell, clHighlight);
                m_selectedRect = cell;
            }
            const TColor color = isSelected ? clHighlightText
                : date.month() == m_month   ? clWindowText
                                            : clGrayText;
            canvas.WithPainter([&](QPainter& p) {
                p.setFont(font());
                p.setPen(ToQColor(color));
                p.drawText(cell.ToQRect(), Qt::AlignCenter, QString::number(date.day()));
            });
            if (date == today) {
                canvas.Brush().SetStyle(bsSolid);
                canvas.Brush().SetColor(clMaroon);
                canvas.FrameRect(cell);
            }
        }
}
