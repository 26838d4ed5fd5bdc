// kit_driver: the user in front of the setup program for scripts/run-kit.
// It starts Osprin.exe on a kit, walks the wizard (or, with --show, watches
// a person walk it), answers the prompts, swaps floppy disks behind drive A:
// and takes a picture of every page and prompt with GDI. Two helper modes
// give the run's before-and-after listings of files and registry keys.
#include "support/sheet_hands.h"
#include "win/shell/osprin_run.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <winver.h>

#include <cstdio>
#include <cstdlib>
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
const char kDiskTitle[] = "ディスク交換";

const char *pageName(int id)
{
    for (const PageName &page : kPages)
        if (page.id == id)
            return page.name;
    return "page";
}

struct Options {
    std::string outDir, program, floppyRoot;
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

    // The window as painted now, numbered in the order of the run; one
    // progress line on the terminal and in steps.txt.
    void take(HWND window, const std::string &name, const std::string &what)
    {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(250);   // the other process paints in its own time
        char number[8];
        wsprintfA(number, "%02d", ++count_);
        std::string file = std::string(number) + "-" + name + ".bmp";
        RECT rect;
        GetWindowRect(window, &rect);
        bool saved = savePicture(rect, dir_ + "\\" + file);
        note(std::string(number) + " " + name + " " + what + (saved ? "" : " (no picture)"));
    }
    void note(const std::string &line)
    {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        log_ += line + "\r\n";
        writeFile(dir_ + "\\steps.txt", log_);
    }

private:
    std::string dir_, log_;
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

// A dialog of the process other than the sheet: a message box or the disk
// dialog; null when there is none.
HWND promptOf(DWORD processId, HWND sheet)
{
    for (HWND window : windowsOf(processId))
        if (window != sheet && IsWindowVisible(window) && className(window) == "#32770" &&
            (GetDlgItem(window, 0xFFFF) != nullptr || windowText(window) == kDiskTitle))
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

// The custom page's choice: the first entry of the list turned over with
// the space bar, as a user does (on the sample kit: the fax software left out).
void tickCustom(HWND sheet)
{
    HWND list = GetDlgItem(currentPage(sheet), kCheckList);
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) <= 0)
        return;
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(kCheckList, LBN_SELCHANGE), (LPARAM)list);
    SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
    SendMessageA(list, WM_KEYUP, VK_SPACE, 0xC0390001);
}

// What the user does on a page: the choices, then Next (or Finish).
void actOnPage(HWND sheet, int page, const Options &options, Pictures &pictures, bool &cancelSent)
{
    switch (page) {
    case 118:   // nickname: the first one; custom setup when asked for
        if (options.custom) {
            HWND page = currentPage(sheet);
            SendDlgItemMessageA(page, 1004, BM_SETCHECK, BST_UNCHECKED, 0);
            SendMessageA(GetDlgItem(page, kCustomChoice), BM_CLICK, 0, 0);
        }
        break;
    case 114:
        tickCustom(sheet);
        pictures.take(sheet, "custom-chosen", "the custom page after the choice");
        break;
    case 115:   // progress: nothing to press, unless the user stops it
        if (options.cancel && !cancelSent) {
            pressSheet(sheet, PSBTN_CANCEL);
            cancelSent = true;
        }
        return;
    case 116:
        pressSheet(sheet, PSBTN_FINISH);
        return;
    }
    bool before = page == 113 || page == 114;
    pressSheet(sheet, PSBTN_NEXT);
    // Cancel right behind Next: it is read while the first component runs.
    if (before && options.cancel && !cancelSent) {
        pressSheet(sheet, PSBTN_CANCEL);
        cancelSent = true;
    }
}

// Answers a prompt (restart: the restart question); the word for the log.
std::string answerPrompt(HWND prompt, bool restart, const Options &options, Floppies &floppies)
{
    if (windowText(prompt) == kDiskTitle) {
        std::string text = itemText(prompt, kDiskPrompt);
        size_t hash = text.find('#');
        int disk = hash == std::string::npos ? floppies.current() + 1 : std::atoi(text.c_str() + hash + 1);
        bool in = disk >= 1 && floppies.insert(disk);
        if (!options.show)
            pressButton(prompt, in ? IDOK : kDiskAbort);
        return in ? "disk " + std::to_string(disk) + " in drive A:" : "no disk " + std::to_string(disk) + ": abort";
    }
    if (options.show)
        return "(left to the user)";
    BoxView box = viewBox(prompt);
    bool yes = restart ? options.restartYes : !box.ok;
    pressButton(prompt, box.ok ? IDOK : yes ? IDYES : IDNO);
    return box.ok ? "OK" : yes ? "Yes" : "No";
}

