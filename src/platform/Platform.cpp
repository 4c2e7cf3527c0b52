#include "Platform.h"

#include "DesktopNotifyArea.h"
#include "FakeNotifyArea.h"
#include "QtDesktop.h"
#include "QtMessageWindows.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct Defaults
{
    std::unique_ptr<IMessageWindows> windows;
    std::unique_ptr<IDesktop> desktop;
    std::unique_ptr<INotifyArea> notifyArea;
    std::unique_ptr<ISpeaker> speaker;
};

// Never destroyed by a static destructor: the backends go with the
// application object (releaseDefaults), and a process that ends without it
// (Qt calls exit() when its X server goes away) leaves them to the system.
Defaults& defaults()
{
    static auto* instance = new Defaults();
    return *instance;
}

std::vector<void (*)()>& releasesAtEnd()
{
    static auto* releases = new std::vector<void (*)()>();
    return *releases;
}

IMessageWindows* g_windows = nullptr;
IDesktop* g_desktop = nullptr;
INotifyArea* g_notifyArea = nullptr;
ISpeaker* g_speaker = nullptr;

void releaseDefaults()
{
    // What holds windows of the backends goes first, the latest comer first.
    const std::vector<void (*)()> releases = releasesAtEnd();
    for (auto it = releases.rbegin(); it != releases.rend(); ++it)
        (*it)();
    // The backends hold Qt objects and the X11 connection: they go with the
    // application object, not after it.
    Defaults& d = defaults();
    if (g_notifyArea == d.notifyArea.get())
        g_notifyArea = nullptr;
    if (g_desktop == d.desktop.get())
        g_desktop = nullptr;
    if (g_windows == d.windows.get())
        g_windows = nullptr;
    if (g_speaker == d.speaker.get())
        g_speaker = nullptr;
    d.speaker.reset();
    d.notifyArea.reset();
    d.desktop.reset();
    d.windows.reset();
}

void watchApplication()
{
    static bool registered = false;
    if (!registered && QCoreApplication::instance()) {
        qAddPostRoutine(releaseDefaults);
        registered = true;
    }
}

void* x11Display()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

std::unique_ptr<INotifyArea> makeNotifyArea()
{
    // A desktop session, X11 or Wayland: its trays and notifications are on
    // the session bus, and on X11 there may be a system tray as well.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))
        return std::make_unique<DesktopNotifyArea>(x11Display(), QDBusConnection::sessionBus());
    auto quiet = std::make_unique<FakeNotifyArea>();
    quiet->refuseAll = true;
    quiet->recording = false;
    return quiet;
}

std::unique_ptr<ISpeaker> makeSpeaker()
{
    if (void* display = x11Display())
        return std::make_unique<X11Speaker>(display);
    auto quiet = std::make_unique<FakeSpeaker>();
    quiet->recording = false;
    return quiet;
}

} // namespace

namespace Platform {

IMessageWindows& Windows()
{
    if (!g_windows) {
        watchApplication();
        if (!defaults().windows)
            defaults().windows = std::make_unique<QtMessageWindows>();
        g_windows = defaults().windows.get();
    }
    return *g_windows;
}

IDesktop& Desktop()
{
    if (!g_desktop) {
        watchApplication();
        if (!defaults().desktop)
            defaults().desktop = std::make_unique<QtDesktop>();
        g_desktop = defaults().desktop.get();
    }
    return *g_desktop;
}

INotifyArea& NotifyArea()
{
    if (!g_notifyArea) {
        watchApplication();
        if (!defaults().notifyArea)
            defaults().notifyArea = makeNotifyArea();
        g_notifyArea = defaults().notifyArea.get();
    }
    return *g_notifyArea;
}

ISpeaker& Speaker()
{
    if (!g_speaker) {
        watchApplication();
        if (!defaults().speaker)
            defaults().speaker = makeSpeaker();
        g_speaker = defaults().speaker.get();
    }
    return *g_speaker;
}

void AtApplicationEnd(void (*release)())
{
    watchApplication();
    std::vector<void (*)()>& releases = releasesAtEnd();
    if (std::find(releases.begin(), releases.end(), release) == releases.end())
        releases.push_back(release);
}

void SetSpeaker(ISpeaker* speaker)
{
    g_speaker = speaker;
}

Scope::Scope(IMessageWindows* windows, IDesktop* desktop, INotifyArea* notifyArea)
    : m_windows(g_windows)
    , m_desktop(g_desktop)
    , m_notifyArea(g_notifyArea)
{
    if (windows)
        g_windows = windows;
    if (desktop)
        g_desktop = desktop;
    if (notifyArea)
        g_notifyArea = notifyArea;
}

Scope::~Scope()
{
    g_windows = m_windows;
    g_desktop = m_desktop;
    g_notifyArea = m_notifyArea;
}

} // namespace Platform
