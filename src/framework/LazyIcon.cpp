#include "LazyIcon.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>

#include <memory>

namespace {

class LazyIconEngine final : public QIconEngine
{
public:
    explicit LazyIconEngine(QString fileName)
        : m_fileName(std::move(fileName))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(
        const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    // Asked when the icon is set anywhere: answered without reading the file.
    bool isNull() override { return m_icon ? m_icon->isNull() : !QFile::exists(m_fileName); }
    QString key() const override { return QStringLiteral("LazyIconEngine"); }
    QIconEngine* clone() const override { return new LazyIconEngine(*this); }

private:
    const QIcon& icon()
    {
        if (!m_icon)
            m_icon = std::make_shared<QIcon>(m_fileName);
        return *m_icon;
    }

    QString m_fileName;
    // Shared with the clones made after it was read.
    std::shared_ptr<QIcon> m_icon;
};

} // namespace

QIcon LazyIcon(const QString& fileName)
{
    return QIcon(new LazyIconEngine(fileName));
}
