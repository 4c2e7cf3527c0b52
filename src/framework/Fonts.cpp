#include "Fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QStringList>

namespace Fonts {
namespace {

QString firstInstalled(const QStringList& candidates)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& candidate : candidates)
        if (families.contains(candidate, Qt::CaseInsensitive))
            return candidate;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QStringList candidatesFor(const QString& windowsName)
{
    const QString key = windowsName.toLower();
    const QStringList sans = { QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
        QStringLiteral("DejaVu Sans") };
    const QStringList wide = { QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"),
        QStringLiteral("Liberation Sans") };
    if (key == QLatin1String("verdana") || key == QLatin1String("tahoma"))
        return wide;
    if (key.contains(QLatin1String("courier")) || key.contains(QLatin1String("mono")))
        return { QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono") };
    if (key.contains(QLatin1String("times")))
        return { QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif") };
    // "MS Sans Serif", "Arial", "Default" and anything unknown.
    return sans;
}

} // namespace

QString Family(const QString& windowsName)
{
    static QHash<QString, QString> cache;
    auto it = cache.constFind(windowsName);
    if (it == cache.constEnd())
        it = cache.insert(windowsName, firstInstalled(candidatesFor(windowsName)));
    return *it;
}

QFont Make(const QString& windowsName, int height, int styles)
{
    QFont font(Family(windowsName));
    font.setStyleStrategy(QFont::PreferAntialias);
    if (height < 0) {
        font.setPixelSize(-height);
    } else if (height > 0) {
        // A cell height includes the internal leading: take the largest size that fits.
        int size = height;
        while (size > 1) {
            font.setPixelSize(size);
            if (QFontMetrics(font).height() <= height)
                break;
            --size;
        }
        font.setPixelSize(size);
    }
    font.setBold(styles & Bold);
    font.setItalic(styles & Italic);
    font.setUnderline(styles & Underline);
    return font;
}

} // namespace Fonts
