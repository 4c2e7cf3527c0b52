#include "NotifyAreaIcon.h"

#include "Forms.h"
#include "Platform.h"
#include "Win1254.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QPoint>
#include <QWidget>

#include <array>
#include <cstring>
#include <utility>

namespace {

constexpr UINT DefaultFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

constexpr std::array<DWORD, 4> BalloonIconFlags
    = { NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR };

// The one handler of all tray icons. It goes with its last icon, or at the
// latest with the application object, while the window service it holds a
// window of is still there (see Platform::AtApplicationEnd).
TTrayIconHandler* g_handler = nullptr;

void releaseHandler()
{
    delete std::exchange(g_handler, nullptr);
}

UINT g_taskbarCreatedMessage = 0;

// Copies at most `limit` characters of 8-bit text into `field`, zero-terminated.
template <std::size_t N> void copyText(char (&field)[N], const QString& text, std::size_t limit)
{
    static_assert(N > 0);
    std::memset(field, 0, N);
    const QByteArray bytes = Win1254::encode(text);
    const std::size_t count = std::min<std::size_t>({ std::size_t(bytes.size()), limit, N - 1 });
    std::memcpy(field, bytes.constData(), count);
}

bool isMdiParent(const QWidget* form)
{
    const auto* window = qobject_cast<const QMainWindow*>(form);
    return window && qobject_cast<const QMdiArea*>(window->centralWidget());
}

} // namespace

UINT TaskbarCreatedMessage()
{
    return g_taskbarCreatedMessage;
}

bool MenuAutoPopup(const QMenu* menu)
{
    const QVariant value = menu->property("AutoPopup");
    return !value.isValid() || value.toBool();
}

// --- the shared window ---------------------------------------------------

TTrayIconHandler::TTrayIconHandler()
    : m_windows(&Platform::Windows())
{
    m_window
        = m_windows->AllocateHWnd([this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
              return WndProc(window, message, wParam, lParam);
          });
    // The shell announces a restart with this message only from the version
    // of the common controls that brought it (4.71).
    g_taskbarCreatedMessage = Platform::Desktop().CommonControlsVersion() >= 0x40047
        ? m_windows->RegisterWindowMessageA(TaskbarCreatedName)
        : 0;
}

TTrayIconHandler::~TTrayIconHandler()
{
    m_windows->DeallocateHWnd(m_window);
}

TTrayIconHandler* TTrayIconHandler::Instance()
{
    return g_handler;
}

void TTrayIconHandler::AcquireTrayHandler(TNotifyAreaIcon* icon)
{
    if (!g_handler) {
        g_handler = new TTrayIconHandler();
        Platform::AtApplicationEnd(releaseHandler);
    }
    ++g_handler->m_userCount;
    g_handler->m_live.insert(reinterpret_cast<UINT_PTR>(icon));
}

void TTrayIconHandler::ReleaseTrayHandler(TNotifyAreaIcon* icon)
{
    if (!g_handler)
        return;
    g_handler->m_live.erase(reinterpret_cast<UINT_PTR>(icon));
    if (g_handler->m_userCount > 0)
        --g_handler->m_userCount;
    if (g_handler->m_userCount == 0)
        releaseHandler();
}

LRESULT TTrayIconHandler::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case TrayCallbackMessage:
        // A callback queued before its icon was destroyed finds no live icon and is dropped.
        if (m_live.count(wParam)) {
            auto* icon = reinterpret_cast<TNotifyAreaIcon*>(wParam);
            Application()->Guard(icon, [&] { icon->HandleCallback(UINT(lParam)); });
        }
        return 0;
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUIT:
    case WM_NCDESTROY:
        return 1;
    default:
        return m_windows->DefWindowProcA(window, message, wParam, lParam);
    }
}

// --- construction and destruction ---------------------------------------------

