#include "CustomGridViewControl.h"

#include "Fonts.h"
#include "GridAccessible.h"
#include "SharedClasses.h"
#include "ThemesSupport.h"

#include <QApplication>
#include <QFocusEvent>

#include <algorithm>
#include <cmath>

TCustomGridViewControl::TCustomGridViewControl(QWidget* parent)
    : TScrollView(parent)
{
    m_partDisplay = std::make_unique<TColumnPartDisplay>(this, &Canvas());
    m_columns = new TColumns(this, this);
    m_columns->OnColumnsLayout = [this](TColumns* sender, int kind, int index1, int index2) {
        ColumnsUpdated(sender, kind, index1, index2);
    };
    m_columns->OnColumnChanged
        = [this](TColumns* sender, TCustomColumn* column, TColumnChangeKind kind) {
              ColumnChanged(sender, column, kind);
          };
    setFocusPolicy(Qt::StrongFocus);
    SetVertScrollUnit(RowPitch());
    chooseFrame(false);
}

TCustomGridViewControl::~TCustomGridViewControl()
{
    m_editor = nullptr;
    // Columns talk to the grid while they go; they must go while it still exists.
    m_columns->OnColumnsLayout = nullptr;
    m_columns->OnColumnChanged = nullptr;
    delete m_columns;
    m_columns = nullptr;
    m_partDisplay.reset();
}

// ------------------------------------------------------------------ settings

void TCustomGridViewControl::SetBorderStyle(TBorderStyle value)
{
    if (value == m_borderStyle)
        return;
    m_borderStyle = value;
    UpdateFrame();
    Invalidate();
}

void TCustomGridViewControl::SetCaption(const QString& value)
{
    if (value == m_caption)
        return;
    m_caption = value;
    TRect r = DataRect();
    r.Right = ClientWidth();
    invalidateRect(r);
}

void TCustomGridViewControl::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    Invalidate();
}

void TCustomGridViewControl::SetGridLinesStyle(TGridLinesStyle value)
{
    if (value == m_gridLinesStyle)
        return;
    m_gridLinesStyle = value;
    Invalidate();
}

void TCustomGridViewControl::SetGridStyle(TGridStyle value)
{
    if (value == m_gridStyle)
        return;
    if (value == gsSlides) {
        HideEditor();
        m_inputFocused = false;
    }
    m_gridStyle = value;
    Invalidate();
    RepositionEditor();
    UpdateVertScrollBar();
}

void TCustomGridViewControl::SetHeaderSize(int value)
{
    if (value == m_headerSize)
        return;
    m_headerSize = value;
    Invalidate();
    RepositionEditor();
}

void TCustomGridViewControl::SetHeaderStyle(THeaderStyle value)
{
    if (value == m_headerStyle)
        return;
    m_headerStyle = value;
    UpdateFrame();
    Invalidate();
}

int TCustomGridViewControl::BorderWidth() const
{
    return m_themedFrame ? 1 : 0;
}

void TCustomGridViewControl::UpdateFrame()
{
    chooseFrame(true);
    InvalidateFrame();
}

void TCustomGridViewControl::chooseFrame(bool relayout)
{
    // A single border is the window's one-pixel static edge; under themes with
    // the automatic header style a one-pixel border inside it makes room for
    // the themed list frame, which covers both.
    m_themedFrame = m_borderStyle == bsSingle && m_headerStyle == hsAuto && ThemesAvailable();
    SetFrameWidth(m_borderStyle == bsSingle ? 1 + BorderWidth() : 0, relayout);
}

void TCustomGridViewControl::PaintFrame(TCanvas& canvas, const TRect& window)
{
    if (m_borderStyle != bsSingle)
        return;
    if (m_themedFrame) {
        // The theme draws the outline; the border inside it is the list's own colour.
        canvas.FillSolid(window, m_color);
        if (DrawThemed(this, canvas, window, 1, 0, QStringLiteral("listview")))
            return;
    }
    // The static edge: sunken, shadow above and left, highlight below and right.
    TGraphicsProvider::Frame3D(canvas, window, clBtnShadow, clBtnHighlight);
}

void TCustomGridViewControl::changeEvent(QEvent* event)
{
    TScrollView::changeEvent(event);
    // A change of the theme or style may switch the frame between themed and classic.
    if (event->type() == QEvent::StyleChange)
        guard([this] { UpdateFrame(); });
}

void TCustomGridViewControl::SetInputSize(int value)
{
    if (value == m_inputSize)
        return;
    m_inputSize = value;
    Invalidate();
}

void TCustomGridViewControl::SetOptions(TGridOptions value)
{
    if (value == m_options)
        return;
    const bool indicatorChanged = value.Contains(goIndicator) != m_options.Contains(goIndicator);
    m_options = value;
    if (indicatorChanged) {
        // The data area's left edge moved: so did every column.
        if (m_layoutColumns)
            m_layoutColumns();
        if (OnIndicatorChange)
            OnIndicatorChange(this);
    }
    SetVertScrollUnit(RowPitch());
    Invalidate();
    RepositionEditor();
    UpdateHorzScrollBar();
}

void TCustomGridViewControl::SetRowSize(int value)
{
    if (value <= 0 || value == m_rowSize)
        return;
    m_rowSize = value;
    SetVertScrollUnit(RowPitch());
    InvalidatePart(gpData);
    InvalidatePart(gpInput);
    InvalidatePart(gpIndicator);
    RepositionEditor();
}

void TCustomGridViewControl::SetSlideSize(int value)
{
    if (value == m_slideSize)
        return;
    m_slideSize = value;
    Invalidate();
}

void TCustomGridViewControl::LoadColumns(const QList<StoredColumn>& stored)
{
    m_reading = true;
    try {
        m_columns->ReadColumns(stored);
    } catch (...) {
        m_reading = false;
        throw;
    }
    m_reading = false;
    AutoSizeColumns();
    Invalidate();
}

void TCustomGridViewControl::setState(TGridStateBit bit, bool on)
{
    if (on)
        m_state = std::uint16_t(m_state | (1u << bit));
    else
        m_state = std::uint16_t(m_state & ~(1u << bit));
}

// -------------------------------------------------------------------- layout

int TCustomGridViewControl::RowPitch() const
{
    return (m_gridStyle == gsReport ? m_rowSize : m_slideSize) + GridLineWidth();
}

int TCustomGridViewControl::TopRow() const
{
    return VertScrollBar()->Position();
}

int TCustomGridViewControl::HorzOffset() const
{
    return m_gridStyle == gsReport ? HorzScrollBar()->Position() : 0;
}

TRect TCustomGridViewControl::HeaderRect() const
{
    return TRect(IndicatorWidth(), 0, IndicatorWidth() + m_columns->TotalWidth() - HorzOffset(),
        m_headerSize);
}

