#pragma once

#include "Classes.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>

#include <cstdint>

// Colours as the components store them: 0x00BBGGRR for RGB values, or a system
// colour with 0xFF in the high byte and the system colour index in the low byte.
using TColor = std::int32_t;

namespace SystemColor {
enum Index {
    ScrollBar = 0,
    Background = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkSpace = 12,
    Highlight = 13,
    HighlightText = 14,
    BtnFace = 15,
    BtnShadow = 16,
    GrayText = 17,
    BtnText = 18,
    InactiveCaptionText = 19,
    BtnHighlight = 20,
    DkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBk = 24,
    HotLight = 26,
    GradientActiveCaption = 27,
    GradientInactiveCaption = 28,
    MenuHighlight = 29,
    MenuBar = 30,
};
}

constexpr TColor SysColor(int index)
{
    return static_cast<TColor>(0xFF000000u | unsigned(index));
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = SysColor(SystemColor::ScrollBar);
constexpr TColor clBackground = SysColor(SystemColor::Background);
constexpr TColor clActiveCaption = SysColor(SystemColor::ActiveCaption);
constexpr TColor clInactiveCaption = SysColor(SystemColor::InactiveCaption);
constexpr TColor clMenu = SysColor(SystemColor::Menu);
constexpr TColor clWindow = SysColor(SystemColor::Window);
constexpr TColor clWindowFrame = SysColor(SystemColor::WindowFrame);
constexpr TColor clMenuText = SysColor(SystemColor::MenuText);
constexpr TColor clWindowText = SysColor(SystemColor::WindowText);
constexpr TColor clCaptionText = SysColor(SystemColor::CaptionText);
constexpr TColor clActiveBorder = SysColor(SystemColor::ActiveBorder);
constexpr TColor clInactiveBorder = SysColor(SystemColor::InactiveBorder);
constexpr TColor clAppWorkSpace = SysColor(SystemColor::AppWorkSpace);
constexpr TColor clHighlight = SysColor(SystemColor::Highlight);
constexpr TColor clHighlightText = SysColor(SystemColor::HighlightText);
constexpr TColor clBtnFace = SysColor(SystemColor::BtnFace);
constexpr TColor clBtnShadow = SysColor(SystemColor::BtnShadow);
constexpr TColor clGrayText = SysColor(SystemColor::GrayText);
constexpr TColor clBtnText = SysColor(SystemColor::BtnText);
constexpr TColor clInactiveCaptionText = SysColor(SystemColor::InactiveCaptionText);
constexpr TColor clBtnHighlight = SysColor(SystemColor::BtnHighlight);
constexpr TColor cl3DDkShadow = SysColor(SystemColor::DkShadow3D);
constexpr TColor cl3DLight = SysColor(SystemColor::Light3D);
constexpr TColor clInfoText = SysColor(SystemColor::InfoText);
constexpr TColor clInfoBk = SysColor(SystemColor::InfoBk);
constexpr TColor clHotLight = SysColor(SystemColor::HotLight);
constexpr TColor clGradientActiveCaption = SysColor(SystemColor::GradientActiveCaption);
constexpr TColor clGradientInactiveCaption = SysColor(SystemColor::GradientInactiveCaption);
constexpr TColor clMenuHighlight = SysColor(SystemColor::MenuHighlight);
constexpr TColor clMenuBar = SysColor(SystemColor::MenuBar);

// Resolves a system colour through the application's palette; RGB values pass
// through. The result is always an RGB value (0x00BBGGRR).
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

// An icon with several images (sizes and colour depths), as a window or tray icon.
class TIcon : public TPersistent
{
public:
    TIcon() = default;
    explicit TIcon(const QIcon& icon)
        : m_icon(icon)
    {
    }

    bool Empty() const { return m_icon.isNull(); }
    const QIcon& Handle() const { return m_icon; }
    void SetHandle(const QIcon& icon);
    void LoadFromFile(const QString& fileName);

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TIcon"); }

    TNotifyEvent OnChange;

private:
    void changed();
    QIcon m_icon;
};
