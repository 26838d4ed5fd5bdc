// kit_driver: the user in front of the setup program for scripts/run-kit.
// It starts Osprin.exe on a kit, walks the wizard (or, with --show, watches
// a person walk it; with --unattended, watches a run that shows no wizard),
// answers the prompts, swaps floppy disks behind drive A: and takes a
// picture of every page and prompt with GDI. Two helper modes
// give the run's before-and-after listings of files and registry keys.
#include "support/sheet_hands.h"
#include "win/shell/osprin_run.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <winver.h>

#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <functional>
#include <thread>
#include <set>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// Template ids of the wizard's pages (setup/resources/resource.h) and names
// for their pictures.
struct PageName {
    int id;
    const char *name;
};
const PageName kPages[] = {{111, "welcome"}, {118, "nickname"}, {112, "model"},    {117, "confirm"},
                           {113, "standard"}, {114, "custom"},  {115, "progress"}, {116, "finish"}};
const int kCheckList = 1006;      // the custom page's check list
const int kNickname = 1031;       // the nickname page's combo box
const int kCustomChoice = 1005;   // its "custom setup" button
const int kDiskPrompt = 1032;     // the disk change dialog's prompt
const int kDiskAbort = 1031;      // and its 中止 button
const int kFinishText = 1035;     // the finish page's text
const int kProgressText = 1028;   // the progress page's line on what it does
const char kDiskTitle[] = "ディスク交換";

const char *pageName(int id)
{
    for (const PageName &page : kPages)
        if (page.id == id)
            return page.name;
    return "page";
}

// An unattended run's exit status in a user's words, and whether it counts
// as a completed setup.
struct StatusWords {
    int status;
    const char *words;
    bool completed;
};
const StatusWords kStatusWords[] = {
    {0, "completed", true},
    {1641, "completed; Windows restarts", true},
    {3010, "completed; Windows must be restarted, which was left to the user", true},
    {1603, "setup ended, but some components were not set up", false},
    {112, "stopped for lack of space", false},
    {1602, "stopped at the disk prompt", false},
    {1620, "setup refused the kit", false},
    {1610, "the answer file does not fit the kit", false},
    {1618, "another setup program was running", false},
    {1622, "the log could not be opened", false},
    {1639, "the command line was refused", false},
};

struct Options {
    std::string outDir, program, floppyRoot, arguments;
    bool unattended = false;   // no wizard: only floppy disks to swap, and the exit status
    std::vector<std::string> held;   // files in use while Windows runs (a loaded driver)
    bool custom = false, show = false, cancel = false, second = false;
    bool restartYes = true;
    DWORD deadlineMs = 120000;
};

// ---- pictures