TNotifyAreaIcon::TNotifyAreaIcon(QObject* owner)
    : TComponent(owner)
{
    TTrayIconHandler::AcquireTrayHandler(this);
    m_iconId = reinterpret_cast<UINT_PTR>(this);

    m_icon = std::make_unique<TIcon>();
    m_icon->OnChange = [this](TObject*) { NotifyModify(); };

    m_iconData.cbSize = NOTIFYICONDATAA_V2_SIZE;
    m_iconData.hWnd = TTrayIconHandler::Instance()->Window();
    m_iconData.uID = m_iconId;
    m_iconData.uFlags = DefaultFlags;
    m_iconData.uCallbackMessage = TrayCallbackMessage;

    m_iconCycleTimer = std::make_unique<TSimpleTimer>(1000, [this](TObject*) { CycleTick(); });
    m_clickDelayTimer
        = std::make_unique<TSimpleTimer>(1000, [this](TObject*) { ClickDelayElapsed(); });
    m_exitPollTimer.reset(TSimpleTimer::CreateWith(20, [this](TObject*) { ExitPoll(); }));

    m_cursorOutside = true;
    SetDesignPreview(m_designPreview);

    if (!designing()) {
        m_applicationHook = Platform::Desktop().HookApplication(
            [this](UINT message, WPARAM wParam, LPARAM lParam) {
                Application()->Guard(this, [&] { ApplicationHook(message, wParam, lParam); });
            });
        if (ownerWindow())
            SubclassOwner();
    }
}

TNotifyAreaIcon::~TNotifyAreaIcon()
{
    try {
        SetIconVisible(false);
        SetDesignPreview(false);
        m_iconCycleTimer.reset();
        m_clickDelayTimer.reset();
        m_exitPollTimer.reset();
        try {
            m_icon.reset();
        } catch (...) {
            // Whatever the icon's own clean-up raises leaves nothing of ours behind.
        }
    } catch (...) {
        Application()->HandleException(this);
    }
    // Released whatever happened above: a hook or a subclass left behind would
    // call into freed memory.
    if (m_applicationHook)
        Platform::Desktop().UnhookApplication(m_applicationHook);
    m_applicationHook = 0;
    RestoreOwner();
    QObject::disconnect(m_menuWatch);
    TTrayIconHandler::ReleaseTrayHandler(this);
}

QWidget* TNotifyAreaIcon::ownerWindow() const
{
    return qobject_cast<QWidget*>(Owner());
}

void TNotifyAreaIcon::Loaded()
{
    TComponent::Loaded();
    if (ownerWindow() && !designing()) {
        bool showMainForm = true;
        if (OnStartup)
            OnStartup(this, showMainForm);
        if (!showMainForm) {
            Application()->ShowMainForm = false;
            HideMainForm();
        }
    }
    NotifyModify();
    SetIconVisible(m_iconVisible);
    SetCycleIcons(m_cycleIcons);
    SetWantEnterExitEvents(m_wantEnterExitEvents);
    SetNotifyBehavior(m_notifyBehavior);
}

void TNotifyAreaIcon::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component && component == m_iconList) {
        m_iconList = nullptr;
        SetIconList(nullptr);
    }
}

// --- properties ----------------------------------------------------------------

void TNotifyAreaIcon::SetDesignPreview(bool value)
{
    m_designPreview = value;
    if (!designing())
        return;
    m_applyingPreview = true;
    try {
        if (m_icon->Empty() && DefaultDesignIconWanted())
            m_icon->SetHandle(Platform::Desktop().LoadIconA(IDI_WINLOGO));
        SetIconVisible(value);
    } catch (...) {
        m_applyingPreview = false;
        throw;
    }
    m_applyingPreview = false;
}

void TNotifyAreaIcon::SetIconList(TCustomImageList* list)
{
    if (m_iconList && m_iconList != list)
        m_iconList->RemoveFreeNotification(this);
    m_iconList = list;
    if (list)
        list->FreeNotification(this);
    SetIconIndex(0);
}

void TNotifyAreaIcon::SetCycleIcons(bool value)
{
    m_cycleIcons = value;
    if (value) {
        SetIconIndex(0);
        m_iconCycleTimer->SetInterval(m_cycleInterval);
        m_iconCycleTimer->SetEnabled(true);
    } else {
        m_iconCycleTimer->SetEnabled(false);
    }
}

