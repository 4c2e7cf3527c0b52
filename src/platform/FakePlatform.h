#pragma once

#include "FakeDesktop.h"
#include "FakeMessageWindows.h"
#include "FakeNotifyArea.h"
#include "Platform.h"

// All three test doubles, in place for as long as this object lives.
struct FakePlatform
{
    FakeMessageWindows windows;
    FakeDesktop desktop;
    FakeNotifyArea notifyArea;
    Platform::Scope scope { &windows, &desktop, &notifyArea };
};
