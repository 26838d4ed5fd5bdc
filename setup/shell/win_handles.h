// The Win32 handle types that the setup state holds. Natively, where the
// portable code is tested, they are opaque stand-ins that nothing uses.
#pragma once
#ifdef _WIN32
#include <windows.h>
#else
struct HWND__;
struct HINSTANCE__;
typedef HWND__ *HWND;
typedef HINSTANCE__ *HINSTANCE;
struct RECT {
    long left, top, right, bottom;
};
#endif
