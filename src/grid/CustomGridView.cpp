#include "CustomGridView.h"

#include "ColumnClasses.h"
#include "ColumnDragBox.h"
#include "SysUtils.h"
#include "ViewServices.h"
#include "Win1254.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPolygon>
#include <QWheelEvent>

namespace {

TShiftState keyShift(Qt::KeyboardModifiers m)
{
    TShiftState s = 0;
    if (m & Qt::ShiftModifier)
        s |= ssShift;
    if (m & Qt::ControlModifier)
        s |= ssCtrl;
    if (m & Qt::AltModifier)
        s |= ssAlt;
    return s;
}

} // namespace

QCursor TCustomGridView::GridCursor(TCursor id)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor black(0, 0, 0), white(255, 255, 255);
    switch (id) {
    case crHorzSplit: {
        // Two bars with an arrow out of each side: the column's edge moves sideways.
        p.fillRect(14, 4, 1, 17, black);
        p.fillRect(17, 4, 1, 17, black);
        const QPolygon left({ QPoint(12, 12), QPoint(7, 7), QPoint(7, 17) });
        const QPolygon right({ QPoint(19, 12), QPoint(24, 7), QPoint(24, 17) });
        p.setPen(white);
        p.setBrush(black);
        p.drawPolygon(left);
        p.drawPolygon(right);
        p.fillRect(4, 11, 9, 3, black);
        p.fillRect(19, 11, 9, 3, black);
        p.end();
        return QCursor(QPixmap::fromImage(image), 15, 12);
    }
    case crColumnNoDrag: {
        // A crossed-out circle: the column cannot be dropped here.
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(black, 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPoint(12, 12), 8, 8);
        p.drawLine(QPoint(7, 7), QPoint(17, 17));
        p.end();
        return QCursor(QPixmap::fromImage(image), 12, 12);
    }
    default: {
        // A short arrow pointing right: the whole row is selected.
        const QPolygon arrow({ QPoint(2, 4), QPoint(12, 11), QPoint(2, 18) });
        p.setPen(white);
        p.setBrush(black);
        p.drawPolygon(arrow);
        p.end();
        return QCursor(QPixmap::fromImage(image), 12, 11);
    }
    }
}

TGridHintWindow::TGridHintWindow(QWidget* owner)
    : QLabel(owner,
        Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
            | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWordWrap(true);
    setMargin(2);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(clInfoBk));
    pal.setColor(QPalette::WindowText, ToQColor(clInfoText));
    setPalette(pal);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    // No extra indent beside the frame: the margin alone keeps the text off it.
    setIndent(0);
    hide();
}

void TGridHintWindow::ShowText(const QString& text, const TPoint& p, int maxWidth)
{
    setText(text);
    // One line as long as the text fits the maximum width; wrapped beyond it.
    // (A word-wrapping label left to size itself breaks even short texts.)
    const int frame = 2 * (margin() + frameWidth());
    const int line = fontMetrics().horizontalAdvance(text) + frame + 1;
    const int width = std::clamp(line, frame + 1, std::max(maxWidth, frame + 1));
    setFixedSize(width, heightForWidth(width));
    move(p.ToQPoint());
    show();
}

TCustomGridView::TCustomGridView(QWidget* parent)
    : TCustomGridViewControl(parent)
{
    RegisterColumnClasses();
    for (int i = 0; i < 2; ++i) {
        m_arrows[i] = new TDragArrow(this);
        m_arrows[i]->hide();
    }
    m_fitHint = new TGridHintWindow(this);
    m_dragBox = new TColumnDragBox(this);
    m_dragBox->OnColumnDrop = [this](TObject*, int x, int y) { ColumnDrop(x, y); };
    m_dragBox->OnColumnMove = [this](TObject*, int x, int y) { ColumnMove(x, y); };
    m_dragBox->hide();
    m_searchTimer = ViewServices().CreateTimer();
    m_searchTimer->SetEnabled(false);
    m_searchTimer->SetInterval(500);
    m_searchTimer->OnTimer = [this] {
        guard([this] {
            m_searchTimer->SetEnabled(false);
            m_searchText.clear();
        });
    };
    // Only the application's deactivation ends a header operation: a window of
    // our own, such as the drag box, may take the activation on some desktops.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    guard([this] { ApplicationDeactivated(); });
            });
    SetColor(clWindow);
    for (TCursor id : { crHorzSplit, crColumnNoDrag, crIndicatorSelect })
        Screen()->SetCursors(id, GridCursor(id));
    resize(250, 150);
}

