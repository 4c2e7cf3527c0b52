#include "Graphics.h"

#include <QApplication>
#include <QFile>
#include <QPalette>

namespace {

QColor classicColor(int index)
{
    // The classic scheme, for indices the palette has no role for.
    switch (index) {
    case SystemColor::ScrollBar:
        return QColor(0xC8, 0xC8, 0xC8);
    case SystemColor::Background:
        return QColor(0x3A, 0x6E, 0xA5);
    case SystemColor::ActiveCaption:
        return QColor(0x0A, 0x24, 0x6A);
    case SystemColor::InactiveCaption:
        return QColor(0x80, 0x80, 0x80);
    case SystemColor::CaptionText:
        return Qt::white;
    case SystemColor::ActiveBorder:
    case SystemColor::InactiveBorder:
        return QColor(0xD4, 0xD0, 0xC8);
    case SystemColor::AppWorkSpace:
        return QColor(0x80, 0x80, 0x80);
    case SystemColor::InactiveCaptionText:
        return QColor(0xD4, 0xD0, 0xC8);
    case SystemColor::HotLight:
        return QColor(0x00, 0x00, 0x80);
    case SystemColor::GradientActiveCaption:
        return QColor(0xA6, 0xCA, 0xF0);
    case SystemColor::GradientInactiveCaption:
        return QColor(0xC0, 0xC0, 0xC0);
    default:
        return QColor(0, 0, 0);
    }
}

QPalette currentPalette()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        return QApplication::palette();
    return QPalette();
}

QColor systemColor(int index)
{
    const QPalette p = currentPalette();
    switch (index) {
    case SystemColor::Window:
        return p.color(QPalette::Active, QPalette::Base);
    case SystemColor::WindowText:
    case SystemColor::MenuText:
    case SystemColor::BtnText:
        return p.color(QPalette::Active, QPalette::Text);
    case SystemColor::WindowFrame:
    case SystemColor::DkShadow3D:
        return p.color(QPalette::Active, QPalette::Shadow);
    case SystemColor::Menu:
    case SystemColor::MenuBar:
    case SystemColor::BtnFace:
        return p.color(QPalette::Active, QPalette::Button);
    case SystemColor::Highlight:
    case SystemColor::MenuHighlight:
        return p.color(QPalette::Active, QPalette::Highlight);
    case SystemColor::HighlightText:
        return p.color(QPalette::Active, QPalette::HighlightedText);
    case SystemColor::BtnShadow:
        return p.color(QPalette::Active, QPalette::Dark);
    case SystemColor::GrayText:
        return p.color(QPalette::Disabled, QPalette::Text);
    case SystemColor::BtnHighlight:
        return p.color(QPalette::Active, QPalette::Light);
    case SystemColor::Light3D:
        return p.color(QPalette::Active, QPalette::Midlight);
    case SystemColor::InfoText:
        return p.color(QPalette::Active, QPalette::ToolTipText);
    case SystemColor::InfoBk:
        return p.color(QPalette::Active, QPalette::ToolTipBase);
    default:
        return classicColor(index);
    }
}

} // namespace

TColor FromQColor(const QColor& color)
{
    return static_cast<TColor>(
        unsigned(color.red()) | (unsigned(color.green()) << 8) | (unsigned(color.blue()) << 16));
}

TColor ColorToRGB(TColor color)
{
    const auto value = static_cast<std::uint32_t>(color);
    if ((value & 0xFF000000u) == 0xFF000000u)
        return FromQColor(systemColor(int(value & 0xFF)));
    return static_cast<TColor>(value & 0x00FFFFFFu);
}

QColor ToQColor(TColor color)
{
    const auto rgb = static_cast<std::uint32_t>(ColorToRGB(color));
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

void TIcon::SetHandle(const QIcon& icon)
{
    m_icon = icon;
    changed();
}

void TIcon::LoadFromFile(const QString& fileName)
{
    if (!QFile::exists(fileName))
        throw Exception(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
    QIcon icon(fileName);
    if (icon.availableSizes().isEmpty())
        throw Exception(QStringLiteral("Invalid icon file \"%1\"").arg(fileName));
    SetHandle(icon);
}

void TIcon::Assign(const TPersistent* source)
{
    if (!source) {
        SetHandle(QIcon());
        return;
    }
    if (const auto* other = dynamic_cast<const TIcon*>(source)) {
        SetHandle(other->m_icon);
        return;
    }
    TPersistent::Assign(source);
}

void TIcon::changed()
{
    if (OnChange)
        OnChange(nullptr);
}