void TNotifyAreaIcon::SetCycleInterval(UINT value)
{
    if (value == m_cycleInterval)
        return;
    m_cycleInterval = value;
    SetCycleIcons(m_cycleIcons);
}

void TNotifyAreaIcon::SetHint(const QString& value)
{
    m_hint = value;
    NotifyModify();
}

void TNotifyAreaIcon::SetShowHint(bool value)
{
    m_showHint = value;
    NotifyModify();
}

void TNotifyAreaIcon::SetIcon(const TIcon* value)
{
    // Assign reports the change, which refreshes the shell's copy.
    m_icon->Assign(value);
}

void TNotifyAreaIcon::SetIconVisible(bool value)
{
    if (value)
        NotifyAdd();
    else
        NotifyDelete();
}

void TNotifyAreaIcon::SetIconIndex(int value)
{
    const int count = m_iconList ? m_iconList->Count() : 0;
    if (count > 0) {
        // Out-of-range indices are brought into the list rather than read past its ends.
        m_iconIndex = qBound(0, value, count - 1);
        m_iconList->GetIcon(m_iconIndex, *m_icon);
    } else {
        m_iconIndex = 0;
    }
    NotifyModify();
}

void TNotifyAreaIcon::SetPopupMenu(QMenu* menu)
{
    QObject::disconnect(m_menuWatch);
    m_popupMenu = menu;
    if (menu)
        m_menuWatch = connect(menu, &QObject::destroyed, this, [this] { m_popupMenu = nullptr; });
}

void TNotifyAreaIcon::SetWantEnterExitEvents(bool value)
{
    m_wantEnterExitEvents = value;
    // The poll only ever looks for the cursor leaving the icon: while it is
    // outside there is nothing to look for, and fifty wake-ups a second would
    // be all the program does when nothing happens.
    m_exitPollTimer->SetEnabled(value && !m_cursorOutside);
}

void TNotifyAreaIcon::SetNotifyBehavior(TNotifyBehavior value)
{
    m_notifyBehavior = value;
    m_iconData.u.uVersion = value == nbShell5 ? 3 : 0;
    shell(NIM_SETVERSION);
}

// --- shell calls -----------------------------------------------------------------

BOOL TNotifyAreaIcon::shell(DWORD message)
{
    return Platform::NotifyArea().Shell_NotifyIconA(message, &m_iconData);
}

bool TNotifyAreaIcon::FillIconData()
{
    if (designing() && !m_applyingPreview && !m_designPreview)
        return false;
    m_iconData.hIcon = m_icon && !m_icon->Empty() ? &m_icon->Handle() : nullptr;
    // For trays that show the menu themselves; one that must not pop up is not theirs to show.
    m_iconData.hMenu = m_popupMenu && MenuAutoPopup(m_popupMenu) ? m_popupMenu.data() : nullptr;
    if (!m_hint.isEmpty() && m_showHint)
        copyText(m_iconData.szTip, m_hint, 127);
    else
        std::memset(m_iconData.szTip, 0, sizeof m_iconData.szTip);
    return true;
}

bool TNotifyAreaIcon::NotifyModify()
{
    return FillIconData() && shell(NIM_MODIFY) != 0;
}

bool TNotifyAreaIcon::NotifyAdd()
{
    if (!m_applyingPreview)
        m_iconVisible = true;
    if (designing() && !m_applyingPreview)
        return false;
    return FillIconData() && shell(NIM_ADD) != 0;
}

bool TNotifyAreaIcon::NotifyDelete()
{
    if (!m_applyingPreview)
        m_iconVisible = false;
    if (designing() && !m_applyingPreview)
        return false;
    return FillIconData() && shell(NIM_DELETE) != 0;
}

