#include "QtMessageWindows.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

namespace {

const QEvent::Type PostedMessageType = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessage final : public QEvent
{
public:
    PostedMessage(UINT message, WPARAM wParam, LPARAM lParam)
        : QEvent(PostedMessageType)
        , message(message)
        , wParam(wParam)
        , lParam(lParam)
    {
    }
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

} // namespace

class QtUtilityWindow final : public QObject
{
public:
    QtUtilityWindow(HWND handle, WindowProc procedure)
        : m_handle(handle)
        , m_procedure(std::move(procedure))
    {
    }

    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam)
    {
        // The procedure may destroy this window; keep the callable alive until it returns.
        const WindowProc procedure = m_procedure;
        return procedure ? procedure(m_handle, message, wParam, lParam) : 0;
    }

    UINT_PTR setTimer(UINT_PTR id, UINT elapse)
    {
        killTimer(id);
        const int qtId = startTimer(int(qMin<UINT>(elapse, 0x7FFFFFFF)));
        if (qtId == 0)
            return 0;
        m_byId.emplace(id, qtId);
        m_byQtId.emplace(qtId, id);
        return id ? id : 1;
    }

    bool killTimer(UINT_PTR id)
    {
        const auto it = m_byId.find(id);
        if (it == m_byId.end())
            return false;
        // Qt withdraws a pending timer event together with the timer.
        QObject::killTimer(it->second);
        m_byQtId.erase(it->second);
        m_byId.erase(it);
        return true;
    }

    int qtTimerId(UINT_PTR id) const
    {
        const auto it = m_byId.find(id);
        return it == m_byId.end() ? 0 : it->second;
    }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == PostedMessageType) {
            const auto* posted = static_cast<PostedMessage*>(event);
            dispatch(posted->message, posted->wParam, posted->lParam);
            return true;
        }
        return QObject::event(event);
    }

    void timerEvent(QTimerEvent* event) override
    {
        const auto it = m_byQtId.find(event->timerId());
        if (it != m_byQtId.end())
            dispatch(WM_TIMER, it->second, 0);
    }

private:
    HWND m_handle;
    WindowProc m_procedure;
    std::unordered_map<UINT_PTR, int> m_byId;
    std::unordered_map<int, UINT_PTR> m_byQtId;
};

QtMessageWindows::QtMessageWindows() = default;
QtMessageWindows::~QtMessageWindows() = default;

HWND QtMessageWindows::AllocateHWnd(WindowProc procedure)
{
    // Handles are never reused, so a stale handle can never reach a newer window.
    const HWND handle = m_nextHandle++;
    m_windows.emplace(handle, std::make_unique<QtUtilityWindow>(handle, std::move(procedure)));
    return handle;
}

void QtMessageWindows::DeallocateHWnd(HWND window)
{
    const auto it = m_windows.find(window);
    if (it == m_windows.end())
        return;
    // Messages still queued for the window are discarded with it by Qt.
    std::unique_ptr<QtUtilityWindow> doomed = std::move(it->second);
    m_windows.erase(it);
}

bool QtMessageWindows::IsWindow(HWND window) const
{
    return find(window) != nullptr;
}

UINT_PTR QtMessageWindows::SetTimer(HWND window, UINT_PTR id, UINT elapse)
{
    QtUtilityWindow* target = find(window);
    if (!target || elapse == 0)
        return 0;
    return target->setTimer(id, elapse);
}

BOOL QtMessageWindows::KillTimer(HWND window, UINT_PTR id)
{
    QtUtilityWindow* target = find(window);
    return target && target->killTimer(id) ? 1 : 0;
}

BOOL QtMessageWindows::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    QtUtilityWindow* target = find(window);
    if (!target)
        return 0;
    QCoreApplication::postEvent(target, new PostedMessage(message, wParam, lParam));
    return 1;
}

LRESULT QtMessageWindows::SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    QtUtilityWindow* target = find(window);
    return target ? target->dispatch(message, wParam, lParam) : 0;
}

LRESULT QtMessageWindows::DefWindowProcA(HWND, UINT message, WPARAM, LPARAM)
{
    // Closing a hidden window is refused: only its owner destroys it.
    return message == WM_QUERYENDSESSION ? 1 : 0;
}

QObject* QtMessageWindows::WindowObject(HWND window) const
{
    return find(window);
}

int QtMessageWindows::QtTimerId(HWND window, UINT_PTR id) const
{
    const QtUtilityWindow* target = find(window);
    return target ? target->qtTimerId(id) : 0;
}

QtUtilityWindow* QtMessageWindows::find(HWND window) const
{
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.get();
}