TRect TCustomGridViewControl::InputRect() const
{
    const int top = m_options.Contains(goHeader) ? m_headerSize : 0;
    return TRect(IndicatorWidth(), top, IndicatorWidth() + m_columns->TotalWidth() - HorzOffset(),
        top + m_inputSize + 6 + GridLineWidth());
}

TRect TCustomGridViewControl::DataRect() const
{
    // Slides have no header, input line or footer: they fill the client area.
    if (m_gridStyle == gsSlides)
        return ClientRect();
    const int right
        = std::min(IndicatorWidth() + m_columns->TotalWidth() - HorzOffset(), ClientWidth());
    return TRect(IndicatorWidth(), dataTop(), right, dataBottom());
}

int TCustomGridViewControl::dataTop() const
{
    if (m_gridStyle == gsSlides)
        return 0;
    int top = m_options.Contains(goHeader) ? m_headerSize : 0;
    if (m_options.Contains(goInput))
        top += m_inputSize + 6 + GridLineWidth();
    return top;
}

int TCustomGridViewControl::dataBottom() const
{
    int bottom = ClientHeight();
    if (m_gridStyle == gsReport && m_options.Contains(goFooter))
        bottom -= m_headerSize + 4 + GridLineWidth();
    return bottom;
}

TRect TCustomGridViewControl::FooterRect() const
{
    if (m_gridStyle == gsSlides)
        return TRect();
    return TRect(IndicatorWidth(), ClientHeight() - m_headerSize - 4 - GridLineWidth(),
        IndicatorWidth() + m_columns->TotalWidth() - HorzOffset(), ClientHeight());
}

TRect TCustomGridViewControl::IndicatorRect() const
{
    return TRect(0, 0, 12, ClientHeight());
}

TRect TCustomGridViewControl::RowRect(int row) const
{
    const TRect data = DataRect();
    const int top = data.Top + RowPitch() * (row - TopRow());
    return TRect(0, top, data.Right, top + m_rowSize + GridLineWidth());
}

int TCustomGridViewControl::VisibleRowCount() const
{
    return std::max(dataBottom() - dataTop(), 0) / RowPitch();
}

int TCustomGridViewControl::GetVertScrollRange()
{
    return std::max(RowCount() - VisibleRowCount(), 0);
}

int TCustomGridViewControl::GetHorzScrollRange()
{
    const int total = m_columns->TotalWidth();
    const int room = ClientWidth() - IndicatorWidth();
    return total > room ? total - room : 0;
}

TRect TCustomGridViewControl::GetCellRect(int col, int row, int part)
{
    TCustomColumn* column = m_columns->Items(col);
    if (m_gridStyle == gsSlides) {
        const int top = (m_slideSize + GridLineWidth()) * (row - TopRow());
        const TSlideBounds& b = column->SlideBounds();
        return TRect(b.Left, top + b.Top, b.Left + b.Width, top + b.Top + b.Height);
    }
    TRect r;
    r.Left = column->Left() - HorzOffset();
    r.Top = part == gpInput ? InputRect().Top : DataRect().Top + RowPitch() * (row - TopRow());
    r.Right = r.Left + column->Width();
    if (m_options.Contains(goGrid) && m_gridLinesStyle != lsHorizontalOnly)
        r.Right -= 1;
    r.Bottom = r.Top + (part == gpInput ? m_inputSize : m_rowSize);
    return r;
}

void TCustomGridViewControl::BandExtent(TColumnPartKind part, int& top, int& bottom) const
{
    switch (part) {
    case PartHeader:
        top = 0;
        bottom = m_headerSize;
        break;
    case PartInput: {
        const TRect r = InputRect();
        top = r.Top;
        bottom = r.Bottom;
        break;
    }
    case PartFooter: {
        const TRect r = FooterRect();
        top = r.Top;
        bottom = r.Bottom;
        break;
    }
    }
}

// ------------------------------------------------------------- hit testing

int TCustomGridViewControl::HitTest(const TPoint& p) const
{
    if (m_gridStyle == gsSlides)
        return gpData;
    if (m_options.Contains(goHeader) && HeaderRect().Contains(p))
        return gpHeader;
    if (m_options.Contains(goInput) && InputRect().Contains(p))
        return gpInput;
    if (DataRect().Contains(p))
        return gpData;
    if (m_options.Contains(goFooter) && FooterRect().Contains(p))
        return gpFooter;
    if (m_options.Contains(goIndicator) && IndicatorRect().Contains(p))
        return gpIndicator;
    return gpNothing;
}

TCustomColumn* TCustomGridViewControl::ColumnAt(int x) const
{
    const int offset = HorzOffset();
    for (int i = 0; i < m_columns->Count(); ++i) {
        TCustomColumn* column = m_columns->ByPosition(i);
        if (!column->Visible())
            continue;
        const int left = column->Left() - offset;
        // Both edges belong to the column: the grid line right of it is its own.
        if (left <= x && x <= left + column->Width())
            return column;
    }
    return nullptr;
}

int TCustomGridViewControl::RowAt(int y) const
{
    const int d = y - DataRect().Top;
    // Rounds towards minus infinity, so a point above the data area is above row 0.
    const int q = d >= 0 ? d / RowPitch() : -((-d + RowPitch() - 1) / RowPitch());
    return q + TopRow();
}

void TCustomGridViewControl::CellAt(const TPoint& p, int& col, int& row) const
{
    if (m_gridStyle == gsSlides) {
        const int pitch = m_slideSize + GridLineWidth();
        row = p.Y / pitch + TopRow();
        const int y = p.Y % pitch;
        col = -1;
        for (int i = 0; i < m_columns->Count(); ++i) {
            const TSlideBounds& b = m_columns->Items(i)->SlideBounds();
            if (TRect(b.Left, b.Top, b.Left + b.Width, b.Top + b.Height).Contains(TPoint(p.X, y))) {
                col = i;
                break;
            }
        }
        return;
    }
    if (TCustomColumn* column = ColumnAt(p.X))
        col = column->Index();
    row = RowAt(p.Y);
}

TCustomColumn* TCustomGridViewControl::ResizeEdgeAt(const TPoint& p) const
{
    if (!m_options.Contains(goHeader) || p.Y >= m_headerSize)
        return nullptr;
    for (int i = 0; i < m_columns->Count(); ++i) {
        TCustomColumn* column = m_columns->ByPosition(i);
        if (!column->Visible() || column->Options().Contains(coFixedSize))
            continue;
        const int edge = column->Left() + column->Width() - HorzOffset();
        if (std::abs(p.X - edge) <= 2)
            return column;
    }
    return nullptr;
}

// -------------------------------------------------------------- invalidation

