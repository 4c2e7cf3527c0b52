#pragma once

#include "Cells.h"
#include "ColumnClasses.h"
#include "Columns.h"

#include <QList>
#include <QObject>

#include <memory>

// Stands in for the grid control: holds a column collection and a value store,
// wires them together as the grid does, and records what reaches it.
class FakeGrid : public QObject, public GridHost
{
public:
    struct ColumnReport
    {
        TCustomColumn* column;
        TColumnChangeKind kind;
    };
    struct CellReport
    {
        int col;
        int row;
    };

    FakeGrid()
    {
        columns = new TColumns(this, this);
        cells = std::make_unique<TCells>(this, columns);
        columns->OnColumnChanged
            = [this](TColumns*, TCustomColumn* column, TColumnChangeKind kind) {
                  columnReports.append({ column, kind });
              };
        columns->OnColumnsChanged = [this](TColumns*, int kind, int index1, int index2) {
            cells->ColumnsChanged(kind, index1, index2);
        };
        columns->OnColumnsLayout
            = [this](TColumns*, int kind, int, int) { layoutKinds.append(kind); };
        cells->OnChange = [this](TCells*, int col, int row) { cellReports.append({ col, row }); };
    }
    ~FakeGrid() override
    {
        // The store goes before the columns, as in the grid.
        cells.reset();
    }

    // Reads stored columns as a form load does.
    void Load(const QList<StoredColumn>& stored)
    {
        reading = true;
        columns->ReadColumns(stored);
        reading = false;
    }

    TColumns* Columns() const override { return columns; }
    bool IsReading() const override { return reading; }
    bool IsDesigning() const override { return designing; }
    int DataLeft() const override { return indicator ? 12 : 0; }
    int HorzOffset() const override { return horzOffset; }
    void BandExtent(TColumnPartKind part, int& top, int& bottom) const override
    {
        switch (part) {
        case PartHeader:
            top = 0;
            bottom = 20;
            break;
        case PartInput:
            top = 20;
            bottom = 39;
            break;
        case PartFooter:
            top = 126;
            bottom = 150;
            break;
        }
    }
    void InvalidateColumnPart(TCustomColumn* column, TColumnArea area) override
    {
        invalidated.append({ column, TColumnChangeKind(area) });
    }
    void SetColumnsLayoutCallback(std::function<void()> callback) override
    {
        layoutCallback = std::move(callback);
    }
    TColor GetCellBackColor(int, int) override { return clHighlight; }
    TColor GetCellFontColor(int, int) override { return clHighlightText; }

    TColumns* columns;
    std::unique_ptr<TCells> cells;
    bool reading = false;
    bool designing = false;
    bool indicator = false;
    int horzOffset = 0;
    std::function<void()> layoutCallback;
    QList<ColumnReport> columnReports;
    QList<ColumnReport> invalidated;
    QList<int> layoutKinds;
    QList<CellReport> cellReports;
};