bool TNotifyAreaIcon::ShowBalloon(
    const QString& title, const QString& text, TBalloonIconKind iconKind, quint8 timeoutSeconds)
{
    HideBalloon();
    m_iconData.uFlags |= NIF_INFO;
    copyText(m_iconData.szInfo, text, 255);
    copyText(m_iconData.szInfoTitle, title, 63);
    m_iconData.u.uTimeout = UINT(timeoutSeconds) * 1000;
    m_iconData.dwInfoFlags = BalloonIconFlags.at(std::size_t(iconKind));
    const bool result = NotifyModify();
    m_iconData.uFlags = DefaultFlags;
    return result;
}

bool TNotifyAreaIcon::HideBalloon()
{
    m_iconData.uFlags |= NIF_INFO;
    std::memset(m_iconData.szInfo, 0, sizeof m_iconData.szInfo);
    return NotifyModify();
}

// --- callback messages --------------------------------------------------------------

TShiftState TNotifyAreaIcon::keyboardState()
{
    IDesktop& desktop = Platform::Desktop();
    TShiftState shift = 0;
    if (desktop.GetAsyncKeyState(VK_SHIFT) & 0x8000)
        shift |= ssShift;
    if (desktop.GetAsyncKeyState(VK_CONTROL) & 0x8000)
        shift |= ssCtrl;
    if (desktop.GetAsyncKeyState(VK_MENU) & 0x8000)
        shift |= ssAlt;
    return shift;
}

POINT TNotifyAreaIcon::cursor()
{
    POINT point;
    Platform::Desktop().GetCursorPos(&point);
    return point;
}

void TNotifyAreaIcon::HandleCallback(UINT code)
{
    const bool mouse = code == WM_MOUSEMOVE || (code >= WM_LBUTTONDOWN && code <= WM_MBUTTONUP)
        || code == WM_CONTEXTMENU || code == NIN_SELECT || code == NIN_KEYSELECT;
    if (mouse && !m_enabled)
        return;
    // Every event may free this icon; nothing of it is touched after that.
    const QPointer<TNotifyAreaIcon> alive(this);
    const POINT at = cursor();
    switch (code) {
    case WM_MOUSEMOVE:
        if (m_wantEnterExitEvents && m_cursorOutside) {
            MouseEnter();
            if (!alive)
                return;
            m_cursorOutside = false;
            m_exitPollTimer->SetEnabled(true);
        }
        MouseMove(keyboardState(), at.x, at.y);
        if (alive)
            m_lastCursor = at;
        break;
    case WM_LBUTTONDOWN:
        if (OnDblClick) {
            m_clickDelayTimer->SetInterval(Platform::Desktop().GetDoubleClickTime());
            m_clickDelayTimer->SetEnabled(true);
        }
        MouseDown(mbLeft, keyboardState() | ssLeft, at.x, at.y);
        if (!alive)
            return;
        m_clickPending = true;
        if (m_leftPopup && m_popupMenu && MenuAutoPopup(m_popupMenu)) {
            Platform::Desktop().SetForegroundWindow(m_iconData.hWnd);
            PopupAtCursor();
        }
        break;
    case WM_LBUTTONUP:
        if (m_clickPending)
            m_clickReleased = true;
        if (m_clickPending && !m_clickDelayTimer->Enabled()) {
            m_clickPending = false;
            m_clickReleased = false;
            Click();
            if (!alive)
                return;
        }
        m_clickPending = false;
        MouseUp(mbLeft, keyboardState() | ssLeft, at.x, at.y);
        break;
    case WM_LBUTTONDBLCLK:
        m_clickReleased = false;
        m_doubleClicked = true;
        DblClick();
        if (alive && m_popupMenu && MenuAutoPopup(m_popupMenu) && !m_leftPopup)
            clickDefaultItem();
        break;
    case WM_RBUTTONDOWN:
        MouseDown(mbRight, keyboardState() | ssRight, at.x, at.y);
        if (alive && m_popupMenu && MenuAutoPopup(m_popupMenu)) {
            Platform::Desktop().SetForegroundWindow(m_iconData.hWnd);
            PopupAtCursor();
        }
        break;
    case WM_RBUTTONUP:
        if (m_notifyBehavior == nbClassic)
            MouseUp(mbRight, keyboardState() | ssRight, at.x, at.y);
        break;
    case WM_MBUTTONDOWN:
        MouseDown(mbMiddle, keyboardState() | ssMiddle, at.x, at.y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, keyboardState() | ssMiddle, at.x, at.y);
        break;
    case WM_CONTEXTMENU:
    case NIN_SELECT:
    case NIN_KEYSELECT:
        if (m_notifyBehavior == nbShell5)
            MouseUp(mbRight, keyboardState() | ssRight, at.x, at.y);
        break;
    case NIN_BALLOONSHOW:
        if (OnBalloonHintShow)
            OnBalloonHintShow(this);
        break;
    case NIN_BALLOONHIDE:
        if (OnBalloonHintHide)
            OnBalloonHintHide(this);
        break;
    case NIN_BALLOONTIMEOUT:
        if (OnBalloonHintTimeout)
            OnBalloonHintTimeout(this);
        break;
    case NIN_BALLOONUSERCLICK:
        if (OnBalloonHintClick)
            OnBalloonHintClick(this);
        break;
    default:
        break;
    }
}