void TCustomGridViewControl::invalidateRect(const TRect& r)
{
    // Rows far below the view are invalidated as they are added; outside the
    // window there is nothing to repaint, and the region work would be for nothing.
    const TRect window(0, 0, width() - 2 * FrameWidth(), height() - 2 * FrameWidth());
    if (r.Intersected(window).IsEmpty())
        return;
    InvalidateRect(r);
}

void TCustomGridViewControl::InvalidatePart(int part)
{
    switch (part) {
    case gpData:
        invalidateRect(DataRect());
        break;
    case gpFooter:
        invalidateRect(FooterRect());
        break;
    case gpHeader:
        invalidateRect(HeaderRect());
        break;
    case gpIndicator:
        invalidateRect(IndicatorRect());
        break;
    case gpInput:
        invalidateRect(InputRect());
        break;
    default:
        break;
    }
}

void TCustomGridViewControl::InvalidateCell(int col, int row)
{
    if (col < 0 || col >= m_columns->Count())
        return;
    TRect r = GetCellRect(col, row, gpData);
    r.Right += GridLineWidth();
    r.Bottom += GridLineWidth();
    invalidateRect(r);
}

void TCustomGridViewControl::InvalidateRow(int row, bool keepInside)
{
    if (RowCount() == 0)
        return;
    // A long list grows below the window, one row at a time: such a row has
    // nothing to repaint, which is known before any of the layout is worked out.
    const long long top = dataTop() + (long long)RowPitch() * (row - TopRow());
    if (top >= height() - 2 * FrameWidth() || top + m_rowSize + GridLineWidth() <= 0)
        return;
    const TRect r = RowRect(row);
    invalidateRect(r);
    if (keepInside)
        ValidateRect(r.Inflated(1, 1));
}

void TCustomGridViewControl::InvalidateColumnPart(TCustomColumn* column, TColumnArea area)
{
    TRect r;
    switch (int(area)) {
    case gpData:
        r = DataRect();
        break;
    case gpFooter:
        r = FooterRect();
        break;
    case gpHeader:
        r = HeaderRect();
        break;
    case gpIndicator:
        r = IndicatorRect();
        break;
    case gpInput:
        r = InputRect();
        break;
    default:
        return;
    }
    r.Left = column->Left() - HorzOffset();
    r.Right = r.Left + column->Width();
    invalidateRect(r);
}

void TCustomGridViewControl::InvalidateSelection()
{
    if (m_inputFocused)
        InvalidatePart(gpInput);
    if (m_columns->Count() == 0 || RowCount() == 0)
        return;
    if (!m_options.Contains(goSelectFullRow)) {
        InvalidateCell(m_focusedColumn, m_focusedRow);
        return;
    }
    const int last = std::min(RowCount() - 1, TopRow() + VisibleRowCount());
    for (int r = TopRow(); r <= last; ++r)
        if (RowMarked(r))
            InvalidateRow(r);
}

// ------------------------------------------------------ focus and selection

bool TCustomGridViewControl::GridFocused() const
{
    return hasFocus() || (m_editor && m_editor->hasFocus())
        || (m_editor && m_editor->isAncestorOf(QApplication::focusWidget()));
}

void TCustomGridViewControl::Clear()
{
    const int oldCol = m_focusedColumn, oldRow = m_focusedRow;
    m_focusedColumn = 0;
    m_focusedRow = 0;
    if (oldCol > 0 && oldRow > 0)
        InvalidateCell(oldCol, oldRow);
}

void TCustomGridViewControl::SetFocusedCell(int col, int row, TShiftState shift)
{
    const int oldCol = m_focusedColumn, oldRow = m_focusedRow;
    m_focusedColumn = col;
    m_focusedRow = row;
    bool marked = false;
    if (m_options.Contains(goMultiSelect) && m_options.Contains(goSelectFullRow)) {
        if (shift & ssCtrl) {
            m_anchor = row;
            setState(gstMultiSelecting, true);
            SetRowMark(row, !RowMarked(row));
            marked = true;
        } else if (shift & ssShift) {
            setState(gstMultiSelecting, true);
            const int from = std::min(m_anchor, row), to = std::max(m_anchor, row);
            for (int r = 0; r < int(m_marks.size()); ++r)
                SetRowMark(r, r >= from && r <= to);
            marked = true;
        }
    }
    if (!marked) {
        if (hasState(gstMultiSelecting))
            ClearRowMarks();
        else
            SetRowMark(oldRow, false);
        SetRowMark(row, true);
        m_anchor = row;
    }
    if (m_inputFocused) {
        if (oldCol >= 0 && oldCol < m_columns->Count())
            InvalidateColumnPart(m_columns->Items(oldCol), AreaInput);
        if (col >= 0 && col < m_columns->Count())
            InvalidateColumnPart(m_columns->Items(col), AreaInput);
        return;
    }
    if (OnSelectCell)
        OnSelectCell(this, col, row);
    if (oldCol == col && oldRow == row)
        return;
    GridAccessibility::focusMoved(this);
    if (m_gridStyle == gsSlides) {
        Invalidate();
        return;
    }
    if (m_options.Contains(goSelectFullRow)) {
        InvalidateRow(oldRow);
        InvalidateRow(row);
    } else if (m_options.Contains(goIndicator)) {
        InvalidatePart(gpIndicator);
    }
    InvalidateCell(oldCol, oldRow);
    InvalidateCell(col, row);
}

void TCustomGridViewControl::FocusRow(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    SetFocusedCell(m_focusedColumn, row, 0);
    LeaveInputLine();
}

void TCustomGridViewControl::FocusColumn(int col)
{
    SetFocusedCell(col, m_focusedRow, 0);
}

void TCustomGridViewControl::FocusPreviousColumn()
{
    if (m_focusedColumn < 0 || m_focusedColumn >= m_columns->Count())
        return;
    for (int p = m_columns->Items(m_focusedColumn)->Position() - 1; p >= 0; --p) {
        TCustomColumn* column = m_columns->ByPosition(p);
        if (column->Visible()) {
            FocusColumn(column->Index());
            return;
        }
    }
}

void TCustomGridViewControl::FocusNextColumn()
{
    if (m_focusedColumn < 0 || m_focusedColumn >= m_columns->Count())
        return;
    for (int p = m_columns->Items(m_focusedColumn)->Position() + 1; p < m_columns->Count(); ++p) {
        TCustomColumn* column = m_columns->ByPosition(p);
        if (column->Visible()) {
            FocusColumn(column->Index());
            return;
        }
    }
}

bool TCustomGridViewControl::RowMarked(int row) const
{
    return row >= 0 && row < int(m_marks.size()) && m_marks[size_t(row)] != 0;
}