TCustomGridView::~TCustomGridView()
{
    m_searchTimer.reset();
    delete m_dragBox;
    delete m_arrows[0];
    delete m_arrows[1];
}

void TCustomGridView::RegisterColumnClasses()
{
    RegisterColumnClass<TIncrementColumn>();
}

void TCustomGridView::CreateWnd()
{
    TCustomGridViewControl::CreateWnd();
    m_arrows[0]->SetArrowKind(2);
    m_arrows[1]->SetArrowKind(1);
}

void TCustomGridView::PrepareColumnPlay(int col, int row)
{
    TCustomColumn* column = Columns()->Items(col);
    TColumnPlay* play = column->Play();
    if (!play)
        return;
    play->Col = col;
    play->Row = row;
    play->Grid = this;
    play->Canvas = &Canvas();
    play->CellRect = GetCellRect(col, row, gpData).ToQRect();
    UpdateCellPlay(play);
    play->OnChange = [this](TColumnPlay* sender) { ApplyCellPlay(sender); };
}

// -------------------------------------------------------------------- mouse

void TCustomGridView::drawResizeLines(int delta)
{
    if (!m_resizeColumn)
        return;
    TCanvas& canvas = Canvas();
    const int left = m_resizeColumn->Left() - HorzOffset();
    const int right = left + m_resizeColumn->Width() + delta - 1;
    canvas.Pen().SetMode(pmNot);
    canvas.Pen().SetColor(clBlack);
    const int x1 = m_resizeColumn->Position() == 0 ? left : left - 1;
    canvas.MoveTo(x1, 0);
    canvas.LineTo(x1, ClientHeight());
    canvas.MoveTo(right, 0);
    canvas.LineTo(right, ClientHeight());
    canvas.Pen().SetMode(pmCopy);
}

void TCustomGridView::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!(shift & ssDouble && shift & ssShift) && (button == mbLeft || button == mbRight)) {
        if (!Designing())
            setFocus();
        if (Columns()->Count() > 0) {
            ApplyEdit();
            HideEditor();
            if (!(button == mbRight && hasState(gstMultiSelecting))) {
                const TPoint p(x, y);
                m_downPoint = p;
                if (TCustomColumn* edge = ResizeEdgeAt(p); edge && button == mbLeft) {
                    m_resizeColumn = edge;
                    m_resizeDelta = 0;
                    setState(gstResizing, true);
                    drawResizeLines(0);
                } else {
                    switch (HitTest(p)) {
                    case gpData: {
                        if (InputFocused() && GridStyle() == gsReport)
                            LeaveInputLine();
                        int col = -1, row = -1;
                        CellAt(p, col, row);
                        setMouseDownCell(col, row);
                        if (row >= 0 && row < RowCount())
                            SetFocusedCell(col >= 0 ? col : FocusedColumn(), row, shift);
                        break;
                    }
                    case gpHeader: {
                        TCustomColumn* column = ColumnAt(x);
                        if (column && column->Options().Contains(coCanClick)) {
                            setState(gstHeaderPressed, true);
                            setPressedHeader(column);
                            InvalidateColumnPart(column, AreaHeader);
                        } else {
                            setPressedHeader(nullptr);
                        }
                        break;
                    }
                    case gpIndicator: {
                        const int row = RowAt(y);
                        if (row >= 0 && row < RowCount())
                            SetFocusedCell(FocusedColumn(), row, shift);
                        break;
                    }
                    default:
                        break;
                    }
                }
            }
        }
    }
    TCustomGridViewControl::MouseDown(button, shift, x, y);
}