// The screen under rect as a 24-bit BMP file.
bool savePicture(const RECT &rect, const std::string &path)
{
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        DWORD rowBytes = ((DWORD)width * 3 + 3) & ~3u, imageBytes = rowBytes * (DWORD)height;
        BITMAPFILEHEADER header = {};
        header.bfType = 0x4D42;
        header.bfOffBits = sizeof header + sizeof info.bmiHeader;
        header.bfSize = header.bfOffBits + imageBytes;
        info.bmiHeader.biSizeImage = imageBytes;
        std::string data((const char *)&header, sizeof header);
        data.append((const char *)&info.bmiHeader, sizeof info.bmiHeader);
        data.append((const char *)bits, imageBytes);
        saved = writeFile(path, data);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

class Pictures {
public:
    explicit Pictures(const std::string &dir) : dir_(dir) {}

    // What a picture shows, decided once it is taken: an empty name drops
    // the picture (the window changed while it was taken).
    struct Shown {
        std::string name, what;
    };

    // The window as painted now, numbered in the order of the run, under the
    // name that shown() gives after the capture; one progress line on the
    // terminal and in steps.txt. redraw: the other process paints the window
    // first (it must be pumping messages).
    bool take(HWND window, const std::function<Shown()> &shown, bool redraw = true)
    {
        if (redraw)
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(redraw ? 250 : 100);   // the other process paints in its own time
        RECT rect;
        GetWindowRect(window, &rect);
        std::string taken = dir_ + "\\taking.bmp";
        bool saved = savePicture(rect, taken);
        Shown what = shown();
        if (what.name.empty()) {
            DeleteFileA(taken.c_str());
            return false;
        }
        char number[8];
        wsprintfA(number, "%02d", ++count_);
        std::string file = dir_ + "\\" + number + "-" + what.name + ".bmp";
        DeleteFileA(file.c_str());
        saved = saved && MoveFileA(taken.c_str(), file.c_str());
        note(std::string(number) + " " + what.name + " " + what.what + (saved ? "" : " (no picture)"));
        return true;
    }
    void take(HWND window, const std::string &name, const std::string &what)
    {
        take(window, [&] { return Shown{name, what}; });
    }
    // A line of steps.txt, which grows line by line (run-kit shows it while
    // the run goes on), and of the output.
    void note(const std::string &line)
    {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        std::string text = line + "\r\n";
        HANDLE file = CreateFileA((dir_ + "\\steps.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) {
            WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
            CloseHandle(file);
        }
    }

private:
    std::string dir_;
    int count_ = 0;
};

// ---- floppy disks: folders disk1, disk2, ... of a root, one of them at a
// time renamed to drive_a, where drive A: points

class Floppies {
public:
    explicit Floppies(const std::string &root) : root_(root) {}
    bool insert(int disk)
    {
        if (current_ == disk)
            return true;
        if (current_ != 0 && !MoveFileA((root_ + "\\drive_a").c_str(), (root_ + "\\disk" + std::to_string(current_)).c_str()))
            return false;
        current_ = 0;
        if (!MoveFileA((root_ + "\\disk" + std::to_string(disk)).c_str(), (root_ + "\\drive_a").c_str()))
            return false;
        current_ = disk;
        return true;
    }
    int current() const { return current_; }

private:
    std::string root_;
    int current_ = 0;
};

// ---- what the restart will carry out, read before it

std::string pendingRestart()
{
    std::string text = "[wininit.ini]\r\n" + readFile(windowsDirectory() + "\\wininit.ini") + "\r\n[RunOnce]\r\n";
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", &key) ==
        ERROR_SUCCESS) {
        char name[MAX_PATH], data[1024];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type;
        for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, nullptr, &type, (BYTE *)data, &dataSize) ==
                          ERROR_SUCCESS;
             ++i, nameSize = sizeof name, dataSize = sizeof data - 1) {
            data[type == REG_SZ || type == REG_EXPAND_SZ ? dataSize : 0] = '\0';
            text += std::string(name) + "=" + data + "\r\n";
        }
        RegCloseKey(key);
    }
    return text;
}

// ---- the run

// A message box: its text in control 0xFFFF and a button to answer it (the
// preparing dialog has an icon of id 0xFFFF too, but no button).
bool isMessageBox(HWND window)
{
    HWND text = GetDlgItem(window, 0xFFFF);
    return text != nullptr && className(text) == "Static" &&
           (GetDlgItem(window, IDOK) != nullptr || GetDlgItem(window, IDYES) != nullptr ||
            GetDlgItem(window, IDNO) != nullptr);
}

// A dialog of the process other than the sheet: a message box or the disk
// dialog; null when there is none.
HWND promptOf(DWORD processId, HWND sheet)
{
    for (HWND window : windowsOf(processId))
        if (window != sheet && IsWindowVisible(window) && className(window) == "#32770" &&
            (isMessageBox(window) || windowText(window) == kDiskTitle))
            return window;
    return nullptr;
}

HWND sheetOf(DWORD processId)
{
    for (HWND window : windowsOf(processId))
        if (IsWindowVisible(window) && className(window) == "#32770" && currentPage(window) != nullptr)
            return window;
    return nullptr;
}

