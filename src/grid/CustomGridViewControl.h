#pragma once

#include "CellEditors.h"
#include "Columns.h"
#include "ScrollView.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum TGridStyle : std::uint8_t { gsReport, gsSlides };
enum TGridLinesStyle : std::uint8_t { lsNormal, lsFramed, lsHorizontalOnly };
enum THeaderStyle : std::uint8_t { hsAuto, hsDefault, hsOldStyle };
enum TSelectionMoveDirection : std::uint8_t { mdNone, mdUp, mdDown, mdLeft, mdRight };

enum TCellStateItem : std::uint8_t {
    csBoldTextSelection,
    csFocused,
    csSelected,
    csTextHighlighted
};
using TCellState = TSet<TCellStateItem, std::uint8_t>;

enum TGridOption : std::uint8_t {
    goAlwaysIndicateSelected,
    goAlphaBlendedSelection,
    goAlwaysShowSelection,
    goBoldTextSelection,
    goCanHideColumn,
    goDissableColumnMoving,
    goFooter,
    goGrid,
    goHeader,
    goHideFocus,
    goHighlightTextSelection,
    goIndicateSortedColumn,
    goIndicator,
    goInput,
    goMultiSelect,
    goSelectFullRow,
    goUseDefaultValues,
};
using TGridOptions = TSet<TGridOption, std::uint32_t>;

// Parts of the control, as hit testing and invalidation number them.
enum TGridPart : int {
    gpNothing = 0,
    gpData = 1,
    gpFooter = 2,
    gpHeader = 3,
    gpIndicator = 4,
    gpInput = 5,
};

// Bits of the control's state set.
enum TGridStateBit : int {
    gstResizing = 0,
    gstHeaderPressed = 1,
    gstHeaderDragging = 2,
    gstEditing = 3,
    gstInputEditing = 6,
    gstMultiSelecting = 7,
    gstUpdating = 10,
};

using TAfterEditEvent
    = std::function<void(TObject* sender, int col, int row, const QString& value, bool& accept)>;
using TApplyCellEvent = std::function<void(TObject* sender, int col, int row, QString& value)>;
using TBeforeEditEvent = std::function<void(TObject* sender, int col, int row, bool& accept)>;
using TCellEvent = std::function<void(TObject* sender, int col, int row)>;
using TCellColoringEvent = std::function<void(
    TObject* sender, int col, int row, TColor& cellColor, TColor& gridColor, TCellState cellState)>;
using TChangeEvent = std::function<void(TObject* sender, int col, int row)>;
using TCustomDrawCellEvent = std::function<void(
    TObject* sender, int col, int row, const TRect& cellRect, TCellState cellState)>;
using TDrawCellBackgroundEvent = std::function<void(TObject* sender, int col, int row,
    const TRect& cellRect, TCellState cellState, bool& defaultDrawing)>;
// The editors' unit already has a TEditEvent (sender and text only).
using TGridEditEvent = std::function<void(TObject* sender, int col, int row, const QString& value)>;
using THeaderClickEvent = std::function<void(TObject* sender, int col)>;
using TInputAcceptEvent = std::function<void(TObject* sender, bool& accept)>;
using TSortColumnEvent = std::function<void(TObject* sender, int col, bool ascending)>;

// The grid's state, layout, painting and row model; the value store behind the
// cells is left to the descendants.
class TCustomGridViewControl : public TScrollView, public GridHost, public TCellEditorHost
{
    Q_OBJECT
public:
    explicit TCustomGridViewControl(QWidget* parent = nullptr);
    ~TCustomGridViewControl() override;

