#pragma once

#include <QList>
#include <QPair>

#include <chrono>

// The system speaker: a tone of a given pitch and length.
class ISpeaker
{
public:
    virtual ~ISpeaker() = default;
    // Frequency in hertz, duration in milliseconds; false when the tone could not be played.
    virtual bool Beep(unsigned frequency, unsigned duration) = 0;
};

// Rings the X11 keyboard bell with the requested pitch and length, then puts
// the desktop's own bell settings back. A tone asked for while the same tone
// still sounds is heard as that one, so it is not rung again: a flood of calls
// costs the X server one bell per tone's length, not a round trip per call.
class X11Speaker : public ISpeaker
{
public:
    explicit X11Speaker(void* display);
    bool Beep(unsigned frequency, unsigned duration) override;

private:
    void* m_display;
    unsigned m_frequency = 0;
    unsigned m_duration = 0;
    std::chrono::steady_clock::time_point m_rung;
};

// Records tones instead of playing them: the double for tests and, with
// recording off, the quiet stand-in where there is no X11 display.
class FakeSpeaker : public ISpeaker
{
public:
    bool Beep(unsigned frequency, unsigned duration) override;
    QList<QPair<unsigned, unsigned>> beeps;
    bool refuse = false;
    bool recording = true;
};

// Plays a tone on the process's speaker.
bool Beep(unsigned frequency, unsigned duration);
