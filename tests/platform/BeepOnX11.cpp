// Runs on an X11 display (the test suite starts a private Xvfb for it): the
// speaker rings the keyboard bell with the requested pitch and length, which an
// XKB client sees as a bell event, and leaves the desktop's bell settings as
// they were.

#include "Platform.h"

#include <QApplication>
#include <gtest/gtest.h>

// Last: Xlib's macros (None, Bool, …) would break the headers above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <poll.h>

namespace {

struct Observer
{
    Display* display = nullptr;
    int xkbEventBase = 0;

    Observer()
    {
        display = XOpenDisplay(nullptr);
        int major = XkbMajorVersion, minor = XkbMinorVersion, opcode = 0, error = 0;
        if (display && XkbQueryExtension(display, &opcode, &xkbEventBase, &error, &major, &minor))
            XkbSelectEvents(display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
        if (display)
            XSync(display, False);
    }
    ~Observer()
    {
        if (display)
            XCloseDisplay(display);
    }

    // The next bell event within the time limit, or false.
    bool nextBell(XkbBellNotifyEvent& bell, int limitMs = 5000)
    {
        for (int waited = 0; waited < limitMs; waited += 50) {
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type == xkbEventBase) {
                    auto& any = reinterpret_cast<XkbEvent&>(event);
                    if (any.any.xkb_type == XkbBellNotify) {
                        bell = any.bell;
                        return true;
                    }
                }
            }
            pollfd fd { ConnectionNumber(display), POLLIN, 0 };
            poll(&fd, 1, 50);
        }
        return false;
    }
};

} // namespace

TEST(SpeakerOnX11, RingsTheBellWithPitchAndDurationAndRestoresTheSettings)
{
    Observer observer;
    ASSERT_NE(observer.display, nullptr) << "no X11 display";

    XKeyboardControl user {};
    user.bell_pitch = 440;
    user.bell_duration = 120;
    XChangeKeyboardControl(observer.display, KBBellPitch | KBBellDuration, &user);
    XSync(observer.display, False);

    ISpeaker& speaker = Platform::Speaker();
    ASSERT_NE(dynamic_cast<X11Speaker*>(&speaker), nullptr);
    EXPECT_TRUE(Beep(1000, 30));

    XkbBellNotifyEvent bell {};
    ASSERT_TRUE(observer.nextBell(bell));
    EXPECT_EQ(bell.pitch, 1000);
    EXPECT_EQ(bell.duration, 30);

    XKeyboardState after {};
    XGetKeyboardControl(observer.display, &after);
    EXPECT_EQ(after.bell_pitch, 440);
    EXPECT_EQ(after.bell_duration, 120u);
}

TEST(SpeakerOnX11, AToneAskedForWhileTheSameToneSoundsIsHeardAsThatOne)
{
    Observer observer;
    ASSERT_NE(observer.display, nullptr) << "no X11 display";
    // A flood of calls beeps for every call: a thousand tones of 30 ms at once.
    for (int i = 0; i < 1000; ++i)
        EXPECT_TRUE(Beep(1200, 30));
    // Another tone is a tone of its own.
    EXPECT_TRUE(Beep(1500, 30));

    QList<int> pitches;
    XkbBellNotifyEvent bell {};
    ASSERT_TRUE(observer.nextBell(bell));
    pitches << bell.pitch;
    // The rest, until the bell has been quiet for half a second.
    while (observer.nextBell(bell, 500))
        pitches << bell.pitch;
    EXPECT_GE(pitches.count(1200), 1);
    EXPECT_LT(pitches.count(1200), 100) << "one bell per tone's length, not one per call";
    EXPECT_EQ(pitches.count(1500), 1);
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
