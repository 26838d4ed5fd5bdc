// The telephone window stand-in and the program runner of the tests.
#include "tests/standins/telephone_window.h"

std::vector<TelephoneNotice> TelephoneWindow::notices;

namespace {

const char kClass[] = "QXTelephoneWClass";
const UINT kSettingsReady = WM_USER + 400;

std::string lineValue(const char *key)
{
    char value[64];
    GetPrivateProfileStringA("LINE", key, "(missing)", value, sizeof value, "QXtel.ini");
    return value;
}

LRESULT CALLBACK telephoneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kSettingsReady) {
        TelephoneWindow::notices.push_back({wParam, lParam, lineValue("TOSKA"), lineValue("COMNO"), lineValue("FAXBOARD")});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

TelephoneWindow::TelephoneWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = telephoneProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = kClass;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, kClass, "telephone", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, windowClass.hInstance, NULL);
}

TelephoneWindow::~TelephoneWindow()
{
    if (window_)
        DestroyWindow(window_);
    pump();
}

bool runProgram(const std::string &commandLine, const char *directory, DWORD deadlineMs, ProgramRun *result)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    DWORD start = GetTickCount();
    if (result)
        *result = ProgramRun{};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, directory, &startup, &info)) {
        if (result)
            result->startError = GetLastError();
        return false;
    }
    CloseHandle(info.hThread);
    bool ended = false;
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= deadlineMs)
            break;
        DWORD wait = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, deadlineMs - spent, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        pump();
    }
    DWORD elapsed = GetTickCount() - start;
    if (!ended) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
    }
    if (result) {
        result->elapsedMs = elapsed;
        GetExitCodeProcess(info.hProcess, &result->exitCode);
        FILETIME created, exited, kernel, user;
        GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user);
        auto ticks = [](const FILETIME &t) { return ((unsigned long long)t.dwHighDateTime << 32) | t.dwLowDateTime; };
        result->cpu = ticks(kernel) + ticks(user);
    }
    CloseHandle(info.hProcess);
    // A message posted just before the end is in the queue by now.
    pump();
    return ended;
}

std::string buildPath(const char *unixPath)
{
    std::string path = std::string("Z:") + unixPath;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}
