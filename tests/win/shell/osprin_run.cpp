// Starting the setup program on a fixture kit and watching it from outside.
#include "win/shell/osprin_run.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

namespace testsupport {

namespace {


std::string appDefaultsKey(const char *exeName)
{
    return std::string("Software\\Wine\\AppDefaults\\") + exeName;
}

// Wine reads the per-program setting when the program starts.
void setWindowsVersion(const char *exeName, const std::string &version)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, appDefaultsKey(exeName).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)version.c_str(), (DWORD)version.size() + 1) !=
            ERROR_SUCCESS)
        ADD_FAILURE() << "could not set Windows version " << version << " for " << exeName;
    if (key != nullptr)
        RegCloseKey(key);
}

}  // namespace

SessionWatch::SessionWatch()
{
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    WaitForSingleObject(ready_, 5000);
}

SessionWatch::~SessionWatch()
{
    PostMessageA(window_, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    CloseHandle(ready_);
}

LRESULT CALLBACK SessionWatch::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_QUERYENDSESSION) {
        InterlockedExchange(&((SessionWatch *)GetWindowLongPtrA(window, GWLP_USERDATA))->asked_, 1);
        return FALSE;
    }
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI SessionWatch::run(void *param)
{
    SessionWatch &self = *(SessionWatch *)param;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = proc;
    windowClass.lpszClassName = "OsprinTestSessionWatch";
    RegisterClassA(&windowClass);
    self.window_ = CreateWindowA("OsprinTestSessionWatch", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    SetWindowLongPtrA(self.window_, GWLP_USERDATA, (LONG_PTR)&self);
    SetEvent(self.ready_);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

std::string chosenWindowsVersion()
{
    for (int i = 1; i < __argc; ++i)
        if (strncmp(__argv[i], "--windows=", 10) == 0)
            return __argv[i] + 10;
    return "";
}

std::string kitFolder(const std::string &name)
{
    return "C:\\osprin-shell\\" + name;
}

bool placeKit(const std::string &fixture, const std::string &folder, const char *exeName)
{
    removeTree(folder);
    CreateDirectoryA("C:\\osprin-shell", nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string from = fixturePath(("shell\\" + fixture).c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool copied = true;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            copied &= CopyFileA((from + "\\" + found.cFileName).c_str(), (folder + "\\" + found.cFileName).c_str(),
                                FALSE) != 0;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (exeName != nullptr)
        copied &= CopyFileA(OSPRIN_EXE, (folder + "\\" + exeName).c_str(), FALSE) != 0;
    return copied;
}

namespace {
struct ProcessWindows {
    DWORD processId;
    std::vector<HWND> windows;
};
BOOL CALLBACK collect(HWND window, LPARAM param)
{
    ProcessWindows &search = *(ProcessWindows *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search.processId)
        search.windows.push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> windowsOf(DWORD processId)
{
    ProcessWindows search = {processId, {}};
    EnumWindows(collect, (LPARAM)&search);
    return search.windows;
}

std::string className(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

BoxView viewBox(HWND window)
{
    BoxView view;
    view.window = window;
    view.title = windowText(window);
    HWND text = GetDlgItem(window, 0xFFFF);
    view.text = text != nullptr ? itemText(window, 0xFFFF) : "";
    view.ok = GetDlgItem(window, IDOK) != nullptr;
    view.yes = GetDlgItem(window, IDYES) != nullptr;
    view.no = GetDlgItem(window, IDNO) != nullptr;
    view.cancel = GetDlgItem(window, IDCANCEL) != nullptr;
    // The box's icon as on the screen, against each stock icon drawn here
    // on the box's own background: icon handles of another process cannot
    // be compared or drawn.
    static const LPCSTR kIcons[] = {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK};
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (className(child) != "Static" || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        RECT rect;
        GetWindowRect(child, &rect);
        const int size = 32;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = SelectObject(memory, bitmap);
        COLORREF background = GetPixel(screen, rect.left, rect.top);
        int best = 0;
        for (LPCSTR stock : kIcons) {
            HBRUSH brush = CreateSolidBrush(background);
            RECT all = {0, 0, size, size};
            FillRect(memory, &all, brush);
            DeleteObject(brush);
            DrawIconEx(memory, 0, 0, LoadIconA(nullptr, stock), size, size, 0, nullptr, DI_NORMAL);
            int same = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    same += GetPixel(memory, x, y) == GetPixel(screen, rect.left + x, rect.top + y);
            if (same > best && same > size * size * 9 / 10) {
                best = same;
                view.icon = stock;
            }
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    return view;
}

OsprinRun::OsprinRun(const std::string &folder, const std::string &commandLine, const char *exeName)
{
    windowsVersion_ = chosenWindowsVersion();
    if (!windowsVersion_.empty())
        setWindowsVersion(exeName, windowsVersion_);
    exeName_ = exeName;
    std::string command = "\"" + folder + "\\" + exeName + "\"";
    if (!commandLine.empty())
        command += " " + commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
        process_ = info.hProcess;
        id_ = info.dwProcessId;
        CloseHandle(info.hThread);
    }
}

OsprinRun::~OsprinRun()
{
    if (process_ != nullptr) {
        if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
            // Never left running behind a failed test.
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    if (!windowsVersion_.empty())
        deleteRegistryTree(HKEY_CURRENT_USER, appDefaultsKey(exeName_.c_str()).c_str());
}

// The first top-level window of the process that passes test, once one does.
HWND OsprinRun::waitForWindow(const std::function<bool(HWND)> &test, DWORD timeoutMs)
{
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (HWND window : windowsOf(id_))
                if (found == nullptr && test(window))
                    found = window;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

static bool visibleDialog(HWND window, const char *title)
{
    return IsWindowVisible(window) && className(window) == "#32770" && windowText(window) == title;
}

static bool hasProgressBar(HWND window)
{
    return FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr) != nullptr;
}

HWND OsprinRun::mainWindow(DWORD timeoutMs)
{
    return waitForWindow([](HWND window) { return className(window) == "QELDriverKit"; }, timeoutMs);
}

HWND OsprinRun::dialog(const char *title, DWORD timeoutMs)
{
    return waitForDialog(id_, title, timeoutMs);
}

HWND OsprinRun::messageBox(const char *title, DWORD timeoutMs)
{
    return waitForWindow(
        [title](HWND window) {
            return visibleDialog(window, title) && GetDlgItem(window, 0xFFFF) != nullptr && !hasProgressBar(window);
        },
        timeoutMs);
}

HWND OsprinRun::preparing(DWORD timeoutMs)
{
    return waitForWindow([](HWND window) { return className(window) == "#32770" && hasProgressBar(window); },
                         timeoutMs);
}

HWND OsprinRun::wizard(const char *title, DWORD timeoutMs)
{
    return waitForWindow(
        [title](HWND window) {
            return visibleDialog(window, title) && SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0) != 0;
        },
        timeoutMs);
}

int OsprinRun::exitCode(DWORD timeoutMs)
{
    if (process_ == nullptr)
        return -1;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return (int)code;
}

}  // namespace testsupport