    // Published settings.
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle value);
    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TFont& Font() { return m_font; }
    TGridLinesStyle GridLinesStyle() const { return m_gridLinesStyle; }
    void SetGridLinesStyle(TGridLinesStyle value);
    TGridStyle GridStyle() const { return m_gridStyle; }
    void SetGridStyle(TGridStyle value);
    int HeaderSize() const { return m_headerSize; }
    void SetHeaderSize(int value);
    THeaderStyle HeaderStyle() const { return m_headerStyle; }
    void SetHeaderStyle(THeaderStyle value);
    // The border inside the window's edge: 1 while the themed list frame is
    // drawn (bsSingle, hsAuto, themes available), else 0.
    int BorderWidth() const;
    bool ThemedFrame() const { return m_themedFrame; }
    // Chooses the frame again (after a change of the border, the header style
    // or the theme) and repaints it.
    void UpdateFrame();
    bool HideScrollBar() const { return m_hideScrollBar; }
    void SetHideScrollBar(bool value) { m_hideScrollBar = value; }
    int InputSize() const { return m_inputSize; }
    void SetInputSize(int value);
    TGridOptions Options() const { return m_options; }
    void SetOptions(TGridOptions value);
    int RowSize() const { return m_rowSize; }
    void SetRowSize(int value);
    TSelectionMoveDirection SelectionMoveDirection() const { return m_selectionMoveDirection; }
    void SetSelectionMoveDirection(TSelectionMoveDirection value)
    {
        m_selectionMoveDirection = value;
    }
    int SlideSize() const { return m_slideSize; }
    void SetSlideSize(int value);

    // Reads the columns of a stored description, as a form load does.
    void LoadColumns(const QList<StoredColumn>& stored);

    // The update lock is a flag: one EndUpdate ends any number of BeginUpdates.
    void BeginUpdate() { setState(gstUpdating, true); }
    void EndUpdate() { setState(gstUpdating, false); }
    bool Updating() const { return hasState(gstUpdating); }
    bool hasState(TGridStateBit bit) const { return (m_state >> bit) & 1; }
    std::uint16_t State() const { return m_state; }

    // Data operations bound by the value store.
    virtual void GetCellText(int col, int row, QString& value) = 0;
    virtual TColor GetCellColor(int col, int row) = 0;
    virtual int RowCount() const = 0;
    virtual void SetCellText(int col, int row, const QString& value) = 0;
    virtual void SortColumn(TCustomColumn* column, bool ascending) = 0;
    virtual void AddRows(int count) = 0;
    virtual void UpdateFooters() = 0;
    virtual void DeleteRow(int row) = 0;
    virtual void InsertRow(int row) = 0;
    virtual void MoveRow(int fromRow, int toRow) = 0;
    // Here only the focus goes back to the first cell.
    virtual void Clear();
    QString CellText(int col, int row)
    {
        QString value;
        GetCellText(col, row, value);
        return value;
    }

    // Layout.
    virtual int GetHorzScrollRange();
    virtual int GetVertScrollRange();
    int IndicatorWidth() const { return m_options.Contains(goIndicator) ? 12 : 0; }
    int GridLineWidth() const { return m_options.Contains(goGrid) ? 1 : 0; }
    int RowPitch() const;
    int TopRow() const;
    TRect HeaderRect() const;
    TRect InputRect() const;
    // The rows' area; in slides the whole client area.
    TRect DataRect() const;
    TRect FooterRect() const;
    TRect IndicatorRect() const;
    TRect RowRect(int row) const;
    int VisibleRowCount() const;
    virtual TRect GetCellRect(int col, int row, int part);

    // Hit testing.
    int HitTest(const TPoint& p) const;
    TCustomColumn* ColumnAt(int x) const;
    int RowAt(int y) const;
    void CellAt(const TPoint& p, int& col, int& row) const;
    TCustomColumn* ResizeEdgeAt(const TPoint& p) const;

    // Invalidation, by the smallest rectangle.
    virtual void InvalidatePart(int part);
    virtual void InvalidateCell(int col, int row);
    void InvalidateRow(int row, bool keepInside = false);
    void InvalidateSelection();

    // Focus and selection.
    int FocusedColumn() const { return m_focusedColumn; }
    int FocusedRow() const { return m_focusedRow; }
    bool InputFocused() const { return m_inputFocused; }
    virtual void SetFocusedCell(int col, int row, TShiftState shift);
    void FocusRow(int row);
    void FocusColumn(int col);
    void FocusPreviousColumn();
    void FocusNextColumn();
    bool RowMarked(int row) const;
    void SetRowMark(int row, bool marked);
    void ClearRowMarks();
    int SelectionAnchor() const { return m_anchor; }
    bool IsCellHighlighted(int col, int row) const;
    // The grid or its open editor holds the keyboard focus.
    bool GridFocused() const;

    // Colours of a cell as painted.
    TColor GetCellBackColor(int col, int row) override;
    TColor GetCellFontColor(int col, int row) override;

    // Editing.
    virtual bool CanEditColumn(int col);
    void EditCell(int col, int row, const QString& initialText = QString());
    void EditInputCell(TCustomColumn* column, const QString& initialText = QString());
    virtual bool ApplyEdit();
    void HideEditor();
    void RepositionEditor();
    void AcceptInput();
    // Focus back to the rows: the pending input is applied and the input line
    // accepted as a new row.
    void LeaveInputLine();
    TCellEditor* Editor() const { return m_editor; }
    int EditColumn() const { return m_editCol; }
    int EditRow() const { return m_editRow; }
    int InputColumn() const { return m_inputColumn; }

    // Scales the auto-size columns to fill the client width.
    void AutoSizeColumns();

    virtual void UpdateHorzScrollBar();
    virtual void UpdateVertScrollBar();

    TColumnPartDisplay* PartDisplay() const { return m_partDisplay.get(); }
    // The headers the part painter draws pressed and hot.
    TCustomColumn* PressedHeader() const
    {
        return hasState(gstHeaderPressed) ? m_pressedHeader : nullptr;
    }
    TCustomColumn* HotHeader() const { return m_hotHeader; }

    // GridHost.
    TColumns* Columns() const override { return m_columns; }
    bool IsReading() const override { return m_reading; }
    bool IsDesigning() const override { return Designing(); }
    int DataLeft() const override { return IndicatorWidth(); }
    int HorzOffset() const override;
    void BandExtent(TColumnPartKind part, int& top, int& bottom) const override;
    void InvalidateColumnPart(TCustomColumn* column, TColumnArea area) override;
    void SetColumnsLayoutCallback(std::function<void()> callback) override
    {
        m_layoutColumns = std::move(callback);
    }

    void ScrollMessage(TScrollBarKind kind, int code) override;
    void ScrollContent(int dx, int dy) override;

    TAfterEditEvent OnAfterEdit;
    TApplyCellEvent OnApplyCell;
    TBeforeEditEvent OnBeforeEdit;
    TCellEvent OnCellClick;
    TCellColoringEvent OnCellColoring;
    TChangeEvent OnChange;
    TCustomDrawCellEvent OnCustomDrawCell;
    TDrawCellBackgroundEvent OnDrawCellBackground;
    TGridEditEvent OnEdit;
    THeaderClickEvent OnHeaderClick;
    TInputAcceptEvent OnInputAccept;
    TCellEvent OnSelectCell;
    TSortColumnEvent OnSortColumn;
    TNotifyEvent OnIndicatorChange;

