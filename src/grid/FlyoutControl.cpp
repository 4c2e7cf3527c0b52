#include "FlyoutControl.h"

#include <QPolygon>

TFlyoutControl::TFlyoutControl(QWidget* owner)
    : TCustomControl(owner)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
        | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
}

void TFlyoutControl::showEvent(QShowEvent* event)
{
    // Not shown while the owner is being designed.
    if (Designing()) {
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
        return;
    }
    TCustomControl::showEvent(event);
}

TRollShadow::TRollShadow(QWidget* owner)
    : TFlyoutControl(owner)
{
    resize(32, 32);
    UpdateShape();
}

QRegion TRollShadow::Shape()
{
    const QPolygon up({ QPoint(-1, 7), QPoint(7, -1), QPoint(8, 0), QPoint(14, 7), QPoint(0, 6) });
    const QPolygon down(
        { QPoint(-1, 15), QPoint(14, 15), QPoint(6, 22), QPoint(6, 22), QPoint(-1, 14) });
    QRegion shape(up, Qt::WindingFill);
    shape += QRegion(down, Qt::WindingFill);
    // The dot's bounding box runs from (5, 9) up to, not including, (10, 14).
    shape += QRegion(QRect(5, 9, 5, 5), QRegion::Ellipse);
    return shape;
}

void TRollShadow::UpdateShape()
{
    setMask(Shape());
    update();
}

void TRollShadow::ShowAt(const TPoint& p)
{
    UpdateShape();
    setGeometry(p.X - 7, p.Y - 11, 32, 32);
}

void TRollShadow::Paint()
{
    Canvas().Brush().SetColor(clGrayText);
    Canvas().FillRect(ClientRect());
}
