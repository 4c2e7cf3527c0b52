#include "PictureForm.h"

#include "ClickLabel.h"
#include "Fonts.h"
#include "Forms.h"

#include <QGuiApplication>
#include <QMouseEvent>
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

TClickLabel* TPictureForm::addPicture(const QString& name, const std::function<QImage()>& load)
{
    auto* picture = new TClickLabel(this);
    picture->setObjectName(name);
    picture->move(0, 0);
    Application()->Guard(this, [&] {
        const QImage image = load();
        if (image.isNull())
            throw Exception(QStringLiteral("Resim yüklenemedi: %1").arg(objectName()));
        picture->setPixmap(QPixmap::fromImage(image));
        picture->resize(image.size());
    });
    return picture;
}

TClickLabel* TPictureForm::addCaption(const QString& name, const QString& text, QPoint at)
{
    auto* caption = new TClickLabel(this);
    caption->setObjectName(name);
    caption->setText(text);
    caption->setFont(Fonts::Make(QStringLiteral("MS Sans Serif"), -24));
    caption->move(at);
    caption->adjustSize();
    return caption;
}

void TPictureForm::sizeToPicture(const TClickLabel* picture)
{
    if (!picture->size().isEmpty())
        setFixedSize(picture->size());
}

void TPictureForm::mouseReleaseEvent(QMouseEvent* event)
{
    QDialog::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && OnClick)
        Application()->Guard(this, [this] { OnClick(this); });
}