std::string oneLine(std::string text)
{
    for (char &c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

// The progress page's bar, 0 to 100; -1 when the page has none.
int barPosition(HWND page)
{
    HWND bar = FindWindowExA(page, nullptr, PROGRESS_CLASSA, nullptr);
    DWORD_PTR position = 0;
    if (bar == nullptr || !SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position))
        return -1;
    return (int)position;
}

// A prompt of the window's process lies over part of it.
bool covered(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    RECT area, other, common;
    GetWindowRect(window, &area);
    HWND prompt = promptOf(processId, window);
    return prompt != nullptr && GetWindowRect(prompt, &other) && IntersectRect(&common, &area, &other);
}

bool partWay(int position)
{
    return position > 0 && position < 100;
}

// Moves window out of the way of another, as a user drags a dialog aside:
// below it, above it, or beside it, where the screen has room.
void moveAside(HWND window, HWND other)
{
    RECT moved, fixed;
    GetWindowRect(window, &moved);
    GetWindowRect(other, &fixed);
    int width = moved.right - moved.left, height = moved.bottom - moved.top;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const POINT places[] = {{moved.left, fixed.bottom + 4}, {moved.left, fixed.top - height - 4},
                            {fixed.right + 4, moved.top}, {fixed.left - width - 4, moved.top}};
    for (const POINT &place : places) {
        if (place.x < 0 || place.y < 0 || place.x + width > screenWidth || place.y + height > screenHeight)
            continue;
        SetWindowPos(window, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Sleep(100);
        return;
    }
}

// The custom page's choice: the first entry of the list turned over with
// the space bar, as a user does (on the sample kit: the fax software left out).
void tickCustom(HWND sheet)
{
    toggleCheckListEntry(GetDlgItem(currentPage(sheet), kCheckList), 0);
}

// The finish page's text in a user's words: what the run came to.
struct FinishWords {
    const char *mark;   // a part of the page's text
    const char *words;
    bool completed;
};
const FinishWords kFinishWords[] = {
    {"ユーザー処理により", "stopped by the user", false},
    {"空き容量の不足により", "stopped for lack of space", false},
    {"必要なファイルが見つからない", "stopped: files that setup needs were not found", false},
    {"セットアップされませんでした", "setup ended, but some components were not set up", false},
    {"セットアップが完了しました", "completed", true},
};

// The driver's exit status: how the run ended.
enum Ending { kCompleted = 0, kNotCompleted = 1, kNoStart = 3, kHung = 4, kCrashed = 5 };

// Ends a process that is still there after its deadline, from a thread of
// its own.
class Watchdog {
public:
    Watchdog(DWORD processId, DWORD deadlineMs)
        : process_(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId)),
          stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        if (process_ == nullptr || stop_ == nullptr)
            return;
        thread_ = std::thread([this, deadlineMs] {
            HANDLE both[2] = {stop_, process_};
            if (WaitForMultipleObjects(2, both, FALSE, deadlineMs) == WAIT_TIMEOUT) {
                fired_ = true;
                TerminateProcess(process_, 1);
            }
        });
    }
    ~Watchdog()
    {
        if (stop_ != nullptr)
            SetEvent(stop_);
        if (thread_.joinable())
            thread_.join();
        if (process_ != nullptr)
            CloseHandle(process_);
        if (stop_ != nullptr)
            CloseHandle(stop_);
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
    bool fired() const { return fired_; }

private:
    HANDLE process_, stop_;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

// The user in front of the program: what it shows, pictured, and what the
// user does about it.
class Walk {
public:
    explicit Walk(const Options &options)
        : options_(options), pictures_(options.outDir), floppies_(options.floppyRoot) {}

    int run()
    {
        if (!options_.floppyRoot.empty() && !floppies_.insert(1))
            return end(kNoStart, "could not start: disk 1 cannot be put into drive A:");
        for (const std::string &path : options_.held) {
            HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            pictures_.note((file == INVALID_HANDLE_VALUE ? "cannot hold " : "in use: ") + path);
            if (file != INVALID_HANDLE_VALUE)
                held_.push_back(file);
        }
        std::string folder = options_.program.substr(0, options_.program.rfind('\\'));
        std::string exe = options_.program.substr(options_.program.rfind('\\') + 1);
        OsprinRun program(folder, options_.arguments, exe.c_str());
        if (!program.started())
            return end(kNoStart, "could not start " + options_.program);
        pictures_.note("started " + options_.program + (options_.arguments.empty() ? "" : " " + options_.arguments));
        start_ = GetTickCount();
        // The deadline holds also while a message sent to the program waits
        // for an answer that never comes: the program is ended then.
        Watchdog watchdog(program.id(), options_.deadlineMs);
        watchdog_ = &watchdog;

        HWND main = nullptr;
        waitUntil([&] { return !program.running() || (main = program.mainWindow(0)) != nullptr; }, 30000);
        if (main != nullptr && IsWindowVisible(main))
            pictures_.take(main, "main-window", "the main window");
        while (!late() && program.running()) {
            if (HWND prompt = promptOf(program.id(), sheet_)) {
                if (prompt != lastPrompt_)
                    answer(prompt);
                lastPrompt_ = prompt;
                Sleep(50);
                continue;
            }
            lastPrompt_ = nullptr;
            if (sheet_ == nullptr || !IsWindow(sheet_)) {
                sheet_ = sheetOf(program.id());
                if (sheet_ == nullptr) {
                    if (HWND preparing = program.preparing(0);
                        preparing != nullptr && lastPage_ == 0 && IsWindowVisible(preparing)) {
                        lastPage_ = -1;
                        pictures_.take(preparing, "preparing", "the preparing dialog");
                    }
                    Sleep(20);
                    continue;
                }
            }
            int page = currentPageId(sheet_);
            if (page == kProgressPage && !progressTaken_)
                takeProgress();
            if (page == 0 || page == lastPage_) {
                Sleep(page == kProgressPage ? 5 : 20);
                continue;
            }
            if (lastPage_ == kProgressPage && !progressTaken_)
                pictures_.note("   the progress page ended before its bar moved: no picture of it at work");
            lastPage_ = page;
            if (page == kProgressPage) {
                act(page);
                continue;
            }
            int shown = takePage();
            if (shown == 0)
                continue;
            lastPage_ = shown;
            if (options_.second && !secondDone_)
                startSecond(folder, exe, program);
            if (!options_.show)
                act(shown);
        }
        release();
        watchdog_ = nullptr;
        if (late() || watchdog.fired()) {
            program.exitCode(0);
            return end(kHung, "the program hung: it had not ended after " + std::to_string(options_.deadlineMs / 1000) +
                                  " s and was ended by force");
        }
        int code = program.exitCode(10000);
        pictures_.note("Osprin.exe ended with " + std::to_string(code) + (restartAsked_ ? ", after the restart question" : ""));
        return end(code);
    }

private:
    static const int kProgressPage = 115, kFinishPage = 116;

    bool late() const
    {
        return (watchdog_ != nullptr && watchdog_->fired()) || GetTickCount() - start_ > options_.deadlineMs;
    }

    void release()
    {
        for (HANDLE file : held_)
            CloseHandle(file);
        held_.clear();
    }

    int end(Ending ending, const std::string &words)
    {
        release();
        pictures_.note("result: " + words);
        return ending;
    }

    // How the program's end and what it last showed read to a user.
    int end(int code)
    {
        // An unhandled exception ends a program with its code (0xC0000005
        // for an access violation); an ordinary end has a small code.
        if ((DWORD)code >= 0xC0000000u) {
            char text[64];
            wsprintfA(text, "the program crashed (exception %08x)", (unsigned)code);
            return end(kCrashed, text);
        }
        if (options_.unattended) {
            for (const StatusWords &words : kStatusWords)
                if (words.status == code)
                    return end(words.completed ? kCompleted : kNotCompleted,
                               std::string(words.words) + " (unattended, exit status " + std::to_string(code) + ")");
            return end(kNotCompleted, "the unattended run ended with exit status " + std::to_string(code));
        }
        if (!finishText_.empty()) {
            for (const FinishWords &words : kFinishWords)
                if (finishText_.find(words.mark) != std::string::npos)
                    return end(words.completed ? kCompleted : kNotCompleted,
                               std::string(words.words) + " (the finish page: \"" + finishText_ + "\")");
            return end(kNotCompleted, "the finish page said \"" + finishText_ + "\"");
        }
        if (!lastMessage_.empty())
            return end(kNotCompleted, "setup refused the kit with message \"" + lastMessage_ + "\"");
        if (lastPage_ > 0)
            return end(kNotCompleted, "the program ended before its finish page (exit code " + std::to_string(code) + ")");
        return end(kNotCompleted, "the program ended without showing its wizard (exit code " + std::to_string(code) + ")");
    }

    // A picture of the sheet's current page, named by the page it shows:
    // the page is read before and after the picture, and a picture taken
    // while the sheet moved on is taken again. The page's template id.
    int takePage()
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            int page = currentPageId(sheet_);
            if (page == 0)
                return 0;
            bool taken = pictures_.take(sheet_, [&] {
                if (currentPageId(sheet_) != page)
                    return Pictures::Shown();
                std::string what = "page \"" + std::string(pageName(page)) + "\" " + windowText(sheet_);
                if (page == kFinishPage) {
                    finishText_ = oneLine(pageText(sheet_, kFinishText));
                    what += ": \"" + finishText_ + "\"";
                }
                return Pictures::Shown{pageName(page), what};
            });
            if (taken)
                return page;
        }
        return 0;
    }

    // The progress page at work: pictured once its bar has moved and while
    // it has not yet reached its end, with the page and the bar read again
    // after the picture. It is taken as it stands, not painted anew: between
    // two components the program paints only what is due, and a page made
    // to paint anew while it installs would be pictured half painted.
    void takeProgress()
    {
        HWND page = currentPage(sheet_);
        if (!partWay(barPosition(page)))
            return;
        progressTaken_ = pictures_.take(
            sheet_,
            [&] {
                int position = barPosition(page);
                if (currentPageId(sheet_) != kProgressPage || !partWay(position) || covered(sheet_))
                    return Pictures::Shown();
                return Pictures::Shown{"progress", "page \"progress\" " + windowText(sheet_) + ", the bar at " +
                                                       std::to_string(position) + "%: \"" +
                                                       oneLine(pageText(sheet_, kProgressText)) + "\""};
            },
            false);
    }

    // A prompt or message box: pictured, answered, and its text kept for
    // the result when it is the last thing the program said.
    void answer(HWND prompt)
    {
        bool disk = windowText(prompt) == kDiskTitle;
        std::string text = oneLine(disk ? itemText(prompt, kDiskPrompt) : itemText(prompt, 0xFFFF));
        // The restart question is the Yes/No box that is not the stop
        // question; what the restart is to carry out is read first, for
        // with Yes the restart begins at once.
        BoxView box = viewBox(prompt);
        bool restart = !disk && box.yes && box.no && text.find("中断") == std::string::npos;
        if (restart) {
            writeFile(options_.outDir + "\\pending.txt", pendingRestart());
            release();
        }
        // A prompt in front of the progress page at work: the page is
        // pictured too, with the prompt moved aside.
        if (sheet_ != nullptr && IsWindow(sheet_) && !progressTaken_ && currentPageId(sheet_) == kProgressPage &&
            partWay(barPosition(currentPage(sheet_)))) {
            moveAside(prompt, sheet_);
            takeProgress();
        }
        // A prompt gone before its picture was answered by someone else.
        if (!pictures_.take(prompt, [&] {
                return IsWindow(prompt) ? Pictures::Shown{disk ? "disk-prompt" : restart ? "restart" : "message",
                                                          "\"" + text + "\""}
                                        : Pictures::Shown();
            }))
            return;
        restartAsked_ |= restart;
        if (!disk && !restart)
            lastMessage_ = text;
        std::string answered = reply(prompt, disk, restart, box);
        pictures_.note("   answered: " + answered);
    }

    // Answers a prompt; the word for the log.
    std::string reply(HWND prompt, bool disk, bool restart, const BoxView &box)
    {
        if (disk) {
            std::string text = itemText(prompt, kDiskPrompt);
            size_t hash = text.find('#');
            int wanted = hash == std::string::npos ? floppies_.current() + 1 : std::atoi(text.c_str() + hash + 1);
            bool in = wanted >= 1 && floppies_.insert(wanted);
            if (!options_.show)
                pressButton(prompt, in ? IDOK : kDiskAbort);
            return in ? "disk " + std::to_string(wanted) + " in drive A:" : "no disk " + std::to_string(wanted) + ": abort";
        }
        if (options_.show)
            return "(left to the user)";
        bool yes = restart ? options_.restartYes : !box.ok;
        pressButton(prompt, box.ok ? IDOK : yes ? IDYES : IDNO);
        return box.ok ? "OK" : yes ? "Yes" : "No";
    }

    // What the user does on a page: the choices, then Next (or Finish).
    void act(int page)
    {
        switch (page) {
        case 118:   // nickname: the first one; custom setup when asked for
            if (options_.custom) {
                HWND shown = currentPage(sheet_);
                SendDlgItemMessageA(shown, 1004, BM_SETCHECK, BST_UNCHECKED, 0);
                SendMessageA(GetDlgItem(shown, kCustomChoice), BM_CLICK, 0, 0);
            }
            break;
        case 114:
            tickCustom(sheet_);
            pictures_.take(sheet_, "custom-chosen", "the custom page after the choice");
            break;
        case kProgressPage:   // nothing to press, unless the user stops it
            if (options_.cancel && !cancelSent_) {
                pressSheet(sheet_, PSBTN_CANCEL);
                cancelSent_ = true;
            }
            return;
        case kFinishPage:
            pressSheet(sheet_, PSBTN_FINISH);
            return;
        }
        bool before = page == 113 || page == 114;
        pressSheet(sheet_, PSBTN_NEXT);
        // Cancel right behind Next: it is read while the first component runs.
        if (before && options_.cancel && !cancelSent_) {
            pressSheet(sheet_, PSBTN_CANCEL);
            cancelSent_ = true;
        }
    }

    // A second Osprin.exe while the first one's wizard is up: it finds the
    // first one's main window, brings it forward and ends.
    void startSecond(const std::string &folder, const std::string &exe, OsprinRun &first)
    {
        secondDone_ = true;
        int page = lastPage_;
        OsprinRun other(folder, "", exe.c_str());
        bool came = other.started() &&
                    waitUntil([&] { return !other.running() || sheetOf(other.id()) != nullptr; }, 20000);
        bool ownWizard = came && other.running();
        int code = other.exitCode(ownWizard ? 0 : 20000);
        pictures_.note("   a second Osprin.exe ended with " + std::to_string(code) +
                       (ownWizard ? ", after showing a wizard of its own" : ", showing no wizard of its own") +
                       (IsWindow(sheet_) && first.running() ? "; the first one's wizard stays open" : "; the first one is gone"));
        pictures_.take(sheet_, "after-second", "the first program's sheet after the second start");
        lastPage_ = page;
    }

    const Options &options_;
    Pictures pictures_;
    Floppies floppies_;
    std::vector<HANDLE> held_;   // files in use while Windows runs (a loaded driver)
    Watchdog *watchdog_ = nullptr;
    DWORD start_ = 0;
    HWND sheet_ = nullptr, lastPrompt_ = nullptr;
    int lastPage_ = 0;
    bool cancelSent_ = false, restartAsked_ = false, secondDone_ = false, progressTaken_ = false;
    std::string finishText_, lastMessage_;
};

