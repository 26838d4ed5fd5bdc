// The telephone application's side of the detector's hand-over, for tests: a
// top-level window of class "QXTelephoneWClass" that records every message
// 1424 with its parameters and the [LINE] values of QXtel.ini at the moment
// the message arrives. Lives on the test's own thread; runProgram pumps it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct TelephoneNotice {
    WPARAM wParam;
    LPARAM lParam;
    std::string toska, comNo, faxBoard;
};

class TelephoneWindow {
public:
    TelephoneWindow();
    ~TelephoneWindow();
    TelephoneWindow(const TelephoneWindow &) = delete;
    TelephoneWindow &operator=(const TelephoneWindow &) = delete;
    bool created() const { return window_ != NULL; }
    static std::vector<TelephoneNotice> notices;   // of every window, in order

private:
    HWND window_;
};

struct ProgramRun {
    DWORD elapsedMs;          // wall time from the start to the end
    DWORD exitCode;
    unsigned long long cpu;   // kernel + user time, 100 ns units
    DWORD startError;         // GetLastError of a failed start, else 0
};

// Runs commandLine to its end, pumping this thread's messages meanwhile, and
// ends it by its handle when it is still running after deadlineMs. false: it
// did not start or had to be ended.
bool runProgram(const std::string &commandLine, const char *directory, DWORD deadlineMs, ProgramRun *result = nullptr);

// The Windows path of a file of the build tree (Wine shows / as Z:\).
std::string buildPath(const char *unixPath);
