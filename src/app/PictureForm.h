#pragma once

#include "Classes.h"

#include <QDialog>

class QLabel;
class TClickLabel;

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

    // A click on the free area of the window.
    TNotifyEvent OnClick;

protected:
    // The picture at the window's top left, at its own size. It is loaded when
    // the window is first shown, which keeps start-up quick; a picture that
    // cannot be loaded leaves an empty frame and one line in the log.
    TClickLabel* addPicture(const QString& name, std::function<QImage()> load);
    // A caption label in the large dialog font.
    TClickLabel* addCaption(const QString& name, const QString& text, QPoint at);
    // The window takes the size of its picture once it is loaded.
    void sizeToPicture() { m_sizeToPicture = true; }
    void place();
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void loadPicture();

    TClickLabel* m_picture = nullptr;
    std::function<QImage()> m_load;
    bool m_sizeToPicture = false;
    Placement m_placement;
    QPoint m_fixedOuterPosition;
};
