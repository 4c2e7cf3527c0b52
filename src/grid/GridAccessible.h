#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

#include <functional>

class TCustomColumn;
class TCustomGridViewControl;
class TGridView;

// The grid as assistive technologies see it: a table whose columns are the
// visible columns in display order, with a header cell per column (while the
// header is shown) and one cell per row and column, holding the text the cell
// shows. Rows keep the grid's order, so a sort or a deleted row changes what a
// cell position holds; the grid raises the events that say so.
class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit GridAccessible(TGridView* grid);
    ~GridAccessible() override;

    TGridView* grid() const;

    // Stored index of the column at a table column, -1 when there is none.
    int storedColumn(int tableColumn) const;
    // Table column of a stored column, -1 while it is hidden.
    int tableColumn(int storedColumn) const;
    bool headerShown() const;
    // Child index of a cell, -1 outside the table.
    int cellIndex(int row, int tableColumn) const;
    // Drops the interfaces of cells that are gone (all of them when the
    // columns changed): they live in Qt's registry until deleted.
    void prune(bool columnsChanged);

    // QAccessibleInterface.
    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessible::State state() const override;
    // An empty grid is described by the caption it shows in place of rows.
    QString text(QAccessible::Text t) const override;

    // QAccessibleTableInterface.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    // The interface of a header cell (row -1) or a data cell, by stored column.
    QAccessibleInterface* part(int row, int storedColumn) const;

private:
    // The grid's address, still known while Qt deletes us after the grid.
    const QObject* m_key;
    mutable QHash<quint64, QAccessible::Id> m_parts;
};

// Where the grid tells assistive technologies what changed. Each call costs a
// test and nothing else while none is listening.
namespace GridAccessibility {

// Makes QAccessible create GridAccessible for every grid; once per process.
void installFactory();

void rowsInserted(TCustomGridViewControl* grid, int first, int last);
void rowsRemoved(TCustomGridViewControl* grid, int first, int last);
// Rows reordered or emptied, or columns added, moved, hidden or removed.
void reset(TCustomGridViewControl* grid);
void cellChanged(TCustomGridViewControl* grid, int col, int row);
// The focused cell moved, or the grid took the keyboard focus.
void focusMoved(TCustomGridViewControl* grid);

// The events also go here, so that tests can watch them without an assistive
// technology attached (Qt drops them then).
using Observer = std::function<void(QAccessibleEvent* event)>;
void setObserver(Observer observer);

} // namespace GridAccessibility