// ---- listings for the report

std::string versionOf(const std::string &path)
{
    DWORD handle = 0, size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return "-";
    std::vector<char> data(size);
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", (void **)&info, &length) || info == nullptr)
        return "-";
    char text[48];
    wsprintfA(text, "%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
              HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

// path<TAB>size<TAB>version<TAB>last write, one line a file, below dir.
void listFiles(const std::string &dir, const std::string &prefix, const std::set<std::string> &skip, std::string &out)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName, path = dir + "\\" + name, shown = prefix + name;
        if (name == "." || name == ".." || skip.count(shown) != 0)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            listFiles(path, shown + "\\", skip, out);
            continue;
        }
        SYSTEMTIME when;
        FileTimeToSystemTime(&found.ftLastWriteTime, &when);
        char stamp[32];
        wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u", when.wYear, when.wMonth, when.wDay, when.wHour,
                  when.wMinute, when.wSecond, when.wMilliseconds);
        out += shown + "\t" + std::to_string(found.nFileSizeLow) + "\t" + versionOf(path) + "\t" + stamp + "\n";
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// key, then "  name = type:data" lines, every subkey after it.
void listKey(HKEY root, const std::string &rootName, const std::string &subkey, std::string &out)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out += "[" + rootName + "\\" + subkey + "]\n";
    char name[1024];
    std::vector<BYTE> data(65536);
    DWORD nameSize = sizeof name, dataSize = (DWORD)data.size() - 1, type;
    for (DWORD i = 0;
         RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data.data(), &dataSize) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name, dataSize = (DWORD)data.size() - 1) {
        std::string shown = name[0] == '\0' ? "@" : "\"" + std::string(name) + "\"";
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data[dataSize] = 0;
            out += "  " + shown + "=\"" + std::string((const char *)data.data()) + "\"\n";
        } else if (type == REG_DWORD && dataSize == 4) {
            char text[16];
            wsprintfA(text, "dword:%08x", *(DWORD *)data.data());
            out += "  " + shown + "=" + text + "\n";
        } else {
            std::string hex = "hex(" + std::to_string(type) + "):";
            for (DWORD b = 0; b < dataSize; ++b) {
                char byte[4];
                wsprintfA(byte, b ? ",%02x" : "%02x", data[b]);
                hex += byte;
            }
            out += "  " + shown + "=" + hex + "\n";
        }
    }
    std::vector<std::string> children;
    for (DWORD i = 0, size = sizeof name; RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) ==
                                          ERROR_SUCCESS;
         ++i, size = sizeof name)
        children.push_back(name);
    RegCloseKey(key);
    for (const std::string &child : children)
        listKey(root, rootName, subkey + "\\" + child, out);
}

