#include "GridAccessible.h"

#include "ColumnClasses.h"
#include "GridView.h"

#include <QTextDocumentFragment>
#include <QWidget>

#include <exception>

namespace {

GridAccessibility::Observer& observer()
{
    static GridAccessibility::Observer instance;
    return instance;
}

bool listening()
{
    return observer() || QAccessible::isActive();
}

void deliver(QAccessibleEvent* event)
{
    if (observer())
        observer()(event);
    QAccessible::updateAccessibility(event);
}

// The interfaces Qt made for grids, so that a change can prune one without
// making it.
QHash<const QObject*, GridAccessible*>& existing()
{
    static QHash<const QObject*, GridAccessible*> map;
    return map;
}

// The table column of a stored column: its place among the visible columns.
int visibleIndex(const TCustomGridViewControl* grid, int storedColumn)
{
    TColumns* columns = grid->Columns();
    if (storedColumn < 0 || storedColumn >= columns->Count())
        return -1;
    const TCustomColumn* column = columns->Items(storedColumn);
    return column->Visible() ? column->VisibleIndex() : -1;
}

quint64 partKey(int row, int storedColumn)
{
    return (quint64(quint32(row + 1)) << 32) | quint32(storedColumn);
}

// What a screen reader should say for a cell: the text as the column shows it.
// Pictures and check boxes have none of their own (a check box's state says it).
QString spokenText(TGridView* grid, int col, int row)
{
    TCustomColumn* column = grid->Columns()->Items(col);
    const QString value = grid->CellText(col, row);
    try {
        if (dynamic_cast<TIncrementColumn*>(column))
            return QString::number(row + 1);
        if (dynamic_cast<TCheckBoxColumn*>(column) || dynamic_cast<TImageColumn*>(column)
            || dynamic_cast<TGraphicColumn*>(column))
            return QString();
        if (dynamic_cast<THtmlColumn*>(column))
            return QTextDocumentFragment::fromHtml(value).toPlainText();
        if (auto* date = dynamic_cast<TDateColumn*>(column)) {
            if (date->HideWhenEmpty() && grid->Cell(col, row)->GetAsDateTime() == 0)
                return date->EmptyCaption();
            return value;
        }
        return column->FormatText(value);
    } catch (const std::exception&) {
        // A value the column cannot format is read as it is stored.
        return value;
    }
}

bool checkedCell(TGridView* grid, int col, int row)
{
    try {
        return grid->Cell(col, row)->GetAsBoolean();
    } catch (const std::exception&) {
        return false;
    }
}

QRect screenRect(const TCustomGridViewControl* grid, const TRect& client)
{
    return QRect(grid->ClientToScreen(TPoint(client.Left, client.Top)).ToQPoint(),
        QSize(client.Width(), client.Height()));
}

// A header cell (row -1) or a data cell of a grid, by stored column index. It
// reads the grid each time it is asked, so it never holds stale text.
class GridPartAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    GridPartAccessible(TGridView* grid, int row, int storedColumn)
        : m_grid(grid)
        , m_row(row)
        , m_col(storedColumn)
    {
    }

    const TGridView* gridView() const { return m_grid.data(); }
    bool isHeader() const { return m_row < 0; }
    int row() const { return m_row; }
    int storedColumn() const { return m_col; }

    bool isValid() const override
    {
        if (!m_grid || m_col >= m_grid->Columns()->Count()
            || !m_grid->Columns()->Items(m_col)->Visible())
            return false;
        return isHeader() ? m_grid->Options().Contains(goHeader) : m_row < m_grid->RowCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_grid ? QAccessible::queryAccessibleInterface(m_grid) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return QString();
        if (isHeader())
            return m_grid->Columns()->Items(m_col)->Header().Caption();
        return spokenText(m_grid, m_col, m_row);
    }
    void setText(QAccessible::Text, const QString&) override { }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        if (isHeader()) {
            const TCustomColumn* column = m_grid->Columns()->Items(m_col);
            const TRect header = m_grid->HeaderRect();
            const int left = column->Left() - m_grid->HorzOffset();
            return screenRect(
                m_grid, TRect(left, header.Top, left + column->Width(), header.Bottom));
        }
        return screenRect(m_grid, m_grid->GetCellRect(m_col, m_row, gpData));
    }

    QAccessible::Role role() const override
    {
        return isHeader() ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QRect visible(m_grid->mapToGlobal(m_grid->ClientOffset()),
            QSize(m_grid->ClientWidth(), m_grid->ClientHeight()));
        if (!m_grid->isVisible() || !visible.intersects(rect()))
            s.invisible = s.offscreen = true;
        if (isHeader())
            return s;
        s.focusable = s.selectable = true;
        s.selected = isSelected();
        s.focused = m_grid->GridFocused() && !m_grid->InputFocused()
            && m_grid->FocusedColumn() == m_col && m_grid->FocusedRow() == m_row;
        s.readOnly = !m_grid->CanEditColumn(m_col);
        if (dynamic_cast<TCheckBoxColumn*>(m_grid->Columns()->Items(m_col))) {
            s.checkable = true;
            s.checked = checkedCell(m_grid, m_col, m_row);
        }
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface && !isHeader())
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    // QAccessibleTableCellInterface.
    bool isSelected() const override
    {
        if (!isValid() || isHeader())
            return false;
        if (m_grid->Options().Contains(goSelectFullRow))
            return m_grid->RowMarked(m_row);
        return m_grid->FocusedColumn() == m_col && m_grid->FocusedRow() == m_row;
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        GridAccessible* table = gridTable();
        if (!table || !table->headerShown())
            return {};
        return { table->part(-1, m_col) };
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override
    {
        GridAccessible* table = gridTable();
        return table ? table->tableColumn(m_col) : -1;
    }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return gridTable(); }

