#pragma once

#include "Columns.h"
#include "FlyoutControl.h"

#include <QRegion>

#include <cstdint>
#include <functional>
#include <memory>

class TCustomGridView;

using TColumnDragEvent = std::function<void(TObject* sender, int x, int y)>;

// The floating picture of a header that follows the mouse while its column is
// dragged; it holds the mouse from the start of the drag to the release.
class TColumnDragBox : public TFlyoutControl
{
    Q_OBJECT
public:
    explicit TColumnDragBox(TCustomGridView* grid);
    ~TColumnDragBox() override;

    TCustomGridView* Grid() const { return m_grid; }
    TCustomColumn* Column() const { return m_column; }
    TColumnPartDisplay* Painter() const { return m_painter.get(); }
    // The caption's font: the grid copies its own in when a drag starts.
    TFont& Font() { return m_font; }

    // X, Y: the pointer in screen coordinates.
    void StartDrag(int x, int y, bool hidden, TCustomColumn* column);

    // In box coordinates, as the window reports them.
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

    TColumnDragEvent OnColumnDrop;
    TColumnDragEvent OnColumnMove;

protected:
    void Paint() override;

private:
    TCustomGridView* m_grid;
    TCustomColumn* m_column = nullptr;
    std::unique_ptr<TColumnPartDisplay> m_painter;
    TFont m_font;
};

// A 9 x 9 red arrow that marks where a dragged column would go.
class TDragArrow : public TFlyoutControl
{
    Q_OBJECT
public:
    explicit TDragArrow(QWidget* owner = nullptr);

    // 0 no shape, 1 pointing up, 2 pointing down.
    std::uint8_t ArrowKind() const { return m_arrowKind; }
    void SetArrowKind(std::uint8_t kind);
    static QRegion Shape(std::uint8_t kind);

protected:
    void Paint() override;

private:
    std::uint8_t m_arrowKind = 0;
};