void TCustomGridViewControl::SetRowMark(int row, bool marked)
{
    if (row < 0 || row >= int(m_marks.size()))
        return;
    const std::uint8_t value = marked ? 1 : 0;
    if (m_marks[size_t(row)] == value)
        return;
    m_marks[size_t(row)] = value;
    if (m_options.Contains(goSelectFullRow))
        InvalidateRow(row);
}

void TCustomGridViewControl::ClearRowMarks()
{
    for (int r = 0; r < int(m_marks.size()); ++r)
        SetRowMark(r, false);
    setState(gstMultiSelecting, false);
}

bool TCustomGridViewControl::IsCellHighlighted(int col, int row) const
{
    if (m_inputFocused)
        return false;
    if (!GridFocused() && !m_options.Contains(goAlwaysShowSelection))
        return false;
    const bool focusedCell = col == m_focusedColumn && row == m_focusedRow;
    const bool editCell = col == m_editCol && row == m_editRow;
    if (m_options.Contains(goSelectFullRow))
        return RowMarked(row)
            && (!focusedCell || (!m_options.Contains(goAlwaysIndicateSelected) && !editCell));
    return focusedCell && !editCell;
}

TColor TCustomGridViewControl::GetCellBackColor(int col, int row)
{
    if (!IsCellHighlighted(col, row))
        return GetCellColor(col, row);
    if (!GridFocused())
        return clBtnFace;
    if (!m_options.Contains(goAlphaBlendedSelection))
        return clHighlight;
    return TGraphicsProvider::MixColors(m_color, clHighlight, 0.25);
}

TColor TCustomGridViewControl::GetCellFontColor(int col, int row)
{
    if (IsCellHighlighted(col, row) && GridFocused()
        && m_options.Contains(goHighlightTextSelection))
        return clHighlightText;
    if (col < 0 || col >= m_columns->Count())
        return m_font.Color();
    return m_columns->Items(col)->Font().Color;
}

// -------------------------------------------------------------- scroll bars

void TCustomGridViewControl::UpdateVertScrollBar()
{
    TControlScrollBar* bar = VertScrollBar();
    const int top = bar->Position();
    // The bar is updated where it stands (-1 keeps the position): moving it
    // would run the steps of a scroll, closing the editor, on every paint.
    if (m_gridStyle == gsSlides) {
        const int range = RowCount() - ClientHeight() / (m_slideSize + GridLineWidth());
        // The window's bar disappears without a range whatever is asked; asking
        // for it anyway would show and hide it on every paint, resizing the
        // client area (and closing the editor) each time.
        setBarParams(bar, std::max(range, 0), 1, range != 0, range > 0);
    } else {
        const int range = GetVertScrollRange();
        setBarParams(bar, range, 1, range > 0, !(m_hideScrollBar && range < 1));
        // Positions count rows: a page is the rows the data area shows.
        bar->SetPageStep(std::max(VisibleRowCount(), 1));
    }
    if (bar->Position() != top)
        followCutPosition();
}

void TCustomGridViewControl::UpdateHorzScrollBar()
{
    TControlScrollBar* bar = HorzScrollBar();
    if (m_gridStyle == gsSlides) {
        bar->SetVisible(false);
        return;
    }
    const int offset = bar->Position();
    const int range = GetHorzScrollRange();
    setBarParams(bar, range, 5, true, range > 0);
    bar->SetLineStep(int(std::lround(ClientWidth() * 0.05)));
    if (bar->Position() != offset)
        followCutPosition();
}

void TCustomGridViewControl::setBarParams(
    TControlScrollBar* bar, int max, int pageSize, bool enabled, bool visible)
{
    // Every paint asks for both bars; pushing a bar whose settings did not change
    // would redo the window's bar work on each scrolled line. A scroll request
    // may have shown the bar meanwhile, so its visibility is asserted anyway.
    if (bar->Min() == 0 && bar->Max() == max && bar->PageSize() == pageSize
        && bar->Enabled() == enabled && bar->Visible() == visible) {
        bar->SetVisible(visible);
        return;
    }
    bar->SetParams(-1, 0, max, pageSize, enabled, visible);
}

void TCustomGridViewControl::followCutPosition()
{
    // A smaller range pulled the position back without scrolling the pixels:
    // what is shown comes from the new position.
    Invalidate();
    RepositionEditor();
}

void TCustomGridViewControl::ScrollMessage(TScrollBarKind kind, int code)
{
    TScrollView::ScrollMessage(kind, code);
    // The base shows the bar it scrolled; whether it stays is ours to decide.
    if (kind == sbVertical)
        UpdateVertScrollBar();
    else
        UpdateHorzScrollBar();
}

void TCustomGridViewControl::ScrollContent(int dx, int dy)
{
    // The scrolled areas follow the layout, which may have changed since the
    // last paint.
    updateScrollAreas();
    TScrollView::ScrollContent(dx, dy);
}

void TCustomGridViewControl::updateScrollAreas()
{
    if (m_gridStyle == gsSlides) {
        SetHorzClipRect(ClientRect());
        SetVertClipRect(ClientRect());
        SetVertScrollUnit(m_slideSize + GridLineWidth());
        return;
    }
    const TRect data = DataRect();
    SetHorzClipRect(TRect(data.Left, 0, ClientWidth(), ClientHeight()));
    SetVertClipRect(TRect(0, data.Top, data.Right, data.Bottom));
    SetVertScrollUnit(RowPitch());
}

void TCustomGridViewControl::CreateWnd()
{
    TScrollView::CreateWnd();
    HorzScrollBar()->SetLineStep(10);
    HorzScrollBar()->SetPageStep(5);
    VertScrollBar()->SetLineStep(1);
    UpdateVertScrollBar();
    UpdateHorzScrollBar();
}

void TCustomGridViewControl::BeforeScroll(TScrollBarKind kind)
{
    HideEditor();
    if (kind == sbHorizontal && !m_options.Contains(goAlphaBlendedSelection))
        InvalidateSelection();
}

void TCustomGridViewControl::AutoSizeColumns()
{
    // Width changes update the scroll bars, which may resize the client area
    // and ask for another fit in the middle of this one.
    if (m_autoSizing)
        return;
    m_autoSizing = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset { m_autoSizing };
    int fixed = 0;
    for (int i = 0; i < m_columns->Count(); ++i) {
        TCustomColumn* c = m_columns->Items(i);
        if (c->Visible()
            && (c->Options().Contains(coFixedSize) || !c->Options().Contains(coAutoSize)))
            fixed += c->Width();
    }
    int free = ClientWidth() - DataLeft() - fixed;
    int share = m_columns->TotalWidth() - fixed;
    if (share <= 0)
        share = 1;
    for (int i = 0; i < m_columns->Count(); ++i) {
        TCustomColumn* c = m_columns->Items(i);
        if (!c->Visible() || !c->Options().Contains(coAutoSize)
            || c->Options().Contains(coFixedSize))
            continue;
        const int old = c->Width();
        const long long product = (long long)old * free;
        int width = int(product / share);
        if (product % share > share / 2)
            ++width;
        if (width < 0)
            width = 0;
        c->SetWidth(width);
        free -= width;
        share -= old;
        if (share <= 0)
            share = 1;
    }
    UpdateHorzScrollBar();
}

