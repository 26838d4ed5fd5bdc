// The real setup program started on a fixture kit and watched from outside,
// as a user sees it: its windows, their texts and pixels, and its end.
#pragma once
#include "support/win_support.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// The Windows version Wine reports to the started program: --windows=VERSION
// on the test's command line (win98: the 9x family, win10: the NT family), or
// "" for Wine's default.
std::string chosenWindowsVersion();

// The folder a test's kit is placed in: C:\osprin-shell\<name>.
std::string kitFolder(const std::string &name);
// Copies the fixture kit tests/fixtures/shell/<fixture> and the program,
// as exeName, into folder (made afresh).
bool placeKit(const std::string &fixture, const std::string &folder, const char *exeName = "Osprin.exe");

// The top-level windows of a process, visible or not.
std::vector<HWND> windowsOf(DWORD processId);
std::string className(HWND window);

// A message box (or dialog) as it stands: title, text of control 0xFFFF,
// its icon compared with the platform's stock icons, and its buttons.
struct BoxView {
    HWND window = nullptr;
    std::string title, text;
    LPCSTR icon = nullptr;   // IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK or null
    bool ok = false, yes = false, no = false, cancel = false;
};
BoxView viewBox(HWND window);

// A window of the test that hears the end of the session Windows starts for
// a restart, and refuses it, so that the prefix and the tests go on.
class SessionWatch {
public:
    SessionWatch();
    ~SessionWatch();
    SessionWatch(const SessionWatch &) = delete;
    SessionWatch &operator=(const SessionWatch &) = delete;
    bool asked() const { return asked_ != 0; }

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static DWORD WINAPI run(void *param);
    HANDLE ready_ = nullptr, thread_ = nullptr;
    HWND window_ = nullptr;
    volatile LONG asked_ = 0;
};

class OsprinRun {
public:
    // Starts folder\exeName with commandLine (may be empty), with Wine
    // reporting the Windows version of the test's --windows=VERSION to it.
    OsprinRun(const std::string &folder, const std::string &commandLine = "", const char *exeName = "Osprin.exe");
    ~OsprinRun();
    OsprinRun(const OsprinRun &) = delete;
    OsprinRun &operator=(const OsprinRun &) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    bool running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    // The main window, once it is there (class "QELDriverKit" of this process).
    HWND mainWindow(DWORD timeoutMs = kAppear);
    // A dialog of this process with this title; null when none came.
    HWND dialog(const char *title, DWORD timeoutMs = kAppear);
    // A message box of this process with this title (a dialog with a
    // message text, control 0xFFFF).
    HWND messageBox(const char *title, DWORD timeoutMs = kAppear);
    // The preparing dialog: the dialog of this process with a progress bar.
    HWND preparing(DWORD timeoutMs = kAppear);
    // The wizard: a property sheet of this process with this title.
    HWND wizard(const char *title, DWORD timeoutMs = kAppear);
    // The exit code once the process has ended (it is killed, and -1 given,
    // when it does not end in time).
    int exitCode(DWORD timeoutMs = kAppear);

private:
    HWND waitForWindow(const std::function<bool(HWND)> &test, DWORD timeoutMs);
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    std::string exeName_, windowsVersion_;   // the version set for exeName_ while it runs
};

}  // namespace testsupport