void TNotifyAreaIcon::clickDefaultItem()
{
    const QList<QAction*> items = m_popupMenu->actions();
    for (QAction* item : items) {
        if (item == m_popupMenu->defaultAction() || item->property("Default").toBool()) {
            item->trigger();
            return;
        }
    }
}

void TNotifyAreaIcon::ClickDelayElapsed()
{
    m_clickDelayTimer->SetEnabled(false);
    const bool due = !m_doubleClicked && m_clickReleased;
    m_doubleClicked = false;
    if (due) {
        m_clickReleased = false;
        Click();
    }
}

void TNotifyAreaIcon::ExitPoll()
{
    if (m_cursorOutside)
        return;
    const POINT at = cursor();
    if (at.x != m_lastCursor.x || at.y != m_lastCursor.y) {
        m_cursorOutside = true;
        m_exitPollTimer->SetEnabled(false);
        MouseExit();
    }
}

void TNotifyAreaIcon::CycleTick()
{
    if (!m_iconList || m_iconList->Count() == 0)
        return;
    // The list may have shrunk since the last step.
    m_iconIndex = qMin(m_iconIndex, m_iconList->Count() - 1);
    m_iconList->GetIcon(m_iconIndex, *m_icon);
    const QPointer<TNotifyAreaIcon> alive(this);
    CycleIcon();
    if (!alive || !m_iconList)
        return;
    SetIconIndex(m_iconList->Count() - 1 > m_iconIndex ? m_iconIndex + 1 : 0);
}

// --- overridable steps -------------------------------------------------------------

void TNotifyAreaIcon::Click()
{
    if (OnClick)
        OnClick(this);
}

void TNotifyAreaIcon::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TNotifyAreaIcon::CycleIcon()
{
    const int count = m_iconList ? m_iconList->Count() : 0;
    const int next = m_iconIndex < count - 1 ? m_iconIndex + 1 : 0;
    if (OnCycle)
        OnCycle(this, next);
}

void TNotifyAreaIcon::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TNotifyAreaIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TNotifyAreaIcon::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TNotifyAreaIcon::MouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TNotifyAreaIcon::MouseExit()
{
    if (OnMouseExit)
        OnMouseExit(this);
}

void TNotifyAreaIcon::DoMinimizeToTray()
{
    HideMainForm();
    SetIconVisible(true);
}

// --- popup menu ---------------------------------------------------------------------

void TNotifyAreaIcon::PopupAtCursor()
{
    POINT at;
    if (Platform::Desktop().GetCursorPos(&at))
        PopupAt(at.x, at.y);
}

void TNotifyAreaIcon::PopupAt(int x, int y)
{
    if (!m_popupMenu)
        return;
    Platform::Desktop().SetForegroundWindow(m_iconData.hWnd);
    const QPointer<TNotifyAreaIcon> alive(this);
    Application()->ProcessMessages();
    // Pending messages may have freed the icon or its menu.
    if (!alive || !m_popupMenu)
        return;
    QMenu* menu = m_popupMenu;
    menu->setProperty("PopupComponent", QVariant::fromValue<QObject*>(this));
    ExecuteMenu(menu, x, y);
    if (!alive)
        return;
    if (QWidget* owner = ownerWindow())
        Platform::Desktop().PostMessageA(owner, WM_NULL, 0, 0);
}