protected:
    virtual void ColumnChanged(TColumns* sender, TCustomColumn* column, TColumnChangeKind kind);
    virtual void ColumnsUpdated(TColumns* sender, int kind, int index1, int index2);
    virtual void PaintCell(int col, int row);
    virtual bool PrepareCellDisplay(int col, int row);
    virtual void PaintReport();
    virtual void PaintRows();
    virtual void PaintSlides(const TRect& rect);
    void PaintEmptyCell(int col, int row);
    void PaintFocusRect();
    void PaintColumnParts();
    void PaintStrip(const TRect& rect);
    void PaintIndicatorCell(const TRect& rect, int row);
    // The cell's value as the column shows it; the grid draws it itself while no
    // column painter is installed.
    virtual void DrawCellContent(int col, int row, const TRect& rect);

    // A cell of the store reported a change of value or colour.
    void CellChanged(int col, int row);
    void setState(TGridStateBit bit, bool on);
    void setCanvasFont(const ColumnFont& font);
    void setGridFont();
    void setInputFocused(bool focused) { m_inputFocused = focused; }
    void setPressedHeader(TCustomColumn* column) { m_pressedHeader = column; }
    TCustomColumn* pressedHeader() const { return m_pressedHeader; }
    void setHotHeader(TCustomColumn* column);
    TCustomColumn* hotHeader() const { return m_hotHeader; }
    void setMouseDownCell(int col, int row)
    {
        m_mouseDownCol = col;
        m_mouseDownRow = row;
    }
    int mouseDownCol() const { return m_mouseDownCol; }
    int mouseDownRow() const { return m_mouseDownRow; }
    // Row marks follow the rows.
    std::vector<std::uint8_t>& rowMarks() { return m_marks; }
    void setReading(bool reading) { m_reading = reading; }

    void Paint() override;
    void PaintFrame(TCanvas& canvas, const TRect& window) override;
    void Resize() override;
    void CreateWnd() override;
    void changeEvent(QEvent* event) override;
    void BeforeScroll(TScrollBarKind kind) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    // TCellEditorHost.
    void EditorChange(TCellEditor* editor) override;
    void EditorEdit(TCellEditor* editor, const QString& value) override;
    void EditorEnter(TCellEditor* editor) override;
    void EditorExit(TCellEditor* editor) override;
    void EditorKeyDown(TCellEditor* editor, int& key, Qt::KeyboardModifiers shift) override;

    // Moves the focus by SelectionMoveDirection (Enter).
    void MoveFocusByDirection();