bool listRegistry(const std::string &file, char **keys, int count)
{
    static const struct {
        const char *name;
        HKEY root;
    } kRoots[] = {{"HKLM", HKEY_LOCAL_MACHINE}, {"HKCU", HKEY_CURRENT_USER}, {"HKCR", HKEY_CLASSES_ROOT},
                  {"HKU", HKEY_USERS}};
    std::string out;
    for (int i = 0; i < count; ++i) {
        std::string key = keys[i];
        size_t slash = key.find('\\');
        for (const auto &root : kRoots)
            if (key.substr(0, slash) == root.name)
                listKey(root.root, root.name, slash == std::string::npos ? "" : key.substr(slash + 1), out);
    }
    return writeFile(file, out);
}

int usage()
{
    std::fputs("usage: kit_driver [--floppy ROOT] [--custom] [--show] [--cancel] [--restart yes|no] [--second]\n"
               "                  [--hold FILE]... [--deadline SECONDS] [--args TEXT] [--unattended] OUTDIR PROGRAM\n"
               "       kit_driver --files DIR OUTFILE [SKIP...]\n"
               "       kit_driver --registry OUTFILE ROOT\\KEY...\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--files") {
        std::string out;
        std::set<std::string> skip(argv + 4, argv + argc);
        listFiles(argv[2], "", skip, out);
        return writeFile(argv[3], out) ? 0 : 1;
    }
    if (argc >= 3 && std::string(argv[1]) == "--registry")
        return listRegistry(argv[2], argv + 3, argc - 3) ? 0 : 1;

    Options options;
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--floppy" && i + 1 < argc)
            options.floppyRoot = argv[++i];
        else if (arg == "--hold" && i + 1 < argc)
            options.held.push_back(argv[++i]);
        else if (arg == "--custom")
            options.custom = true;
        else if (arg == "--show")
            options.show = true;
        else if (arg == "--cancel")
            options.cancel = true;
        else if (arg == "--second")
            options.second = true;
        else if (arg == "--restart" && i + 1 < argc)
            options.restartYes = std::string(argv[++i]) != "no";
        else if (arg == "--args" && i + 1 < argc)
            options.arguments = argv[++i];
        else if (arg == "--unattended")
            options.unattended = true;
        else if (arg == "--deadline" && i + 1 < argc)
            options.deadlineMs = (DWORD)std::atoi(argv[++i]) * 1000;
        else if (arg.compare(0, 2, "--") == 0)
            return usage();
        else
            plain.push_back(arg);
    }
    if (plain.size() != 2)
        return usage();
    options.outDir = plain[0];
    options.program = plain[1];
    return Walk(options).run();
}