int drive(const Options &options)
{
    Pictures pictures(options.outDir);
    Floppies floppies(options.floppyRoot);
    if (!options.floppyRoot.empty() && !floppies.insert(1)) {
        pictures.note("cannot put disk 1 into drive A:");
        return 3;
    }
    // A loaded driver is open without sharing until Windows shuts down.
    std::vector<HANDLE> held;
    for (const std::string &path : options.held) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        pictures.note((file == INVALID_HANDLE_VALUE ? "cannot hold " : "in use: ") + path);
        if (file != INVALID_HANDLE_VALUE)
            held.push_back(file);
    }
    auto release = [&] {
        for (HANDLE file : held)
            CloseHandle(file);
        held.clear();
    };
    std::string folder = options.program.substr(0, options.program.rfind('\\'));
    std::string exe = options.program.substr(options.program.rfind('\\') + 1);
    OsprinRun run(folder, "", exe.c_str());
    if (!run.started()) {
        pictures.note("cannot start " + options.program);
        return 3;
    }
    pictures.note("started " + options.program);
    DWORD start = GetTickCount();
    auto late = [&] { return GetTickCount() - start > options.deadlineMs; };

    if (HWND main = run.mainWindow(30000))
        pictures.take(main, "main-window", "the main window");
    HWND sheet = nullptr, lastPrompt = nullptr;
    int lastPage = 0;
    bool cancelSent = false, restartAsked = false, secondDone = false;
    while (!late()) {
        if (!run.running())
            break;
        if (HWND prompt = promptOf(run.id(), sheet)) {
            if (prompt != lastPrompt) {
                std::string text = windowText(prompt) == kDiskTitle ? itemText(prompt, kDiskPrompt)
                                                                     : itemText(prompt, 0xFFFF);
                for (char &c : text)
                    if (c == '\r' || c == '\n')
                        c = ' ';
                // The restart question is the Yes/No box that is not the stop
                // question; what the restart is to carry out is read first,
                // for with Yes the restart begins at once.
                BoxView box = viewBox(prompt);
                bool restart = box.yes && box.no && text.find("中断") == std::string::npos;
                if (restart) {
                    writeFile(options.outDir + "\\pending.txt", pendingRestart());
                    release();
                }
                pictures.take(prompt, windowText(prompt) == kDiskTitle ? "disk-prompt" : restart ? "restart" : "message",
                              "\"" + text + "\"");
                restartAsked |= restart;
                std::string answer = answerPrompt(prompt, restart, options, floppies);
                pictures.note("   answered: " + answer);
                lastPrompt = prompt;
            }
            Sleep(50);
            continue;
        }
        lastPrompt = nullptr;
        if (sheet == nullptr || !IsWindow(sheet)) {
            sheet = sheetOf(run.id());
            if (sheet == nullptr) {
                if (HWND preparing = run.preparing(0); preparing != nullptr && lastPage == 0 && IsWindowVisible(preparing)) {
                    lastPage = -1;
                    pictures.take(preparing, "preparing", "the preparing dialog");
                }
                Sleep(20);
                continue;
            }
        }
        int page = currentPageId(sheet);
        if (page == 0 || page == lastPage) {
            Sleep(20);
            continue;
        }
        lastPage = page;
        pictures.take(sheet, pageName(page), "page \"" + std::string(pageName(page)) + "\" " + windowText(sheet));
        if (options.second && !secondDone) {
            secondDone = true;
            OsprinRun other(folder, "", exe.c_str());
            // It finds the first one's main window, brings it forward and
            // ends; the first one goes on with its wizard.
            bool came = other.started() &&
                        waitUntil([&] { return !other.running() || sheetOf(other.id()) != nullptr; }, 20000);
            bool ownWizard = came && other.running();
            int code = other.exitCode(ownWizard ? 0 : 20000);
            pictures.note("   a second Osprin.exe ended with " + std::to_string(code) +
                          (ownWizard ? ", after showing a wizard of its own" : ", showing no wizard of its own") +
                          (IsWindow(sheet) && run.running() ? "; the first one's wizard stays open" : "; the first one is gone"));
            pictures.take(sheet, "after-second", "the first program's sheet after the second start");
            lastPage = page;
        }
        if (!options.show)
            actOnPage(sheet, page, options, pictures, cancelSent);
    }
    if (late()) {
        release();
        pictures.note("the run passed its deadline: Osprin.exe ended by force");
        run.exitCode(0);
        return 4;
    }
    release();
    int code = run.exitCode(10000);
    pictures.note("Osprin.exe ended with " + std::to_string(code) + (restartAsked ? ", after the restart question" : ""));
    return 0;
}

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
               "                  [--hold FILE]... [--deadline SECONDS] OUTDIR PROGRAM\n"
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
    return drive(options);
}
