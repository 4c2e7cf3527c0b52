#pragma once

#include "Desktop.h"
#include "MessageWindows.h"
#include "NotifyArea.h"
#include "Speaker.h"

// The one place where the window-system services are chosen: the desktop
// backends on a real display, quiet stand-ins where a service has no
// counterpart (no X11 display), and test doubles while a test installs them.
namespace Platform {

IMessageWindows& Windows();
IDesktop& Desktop();
INotifyArea& NotifyArea();
// The system speaker: the X11 keyboard bell on an X11 display, else a quiet recorder.
ISpeaker& Speaker();
// Puts a speaker in place (nullptr restores the default); used by tests.
void SetSpeaker(ISpeaker* speaker);

// Process-wide objects that hold windows of these services (the shared hidden
// windows of the tray icons and timers) are freed by `release` when the
// application object goes, before the services themselves; never by a static
// destructor, which would run after the services are gone, or while Qt ends
// the process from inside its loop when the X server goes away. Registering
// the same function again does nothing.
void AtApplicationEnd(void (*release)());

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
