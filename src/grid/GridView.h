#pragma once

#include "Cells.h"
#include "CustomGridView.h"

#include <memory>

// The grid with its cells kept in a TCells store.
class TGridView : public TCustomGridView
{
    Q_OBJECT
public:
    explicit TGridView(QWidget* parent = nullptr);
    ~TGridView() override;

    // The store's cell, stamped with its coordinates; a bad index raises.
    TCell* Cell(int col, int row) { return m_cells->Cell(col, row); }
    TCells* Cells() const { return m_cells.get(); }

    int RowCount() const override { return m_cells->RowCount(); }
    void GetCellText(int col, int row, QString& value) override;
    TColor GetCellColor(int col, int row) override;
    void SetCellText(int col, int row, const QString& value) override;
    void SortColumn(TCustomColumn* column, bool ascending) override;
    void AddRows(int count) override;
    // Appends rows without default values, row repaints or scroll bar update.
    void AppendRowsQuiet(int count);
    void UpdateFooters() override;
    void Clear() override;
    void DeleteRow(int row) override;
    void InsertRow(int row) override;
    void MoveRow(int fromRow, int toRow) override;

    void UpdateCellPlay(TColumnPlay* play) override;
    void ApplyCellPlay(TColumnPlay* play) override;

    TGridHintWindow* CellHintWindow() const { return m_cellHint; }

protected:
    void RegisterColumnClasses() override;
    bool PrepareCellDisplay(int col, int row) override;
    void HotCellChanged() override;
    void HideHints() override;

private:
    bool cellInRange(int col, int row) const;
    bool rowInRange(int row) const { return row >= 0 && row < RowCount(); }

    std::unique_ptr<TCells> m_cells;
    TGridHintWindow* m_cellHint = nullptr;
};
