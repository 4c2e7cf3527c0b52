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
    // The main window stays on top of others: a window that did not would open
    // behind it, leaving the user a disabled main window and nothing to close.
    setWindowFlag(Qt::WindowStaysOnTopHint);
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
    loadPicture(); // placement needs the final size
    place();
    exec();
}

TClickLabel* TPictureForm::addPicture(const QString& name, std::function<QImage()> load)
{
    m_picture = new TClickLabel(this);
    m_picture->setObjectName(name);
    m_picture->move(0, 0);
    m_load = std::move(load);
    return m_picture;
}

void TPictureForm::loadPicture()
{
    if (!m_load)
        return;
    const auto load = std::exchange(m_load, nullptr);
    Application()->Guard(this, [&] {
        const QImage image = load();
        if (image.isNull())
            throw Exception(QStringLiteral("Resim yüklenemedi: %1").arg(objectName()));
        m_picture->setPixmap(QPixmap::fromImage(image));
        m_picture->resize(image.size());
        if (m_sizeToPicture)
            setFixedSize(image.size());
    });
}

void TPictureForm::showEvent(QShowEvent* event)
{
    loadPicture();
    QDialog::showEvent(event);
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

void TPictureForm::mouseReleaseEvent(QMouseEvent* event)
{
    QDialog::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && OnClick)
        Application()->Guard(this, [this] { OnClick(this); });
}
