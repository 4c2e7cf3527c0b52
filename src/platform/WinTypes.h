#pragma once

#include <QtGlobal>

#include <cstdint>
#include <functional>

class QIcon;
class QMenu;

// The window-system vocabulary the components are written in: handles,
// messages and the notification-area record. Handles are our own numbers
// (0 means none); identifiers that carry an object's address are pointer wide,
// so that no address is ever cut short on a 64-bit machine.

using BOOL = int;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using SHORT = std::int16_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HWND = std::uintptr_t;
// The image of an icon; valid for the duration of the call that passes it.
using HICON = const QIcon*;
// The menu of an icon; valid for the duration of the call that passes it.
using HMENU = QMenu*;

struct POINT
{
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// A window procedure bound to an object.
using WindowProc = std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_USER = 0x0400;

constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr LPARAM SW_PARENTCLOSING = 1;
constexpr int SW_HIDE = 0;

constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;

constexpr int IDI_WINLOGO = 32517;

// Notification-area messages and flags.
constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr DWORD NIM_SETVERSION = 4;

constexpr UINT NIF_MESSAGE = 0x01;
constexpr UINT NIF_ICON = 0x02;
constexpr UINT NIF_TIP = 0x04;
constexpr UINT NIF_STATE = 0x08;
constexpr UINT NIF_INFO = 0x10;

constexpr DWORD NIS_HIDDEN = 0x01;

constexpr DWORD NIIF_NONE = 0;
constexpr DWORD NIIF_INFO = 1;
constexpr DWORD NIIF_WARNING = 2;
constexpr DWORD NIIF_ERROR = 3;

constexpr UINT NIN_SELECT = WM_USER + 0;
constexpr UINT NIN_KEYSELECT = WM_USER + 1;
constexpr UINT NIN_BALLOONSHOW = WM_USER + 2;
constexpr UINT NIN_BALLOONHIDE = WM_USER + 3;
constexpr UINT NIN_BALLOONTIMEOUT = WM_USER + 4;
constexpr UINT NIN_BALLOONUSERCLICK = WM_USER + 5;

// The size that marks the balloon-capable layout of the record below.
constexpr DWORD NOTIFYICONDATAA_V2_SIZE = 488;

// The record passed with every notification-area call. Texts are 8-bit and
// zero-terminated within their arrays.
struct NOTIFYICONDATAA
{
    DWORD cbSize = 0;
    HWND hWnd = 0;
    UINT_PTR uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = nullptr;
    char szTip[128] = {};
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    char szInfo[256] = {};
    // One field, two meanings: the balloon's time-out in milliseconds, or the
    // callback protocol version for NIM_SETVERSION.
    union {
        UINT uTimeout;
        UINT uVersion;
    } u = { 0 };
    char szInfoTitle[64] = {};
    DWORD dwInfoFlags = 0;
    // Not in the shell's record: the icon's popup menu, for trays that show
    // an icon's menu themselves (a StatusNotifierItem host). Taken from every
    // add and modify whatever the flags say; null for none.
    HMENU hMenu = nullptr;
};
