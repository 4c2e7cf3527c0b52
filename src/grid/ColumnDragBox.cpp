#include "ColumnDragBox.h"

#include "CustomGridView.h"
#include "SharedClasses.h"

#include <QPolygon>

#include <array>

TColumnDragBox::TColumnDragBox(TCustomGridView* grid)
    : TFlyoutControl(grid)
    , m_grid(grid)
{
    m_painter = std::make_unique<TColumnPartDisplay>(this, &Canvas());
    m_painter->DrawBackground = false;
}

TColumnDragBox::~TColumnDragBox() = default;

void TColumnDragBox::StartDrag(int x, int y, bool hidden, TCustomColumn* column)
{
    m_column = column;
    m_painter->SetColumn(column);
    if (!hidden)
        show();
    Invalidate();
    // The box takes the mouse until the left button is released.
    SetMouseCapture(true);
    const TPoint p = ScreenToClient(TPoint(x, y));
    MouseMove(ssLeft, p.X, p.Y);
}

void TColumnDragBox::MouseMove(TShiftState shift, int x, int y)
{
    TFlyoutControl::MouseMove(shift, x, y);
    const TPoint p = ClientToScreen(TPoint(x, y));
    if (OnColumnMove)
        OnColumnMove(this, p.X, p.Y);
    move(p.X - ClientWidth() / 2, p.Y - ClientHeight() + 4);
}

void TColumnDragBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TFlyoutControl::MouseUp(button, shift, x, y);
    if (button != mbLeft)
        return;
    const TPoint p = ClientToScreen(TPoint(x, y));
    SetMouseCapture(false);
    hide();
    if (OnColumnDrop)
        OnColumnDrop(this, p.X, p.Y);
}

void TColumnDragBox::Paint()
{
    TCanvas& canvas = Canvas();
    const int w = ClientWidth(), h = ClientHeight();
    canvas.FillSolid(ClientRect(), m_column ? m_column->Header().Color() : clBtnFace);
    TGraphicsProvider::Frame3D(canvas, TRect(0, 0, w - 1, h - 1), clBtnHighlight, clBtnShadow);
    canvas.Pen().SetColor(clBlack);
    canvas.MoveTo(0, h - 1);
    canvas.LineTo(w - 1, h - 1);
    canvas.LineTo(w - 1, -1);
    if (!m_column)
        return;
    canvas.Font().Assign(&m_font);
    m_painter->Rect = QRect(0, 2, w - 2, h - 4);
    m_painter->DrawPart(PartHeader);
}

TDragArrow::TDragArrow(QWidget* owner)
    : TFlyoutControl(owner)
{
    resize(9, 9);
}

QRegion TDragArrow::Shape(std::uint8_t kind)
{
    static const std::array<QPoint, 8> up { QPoint(-1, 5), QPoint(4, -1), QPoint(9, 5),
        QPoint(6, 5), QPoint(6, 9), QPoint(3, 9), QPoint(3, 4), QPoint(0, 5) };
    static const std::array<QPoint, 8> down { QPoint(5, 0), QPoint(3, 0), QPoint(3, 4),
        QPoint(0, 4), QPoint(4, 9), QPoint(9, 4), QPoint(6, 4), QPoint(6, 0) };
    if (kind == 1)
        return QRegion(QPolygon(QList<QPoint>(up.begin(), up.end())), Qt::WindingFill);
    if (kind == 2)
        return QRegion(QPolygon(QList<QPoint>(down.begin(), down.end())), Qt::WindingFill);
    return QRegion();
}

void TDragArrow::SetArrowKind(std::uint8_t kind)
{
    m_arrowKind = kind;
    const QRegion shape = Shape(kind);
    // Qt treats an empty mask as none at all; a shapeless arrow is never shown.
    if (shape.isEmpty())
        clearMask();
    else
        setMask(shape);
    Invalidate();
}

void TDragArrow::Paint()
{
    Canvas().FillSolid(ClientRect(), clRed);
}