private:
    GridAccessible* gridTable() const { return m_grid ? existing().value(m_grid.data()) : nullptr; }

    QPointer<TGridView> m_grid;
    int m_row;
    int m_col;
};

QAccessibleInterface* gridFactory(const QString&, QObject* object)
{
    if (auto* grid = qobject_cast<TGridView*>(object))
        return new GridAccessible(grid);
    return nullptr;
}

void sendModelChange(TCustomGridViewControl* grid,
    QAccessibleTableModelChangeEvent::ModelChangeType type, int firstRow, int lastRow,
    int firstColumn = -1, int lastColumn = -1)
{
    if (!listening())
        return;
    QAccessibleTableModelChangeEvent event(grid, type);
    event.setFirstRow(firstRow);
    event.setLastRow(lastRow);
    event.setFirstColumn(firstColumn);
    event.setLastColumn(lastColumn);
    deliver(&event);
}

} // namespace

// ------------------------------------------------------------------ the table

GridAccessible::GridAccessible(TGridView* grid)
    : QAccessibleWidget(grid, QAccessible::Table)
    , m_key(grid)
{
    existing().insert(m_key, this);
}

GridAccessible::~GridAccessible()
{
    // The grid may be gone already: only our own records are touched.
    existing().remove(m_key);
    for (QAccessible::Id id : std::as_const(m_parts))
        QAccessible::deleteAccessibleInterface(id);
}

TGridView* GridAccessible::grid() const
{
    return static_cast<TGridView*>(widget());
}

int GridAccessible::storedColumn(int tableColumn) const
{
    TColumns* columns = grid()->Columns();
    int visible = 0;
    for (int i = 0; i < columns->Count(); ++i) {
        TCustomColumn* column = columns->ByPosition(i);
        if (!column->Visible())
            continue;
        if (visible++ == tableColumn)
            return column->Index();
    }
    return -1;
}

int GridAccessible::tableColumn(int storedColumn) const
{
    return visibleIndex(grid(), storedColumn);
}

bool GridAccessible::headerShown() const
{
    return grid()->Options().Contains(goHeader);
}

int GridAccessible::columnCount() const
{
    return grid()->Columns()->VisibleCount();
}

int GridAccessible::rowCount() const
{
    return grid()->RowCount();
}

int GridAccessible::cellIndex(int row, int tableColumn) const
{
    const int columns = columnCount();
    if (row < 0 || row >= rowCount() || tableColumn < 0 || tableColumn >= columns)
        return -1;
    return (headerShown() ? columns : 0) + row * columns + tableColumn;
}

QAccessibleInterface* GridAccessible::part(int row, int storedColumn) const
{
    if (storedColumn < 0)
        return nullptr;
    const quint64 key = partKey(row, storedColumn);
    if (const QAccessible::Id id = m_parts.value(key))
        return QAccessible::accessibleInterface(id);
    auto* made = new GridPartAccessible(grid(), row, storedColumn);
    m_parts.insert(key, QAccessible::registerAccessibleInterface(made));
    return made;
}

void GridAccessible::prune(bool columnsChanged)
{
    const int rows = rowCount();
    for (auto it = m_parts.begin(); it != m_parts.end();) {
        const int row = int(it.key() >> 32) - 1;
        if (columnsChanged || row >= rows) {
            QAccessible::deleteAccessibleInterface(it.value());
            it = m_parts.erase(it);
        } else {
            ++it;
        }
    }
}

void* GridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

int GridAccessible::childCount() const
{
    const int columns = columnCount();
    return (headerShown() ? columns : 0) + rowCount() * columns;
}

QAccessibleInterface* GridAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || columns == 0 || index >= childCount())
        return nullptr;
    if (headerShown()) {
        if (index < columns)
            return part(-1, storedColumn(index));
        index -= columns;
    }
    return part(index / columns, storedColumn(index % columns));
}

int GridAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    auto* cell = dynamic_cast<const GridPartAccessible*>(child);
    if (!cell || cell->gridView() != grid() || !cell->isValid())
        return -1;
    const int column = tableColumn(cell->storedColumn());
    if (cell->isHeader())
        return headerShown() ? column : -1;
    return cellIndex(cell->row(), column);
}

QAccessibleInterface* GridAccessible::childAt(int x, int y) const
{
    TGridView* g = grid();
    const TPoint p = g->ScreenToClient(TPoint(x, y));
    switch (g->HitTest(p)) {
    case gpHeader:
        if (TCustomColumn* column = g->ColumnAt(p.X))
            return part(-1, column->Index());
        return nullptr;
    case gpData: {
        int col = -1, row = -1;
        g->CellAt(p, col, row);
        if (col < 0 || row < 0 || row >= g->RowCount())
            return nullptr;
        return part(row, col);
    }
    default:
        return nullptr;
    }
}

QAccessibleInterface* GridAccessible::focusChild() const
{
    TGridView* g = grid();
    if (g->InputFocused())
        return nullptr;
    return cellAt(g->FocusedRow(), tableColumn(g->FocusedColumn()));
}

QAccessible::State GridAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.multiSelectable
        = grid()->Options().Contains(goMultiSelect) && grid()->Options().Contains(goSelectFullRow);
    return s;
}

QString GridAccessible::text(QAccessible::Text t) const
{
    const QString text = QAccessibleWidget::text(t);
    if (t == QAccessible::Description && text.isEmpty() && rowCount() == 0)
        return grid()->Caption();
    return text;
}

QAccessibleInterface* GridAccessible::cellAt(int row, int column) const
{
    if (cellIndex(row, column) < 0)
        return nullptr;
    return part(row, storedColumn(column));
}

QList<int> GridAccessible::selectedRows() const
{
    QList<int> rows;
    if (!grid()->Options().Contains(goSelectFullRow))
        return rows;
    for (int r = 0; r < rowCount(); ++r)
        if (grid()->RowMarked(r))
            rows.append(r);
    return rows;
}

int GridAccessible::selectedRowCount() const
{
    return int(selectedRows().size());
}

bool GridAccessible::isRowSelected(int row) const
{
    return grid()->Options().Contains(goSelectFullRow) && grid()->RowMarked(row);
}

QList<QAccessibleInterface*> GridAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    if (grid()->Options().Contains(goSelectFullRow)) {
        for (int r : selectedRows())
            for (int c = 0; c < columnCount(); ++c)
                cells.append(cellAt(r, c));
    } else if (QAccessibleInterface* focused = focusChild()) {
        cells.append(focused);
    }
    return cells;
}

int GridAccessible::selectedCellCount() const
{
    return int(selectedCells().size());
}

QString GridAccessible::columnDescription(int column) const
{
    const int stored = storedColumn(column);
    return stored < 0 ? QString() : grid()->Columns()->Items(stored)->Header().Caption();
}

bool GridAccessible::selectRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    grid()->FocusRow(row);
    return true;
}

void GridAccessible::modelChange(QAccessibleTableModelChangeEvent* event)
{
    prune(event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset);
}

// ------------------------------------------------------------ notifications

namespace GridAccessibility {

void installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(gridFactory);
        return true;
    }();
    (void)installed;
}

void rowsInserted(TCustomGridViewControl* grid, int first, int last)
{
    sendModelChange(grid, QAccessibleTableModelChangeEvent::RowsInserted, first, last);
}

void rowsRemoved(TCustomGridViewControl* grid, int first, int last)
{
    if (GridAccessible* table = existing().value(grid))
        table->prune(false);
    sendModelChange(grid, QAccessibleTableModelChangeEvent::RowsRemoved, first, last);
}

void reset(TCustomGridViewControl* grid)
{
    if (GridAccessible* table = existing().value(grid))
        table->prune(true);
    sendModelChange(grid, QAccessibleTableModelChangeEvent::ModelReset, -1, -1);
}

void cellChanged(TCustomGridViewControl* grid, int col, int row)
{
    // Every cell written reaches here, mostly with nobody listening.
    if (!listening())
        return;
    const int column = visibleIndex(grid, col);
    sendModelChange(grid, QAccessibleTableModelChangeEvent::DataChanged, row, row, column, column);
}

void focusMoved(TCustomGridViewControl* grid)
{
    if (!listening() || !grid->GridFocused() || grid->InputFocused())
        return;
    QAccessible::queryAccessibleInterface(grid);
    const GridAccessible* table = existing().value(grid);
    if (!table)
        return;
    const int index
        = table->cellIndex(grid->FocusedRow(), table->tableColumn(grid->FocusedColumn()));
    QAccessibleEvent event(grid, QAccessible::Focus);
    if (index >= 0)
        event.setChild(index);
    deliver(&event);
}

void setObserver(Observer o)
{
    observer() = std::move(o);
}

} // namespace GridAccessibility
