#include "ClickLabel.h"

#include "Bitmap.h"
#include "Forms.h"

#include <QMouseEvent>
#include <QPixmap>

TClickLabel::TClickLabel(QWidget* parent)
    : QLabel(parent)
{
}

void TClickLabel::SetStretchedPicture(const TBitmap& picture)
{
    if (picture.Empty()) {
        clear();
        return;
    }
    setAlignment(Qt::AlignCenter);
    setPixmap(QPixmap::fromImage(
        picture.DrawnImage().scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TClickLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
    if (OnClick)
        event->accept();
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (!OnClick)
        return; // the click belongs to whatever lies below
    event->accept();
    if (click)
        Application()->Guard(this, [this] { OnClick(this); });
}