void TCustomGridViewControl::Resize()
{
    const int w = ClientWidth(), h = ClientHeight();
    if (h != m_lastClientHeight) {
        if (m_options.Contains(goFooter)) {
            InvalidatePart(gpFooter);
            invalidateRect(TRect(0, FooterRect().Top - 4, w, h));
        }
        m_lastClientHeight = h;
        if (TopRow() > 0) {
            InvalidatePart(gpIndicator);
            InvalidatePart(gpData);
        }
        UpdateVertScrollBar();
    }
    if (w != m_lastClientWidth) {
        const int old = m_lastClientWidth;
        AutoSizeColumns();
        if (HorzOffset() > 0 || old < 0)
            Invalidate();
        else
            invalidateRect(TRect(std::min(old, w) - 2, 0, w, h));
        m_lastClientWidth = w;
    }
    HideEditor();
    UpdateHorzScrollBar();
}

// ---------------------------------------------------------- column changes

void TCustomGridViewControl::ColumnChanged(TColumns*, TCustomColumn* column, TColumnChangeKind kind)
{
    // A column being read is not in the collection yet: its reports wait for
    // the repaint that ends the load, as they do before the window exists.
    if (!HandleAllocated() || m_reading)
        return;
    if (kind == ckInputValue) {
        InvalidateColumnPart(column, AreaInput);
        return;
    }
    if (kind == ckPosition || kind == ckVisible)
        GridAccessibility::reset(this);
    Invalidate();
    if ((hasState(gstEditing) || hasState(gstInputEditing))
        && (kind == ckPosition || kind == ckSort || kind == ckVisible || kind == ckWidth))
        RepositionEditor();
    if (kind == ckWidth && !m_autoSizing)
        UpdateHorzScrollBar();
    if (kind == ckSort && column->Sorted()) {
        const bool ascending = column->SortKind() == skAscending;
        SortColumn(column, ascending);
        if (OnSortColumn)
            OnSortColumn(this, column->Index(), ascending);
    }
}

void TCustomGridViewControl::ColumnsUpdated(TColumns*, int kind, int, int)
{
    if (kind != ColumnsCleared)
        RepositionEditor();
    Invalidate();
    GridAccessibility::reset(this);
}

void TCustomGridViewControl::CellChanged(int col, int row)
{
    // Assistive technologies read cells on their own; the lock only spares repaints.
    GridAccessibility::cellChanged(this, col, row);
    if (Updating())
        return;
    InvalidateCell(col, row);
    if (OnChange)
        OnChange(this, col, row);
}

// ----------------------------------------------------------------- painting

void TCustomGridViewControl::setCanvasFont(const ColumnFont& font)
{
    font.AssignTo(Canvas().Font());
}

void TCustomGridViewControl::setGridFont()
{
    Canvas().Font().Assign(&m_font);
}

void TCustomGridViewControl::Paint()
{
    if (hasState(gstResizing))
        return;
    TCanvas& canvas = Canvas();
    const int cw = ClientWidth(), ch = ClientHeight();
    updateScrollAreas();
    if (m_gridStyle == gsSlides) {
        PaintSlides(ClientRect());
        UpdateVertScrollBar();
        return;
    }
    const TRect data = DataRect();
    UpdateVertScrollBar();
    PaintReport();
    const int end = DataLeft() + m_columns->TotalWidth() - HorzOffset();
    if (end < cw) {
        canvas.FillSolid(TRect(end, 0, cw, ch), m_color);
        if (m_options.Contains(goHeader) && ThemesAvailable() && m_headerStyle == hsAuto)
            m_partDisplay->DrawThemedFiller(QRect(end, 0, cw - end, m_headerSize));
    }
    if (RowCount() == 0 && !m_caption.isEmpty()) {
        setGridFont();
        const int h = canvas.TextHeight(m_caption);
        TGraphicsProvider::DrawCaption(canvas, TRect(0, data.Top + 4, cw, data.Top + 4 + h),
            m_caption, taCenter, layoutDirection() == Qt::RightToLeft);
    }
    UpdateHorzScrollBar();
}

void TCustomGridViewControl::PaintReport()
{
    PaintColumnParts();
    PaintRows();
}

void TCustomGridViewControl::PaintStrip(const TRect& rect)
{
    if (rect.IsEmpty())
        return;
    if (ThemesAvailable() && m_headerStyle == hsAuto
        && DrawThemed(this, Canvas(), rect, 0, 1, QStringLiteral("rebar")))
        return;
    TGraphicsProvider::DrawButtonFace(Canvas(), rect, m_headerStyle == hsOldStyle);
}

void TCustomGridViewControl::PaintColumnParts()
{
    TCanvas& canvas = Canvas();
    const int cw = ClientWidth();
    // A scrolled line repaints a strip of the rows: parts outside the area being
    // painted would draw nothing, at the cost of laying out their captions.
    const QRect box = canvas.ClipRect().ToQRect();
    int x = DataLeft() - HorzOffset();
    for (int i = 0; i < m_columns->Count() && x < cw; ++i) {
        TCustomColumn* column = m_columns->ByPosition(i);
        if (!column->Visible())
            continue;
        x += column->Width();
        if (x < 0)
            continue;
        const int parts[3] = { PartHeader, PartInput, PartFooter };
        const TGridOption needs[3] = { goHeader, goInput, goFooter };
        for (int k = 0; k < 3; ++k) {
            if (!m_options.Contains(needs[k]))
                continue;
            QRect rect;
            if (!column->PartRect(parts[k], rect))
                continue;
            // The input and footer cells draw their grid line a pixel below.
            if (!rect.adjusted(0, 0, 0, parts[k] == PartHeader ? 0 : 1).intersects(box))
                continue;
            m_partDisplay->RightToLeft = layoutDirection() == Qt::RightToLeft;
            m_partDisplay->SetColumn(column);
            m_partDisplay->State
                = std::uint8_t((m_inputFocused ? TColumnPartDisplay::InputActive : 0)
                    | (GridFocused() ? TColumnPartDisplay::GridFocused : 0));
            if (parts[k] == PartHeader)
                setGridFont();
            m_partDisplay->Rect = rect;
            m_partDisplay->DrawPart(parts[k]);
        }
    }
    if (m_options.Contains(goInput)) {
        const TRect input = InputRect();
        PaintStrip(TRect(0, input.Bottom - 6, input.Right, input.Bottom));
    }
    if (m_options.Contains(goFooter)) {
        const TRect footer = FooterRect();
        PaintStrip(TRect(footer.Left - HorzOffset(), footer.Top, footer.Right, footer.Top + 4));
    }
    if (m_options.Contains(goIndicator)) {
        if (m_options.Contains(goHeader)) {
            const TRect r(0, 0, 12, m_headerSize);
            if (ThemesAvailable() && m_headerStyle == hsAuto)
                m_partDisplay->DrawThemedCorner(r.ToQRect());
            else
                TGraphicsProvider::DrawIndicatorCell(canvas, r, false, false, false);
        }
        if (m_options.Contains(goInput)) {
            const TRect input = InputRect();
            canvas.FillSolid(TRect(0, input.Top, 12, input.Bottom - 6), m_color);
        }
        if (m_options.Contains(goFooter)) {
            const TRect footer = FooterRect();
            TGraphicsProvider::DrawIndicatorCell(
                canvas, TRect(0, footer.Top + 4, 12, footer.Bottom), false, false, false);
        }
    }
}

