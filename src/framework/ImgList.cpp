#include "ImgList.h"

#include <QPainter>
#include <QPixmap>

TCustomImageList::TCustomImageList(QObject* owner, int width, int height)
    : TComponent(owner)
    , m_width(qMax(1, width))
    , m_height(qMax(1, height))
{
}

void TCustomImageList::SetSize(int width, int height)
{
    width = qMax(1, width);
    height = qMax(1, height);
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    m_images.clear();
    changed();
}

int TCustomImageList::Add(const QImage& image)
{
    QImage converted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (converted.width() != m_width || converted.height() != m_height)
        converted
            = converted.scaled(m_width, m_height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_images.append(converted);
    changed();
    return Count() - 1;
}

int TCustomImageList::AddStrip(const QImage& strip)
{
    const int first = Count();
    for (int x = 0; x + m_width <= strip.width(); x += m_width)
        m_images.append(strip.copy(x, 0, m_width, m_height)
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied));
    changed();
    return first;
}

void TCustomImageList::Delete(int index)
{
    checkIndex(index);
    m_images.removeAt(index);
    changed();
}

void TCustomImageList::Clear()
{
    m_images.clear();
    changed();
}

QImage TCustomImageList::Image(int index) const
{
    checkIndex(index);
    return m_images.at(index);
}

void TCustomImageList::GetIcon(int index, TIcon& icon) const
{
    checkIndex(index);
    icon.SetHandle(QIcon(QPixmap::fromImage(m_images.at(index))));
}

void TCustomImageList::Draw(QPainter& painter, int x, int y, int index, bool enabled) const
{
    if (index < 0 || index >= Count())
        return;
    if (enabled) {
        painter.drawImage(x, y, m_images.at(index));
        return;
    }
    const QPixmap disabled
        = QIcon(QPixmap::fromImage(m_images.at(index))).pixmap(m_width, m_height, QIcon::Disabled);
    painter.drawPixmap(x, y, disabled);
}

void TCustomImageList::checkIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

void TCustomImageList::changed()
{
    if (OnChange)
        OnChange(this);
}
