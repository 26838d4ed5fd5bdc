// Stand-in for a setup program that goes wrong, for the whole-program tests
// of scripts/run-kit: run in place of Osprin.exe, it crashes at once
// (KIT_BROKEN=crash, the default: a write through a null pointer), or shows
// a main window of Osprin's class and then never answers (KIT_BROKEN=hang).
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    char how[16] = "";
    GetEnvironmentVariableA("KIT_BROKEN", how, sizeof how);
    if (lstrcmpA(how, "hang") != 0) {
        volatile int *nowhere = nullptr;
        *nowhere = 1;
        return 0;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "QELDriverKit";
    RegisterClassA(&windowClass);
    CreateWindowExA(0, "QELDriverKit", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr, instance, nullptr);
    for (;;)
        Sleep(INFINITE);
}
