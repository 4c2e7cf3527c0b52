#pragma once

#include "Classes.h"

#include <QLabel>

class TBitmap;

// A label or picture that can be clicked: a left click inside it calls OnClick
// (guarded, with the label as sender) when the button is released over it.
class TClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TClickLabel(QWidget* parent = nullptr);

    TNotifyEvent OnClick;

    // Shows a picture stretched in proportion into the label's rectangle; a
    // transparent bitmap leaves its transparent colour's pixels unpainted.
    void SetStretchedPicture(const TBitmap& picture);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
