#include "GridView.h"

#include "CellClasses.h"
#include "ColumnClasses.h"
#include "GridAccessible.h"
#include "SysUtils.h"
#include "Win1254.h"

#include <algorithm>
#include <cmath>

TGridView::TGridView(QWidget* parent)
    : TCustomGridView(parent)
{
    GridAccessibility::installFactory();
    RegisterColumnClasses();
    m_cells = std::make_unique<TCells>(this, Columns());
    m_cells->OnChange = [this](TCells*, int col, int row) { CellChanged(col, row); };
    Columns()->OnColumnsChanged = [this](TColumns*, int kind, int index1, int index2) {
        if (kind == ColumnDeleted || kind == ColumnsCleared)
            HideEditor();
        m_cells->ColumnsChanged(kind, index1, index2);
    };
    m_cellHint = new TGridHintWindow(this);
    // An empty grid shows no bars.
    UpdateVertScrollBar();
    UpdateHorzScrollBar();
}

TGridView::~TGridView()
{
    HideEditor();
    // The store goes first; the columns must not report to it afterwards.
    Columns()->OnColumnsChanged = nullptr;
    m_cells.reset();
    delete m_cellHint;
}

void TGridView::RegisterColumnClasses()
{
    TCustomGridView::RegisterColumnClasses();
    RegisterColumnClass<TGraphicColumn>();
    RegisterColumnClass<TCheckBoxColumn>();
    RegisterColumnClass<TDateColumn>();
    RegisterColumnClass<THtmlColumn>();
    RegisterColumnClass<TImageColumn>();
    RegisterColumnClass<TComboBoxColumn>();
    RegisterColumnClass<TNumericColumn>();
    RegisterColumnClass<TProgressColumn>();
    RegisterColumnClass<TRateColumn>();
    RegisterColumnClass<TTextualColumn>();
}

bool TGridView::cellInRange(int col, int row) const
{
    return col >= 0 && col < Columns()->Count() && row >= 0 && row < RowCount();
}

void TGridView::GetCellText(int col, int row, QString& value)
{
    // Out of range reads as no text: the grid's reads never fail.
    value = cellInRange(col, row) ? m_cells->Cell(col, row)->GetAsString() : QString();
}

TColor TGridView::GetCellColor(int col, int row)
{
    if (!cellInRange(col, row))
        return Color();
    return m_cells->Cell(col, row)->Color();
}

void TGridView::SetCellText(int col, int row, const QString& value)
{
    if (!cellInRange(col, row))
        return;
    TCell* cell = m_cells->Cell(col, row);
    if (cell->GetAsString() != value)
        cell->SetAsString(value);
}

void TGridView::SortColumn(TCustomColumn* column, bool ascending)
{
    if (column->Options().Contains(coCanSort)) {
        m_cells->Sort(column->Index(), column->SortType(), !ascending);
        if (RowCount() > 0)
            InvalidatePart(gpData);
        GridAccessibility::reset(this);
    }
    HideEditor();
}

void TGridView::AddRows(int count)
{
    if (count <= 0)
        return;
    const int before = RowCount();
    m_cells->AddRows(count);
    rowMarks().resize(size_t(RowCount()), 0);
    if (!Updating())
        for (int r = before; r < RowCount(); ++r)
            InvalidateRow(r);
    if (Options().Contains(goUseDefaultValues))
        for (int r = before; r < RowCount(); ++r)
            for (int c = 0; c < Columns()->Count(); ++c) {
                const QString& value = Columns()->Items(c)->DefaultValue();
                if (!value.isEmpty())
                    m_cells->Cell(c, r)->SetAsString(value);
            }
    // The last old row's bottom line is no longer the last.
    if (Options().Contains(goGrid) && before - 1 >= 0)
        InvalidateRow(before - 1);
    const bool wasVisible = VertScrollBar()->Visible();
    UpdateVertScrollBar();
    if (VertScrollBar()->Visible() != wasVisible)
        AutoSizeColumns();
    GridAccessibility::rowsInserted(this, before, RowCount() - 1);
}

void TGridView::AppendRowsQuiet(int count)
{
    if (count <= 0)
        return;
    m_cells->AddRows(count);
    rowMarks().resize(size_t(RowCount()), 0);
    Invalidate();
    RepositionEditor();
    GridAccessibility::rowsInserted(this, RowCount() - count, RowCount() - 1);
}