private:
    void invalidateRect(const TRect& r);
    // The data area's top and bottom edges, without working out its width.
    int dataTop() const;
    int dataBottom() const;
    // The areas a scroll moves and the rows' scroll unit, by the current layout.
    void updateScrollAreas();
    void setBarParams(TControlScrollBar* bar, int max, int pageSize, bool enabled, bool visible);
    void followCutPosition();
    void chooseFrame(bool relayout);
    void activateEditor(TCellEditor* editor, TCustomColumn* column, const QString& initialText);

    TBorderStyle m_borderStyle = bsSingle;
    bool m_themedFrame = false;
    QString m_caption;
    std::unique_ptr<TColumnPartDisplay> m_partDisplay;
    TColumns* m_columns = nullptr;
    TGridLinesStyle m_gridLinesStyle = lsNormal;
    std::uint16_t m_state = 0;
    TGridStyle m_gridStyle = gsReport;
    int m_anchor = -1;
    int m_headerSize = 18;
    THeaderStyle m_headerStyle = hsAuto;
    bool m_hideScrollBar = true;
    int m_inputColumn = -1;
    bool m_inputFocused = false;
    int m_inputSize = 16;
    TGridOptions m_options { goHeader, goHighlightTextSelection };
    int m_rowSize = 16;
    int m_focusedColumn = 0;
    int m_focusedRow = 0;
    TSelectionMoveDirection m_selectionMoveDirection = mdDown;
    int m_slideSize = 80;
    QPointer<TCellEditor> m_editor;
    TCustomColumn* m_pressedHeader = nullptr;
    TCustomColumn* m_hotHeader = nullptr;
    int m_mouseDownCol = -1;
    int m_mouseDownRow = -1;
    int m_editCol = -1;
    int m_editRow = -1;
    std::vector<std::uint8_t> m_marks;

    TColor m_color = clWindow;
    TFont m_font;
    bool m_reading = false;
    std::function<void()> m_layoutColumns;
    bool m_autoSizing = false;
    int m_lastClientWidth = -1;
    int m_lastClientHeight = -1;
};