void TCustomGridView::MouseMove(TShiftState shift, int x, int y)
{
    TCustomGridViewControl::MouseMove(shift, x, y);
    m_hotCol = -1;
    m_hotRow = -1;
    if (Columns()->Count() == 0 || Rolling())
        return;
    const TPoint p(x, y);
    if (hasState(gstResizing)) {
        const int right = m_resizeColumn->Left() + m_resizeColumn->Width();
        int delta = x + HorzOffset() - right;
        // Never narrower than 8 pixels.
        if (m_resizeColumn->Width() + delta < 8)
            delta = 8 - m_resizeColumn->Width();
        drawResizeLines(m_resizeDelta);
        m_resizeDelta = delta;
        drawResizeLines(m_resizeDelta);
        return;
    }
    const int part = HitTest(p);
    if (part != gpHeader && part != gpData) {
        m_fitHint->Close();
        setHotHeader(nullptr);
    }
    switch (part) {
    case gpData: {
        int col = -1, row = -1;
        CellAt(p, col, row);
        m_hotCol = col;
        m_hotRow = row;
        if (col >= 0 && col < Columns()->Count() && row >= 0 && row < RowCount()) {
            if (!(m_fitHint->Showing() && m_fitCol == col && m_fitRow == row))
                UpdateFitHint(col, row);
            setCursor(Screen()->Cursors(Columns()->Items(col)->Cursor()));
        } else {
            unsetCursor();
        }
        break;
    }
    case gpHeader: {
        if (ResizeEdgeAt(p))
            setCursor(Screen()->Cursors(crHorzSplit));
        else
            unsetCursor();
        TCustomColumn* pressed = pressedHeader();
        if (!Options().Contains(goDissableColumnMoving) && !Designing() && pressed
            && hasState(gstHeaderPressed)) {
            if (std::abs(x - m_downPoint.X) > 3 || std::abs(y - m_downPoint.Y) > 3) {
                setState(gstHeaderDragging, true);
                setState(gstHeaderPressed, false);
                m_dragColumn = pressed;
                setPressedHeader(nullptr);
                InvalidateColumnPart(pressed, AreaHeader);
                m_dragBox->Font().Assign(&Font());
                const TPoint at = ClientToScreen(TPoint(pressed->Left() - HorzOffset(), 0));
                m_dragBox->setGeometry(at.X, at.Y, pressed->Width(), HeaderSize());
                const TPoint s = ClientToScreen(p);
                m_dragBox->StartDrag(s.X, s.Y, false, pressed);
            }
        } else {
            setHotHeader(ColumnAt(x));
        }
        break;
    }
    case gpIndicator:
        if (Options().Contains(goIndicator))
            setCursor(Screen()->Cursors(crIndicatorSelect));
        break;
    default:
        unsetCursor();
        break;
    }
    HotCellChanged();
}

