// Support for the Win32 tests: scratch files and registry keys that are put
// back afterwards, and a user's hands for dialogs and message boxes, always
// with a deadline so that a hung dialog fails its test instead of hanging CI.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

std::string windowsDirectory();
// A file of tests/fixtures, as a Windows path.
std::string fixturePath(const char *name);

std::string readFile(const std::string &path);   // "" when missing
bool writeFile(const std::string &path, const std::string &content);
bool fileExists(const std::string &path);
// Deletes a folder with everything in it (read-only files too).
void removeTree(const std::string &dir);

// Remembers the files (content, or absence) and puts them back when the
// scope ends: for tests that write into the shared prefix.
class ScopedFileRestore {
public:
    explicit ScopedFileRestore(std::vector<std::string> paths);
    ~ScopedFileRestore();
    ScopedFileRestore(const ScopedFileRestore &) = delete;
    ScopedFileRestore &operator=(const ScopedFileRestore &) = delete;

private:
    struct Saved {
        std::string path;
        bool existed;
        std::string content;
    };
    std::vector<Saved> saved_;
};

// A registry key that is removed with everything below it when the scope
// starts and when it ends.
class ScopedRegistryTree {
public:
    ScopedRegistryTree(HKEY root, const char *subkey);
    ~ScopedRegistryTree();
    ScopedRegistryTree(const ScopedRegistryTree &) = delete;
    ScopedRegistryTree &operator=(const ScopedRegistryTree &) = delete;

private:
    HKEY root_;
    std::string subkey_;
};
void deleteRegistryTree(HKEY root, const char *subkey);

// ---- windows

const DWORD kAppear = 10000;   // ms for a window to come or go on a loaded machine

// Checks done() every 10 ms; false when it has not come true in time.
bool waitUntil(const std::function<bool()> &done, DWORD timeoutMs = kAppear);
bool waitGone(HWND window);

std::string windowText(HWND window);
std::string itemText(HWND dialog, int id);
// Items of a list box or combo box, also of another process (there Wine
// hands back UTF-16, so the W messages are used and converted to CP932).
std::vector<std::string> listItems(HWND list, bool combo);

// The first visible dialog (class "#32770") with exactly this title, of the
// given process (0: this one), within timeoutMs; null when none came.
HWND waitForDialog(DWORD processId, const char *title, DWORD timeoutMs);
// Presses a button as a user would: a posted WM_COMMAND, so that a button
// that opens something modal does not block the caller.
void pressButton(HWND dialog, int id);

// Watches this process, from a second thread, for dialogs with the given
// title (message boxes included) and answers each with the button; records
// each one's message text (control 0xFFFF). Stops when destroyed.
class DialogAnswerer {
public:
    DialogAnswerer(const char *title, int button);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer &) = delete;
    DialogAnswerer &operator=(const DialogAnswerer &) = delete;

    int count() const;
    std::vector<std::string> texts() const;

private:
    static DWORD WINAPI run(void *self);
    std::string title_;
    int button_;
    HANDLE stop_;
    HANDLE thread_;
    mutable CRITICAL_SECTION lock_;
    std::vector<std::string> texts_;
};

// Ends the process, without a passing summary line, when the scope is not
// left within timeoutMs: the test fails instead of hanging.
class Watchdog {
public:
    Watchdog(DWORD timeoutMs, const char *what);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    static DWORD WINAPI run(void *self);
    DWORD timeout_;
    std::string what_;
    HANDLE done_;
    HANDLE thread_;
};

}  // namespace testsupport
