#pragma once

#include <QDialog>

// What the five picture windows of the connection guide have in common: a
// fixed caption and size, the dialog font and face colour, a placement on the
// screen, and closing by hiding so that they can be shown again.
class TPictureForm : public QDialog
{
    Q_OBJECT
public:
    enum class Placement { ScreenCentre, Fixed };

    TPictureForm(const QString& name, const QString& caption, QSize outerSize, Placement placement,
        QPoint fixedOuterPosition = {});

    // Outer size as a desktop frames it; the client area is smaller by the frame.
    static constexpr QMargins FrameMargins { 8, 30, 8, 8 };

    // Shows the window modally; returns when it is closed.
    void ShowModal();

protected:
    // Sizes the window to a picture that sits at its top left.
    void sizeToPicture(QSize picture);
    void place();

    Placement m_placement;
    QPoint m_fixedOuterPosition;
};
