#pragma once

#include "CustomGridViewControl.h"

#include <QLabel>

#include <memory>

class IIntervalTimer;
class TColumnDragBox;
class TDragArrow;

// Cursors the grid installs in the screen's table.
constexpr TCursor crHorzSplit = 3000;
constexpr TCursor crColumnNoDrag = 3001;
constexpr TCursor crIndicatorSelect = 3006;

// A small window that shows a text in the info colours, near a cell.
class TGridHintWindow : public QLabel
{
    Q_OBJECT
public:
    explicit TGridHintWindow(QWidget* owner);
    // Sized for the text, at most maxWidth wide, with its top-left corner at p
    // (screen coordinates).
    void ShowText(const QString& text, const TPoint& p, int maxWidth);
    void Close() { hide(); }
    bool Showing() const { return isVisible(); }
};

// The grid with mouse, keyboard, column dragging and type-ahead search.
class TCustomGridView : public TCustomGridViewControl
{
    Q_OBJECT
public:
    explicit TCustomGridView(QWidget* parent = nullptr);
    ~TCustomGridView() override;

    // The cursors "HORZSPLIT", "COLUMNNODRAG" and "INDICATORSELECT", drawn
    // from their pictures.
    static QCursor GridCursor(TCursor id);

    bool WantReturns() const { return m_wantReturns; }
    void SetWantReturns(bool value) { m_wantReturns = value; }

    // Keys as the window receives them; public so that owners can forward keys.
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyPress(QChar key);

    const QString& SearchText() const { return m_searchText; }
    IIntervalTimer* SearchTimer() const { return m_searchTimer.get(); }
    TColumnDragBox* DragBox() const { return m_dragBox; }
    TDragArrow* DragArrow(int index) const { return m_arrows[index]; }
    TCustomColumn* DraggedColumn() const { return m_dragColumn; }
    TCustomColumn* ResizingColumn() const { return m_resizeColumn; }
    int ResizeDelta() const { return m_resizeDelta; }
    int HotCol() const { return m_hotCol; }
    int HotRow() const { return m_hotRow; }
    TGridHintWindow* FitHintWindow() const { return m_fitHint; }

    // The mouse as the window reports it, in client coordinates.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // One wheel notch; negative notches scroll down.
    void MouseWheel(int notches, TShiftState shift);

    std::function<void(TObject* sender, int& key, TShiftState shift)> OnKeyDown;

    // The application lost the activation: pressed and dragged headers, the
    // mouse-down cell and point are reset, the drag box hidden.
    void ApplicationDeactivated();

    // Moves a dragged column by the drop point (screen coordinates).
    void ColumnDrop(int x, int y);
    void ColumnMove(int x, int y);

    virtual void UpdateCellPlay(TColumnPlay* play) = 0;
    virtual void ApplyCellPlay(TColumnPlay* play) = 0;

protected:
    virtual void RegisterColumnClasses();
    // Shapes the drag arrows: the first points down onto the header, the second up.
    void CreateWnd() override;
    void PrepareColumnPlay(int col, int row);
    void TypeAhead(QChar key);
    void UpdateFitHint(int col, int row);
    // A mouse move found the hot cell (cell hints follow it).
    virtual void HotCellChanged() { }
    virtual void HideHints();

    // The arrow keys close a check-box editor and move in the grid.
    void EditorKeyDown(TCellEditor* editor, int& key, Qt::KeyboardModifiers shift) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void drawResizeLines(int delta);
    void scrollToRow(int row);
    void endDrag();

    TColumnDragBox* m_dragBox = nullptr;
    TDragArrow* m_arrows[2] = { nullptr, nullptr };
    TCustomColumn* m_dragColumn = nullptr;
    TPoint m_downPoint { -1, -1 };
    QString m_searchText;
    std::unique_ptr<IIntervalTimer> m_searchTimer;
    int m_resizeDelta = 0;
    TCustomColumn* m_resizeColumn = nullptr;
    int m_fitCol = -1;
    int m_fitRow = -1;
    bool m_wantReturns = false;
    int m_hotCol = -1;
    int m_hotRow = -1;
    TGridHintWindow* m_fitHint = nullptr;
    TWheelNotches m_wheel;
};
