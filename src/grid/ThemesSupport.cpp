#include "ThemesSupport.h"

#include <QApplication>
#include <QFrame>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <atomic>

namespace {

std::atomic<bool> g_classic { false };

void initOption(QStyleOption& option, const QWidget* window, const TRect& rect)
{
    if (window)
        option.initFrom(window);
    else
        option.palette = QApplication::palette();
    option.direction = Qt::LeftToRight;
    option.rect = rect.ToQRect();
    option.state = QStyle::State_Enabled | QStyle::State_Active;
}

// Normal, hot, pressed, disabled as the themes number them from 1.
void applyButtonState(QStyleOption& option, int state)
{
    switch (state) {
    case 2:
        option.state |= QStyle::State_MouseOver;
        break;
    case 3:
        option.state |= QStyle::State_Sunken;
        break;
    case 4:
        option.state &= ~QStyle::State_Enabled;
        break;
    default:
        option.state |= QStyle::State_Raised;
        break;
    }
}

bool drawHeader(
    const QStyle* style, const QWidget* window, QPainter& p, const TRect& rect, int part, int state)
{
    QStyleOptionHeader option;
    initOption(option, window, rect);
    option.state |= QStyle::State_Horizontal;
    option.orientation = Qt::Horizontal;
    option.position = QStyleOptionHeader::Middle;
    applyButtonState(option, state);
    if (part == HP_HEADERITEMLEFT) {
        style->drawControl(QStyle::CE_HeaderEmptyArea, &option, &p, window);
        return true;
    }
    if (part != HP_HEADERITEM && part != HP_HEADERITEMRIGHT)
        return false;
    style->drawControl(QStyle::CE_HeaderSection, &option, &p, window);
    return true;
}

bool drawButton(
    const QStyle* style, const QWidget* window, QPainter& p, const TRect& rect, int part, int state)
{
    QStyleOptionButton option;
    initOption(option, window, rect);
    switch (part) {
    case BP_PUSHBUTTON:
        applyButtonState(option, state == PBS_DEFAULTED ? PBS_NORMAL : state);
        if (state == PBS_DEFAULTED)
            option.features |= QStyleOptionButton::DefaultButton;
        style->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p, window);
        return true;
    case BP_RADIOBUTTON:
    case BP_CHECKBOX: {
        const int group = (state - 1) / 4; // 0 unchecked, 1 checked, 2 mixed
        applyButtonState(option, (state - 1) % 4 + 1);
        option.state &= ~QStyle::State_Raised;
        option.state |= group == 0 ? QStyle::State_Off
            : group == 1           ? QStyle::State_On
                                   : QStyle::State_NoChange;
        style->drawPrimitive(
            part == BP_CHECKBOX ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton,
            &option, &p, window);
        return true;
    }
    case BP_GROUPBOX: {
        QStyleOptionFrame frame;
        initOption(frame, window, rect);
        frame.lineWidth = 1;
        style->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &p, window);
        return true;
    }
    default:
        return false;
    }
}

bool drawSpin(
    const QStyle* style, const QWidget* window, QPainter& p, const TRect& rect, int part, int state)
{
    static const QStyle::PrimitiveElement arrows[]
        = { QStyle::PE_IndicatorSpinUp, QStyle::PE_IndicatorSpinDown,
              QStyle::PE_IndicatorArrowRight, QStyle::PE_IndicatorArrowLeft };
    if (part < SPNP_UP || part > SPNP_DOWNHORZ)
        return false;
    QStyleOptionButton button;
    initOption(button, window, rect);
    applyButtonState(button, state);
    style->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &p, window);
    QStyleOption arrow;
    initOption(arrow, window, rect);
    applyButtonState(arrow, state);
    style->drawPrimitive(arrows[part - 1], &arrow, &p, window);
    return true;
}

bool drawEdit(
    const QStyle* style, const QWidget* window, QPainter& p, const TRect& rect, int part, int state)
{
    if (part != EP_EDITTEXT)
        return false;
    QStyleOptionFrame option;
    initOption(option, window, rect);
    option.lineWidth = 1;
    option.state |= QStyle::State_Sunken;
    switch (state) {
    case ETS_HOT:
        option.state |= QStyle::State_MouseOver;
        break;
    case ETS_SELECTED:
    case ETS_FOCUSED:
        option.state |= QStyle::State_HasFocus;
        break;
    case ETS_DISABLED:
        option.state &= ~QStyle::State_Enabled;
        break;
    case ETS_READONLY:
        option.state |= QStyle::State_ReadOnly;
        break;
    default:
        break;
    }
    // The edit part is the whole field: its window-coloured inside, then the frame.
    p.fillRect(rect.ToQRect(),
        option.palette.brush(
            option.state & QStyle::State_Enabled ? QPalette::Active : QPalette::Disabled,
            QPalette::Base));
    style->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, window);
    return true;
}

bool drawListViewFrame(const QStyle* style, const QWidget* window, QPainter& p, const TRect& rect)
{
    QStyleOptionFrame option;
    initOption(option, window, rect);
    option.lineWidth = 1;
    option.frameShape = QFrame::StyledPanel;
    option.state |= QStyle::State_Sunken;
    style->drawPrimitive(QStyle::PE_Frame, &option, &p, window);
    return true;
}

bool drawRebar(const QStyle* style, const QWidget* window, QPainter& p, const TRect& rect)
{
    QStyleOptionToolBar option;
    initOption(option, window, rect);
    option.state |= QStyle::State_Horizontal;
    p.fillRect(rect.ToQRect(), option.palette.button());
    style->drawControl(QStyle::CE_ToolBar, &option, &p, window);
    return true;
}

} // namespace

void SetClassicDrawing(bool classic)
{
    if (g_classic.exchange(classic) == classic)
        return;
    // Like a change of the desktop theme: every window hears of it, so that
    // frames, headers and editors already on screen take the new look.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        QEvent change(QEvent::StyleChange);
        QCoreApplication::sendEvent(widget, &change);
    }
}

bool ClassicDrawing()
{
    return g_classic;
}

bool ThemesAvailable()
{
    if (g_classic)
        return false;
    try {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return false;
        const QStyle* style = QApplication::style();
        // Qt's own "Windows" style is the classic look itself.
        return style && style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
    } catch (...) {
        throw Exception(QStringLiteral("Error in Themes"));
    }
}

bool DrawThemed(const QWidget* window, TCanvas& canvas, const TRect& rect, int part, int state,
    const QString& className)
{
    if (rect.IsEmpty() || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QStyle* style = window ? window->style() : QApplication::style();
    const QString name = className.toLower();
    bool drawn = false;
    canvas.WithPainter([&](QPainter& p) {
        // Styles may paint with whatever brush they find: start from none.
        p.setBrush(Qt::NoBrush);
        p.setPen(Qt::NoPen);
        if (name == QLatin1String("header"))
            drawn = drawHeader(style, window, p, rect, part, state);
        else if (name == QLatin1String("button"))
            drawn = drawButton(style, window, p, rect, part, state);
        else if (name == QLatin1String("spin"))
            drawn = drawSpin(style, window, p, rect, part, state);
        else if (name == QLatin1String("edit"))
            drawn = drawEdit(style, window, p, rect, part, state);
        else if (name == QLatin1String("listview"))
            drawn = drawListViewFrame(style, window, p, rect);
        else if (name == QLatin1String("rebar"))
            drawn = drawRebar(style, window, p, rect);
    });
    return drawn;
}
