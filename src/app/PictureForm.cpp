#include "PictureForm.h"

#include "Fonts.h"

#include <QGuiApplication>
#include <QScreen>

TPictureForm::TPictureForm(const QString& name, const QString& caption, QSize outerSize,
    Placement placement, QPoint fixedOuterPosition)
    : QDialog(nullptr)
    , m_placement(placement)
    , m_fixedOuterPosition(fixedOuterPosition)
{
    setObjectName(name);
    setWindowTitle(caption);
    setFont(Fonts::Make(QStringLiteral("MS Sans Serif"), -11));
    setAutoFillBackground(true);
    setModal(true);
    if (outerSize.isValid())
        setFixedSize(outerSize.shrunkBy(FrameMargins));
}

void TPictureForm::sizeToPicture(QSize picture)
{
    setFixedSize(picture);
}

void TPictureForm::place()
{
    if (m_placement == Placement::Fixed) {
        move(m_fixedOuterPosition + QPoint(FrameMargins.left(), FrameMargins.top()));
        return;
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize outer = size().grownBy(FrameMargins);
        const QPoint topLeft
            = screen->availableGeometry().center() - QPoint(outer.width() / 2, outer.height() / 2);
        move(topLeft + QPoint(FrameMargins.left(), FrameMargins.top()));
    }
}

void TPictureForm::ShowModal()
{
    place();
    exec();
}