void TCustomGridViewControl::PaintIndicatorCell(const TRect& rect, int row)
{
    TCanvas& canvas = Canvas();
    if (row >= RowCount()) {
        canvas.FillSolid(rect, m_color);
        return;
    }
    TGraphicsProvider::DrawIndicatorCell(canvas, rect, m_headerStyle == hsOldStyle, RowMarked(row),
        row == m_focusedRow && RowCount() > 0);
}

void TCustomGridViewControl::PaintRows()
{
    TCanvas& canvas = Canvas();
    const TRect data = DataRect();
    TRect clip = data;
    if (m_options.Contains(goIndicator))
        clip.Left = 0;
    canvas.SetClipRect(clip);
    const int cw = ClientWidth();
    const int pitch = RowPitch();
    const int rows = RowCount();
    // Only the rows that meet the area being painted.
    const TRect box = canvas.ClipRect();
    int y = data.Top;
    int r = TopRow();
    if (box.Top > y) {
        const int skip = (box.Top - y) / pitch;
        y += skip * pitch;
        r += skip;
    }
    const int bottom = std::min(data.Bottom, box.Bottom);
    while (y < bottom) {
        for (int i = 0; i < m_columns->Count(); ++i) {
            TCustomColumn* column = m_columns->ByPosition(i);
            if (!column->Visible())
                continue;
            const int left = column->Left() - HorzOffset();
            if (left + column->Width() < 0 || left >= cw)
                continue;
            if (r >= rows)
                PaintEmptyCell(column->Index(), r);
            else
                PaintCell(column->Index(), r);
            canvas.SetClipRect(clip);
        }
        if (m_options.Contains(goIndicator))
            PaintIndicatorCell(TRect(0, y, 12, y + m_rowSize + GridLineWidth()), r);
        y += pitch;
        ++r;
    }
    if (m_options.Contains(goSelectFullRow)) {
        // The frame belongs to the rows: scrolled sideways, it stays off the indicator.
        canvas.SetClipRect(data);
        PaintFocusRect();
    }
    canvas.ResetClip();
}

void TCustomGridViewControl::PaintEmptyCell(int col, int row)
{
    TCanvas& canvas = Canvas();
    const TRect cell = GetCellRect(col, row, gpData);
    const int glw = GridLineWidth();
    TColor cellColor = m_color;
    TColor gridColor = clBtnFace;
    TRect clip(cell.Left, cell.Top, cell.Right + glw, cell.Bottom + glw);
    clip.Bottom = std::min(clip.Bottom, DataRect().Bottom);
    canvas.SetClipRect(clip);
    if (OnCellColoring)
        OnCellColoring(this, col, row, cellColor, gridColor, TCellState());
    if (m_options.Contains(goGrid)) {
        canvas.Pen().SetColor(gridColor);
        canvas.MoveTo(cell.Left, cell.Bottom);
        canvas.LineTo(cell.Right + 1, cell.Bottom);
        if (m_gridLinesStyle != lsHorizontalOnly) {
            canvas.MoveTo(cell.Right, cell.Top);
            canvas.LineTo(cell.Right, cell.Bottom + 1);
        }
    }
    canvas.FillSolid(cell, cellColor);
}

void TCustomGridViewControl::PaintCell(int col, int row)
{
    TCustomColumn* column = m_columns->Items(col);
    if (!column->Visible())
        return;
    TCanvas& canvas = Canvas();
    const TRect cell = GetCellRect(col, row, gpData);
    const int glw = GridLineWidth();
    TRect clip(cell.Left, cell.Top, cell.Right + glw, cell.Bottom + glw);
    if (clip.Intersected(canvas.ClipRect()).IsEmpty())
        return;

    TCellState state;
    TColor gridColor = clBtnFace;
    bool defaultDrawing = true;
    setCanvasFont(column->Font());
    TColor cellColor = GetCellBackColor(col, row);
    TColumnDisplay* display = column->Display();
    const bool highlighted = IsCellHighlighted(col, row);
    if (highlighted)
        state = state + csSelected;
    if (display)
        display->Selected = highlighted;
    if (GridFocused() && !m_options.Contains(goHideFocus))
        state = state + csFocused;
    if (OnCellColoring)
        OnCellColoring(this, col, row, cellColor, gridColor, state);
    if (m_options.Contains(goIndicateSortedColumn) && column->Sorted()
        && !state.Contains(csSelected))
        cellColor = TColor(0xF5F5F5);

    clip.Bottom = std::min(clip.Bottom, DataRect().Bottom);
    canvas.SetClipRect(clip);
    if (m_options.Contains(goGrid) && m_gridStyle == gsReport) {
        const bool framed = m_gridLinesStyle == lsFramed;
        canvas.Pen().SetColor(framed && row == RowCount() - 1 ? clBlack : gridColor);
        canvas.MoveTo(cell.Left, cell.Bottom);
        canvas.LineTo(cell.Right + 1, cell.Bottom);
        if (m_gridLinesStyle != lsHorizontalOnly) {
            canvas.Pen().SetColor(framed && column->ColumnPlace() == 3 ? clBlack : gridColor);
            canvas.MoveTo(cell.Right, cell.Top);
            canvas.LineTo(cell.Right, cell.Bottom + 1);
        }
    }
    if (OnDrawCellBackground)
        OnDrawCellBackground(this, col, row, cell, state, defaultDrawing);
    const bool editCell = col == m_editCol && row == m_editRow;
    if (display) {
        display->Canvas = &canvas;
        display->RightToLeft = layoutDirection() == Qt::RightToLeft;
        display->CellRect = cell.ToQRect();
        if (defaultDrawing)
            display->FillBackground(cellColor, !editCell);
        display->Focused = col == m_focusedColumn && row == m_focusedRow;
    } else if (defaultDrawing) {
        canvas.FillSolid(cell, cellColor);
    }
    const TDrawingOptions drawing = column->DrawingOptions();
    if (drawing == doNormal || drawing == doCustom) {
        if (PrepareCellDisplay(col, row)) {
            if (display)
                display->Draw();
            else
                DrawCellContent(col, row, cell);
        }
    }
    if (drawing != doNormal && OnCustomDrawCell)
        OnCustomDrawCell(this, col, row, cell, state);
    if (!m_options.Contains(goSelectFullRow) && col == m_focusedColumn && row == m_focusedRow)
        PaintFocusRect();
    canvas.ResetClip();
}

