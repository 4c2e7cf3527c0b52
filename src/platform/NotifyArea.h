#pragma once

#include "Win1254.h"
#include "WinTypes.h"

#include <QByteArray>
#include <QString>

#include <cstddef>

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

// The text of one of the structure's fixed-size fields (szTip, szInfo, …):
// Windows-1254, ending at the first NUL or at the field's end.
inline QString NotifyFieldText(const char* field, std::size_t size)
{
    return Win1254::decode(QByteArray(field, int(qstrnlen(field, uint(size)))));
}
