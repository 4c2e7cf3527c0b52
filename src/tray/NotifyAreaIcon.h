#pragma once

#include "Classes.h"
#include "Controls.h"
#include "Graphics.h"
#include "ImgList.h"
#include "SimpleTimer.h"
#include "WinTypes.h"

#include <QMenu>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <unordered_set>

class IMessageWindows;

enum TBalloonIconKind { bikNone, bikInfo, bikWarning, bikError };
enum TNotifyBehavior { nbClassic, nbShell5 };
using TCycleEvent = std::function<void(TObject* sender, int nextIndex)>;
using TStartupEvent = std::function<void(TObject* sender, bool& showMainForm)>;

// The message the shell sends to the shared window about an icon.
constexpr UINT TrayCallbackMessage = 0x0800;

// The message number the shell broadcasts when its taskbar is created anew;
// 0 when the installed common controls are too old to send it.
UINT TaskbarCreatedMessage();

// Menus pop up on their own unless their "AutoPopup" property is false; a
// top-level item with a true "Default" property (or the menu's default
// action) is what a double click on the icon chooses.
bool MenuAutoPopup(const QMenu* menu);

// One icon in the desktop's notification area, with its popup menu, balloon
// tips, icon cycling, click and double-click handling and mouse enter/exit.
class TNotifyAreaIcon : public TComponent
{
    Q_OBJECT
public:
    explicit TNotifyAreaIcon(QObject* owner = nullptr);
    ~TNotifyAreaIcon() override;

    bool DesignPreview() const { return m_designPreview; }
    void SetDesignPreview(bool value);
    TCustomImageList* IconList() const { return m_iconList; }
    void SetIconList(TCustomImageList* list);
    bool CycleIcons() const { return m_cycleIcons; }
    void SetCycleIcons(bool value);
    UINT CycleInterval() const { return m_cycleInterval; }
    void SetCycleInterval(UINT value);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value) { m_enabled = value; }
    QString Hint() const { return m_hint; }
    void SetHint(const QString& value);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool value);
    TIcon* Icon() const { return m_icon.get(); }
    void SetIcon(const TIcon* value);
    bool IconVisible() const { return m_iconVisible; }
    void SetIconVisible(bool value);
    int IconIndex() const { return m_iconIndex; }
    void SetIconIndex(int value);
    QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* menu);
    bool LeftPopup() const { return m_leftPopup; }
    void SetLeftPopup(bool value) { m_leftPopup = value; }
    bool WantEnterExitEvents() const { return m_wantEnterExitEvents; }
    void SetWantEnterExitEvents(bool value);
    bool MinimizeToTray() const { return m_minimizeToTray; }
    void SetMinimizeToTray(bool value) { m_minimizeToTray = value; }
    TNotifyBehavior NotifyBehavior() const { return m_notifyBehavior; }
    void SetNotifyBehavior(TNotifyBehavior value);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TCycleEvent OnCycle;
    TStartupEvent OnStartup;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    // Raised in an X11 tray only: a StatusNotifierItem host reports clicks, not
    // pointer motion, so these three never come there.
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;
    TNotifyEvent OnMinimizeToTray;
    TNotifyEvent OnBalloonHintShow;
    TNotifyEvent OnBalloonHintHide;
    TNotifyEvent OnBalloonHintTimeout;
    TNotifyEvent OnBalloonHintClick;

    bool ShowBalloon(const QString& title, const QString& text, TBalloonIconKind iconKind,
        quint8 timeoutSeconds);
    bool HideBalloon();
    virtual bool NotifyAdd();
    virtual bool NotifyDelete();
    virtual bool NotifyModify();
    void PopupAtCursor();
    void PopupAt(int x, int y);
    void HideMainForm();
    void HideApplicationWindow();

    // The identifier the shell knows this icon by.
    UINT_PTR IconId() const { return m_iconId; }
    // The record every shell call carries, as it stands.
    const NOTIFYICONDATAA& IconData() const { return m_iconData; }
    const TSimpleTimer& IconCycleTimer() const { return *m_iconCycleTimer; }
    const TSimpleTimer& ClickDelayTimer() const { return *m_clickDelayTimer; }
    const TSimpleTimer& ExitPollTimer() const { return *m_exitPollTimer; }

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    virtual bool DefaultDesignIconWanted() { return true; }
    virtual void Click();
    virtual void DblClick();
    virtual void CycleIcon();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseExit();
    virtual void DoMinimizeToTray();
    // Runs the menu at a screen point until it closes.
    virtual void ExecuteMenu(QMenu* menu, int x, int y);

private:
    friend class TTrayIconHandler;

    bool designing() const { return ComponentState().testFlag(csDesigning); }
    QWidget* ownerWindow() const;
    bool FillIconData();
    BOOL shell(DWORD message);
    void HandleCallback(UINT code);
    TShiftState keyboardState();
    POINT cursor();
    void CycleTick();
    void ClickDelayElapsed();
    void ExitPoll();
    void ApplicationHook(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OwnerWindowProc(
        UINT message, WPARAM wParam, LPARAM lParam, const std::function<LRESULT()>& previous);
    bool MinimizeRequested();
    void SubclassOwner();
    void RestoreOwner();
    void clickDefaultItem();

    bool m_enabled = true;
    std::unique_ptr<TIcon> m_icon;
    UINT_PTR m_iconId = 0;
    bool m_iconVisible = false;
    QString m_hint;
    bool m_showHint = true;
    QPointer<QMenu> m_popupMenu;
    QMetaObject::Connection m_menuWatch;
    bool m_leftPopup = false;
    bool m_minimizeToTray = false;
    bool m_clickPending = false;
    bool m_clickReleased = false;
    std::unique_ptr<TSimpleTimer> m_iconCycleTimer;
    std::unique_ptr<TSimpleTimer> m_clickDelayTimer;
    std::unique_ptr<TSimpleTimer> m_exitPollTimer;
    POINT m_lastCursor;
    bool m_cursorOutside = true;
    bool m_wantEnterExitEvents = false;
    TNotifyBehavior m_notifyBehavior = nbClassic;
    bool m_doubleClicked = false;
    int m_iconIndex = 0;
    bool m_designPreview = false;
    bool m_applyingPreview = false;
    bool m_startupCheckPending = true;
    TCustomImageList* m_iconList = nullptr;
    bool m_cycleIcons = false;
    UINT m_cycleInterval = 0;
    int m_applicationHook = 0;
    int m_ownerSubclass = 0;
    QPointer<QWidget> m_subclassedOwner;
    NOTIFYICONDATAA m_iconData;
};

// Owns the hidden window that receives the shell's messages for every tray
// icon, from the first icon's construction to the last one's destruction.
class TTrayIconHandler
{
public:
    TTrayIconHandler();
    ~TTrayIconHandler();
    TTrayIconHandler(const TTrayIconHandler&) = delete;
    TTrayIconHandler& operator=(const TTrayIconHandler&) = delete;

    HWND Window() const { return m_window; }
    UINT UserCount() const { return m_userCount; }

    // The shared handler, or null when no tray icon exists.
    static TTrayIconHandler* Instance();
    static void AcquireTrayHandler(TNotifyAreaIcon* icon);
    static void ReleaseTrayHandler(TNotifyAreaIcon* icon);

private:
    LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_userCount = 0;
    HWND m_window = 0;
    IMessageWindows* m_windows;
    // Icons alive now: a callback for any other identifier is stale.
    std::unordered_set<UINT_PTR> m_live;
};
