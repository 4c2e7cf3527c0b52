#pragma once

#include "Columns.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class TCells;

// One value of the grid, typed by the class its column chose when the cell was
// made. Cells are made and freed only by their store, which keeps them in
// blocks of its own: a grid of a million rows must not cost a million heap
// allocations per column. A cell's address is its identity for its whole life,
// whatever moves rows and columns make.
class TCell
{
public:
    TCell(const TCell&) = delete;
    TCell& operator=(const TCell&) = delete;

    TCells* Owner() const;
    // The picture a graphic column shows for the cell; not owned.
    TGraphic* Graphic() const;
    void SetGraphic(TGraphic* graphic);
    // The cell's own background colour; a change is reported unless the cell is
    // still being made.
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    // Coordinates as of the last fetch through TCells::Cell; not kept up to date
    // when rows or columns move.
    int Col() const { return m_col; }
    int Row() const { return m_row; }
    bool Creating() const { return m_flags & CreatingFlag; }
    QByteArray Hint() const;
    void SetHint(const QByteArray& hint);

    // Effective colours as the grid paints the cell (selection included).
    virtual TColor GetColor() const;
    virtual TColor GetFontColor() const;

    virtual bool GetAsBoolean() const = 0;
    virtual TDateTime GetAsDateTime() const = 0;
    virtual double GetAsFloat() const = 0;
    virtual std::int32_t GetAsInteger() const = 0;
    virtual QString GetAsString() const = 0;
    // Each typed cell stores its converted value first; these report the change.
    virtual void SetAsBoolean(bool value);
    virtual void SetAsDateTime(TDateTime value);
    virtual void SetAsFloat(double value);
    virtual void SetAsInteger(std::int32_t value);
    virtual void SetAsString(const QString& value);

    bool AsBoolean() const { return GetAsBoolean(); }
    TDateTime AsDateTime() const { return GetAsDateTime(); }
    double AsFloat() const { return GetAsFloat(); }
    std::int32_t AsInteger() const { return GetAsInteger(); }
    QString AsString() const { return GetAsString(); }

protected:
    // The concrete classes, as the store tells them apart without a virtual call.
    enum Class : std::uint8_t {
        StringClass,
        BooleanClass,
        DateTimeClass,
        FloatClass,
        IntegerClass
    };

    explicit TCell(Class cls)
        : m_class(cls)
    {
    }
    virtual ~TCell() = default;

private:
    friend class TCells;
    enum Flag : std::uint8_t { CreatingFlag = 1, ExtrasFlag = 2 };

    void reportChange();

    // Kept small and packed: a string cell is 48 bytes with its text.
    TColor m_color = 0;
    std::int32_t m_row = 0;
    std::uint16_t m_col = 0;
    std::uint8_t m_flags = CreatingFlag;
    std::uint8_t m_class;
};

// The value store behind the grid: one list of cells per column, all lists of
// equal length, in a fixed table of column lists.
class TCells
{
public:
    static constexpr int MaxColumns = 1025;

    TCells(GridHost* gridView, TColumns* columns);
    virtual ~TCells();
    TCells(const TCells&) = delete;
    TCells& operator=(const TCells&) = delete;

    int ColCount() const { return m_colCount; }
    int RowCount() const { return m_rowCount; }
    bool Sorted() const { return m_sorted; }
    int SortColumn() const { return m_sortColumn; }
    bool SortDescending() const { return m_sortDescending; }
    GridHost* Grid() const { return m_grid; }
    TColumns* Columns() const { return m_columns; }

    // The cell at (col, row), stamped with those coordinates. A column or row
    // outside the table raises "List index out of bounds (%d)".
    TCell* Cell(int col, int row);

    // Follows the column collection's structural changes; only the low seven
    // bits of kind count.
    void ColumnsChanged(int kind, int index1, int index2);
    void AddColumn();
    void InsertColumn(int index);
    void DeleteColumn(int index);
    void DeleteAllColumns();
    void MoveColumn(int fromIndex, int toIndex);

    void AddRows(int count);
    void InsertRow(int row);
    void DeleteRow(int row);
    void MoveRow(int fromRow, int toRow);
    void Clear();

    // Sorts the rows by one column. Sorting the sorted column again in the other
    // direction reverses the rows without comparing. A value that cannot be
    // converted for comparing aborts the sort before any row moves.
    void Sort(int col, TSortType sortType, bool descending);

    // A cell reported a change of its value or colour.
    virtual void Changed(int col, int row);

    std::function<void(TCells* sender, int col, int row)> OnChange;

private:
    friend class TCell;
    class Pool;
    struct Extras
    {
        TGraphic* graphic = nullptr;
        QByteArray hint;
    };
    using CellList = QList<TCell*>;

    TCell* makeCell(const TCustomColumn* column);
    void freeCell(TCell* cell);
    void freeList(CellList& list);
    const TCustomColumn* columnAt(int index) const;
    void checkColumn(int col) const;
    void checkRow(int row, int limit) const;
    CellList makeList(const TCustomColumn* column);
    void sortRows(int col, TSortType sortType, bool descending);
    void releaseStorageIfEmpty();

    GridHost* m_grid;
    TColumns* m_columns;
    int m_colCount = 0;
    int m_rowCount = 0;
    bool m_sorted = false;
    int m_sortColumn = 0;
    bool m_sortDescending = false;
    std::array<std::unique_ptr<CellList>, MaxColumns> m_lists;
    std::unique_ptr<Pool> m_pool;
    QHash<const TCell*, Extras> m_extras;
    std::uint64_t m_random;
};
