// What the Win32 tests of the install engine share: the test's own files,
// the [rename] lines of wininit.ini, a process that holds a file open, and
// scratch folders.
#pragma once
#include "setup/engine/engine_state.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

inline std::string testFile(const char *name)
{
    return std::string(KIT_TEST_FILES) + "\\" + name;
}

// The [rename] lines of wininit.ini as "target=source" pairs. Wine rewrites
// the blanks around '=' when it writes a whole section, Windows keeps the
// " = " as written; the platform reads both alike.
inline std::vector<std::string> renameLines()
{
    std::vector<std::string> lines;
    std::string text = readFile(windowsDirectory() + "\\wininit.ini");
    if (text.compare(0, 10, "[rename]\r\n") != 0)
        return {"<no [rename] section first: " + text + ">"};
    size_t at = 10;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        std::string line = text.substr(at, end - at);
        size_t equals = line.find('=');
        auto trim = [](std::string t) {
            t.erase(0, t.find_first_not_of(' '));
            t.erase(t.find_last_not_of(' ') + 1);
            return t;
        };
        lines.push_back(equals == std::string::npos ? line
                                                    : trim(line.substr(0, equals)) + "=" + trim(line.substr(equals + 1)));
        if (end == std::string::npos)
            break;
        at = end + 2;
    }
    return lines;
}

// The short (8.3) name of an existing file or folder, as a wininit.ini line
// for Windows 95 and 98 must hold it; "<none>" when it has none.
inline std::string shortName(const std::string &path)
{
    char out[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), out, sizeof out);
    return length != 0 && length < sizeof out ? out : "<none: " + path + ">";
}

// Holds a file open from another process, with no sharing, while it lives.
class Holder {
public:
    explicit Holder(const std::string &path)
    {
        std::string name = "kit-holder-" + std::to_string(GetCurrentProcessId());
        ready_ = CreateEventA(nullptr, TRUE, FALSE, (name + ".ready").c_str());
        done_ = CreateEventA(nullptr, TRUE, FALSE, (name + ".done").c_str());
        std::string command = "\"" + testFile("holder.exe") + "\" \"" + path + "\" " + name;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            process_ = info.hProcess;
            CloseHandle(info.hThread);
            holding_ = WaitForSingleObject(ready_, 10000) == WAIT_OBJECT_0;
        }
    }
    ~Holder() { release(); }
    bool holding() const { return holding_; }
    void release()
    {
        if (process_ != nullptr) {
            SetEvent(done_);
            if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0)
                TerminateProcess(process_, 1);
            CloseHandle(process_);
            process_ = nullptr;
        }
        CloseHandle(ready_);
        CloseHandle(done_);
        ready_ = done_ = nullptr;
    }

private:
    HANDLE ready_ = nullptr, done_ = nullptr, process_ = nullptr;
    bool holding_ = false;
};

// The state an install starts from: no INFs loaded, the engine's flags at
// rest with the copies wanted, an ordinary (not floppy) kit, no wizard, the
// given product caption and the prefix's Windows directory.
inline void startInstallState(const char *caption)
{
    freeAllInfs();
    engineState = EngineState();
    engineState.keepInstalling = true;
    setupState.restartNeeded = false;
    setupState.floppyKit = false;
    setupState.foundInWindowsInf = false;
    setupState.wizardWindow = nullptr;
    copyText(setupState.productCaption, caption);
    GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
}

// Starts Windows again, as far as the deferred operations go: wineboot
// carries out the [rename] lines of wininit.ini (and keeps a wininit.bak,
// which is removed here).
inline bool runWineboot()
{
    std::string command = "wineboot.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    bool ended = WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(info.hProcess, 1);   // never left running behind the tests
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    DeleteFileA((windowsDirectory() + "\\wininit.bak").c_str());
    return ended;
}

// A path in the temporary directory.
inline std::string tempPath(const std::string &name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return temp + name;
}

}  // namespace testsupport
