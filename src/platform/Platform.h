#pragma once

#include "Desktop.h"
#include "MessageWindows.h"
#include "NotifyArea.h"

// The one place where the window-system services are chosen: the desktop
// backends on a real display, quiet stand-ins where a service has no
// counterpart (no X11 display), and test doubles while a test installs them.
namespace Platform {

IMessageWindows& Windows();
IDesktop& Desktop();
INotifyArea& NotifyArea();

// Puts services in place until the returned scope ends (the previous ones come
// back); a null service keeps the current one. Used by tests and tools.
class Scope
{
public:
    Scope(IMessageWindows* windows, IDesktop* desktop, INotifyArea* notifyArea);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    IMessageWindows* m_windows;
    IDesktop* m_desktop;
    INotifyArea* m_notifyArea;
};

} // namespace Platform
