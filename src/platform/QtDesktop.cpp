#include "QtDesktop.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QStyle>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace {

// The application's own windows, as opposed to dialogs, popups and tool windows.
bool isApplicationWindow(const QObject* object)
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->isWindow() && widget->windowType() == Qt::Window;
}

} // namespace

QtDesktop::QtDesktop() = default;

QtDesktop::~QtDesktop()
{
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

BOOL QtDesktop::GetCursorPos(POINT* point)
{
    if (!point || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 0;
    const QPoint pos = QCursor::pos();
    *point = { pos.x(), pos.y() };
    return 1;
}

SHORT QtDesktop::GetAsyncKeyState(int virtualKey)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 0;
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    const bool down = (virtualKey == VK_SHIFT && modifiers.testFlag(Qt::ShiftModifier))
        || (virtualKey == VK_CONTROL && modifiers.testFlag(Qt::ControlModifier))
        || (virtualKey == VK_MENU && modifiers.testFlag(Qt::AltModifier));
    return down ? SHORT(0x8000) : SHORT(0);
}

UINT QtDesktop::GetDoubleClickTime()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 500;
    return UINT(qMax(1, QGuiApplication::styleHints()->mouseDoubleClickInterval()));
}

BOOL QtDesktop::SetForegroundWindow(HWND window)
{
    // Utility windows have no on-screen counterpart here, and X11 popup menus
    // grab the pointer themselves, so there is nothing to bring forward.
    return window != 0 ? 1 : 0;
}

void QtDesktop::ActivateWindow(QWidget* window)
{
    if (!window)
        return;
    window->raise();
    window->activateWindow();
}

BOOL QtDesktop::PostMessageA(QWidget* window, UINT, WPARAM, LPARAM)
{
    if (!window)
        return 0;
    // Only WM_NULL is ever posted to a widget: a wake-up of its event loop.
    QCoreApplication::postEvent(window, new QEvent(QEvent::None));
    return 1;
}

DWORD QtDesktop::CommonControlsVersion()
{
    // Balloons, the version protocol and the shell's restart message are all
    // served by the notification-area backend: report the level that has them.
    return 0x00060000;
}

QIcon QtDesktop::LoadIconA(int id)
{
    if (id != IDI_WINLOGO || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return {};
    const QIcon own = QApplication::windowIcon();
    return own.isNull() ? QApplication::style()->standardIcon(QStyle::SP_ComputerIcon) : own;
}

bool QtDesktop::IsApplicationWindowVisible()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(),
        [](const QWidget* w) { return isApplicationWindow(w) && w->isVisible(); });
}

void QtDesktop::HideApplicationWindow()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    // There is no separate taskbar window here: hiding the application hides
    // each of its windows, which takes them off the taskbar.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (isApplicationWindow(w) && w->isVisible())
            w->hide();
}

void QtDesktop::BroadcastApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    QTimer::singleShot(0, this,
        [this, message, wParam, lParam] { deliverToApplication(message, wParam, lParam); });
}

int QtDesktop::SubclassWindow(QWidget* window, SubclassProc procedure)
{
    const int id = m_nextSubclass++;
    m_subclasses.emplace(id, Subclass { window, std::move(procedure) });
    updateFilter();
    return id;
}

void QtDesktop::RestoreWindow(int id)
{
    m_subclasses.erase(id);
    updateFilter();
}

void QtDesktop::updateFilter()
{
    // One application-wide filter sees every window's state change first, so a
    // subclass can finish a minimise before the application hears of it.
    if (!m_filtering && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        m_filtering = true;
    }
}

bool QtDesktop::runSubclass(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (auto it = m_subclasses.rbegin(); it != m_subclasses.rend(); ++it) {
        if (it->second.window != window)
            continue;
        bool passedOn = false;
        const SubclassProc procedure = it->second.procedure;
        procedure(message, wParam, lParam, [&passedOn]() -> LRESULT {
            passedOn = true;
            return 0;
        });
        return !passedOn;
    }
    return false;
}

bool QtDesktop::eventFilter(QObject* watched, QEvent* event)
{
    if (!isApplicationWindow(watched))
        return false;
    auto* window = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Show:
        runSubclass(window, WM_SHOWWINDOW, 1, 0);
        deliverToApplication(WM_WINDOWPOSCHANGED, 0, 0);
        break;
    case QEvent::WindowStateChange: {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const bool wasMinimized = change->oldState().testFlag(Qt::WindowMinimized);
        const bool minimized = window->windowState().testFlag(Qt::WindowMinimized);
        if (minimized && !wasMinimized) {
            if (runSubclass(window, WM_SYSCOMMAND, SC_MINIMIZE, 0)) {
                // Finished by the subclass: the window does not stay minimised.
                window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
                return true;
            }
            deliverToApplication(WM_SIZE, SIZE_MINIMIZED, 0);
        } else if (wasMinimized && !minimized) {
            deliverToApplication(WM_SYSCOMMAND, SC_RESTORE, 0);
        }
        break;
    }
    default:
        break;
    }
    return false;
}