bool TCustomGridViewControl::PrepareCellDisplay(int col, int row)
{
    TCanvas& canvas = Canvas();
    setCanvasFont(m_columns->Items(col)->Font());
    canvas.Font().SetColor(GetCellFontColor(col, row));
    if (IsCellHighlighted(col, row) && m_options.Contains(goBoldTextSelection))
        canvas.Font().SetStyle(canvas.Font().Style() | fsBold);
    return false;
}

void TCustomGridViewControl::DrawCellContent(int col, int row, const TRect& rect)
{
    TCustomColumn* column = m_columns->Items(col);
    const QString text = column->FormatText(CellText(col, row));
    TGraphicsProvider::DrawCaption(Canvas(), rect.Inflated(-2, 0), text, column->Alignment(),
        layoutDirection() == Qt::RightToLeft);
}

void TCustomGridViewControl::PaintFocusRect()
{
    if (m_focusedColumn < 0 || m_focusedColumn >= m_columns->Count() || m_focusedRow < 0
        || m_focusedRow >= RowCount() || m_inputFocused || !GridFocused()
        || m_options.Contains(goHideFocus))
        return;
    TRect r;
    if (m_options.Contains(goSelectFullRow)) {
        const TRect row = RowRect(m_focusedRow);
        r = TRect(DataLeft() - HorzOffset(), row.Top,
            DataLeft() + m_columns->TotalWidth() - HorzOffset() - GridLineWidth(),
            row.Top + m_rowSize);
    } else {
        r = GetCellRect(m_focusedColumn, m_focusedRow, gpData);
    }
    if (r.Intersected(DataRect()).IsEmpty())
        return;
    TGraphicsProvider::DrawSelectionFrame(Canvas(), r, m_options.Contains(goAlphaBlendedSelection));
}

void TCustomGridViewControl::PaintSlides(const TRect& rect)
{
    TCanvas& canvas = Canvas();
    const int glw = GridLineWidth();
    const int cw = ClientWidth();
    int y = rect.Top;
    for (int r = TopRow(); r < RowCount() && y < rect.Bottom; ++r) {
        const TRect slide(0, y, cw, y + m_slideSize);
        canvas.SetClipRect(TRect(slide.Left, slide.Top, slide.Right, slide.Bottom + glw));
        canvas.FillSolid(slide, m_color);
        for (int c = 0; c < m_columns->Count(); ++c)
            if (m_columns->Items(c)->Visible())
                PaintCell(c, r);
        canvas.SetClipRect(TRect(slide.Left, slide.Top, slide.Right, slide.Bottom + glw));
        if (r == m_focusedRow) {
            canvas.Brush().SetColor(clHighlight);
            canvas.FrameRect(slide.Inflated(-1, -1));
            canvas.FrameRect(slide.Inflated(-2, -2));
        }
        y += m_slideSize + glw;
        if (m_options.Contains(goGrid)) {
            canvas.Pen().SetColor(clBtnFace);
            canvas.MoveTo(0, y - 1);
            canvas.LineTo(cw, y - 1);
        }
        canvas.ResetClip();
    }
    if (y < rect.Bottom)
        canvas.FillSolid(TRect(rect.Left, y, rect.Right, rect.Bottom), m_color);
}

// ------------------------------------------------------------------ editing

bool TCustomGridViewControl::CanEditColumn(int col)
{
    return col >= 0 && col < m_columns->Count()
        && m_columns->Items(col)->Options().Contains(coEditing);
}

void TCustomGridViewControl::EditCell(int col, int row, const QString& initialText)
{
    if ((col == m_editCol && row == m_editRow) || row < 0 || row >= RowCount() || col < 0
        || col >= m_columns->Count())
        return;
    bool accept = true;
    if (OnBeforeEdit)
        OnBeforeEdit(this, col, row, accept);
    TCustomColumn* column = m_columns->Items(col);
    if (!accept || !CanEditColumn(col) || !column->Editor())
        return;
    ApplyEdit();
    HideEditor();
    TCellEditor* editor = column->Editor();
    m_editor = editor;
    setState(gstEditing, true);
    editor->SetBorderStyle(bsNone);
    editor->setParent(this);
    editor->SetAlignment(column->Alignment());
    editor->SetVerticalAlignment(column->VerticalAlignment());
    editor->SetMargin(-1);
    editor->setLayoutDirection(layoutDirection());
    editor->SetColor(GetCellColor(col, row));
    column->PrepareEditor();
    editor->SetFontColor(column->Font().Color);
    editor->SetHost(this);
    m_editCol = col;
    m_editRow = row;
    editor->SetLoading(true);
    editor->SetText(initialText.isEmpty() ? CellText(col, row) : initialText);
    editor->SetLoading(false);
    RepositionEditor();
    activateEditor(editor, column, initialText);
}

void TCustomGridViewControl::EditInputCell(TCustomColumn* column, const QString& initialText)
{
    if (!column)
        return;
    m_inputFocused = true;
    m_focusedColumn = column->Index();
    if (!column->Options().Contains(coCanInput) || !column->Editor()) {
        InvalidatePart(gpInput);
        return;
    }
    ApplyEdit();
    HideEditor();
    TCellEditor* editor = column->Editor();
    m_editor = editor;
    setState(gstInputEditing, true);
    m_inputColumn = column->Index();
    column->SetEditing(true);
    editor->setParent(this);
    column->PrepareEditor();
    editor->SetAlignment(column->Alignment());
    editor->SetVerticalAlignment(column->VerticalAlignment());
    editor->SetColor(column->Color());
    editor->SetFontColor(column->Font().Color);
    editor->SetMargin(0);
    editor->SetBorderStyle(bsNone);
    editor->SetHost(this);
    editor->SetLoading(true);
    editor->SetText(initialText.isEmpty() ? column->InputValue() : initialText);
    editor->SetLoading(false);
    m_editCol = -1;
    m_editRow = -1;
    RepositionEditor();
    activateEditor(editor, column, initialText);
}