void TNotifyAreaIcon::ExecuteMenu(QMenu* menu, int x, int y)
{
    menu->exec(QPoint(x, y));
}

// --- main form, application window and owner window -------------------------------

void TNotifyAreaIcon::HideMainForm()
{
    QWidget* mainForm = Application()->MainForm();
    if (!ownerWindow() || !mainForm)
        return;
    mainForm->hide();
    HideApplicationWindow();
}

void TNotifyAreaIcon::HideApplicationWindow()
{
    IDesktop& desktop = Platform::Desktop();
    if (desktop.IsApplicationWindowVisible())
        desktop.HideApplicationWindow();
}

void TNotifyAreaIcon::ApplicationHook(UINT message, WPARAM wParam, LPARAM)
{
    const QPointer<TNotifyAreaIcon> alive(this);
    QWidget* mainForm = Application()->MainForm();
    if (message == WM_SIZE && wParam == SIZE_MINIMIZED) {
        if (m_minimizeToTray)
            DoMinimizeToTray();
    } else if (message == WM_WINDOWPOSCHANGED) {
        if (m_startupCheckPending && mainForm) {
            if (isMdiParent(mainForm)) {
                bool showMainForm = true;
                if (OnStartup)
                    OnStartup(this, showMainForm);
                if (!alive)
                    return;
                if (!showMainForm)
                    HideApplicationWindow();
            }
            m_startupCheckPending = false;
        }
    } else if (message == WM_SYSCOMMAND && wParam == SC_RESTORE && mainForm) {
        if (mainForm->windowState().testFlag(Qt::WindowMinimized))
            mainForm->setWindowState(mainForm->windowState() & ~Qt::WindowMinimized);
        mainForm->show();
    }
    if (alive && TaskbarCreatedMessage() != 0 && message == TaskbarCreatedMessage()
        && m_iconVisible)
        NotifyAdd();
}

void TNotifyAreaIcon::SubclassOwner()
{
    m_subclassedOwner = ownerWindow();
    m_ownerSubclass = Platform::Desktop().SubclassWindow(m_subclassedOwner,
        [this](UINT message, WPARAM wParam, LPARAM lParam, const PreviousWindowProc& previous) {
            LRESULT result = 0;
            bool finished = false;
            Application()->Guard(this, [&] {
                result = OwnerWindowProc(message, wParam, lParam, previous);
                finished = true;
            });
            // A failed handler leaves the window its own handling.
            return finished ? result : previous();
        });
}

void TNotifyAreaIcon::RestoreOwner()
{
    if (m_ownerSubclass)
        Platform::Desktop().RestoreWindow(m_ownerSubclass);
    m_ownerSubclass = 0;
    m_subclassedOwner = nullptr;
}

bool TNotifyAreaIcon::MinimizeRequested()
{
    if (!m_minimizeToTray || !OnMinimizeToTray)
        return false;
    const QPointer<TNotifyAreaIcon> alive(this);
    OnMinimizeToTray(this);
    if (alive)
        DoMinimizeToTray();
    return true;
}

LRESULT TNotifyAreaIcon::OwnerWindowProc(
    UINT message, WPARAM wParam, LPARAM lParam, const std::function<LRESULT()>& previous)
{
    if (message == WM_SHOWWINDOW && wParam == 1 && lParam == 0) {
        if (m_subclassedOwner)
            Platform::Desktop().ActivateWindow(m_subclassedOwner);
    } else if (message == WM_SHOWWINDOW && wParam == 0 && lParam == SW_PARENTCLOSING
        && !QCoreApplication::closingDown()) {
        if (MinimizeRequested())
            return 1;
    } else if (message == WM_SYSCOMMAND && wParam == SC_MINIMIZE) {
        if (MinimizeRequested())
            return 1;
    }
    return previous();
}
