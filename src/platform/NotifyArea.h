#pragma once

#include "WinTypes.h"

// The shell's notification area. The icon is addressed by (hWnd, uID); its
// callback messages go to hWnd as (uCallbackMessage, uID, notification code).
class INotifyArea
{
public:
    virtual ~INotifyArea() = default;
    // Non-zero when the shell accepted the call.
    virtual BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data) = 0;
};

// The message the shell broadcasts when its notification area starts (again).
inline constexpr char TaskbarCreatedName[] = "TaskbarCreated";