void TCustomGridViewControl::activateEditor(
    TCellEditor* editor, TCustomColumn* column, const QString& initialText)
{
    editor->Activate();
    // An editor opened by a typed key keeps that key with the caret after it:
    // selected, the next key would replace it.
    if (column->Options().Contains(coEditorAutoSelect) && initialText.isEmpty())
        editor->SelectAll();
}

void TCustomGridViewControl::RepositionEditor()
{
    if (!m_editor)
        return;
    TRect r;
    if (hasState(gstEditing)) {
        if (m_editCol < 0 || m_editCol >= m_columns->Count())
            return;
        r = GetCellRect(m_editCol, m_editRow, gpData).Inflated(-1, -1);
        if (r.Top + 1 < DataRect().Top) {
            m_editor->hide();
            return;
        }
    } else if (hasState(gstInputEditing)) {
        if (m_inputColumn < 0 || m_inputColumn >= m_columns->Count())
            return;
        r = GetCellRect(m_inputColumn, 0, gpInput).Inflated(-1, -1);
    } else {
        return;
    }
    m_editor->setGeometry(r.ToQRect().translated(ClientOffset()));
    m_editor->show();
    m_editor->setFocus();
}

bool TCustomGridViewControl::ApplyEdit()
{
    if (!m_editor)
        return false;
    const QString text = m_editor->GetText();
    if (hasState(gstEditing)) {
        if (text == CellText(m_editCol, m_editRow))
            return false;
        bool accept = true;
        if (OnAfterEdit)
            OnAfterEdit(this, m_editCol, m_editRow, text, accept);
        if (RowCount() == 0 || m_editRow >= RowCount())
            return false;
        if (accept)
            SetCellText(m_editCol, m_editRow, text);
        return true;
    }
    if (hasState(gstInputEditing) && m_inputColumn >= 0 && m_inputColumn < m_columns->Count())
        m_columns->Items(m_inputColumn)->SetInputValue(text);
    return true;
}

void TCustomGridViewControl::HideEditor()
{
    if (m_editor) {
        TCellEditor* editor = m_editor;
        m_editor = nullptr;
        editor->SetHost(nullptr);
        const bool hadFocus = editor->hasFocus() || editor->isAncestorOf(focusWidget());
        editor->hide();
        if (hadFocus)
            setFocus();
        if (hasState(gstEditing))
            InvalidateCell(m_editCol, m_editRow);
        else if (m_inputColumn >= 0 && m_inputColumn < m_columns->Count())
            InvalidateColumnPart(m_columns->Items(m_inputColumn), AreaInput);
    }
    setState(gstEditing, false);
    setState(gstInputEditing, false);
    m_editCol = -1;
    m_editRow = -1;
    if (m_inputColumn >= 0) {
        if (m_inputColumn < m_columns->Count())
            m_columns->Items(m_inputColumn)->SetEditing(false);
        m_inputColumn = -1;
    }
}

void TCustomGridViewControl::AcceptInput()
{
    bool accept = true;
    if (OnInputAccept)
        OnInputAccept(this, accept);
    if (!accept)
        return;
    AddRows(1);
    const int row = RowCount() - 1;
    for (int c = 0; c < m_columns->Count(); ++c) {
        TCustomColumn* column = m_columns->Items(c);
        const QString value
            = column->InputValue().isEmpty() ? column->DefaultValue() : column->InputValue();
        if (!value.isEmpty())
            SetCellText(c, row, value);
        column->SetInputValue(column->DefaultValue());
    }
}

void TCustomGridViewControl::LeaveInputLine()
{
    if (!m_inputFocused)
        return;
    if (hasState(gstInputEditing))
        ApplyEdit();
    m_inputFocused = false;
    AcceptInput();
    HideEditor();
    InvalidatePart(gpInput);
    InvalidateSelection();
}

void TCustomGridViewControl::MoveFocusByDirection()
{
    switch (m_selectionMoveDirection) {
    case mdUp:
        if (m_focusedRow > 0)
            SetFocusedCell(m_focusedColumn, m_focusedRow - 1, 0);
        break;
    case mdDown:
        if (m_focusedRow + 1 < RowCount())
            SetFocusedCell(m_focusedColumn, m_focusedRow + 1, 0);
        break;
    case mdLeft:
        FocusPreviousColumn();
        break;
    case mdRight:
        FocusNextColumn();
        break;
    case mdNone:
        break;
    }
}

void TCustomGridViewControl::EditorChange(TCellEditor*) { }

void TCustomGridViewControl::EditorEdit(TCellEditor*, const QString& value)
{
    if (hasState(gstEditing) && OnEdit)
        OnEdit(this, m_editCol, m_editRow, value);
}

void TCustomGridViewControl::EditorEnter(TCellEditor*) { }

void TCustomGridViewControl::EditorExit(TCellEditor*)
{
    // The focus went elsewhere than the grid: the edit is done.
    QWidget* to = QApplication::focusWidget();
    if (to == this)
        return;
    ApplyEdit();
    HideEditor();
    InvalidateSelection();
}

void TCustomGridViewControl::EditorKeyDown(TCellEditor*, int& key, Qt::KeyboardModifiers)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = 0;
        if (hasState(gstInputEditing)) {
            ApplyEdit();
            HideEditor();
            AcceptInput();
            return;
        }
        ApplyEdit();
        HideEditor();
        setFocus();
        MoveFocusByDirection();
        break;
    case Qt::Key_Escape:
        key = 0;
        HideEditor();
        setFocus();
        break;
    default:
        break;
    }
}

void TCustomGridViewControl::focusInEvent(QFocusEvent* event)
{
    TScrollView::focusInEvent(event);
    guard([this] {
        InvalidatePart(gpIndicator);
        InvalidateSelection();
        GridAccessibility::focusMoved(this);
    });
}

void TCustomGridViewControl::focusOutEvent(QFocusEvent* event)
{
    TScrollView::focusOutEvent(event);
    guard([this] {
        if (m_editor && (m_editor->hasFocus() || m_editor->isAncestorOf(focusWidget())))
            return;
        if (QApplication::focusWidget() && m_editor
            && m_editor->isAncestorOf(QApplication::focusWidget()))
            return;
        ApplyEdit();
        HideEditor();
        InvalidateSelection();
    });
}

void TCustomGridViewControl::setHotHeader(TCustomColumn* column)
{
    if (column == m_hotHeader)
        return;
    if (m_hotHeader)
        InvalidateColumnPart(m_hotHeader, AreaHeader);
    m_hotHeader = column;
    if (m_hotHeader)
        InvalidateColumnPart(m_hotHeader, AreaHeader);
}
