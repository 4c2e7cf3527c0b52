#include "Speaker.h"

#include "Platform.h"

#include <X11/Xlib.h>

#include <algorithm>

X11Speaker::X11Speaker(void* display)
    : m_display(display)
{
}

bool X11Speaker::Beep(unsigned frequency, unsigned duration)
{
    auto* display = static_cast<Display*>(m_display);
    if (!display)
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (frequency == m_frequency && duration == m_duration
        && now - m_rung < std::chrono::milliseconds(duration))
        return true;
    m_frequency = frequency;
    m_duration = duration;
    m_rung = now;
    XKeyboardState saved {};
    XGetKeyboardControl(display, &saved);

    XKeyboardControl tone {};
    tone.bell_pitch = int(std::min(frequency, 32767u));
    tone.bell_duration = int(std::min(duration, 32767u));
    XChangeKeyboardControl(display, KBBellPitch | KBBellDuration, &tone);
    XBell(display, 0);

    // The server handles requests in order: the bell above rings with the
    // tone's settings before these put the user's back.
    XKeyboardControl restore {};
    restore.bell_pitch = int(saved.bell_pitch);
    restore.bell_duration = int(saved.bell_duration);
    XChangeKeyboardControl(display, KBBellPitch | KBBellDuration, &restore);
    XFlush(display);
    return true;
}

bool FakeSpeaker::Beep(unsigned frequency, unsigned duration)
{
    if (refuse)
        return false;
    if (recording)
        beeps.append({ frequency, duration });
    return true;
}

bool Beep(unsigned frequency, unsigned duration)
{
    return Platform::Speaker().Beep(frequency, duration);
}