void TCustomGridView::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomGridViewControl::MouseUp(button, shift, x, y);
    const bool headerWasPressed = hasState(gstHeaderPressed);
    setState(gstHeaderPressed, false);
    if (hasState(gstResizing)) {
        drawResizeLines(m_resizeDelta);
        TCustomColumn* column = m_resizeColumn;
        const int delta = m_resizeDelta;
        m_resizeColumn = nullptr;
        m_resizeDelta = 0;
        setState(gstResizing, false);
        Invalidate();
        column->SetWidth(column->Width() + delta);
        return;
    }
    const TPoint p(x, y);
    if (!Designing() && HitTest(p) == gpData) {
        int col = -1, row = -1;
        CellAt(p, col, row);
        if (col == mouseDownCol() && row == mouseDownRow() && col >= 0 && col < Columns()->Count()
            && row >= 0 && row < RowCount() && OnCellClick)
            OnCellClick(this, col, row);
    }
    TCustomColumn* pressed = pressedHeader();
    setPressedHeader(nullptr);
    m_downPoint = TPoint(-1, -1);
    if (pressed && headerWasPressed) {
        if (OnHeaderClick)
            OnHeaderClick(this, pressed->Index());
        InvalidateColumnPart(pressed, AreaHeader);
    }
    if (button == mbLeft && Columns()->Count() > 0) {
        switch (HitTest(p)) {
        case gpData: {
            if (Designing() || hasState(gstMultiSelecting) || (shift & (ssShift | ssCtrl | ssAlt)))
                break;
            int col = -1, row = -1;
            CellAt(p, col, row);
            if (col < 0 || col >= Columns()->Count() || row < 0 || row >= RowCount())
                break;
            TCustomColumn* column = Columns()->Items(col);
            if (column->Play() && column->Options().Contains(coEditing)) {
                PrepareColumnPlay(col, row);
                const TRect cell = GetCellRect(col, row, gpData);
                column->Play()->MouseUp(
                    Qt::LeftButton, Qt::NoModifier, x - cell.Left, y - cell.Top);
            } else {
                EditCell(col, row);
            }
            break;
        }
        case gpHeader:
            if (pressed && headerWasPressed && pressed->Options().Contains(coCanSort)) {
                if (pressed->Sorted())
                    pressed->SetSortKind(
                        pressed->SortKind() == skAscending ? skDescending : skAscending);
                else
                    pressed->SetSorted(true);
            }
            break;
        case gpInput:
            if (!Designing())
                EditInputCell(ColumnAt(x));
            break;
        default:
            break;
        }
    }
    setMouseDownCell(-1, -1);
}

void TCustomGridView::MouseWheel(int notches, TShiftState shift)
{
    if (hasState(gstEditing) || notches == 0)
        return;
    const int code = notches > 0 ? ((shift & ssCtrl) ? SB_PAGEUP : SB_LINEUP)
                                 : ((shift & ssCtrl) ? SB_PAGEDOWN : SB_LINEDOWN);
    for (int i = 0; i < std::abs(notches); ++i)
        ScrollMessage(sbVertical, code);
}

void TCustomGridView::wheelEvent(QWheelEvent* event)
{
    const int notches = m_wheel.Add(event->angleDelta().y());
    guard([&] { MouseWheel(notches, keyShift(event->modifiers())); });
    event->accept();
}

void TCustomGridView::UpdateFitHint(int col, int row)
{
    TCustomColumn* column = Columns()->Items(col);
    if (!column->Options().Contains(coShowTextFitHint)) {
        m_fitHint->Close();
        return;
    }
    const QString text = column->FormatText(CellText(col, row));
    setCanvasFont(column->Font());
    if (Canvas().TextWidth(text) < column->Width() - 5) {
        m_fitHint->Close();
        return;
    }
    m_fitCol = col;
    m_fitRow = row;
    const TRect cell = GetCellRect(col, row, gpData);
    m_fitHint->ShowText(text, ClientToScreen(cell.TopLeft()), ClientWidth());
}

void TCustomGridView::HideHints()
{
    m_fitHint->Close();
}

void TCustomGridView::leaveEvent(QEvent* event)
{
    TCustomGridViewControl::leaveEvent(event);
    guard([this] {
        HideHints();
        setHotHeader(nullptr);
        unsetCursor();
    });
}

void TCustomGridView::ApplicationDeactivated()
{
    setState(gstHeaderPressed, false);
    if (hasState(gstHeaderDragging))
        endDrag();
    setPressedHeader(nullptr);
    setMouseDownCell(-1, -1);
    m_downPoint = TPoint(-1, -1);
    m_dragBox->hide();
    unsetCursor();
    InvalidateSelection();
}