void TGridView::UpdateFooters()
{
    for (int c = 0; c < Columns()->Count(); ++c) {
        TCustomColumn* column = Columns()->Items(c);
        const TFormulaKind kind = column->FormulaKind();
        if (kind == fkNone)
            continue;
        double sum = 0, max = 0, min = 0;
        for (int r = 0; r < RowCount(); ++r) {
            const double v = m_cells->Cell(c, r)->GetAsFloat();
            sum += v;
            max = std::max(max, v);
            min = std::min(min, v);
        }
        double value = 0;
        switch (kind) {
        case fkAverage:
            // An empty column averages to 0 rather than to a division of 0 by 0.
            value = RowCount() > 0 ? sum / RowCount() : 0;
            break;
        case fkMaximum:
            value = max;
            break;
        case fkMinimum:
            value = min;
            break;
        case fkSum:
        case fkNone:
            value = sum;
            break;
        }
        column->Footer().SetCaption(SysUtils::FloatToStr(value));
    }
}

void TGridView::Clear()
{
    rowMarks().clear();
    m_cells->Clear();
    HideEditor();
    Invalidate();
    UpdateVertScrollBar();
    GridAccessibility::reset(this);
}

void TGridView::DeleteRow(int row)
{
    if (!rowInRange(row))
        return;
    if (row == EditRow())
        HideEditor();
    m_cells->DeleteRow(row);
    rowMarks().erase(rowMarks().begin() + row);
    Invalidate();
    if (row == FocusedRow())
        HideEditor();
    else
        RepositionEditor();
    UpdateVertScrollBar();
    GridAccessibility::rowsRemoved(this, row, row);
}

void TGridView::InsertRow(int row)
{
    if (!rowInRange(row))
        return;
    m_cells->InsertRow(row);
    rowMarks().insert(rowMarks().begin() + row, 0);
    SetFocusedCell(FocusedColumn(), FocusedRow() + 1, 0);
    Invalidate();
    RepositionEditor();
    UpdateVertScrollBar();
    GridAccessibility::rowsInserted(this, row, row);
}

void TGridView::MoveRow(int fromRow, int toRow)
{
    if (!rowInRange(fromRow) || !rowInRange(toRow))
        return;
    m_cells->MoveRow(fromRow, toRow);
    auto& marks = rowMarks();
    const std::uint8_t mark = marks[size_t(fromRow)];
    marks.erase(marks.begin() + fromRow);
    marks.insert(marks.begin() + toRow, mark);
    Invalidate();
    HideEditor();
    GridAccessibility::reset(this);
}

bool TGridView::PrepareCellDisplay(int col, int row)
{
    TCustomGridView::PrepareCellDisplay(col, row);
    TCustomColumn* column = Columns()->Items(col);
    TColumnDisplay* display = column->Display();
    TCell* cell = m_cells->Cell(col, row);
    const std::uint8_t kind = column->CellKind();
    if (kind != 0 && (kind < 2 || kind > 7))
        return false;
    if (!display)
        return true;
    switch (kind) {
    case 0:
        display->IntValue = row;
        break;
    case 2:
        display->GraphicValue = cell->Graphic();
        break;
    case 3:
        display->BoolValue = cell->GetAsBoolean();
        break;
    case 4:
        display->DateValue = cell->GetAsDateTime();
        break;
    case 5:
        display->FloatValue = cell->GetAsFloat();
        break;
    case 6:
        display->IntValue = cell->GetAsInteger();
        break;
    case 7:
        display->TextValue = cell->GetAsString();
        break;
    }
    if (!cell->Hint().isEmpty())
        display->DrawHintMark();
    return true;
}

void TGridView::UpdateCellPlay(TColumnPlay* play)
{
    if (play->Column->CellKind() == 3 && cellInRange(play->Col, play->Row))
        play->BoolValue = m_cells->Cell(play->Col, play->Row)->GetAsBoolean();
}

void TGridView::ApplyCellPlay(TColumnPlay* play)
{
    if (play->Column->CellKind() == 3 && cellInRange(play->Col, play->Row))
        m_cells->Cell(play->Col, play->Row)->SetAsBoolean(play->BoolValue);
}

void TGridView::HotCellChanged()
{
    const int col = HotCol(), row = HotRow();
    if (!cellInRange(col, row)) {
        m_cellHint->Close();
        return;
    }
    const QByteArray hint = m_cells->Cell(col, row)->Hint();
    if (hint.isEmpty()) {
        m_cellHint->Close();
        return;
    }
    if (FitHintWindow()->Showing())
        return;
    const TRect cell = GetCellRect(col, row, gpData);
    const TPoint at
        = ClientToScreen(TPoint(cell.Left + Columns()->Items(col)->Width(), cell.Top - 20));
    m_cellHint->ShowText(Win1254::decode(hint), at, 250);
}

void TGridView::HideHints()
{
    TCustomGridView::HideHints();
    m_cellHint->Close();
}