// --------------------------------------------------------------- dragging

void TCustomGridView::ColumnMove(int x, int y)
{
    const TPoint p = ScreenToClient(TPoint(x, y));
    TCustomColumn* target = ColumnAt(p.X);
    if (HitTest(p) == gpHeader && target) {
        const TPoint t = ClientToScreen(TPoint(target->Left() - HorzOffset(), 0));
        m_arrows[0]->move(t.X - 4, t.Y - 12);
        m_arrows[1]->move(t.X - 4, t.Y + HeaderSize() - 1);
        m_arrows[0]->show();
        m_arrows[1]->show();
        unsetCursor();
    } else {
        m_arrows[0]->hide();
        m_arrows[1]->hide();
        setCursor(Screen()->Cursors(crColumnNoDrag));
    }
}

void TCustomGridView::ColumnDrop(int x, int y)
{
    unsetCursor();
    const TPoint p = ScreenToClient(TPoint(x, y));
    TCustomColumn* dragged = m_dragColumn;
    // The header band runs across the client area, past the last column.
    const TRect band(0, 0, ClientWidth(), 2 * HeaderSize());
    if (dragged) {
        if (band.Contains(p)) {
            if (TCustomColumn* target = ColumnAt(p.X))
                Columns()->Move(dragged->Position(), target->Position());
        } else if (Options().Contains(goCanHideColumn)) {
            dragged->SetVisible(false);
        }
    }
    endDrag();
}

void TCustomGridView::endDrag()
{
    if (m_dragBox->MouseCapture())
        m_dragBox->SetMouseCapture(false);
    m_dragBox->hide();
    m_dragColumn = nullptr;
    m_downPoint = TPoint(-1, -1);
    setPressedHeader(nullptr);
    m_arrows[0]->hide();
    m_arrows[1]->hide();
    setState(gstHeaderDragging, false);
}

// ---------------------------------------------------------------- keyboard

void TCustomGridView::scrollToRow(int row)
{
    TControlScrollBar* bar = VertScrollBar();
    if (row < TopRow())
        bar->SetPosition(row);
    else if (row >= TopRow() + VisibleRowCount())
        bar->SetPosition(row - VisibleRowCount() + 1);
}

void TCustomGridView::KeyDown(int& key, TShiftState shift)
{
    const int rows = RowCount();
    if (rows == 0)
        return;
    const int visible = std::max(VisibleRowCount(), 1);
    const int row = FocusedRow();
    const int col = FocusedColumn();
    TControlScrollBar* bar = VertScrollBar();
    switch (key) {
    case Qt::Key_PageUp:
        if (row > TopRow()) {
            SetFocusedCell(col, TopRow(), shift);
        } else {
            const int to = std::max(row - visible, 0);
            bar->SetPosition(to);
            SetFocusedCell(col, to, shift);
        }
        break;
    case Qt::Key_PageDown: {
        const int lastVisible = TopRow() + visible - 1;
        if (rows <= visible) {
            SetFocusedCell(col, rows - 1, shift);
        } else if (row < lastVisible) {
            SetFocusedCell(col, std::min(lastVisible, rows - 1), shift);
        } else {
            const int to = std::min(row + visible, rows - 1);
            bar->SetPosition(TopRow() + visible);
            SetFocusedCell(col, to, shift);
        }
        break;
    }
    case Qt::Key_End:
        bar->SetPosition(bar->Max());
        SetFocusedCell(col, rows - 1, shift);
        break;
    case Qt::Key_Home:
        bar->SetPosition(0);
        SetFocusedCell(col, 0, shift);
        break;
    case Qt::Key_Left:
        FocusPreviousColumn();
        break;
    case Qt::Key_Right:
        FocusNextColumn();
        break;
    case Qt::Key_Up:
        if ((row == 0 || InputFocused()) && GridStyle() == gsReport
            && Options().Contains(goInput)) {
            setInputFocused(true);
            InvalidatePart(gpInput);
            InvalidateSelection();
            InvalidateCell(col, row);
        } else if (row > 0) {
            if (row == TopRow())
                bar->SetPosition(TopRow() - 1);
            SetFocusedCell(col, row - 1, shift);
        }
        break;
    case Qt::Key_Down:
        if (InputFocused()) {
            if (shift == 0) {
                setInputFocused(false);
                InvalidatePart(gpInput);
                SetFocusedCell(col, 0, 0);
            }
            break;
        }
        if (row >= rows - 1)
            break;
        if (row + 1 >= TopRow() + visible)
            bar->SetPosition(TopRow() + 1);
        SetFocusedCell(col, row + 1, shift);
        break;
    default:
        break;
    }
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TCustomGridView::KeyPress(QChar key)
{
    if (key == QChar(27))
        return;
    if (key == QChar(13)) {
        if (m_wantReturns)
            MoveFocusByDirection();
        return;
    }
    const int col = FocusedColumn();
    if (col < 0 || col >= Columns()->Count())
        return;
    TCustomColumn* column = Columns()->Items(col);
    if (!InputFocused() && column->Play() && FocusedRow() >= 0 && FocusedRow() < RowCount()) {
        PrepareColumnPlay(col, FocusedRow());
        column->Play()->KeyPress(key);
    }
    if (column->AcceptsKey(key)) {
        if (InputFocused())
            EditInputCell(column, QString(key));
        else
            EditCell(col, FocusedRow(), QString(key));
    }
    if (!InputFocused() && !column->Options().Contains(coEditing) && RowCount() > 0)
        TypeAhead(key);
}

void TCustomGridView::TypeAhead(QChar key)
{
    int searchCol = -1;
    for (int i = 0; i < Columns()->Count(); ++i)
        if (Columns()->Items(i)->Options().Contains(coSearchColumn)) {
            searchCol = i;
            break;
        }
    if (searchCol < 0 || RowCount() == 0)
        return;
    m_searchText += key;
    m_searchTimer->SetEnabled(false);
    m_searchTimer->SetEnabled(true);
    // Compared as the 8-bit text shows it, in upper case.
    const QString wanted = Win1254::toAnsi(m_searchText).toUpper();
    const int rows = RowCount();
    const int start = FocusedRow();
    for (int i = 1; i <= rows; ++i) {
        const int r = (start + i) % rows;
        const QString text = Win1254::toAnsi(CellText(searchCol, r)).toUpper();
        if (text.startsWith(wanted)) {
            FocusRow(r);
            if (r < TopRow() || r >= TopRow() + VisibleRowCount())
                scrollToRow(r);
            return;
        }
    }
}

void TCustomGridView::EditorKeyDown(TCellEditor* editor, int& key, Qt::KeyboardModifiers shift)
{
    const bool arrow
        = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (!arrow || !qobject_cast<TCheckBoxEditor*>(editor)) {
        TCustomGridViewControl::EditorKeyDown(editor, key, shift);
        return;
    }
    int gridKey = key;
    key = 0;
    // The box closes as when the focus leaves it: what it shows is kept.
    ApplyEdit();
    HideEditor();
    setFocus();
    KeyDown(gridKey, keyShift(shift));
}

void TCustomGridView::keyPressEvent(QKeyEvent* event)
{
    guard([&] {
        int key = event->key();
        KeyDown(key, keyShift(event->modifiers()));
        if (key == 0)
            return;
        const QString text = event->text();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            KeyPress(QChar(13));
        else if (key == Qt::Key_Escape)
            KeyPress(QChar(27));
        else if (!text.isEmpty() && text.at(0).isPrint())
            KeyPress(text.at(0));
    });
    event->accept();
}
