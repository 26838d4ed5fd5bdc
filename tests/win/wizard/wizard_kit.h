// A kit for the wizard, made on the spot: a component INF with file lists,
// registry values, a CONFIG.SYS line and INI entries per component, the
// layout INF with every file's disk and size, the machine list, the
// catalogue in the registry, and the setup state that start-up would leave.
// Also the hands that drive the sheet: its pages by template id, its
// buttons, and the message boxes over it.
#pragma once
#include "setup/components/component_catalogue.h"
#include "setup/components/components.h"
#include "setup/engine/engine_state.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/wizard/wizard.h"
#include "setup/wizard/wizard_state.h"
#include "support/win_support.h"
#include "support/sheet_hands.h"
#include "win/engine/user_hands.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

const char kWizardCaption[] = "ウィザード試験キット";
const char kResultKey[] = "Software\\QEL-WizardTest";   // where the components' AddReg lines write

struct KitComponent {
    std::string name;           // "C01": the files, sections and registry value take it
    std::string model;          // the model part of its Section
    std::string description;    // OptionDesc
    int installType = 0;
    bool installed = true;      // "Installed"="1": detected as present
    int files = 2;
    int disk = 0;               // the floppy disk of its files (0: no disk)
    uint32_t fileSize = 0;      // each file's size in the layout INF; 0: its real size
    std::string extraInis;      // further UpdateInis lines (e.g. a system.ini entry)
    std::string parent;         // the Section of its parent, "" at the top level
    int copyLists = 1;          // how often CopyFiles names its file list: each time counts for its size
    bool missingLast = false;   // its file list ends with missingName(), which no medium holds: the
                                // engine asks for it each time it is handed the component

    std::string section() const { return name + "_" + model; }
    std::string fileName(int n) const
    {
        char text[32];
        std::snprintf(text, sizeof text, "%sF%03d.TXT", name.c_str(), n);
        return text;
    }
    std::string missingName() const { return name + "MISS.TXT"; }
    // What a file of it holds.
    std::string content(int n) const { return section() + " file " + std::to_string(n) + "\r\n"; }
};

inline KitComponent kitComponent(const char *name, const char *model, const char *description, int installType,
                                 bool installed, int files)
{
    KitComponent c;
    c.name = name;
    c.model = model;
    c.description = description;
    c.installType = installType;
    c.installed = installed;
    c.files = files;
    return c;
}

// The name under which the floppy kit stores a compressed file: the last
// character of its extension becomes '_' (FOO.TXT -> FOO.TX_).
inline std::string storedName(const std::string &name)
{
    return name.substr(0, name.size() - 1) + "_";
}

class WizardKit {
public:
    std::string dir;                    // the source directory (sourceDir, kitSourceDir)
    std::string destRoot;               // where the components install: <Windows>\WIZKIT
    std::string setupClass = "WizardTest";
    std::string configSys = "C:\\CONFIG.SYS";
    std::vector<KitComponent> components;
    std::string machineInf;             // MACHINE.INF, "" for none

    WizardKit()
    {
        dir = tempPath("wizard-kit");
        destRoot = windowsDirectory() + "\\WIZKIT";
    }
    ~WizardKit() { clean(); }
    WizardKit(const WizardKit &) = delete;
    WizardKit &operator=(const WizardKit &) = delete;

    void clean()
    {
        freeAllInfs();
        freeComponents(componentTree);
        engineState.lastComponentInf[0] = '\0';
        removeTree(dir);
        removeTree(destRoot);
        deleteRegistryTree(HKEY_LOCAL_MACHINE, catalogueRoot().c_str());
        deleteRegistryTree(HKEY_CURRENT_USER, kResultKey);
    }

    std::string catalogueRoot() const { return "SOFTWARE\\QEL\\" + setupClass; }
    std::string destination(const KitComponent &c) const { return destRoot + "\\" + c.name; }

    // Writes the kit and the catalogue; for a floppy kit the files go onto
    // the disks of drives (one folder per disk, "disk1" ...) instead.
    std::string write(FloppyDrives *drives = nullptr, int diskCount = 0)
    {
        clean();
        // The engine makes one level of folders: the components' own.
        if (!CreateDirectoryA(dir.c_str(), nullptr) || !CreateDirectoryA(destRoot.c_str(), nullptr))
            return "cannot make " + dir + " or " + destRoot;
        std::string inf = "[version]\r\nsignature=\"$CHICAGO$\"\r\n[DestinationDirs]\r\n";
        for (const KitComponent &c : components)
            inf += c.name + ".Files=10,WIZKIT\\" + c.name + "\r\n";
        std::string layout = "[SourceDisksFiles]\r\n";
        std::vector<std::vector<std::pair<std::string, std::string>>> disks(diskCount + 1);
        for (int d = 1; d <= diskCount; ++d)
            disks[d].push_back({"DISK" + std::to_string(d), "DISK" + std::to_string(d) + "\r\n"});
        for (const KitComponent &c : components) {
            inf += "[" + c.section() + "]\r\n";
            inf += "OptionDesc=\"" + c.description + "\"\r\n";
            inf += "Tip=\"" + c.description + "\"\r\n";
            inf += "InstallType=" + std::to_string(c.installType) + "\r\n";
            if (!c.parent.empty())
                inf += "Parent=" + c.parent + "\r\n";
            inf += "CopyFiles=" + c.name + ".Files";
            for (int list = 1; list < c.copyLists; ++list)
                inf += "," + c.name + ".Files";
            inf += "\r\n";
            inf += "AddReg=" + c.name + ".Reg\r\n";
            inf += "UpdateInis=" + c.name + ".Inis\r\n";
            inf += "SearchDir=10,WIZKIT\\SEARCH\r\nSearchFile=" + c.name + ".NOT\r\n";
            inf += "[" + c.name + ".Files]\r\n";
            for (int n = 1; n <= c.files; ++n) {
                std::string file = c.fileName(n);
                inf += file + "\r\n";
                uint32_t size = c.fileSize != 0 ? c.fileSize : (uint32_t)c.content(n).size();
                layout += file + "=" + std::to_string(c.disk) + ",," + std::to_string(size) + "\r\n";
                if (c.disk == 0) {
                    if (!writeFile(dir + "\\" + file, c.content(n)))
                        return "cannot write " + file;
                } else if (c.disk <= diskCount) {
                    disks[c.disk].push_back({storedName(file), c.content(n)});
                }
            }
            if (c.missingLast)
                inf += c.missingName() + "\r\n";
            inf += "[" + c.name + ".Reg]\r\nHKCU," + std::string(kResultKey) + "," + c.name + ",,\"" + c.section() +
                   "\"\r\n";
            inf += "[" + c.name + ".Inis]\r\nconfig.sys,,,\"REM " + c.section() + "\"\r\n" + c.extraInis;
        }
        if (!writeFile(dir + "\\WIZKIT.INF", inf) || !writeFile(dir + "\\LAYOUT.INF", layout))
            return "cannot write the INFs";
        if (!machineInf.empty() && !writeFile(dir + "\\MACHINE.INF", machineInf))
            return "cannot write MACHINE.INF";
        for (int d = 1; d <= diskCount; ++d)
            if (drives == nullptr || !drives->makeDisk("disk" + std::to_string(d), disks[d]))
                return "cannot make disk " + std::to_string(d);

        std::string key = catalogueRoot() + "\\Setup\\OptionalComponents";
        HKEY catalogue;
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, key.c_str(), &catalogue) != ERROR_SUCCESS)
            return "cannot make the catalogue";
        for (const KitComponent &c : components) {
            RegSetValueExA(catalogue, c.section().c_str(), 0, REG_SZ, (const BYTE *)"1", 2);
            HKEY entry;
            RegCreateKeyA(catalogue, c.section().c_str(), &entry);
            auto put = [entry](const char *name, const std::string &value) {
                RegSetValueExA(entry, name, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)value.size() + 1);
            };
            put("INF", "WIZKIT.INF");
            put("Section", c.section());
            if (c.installed)
                put("Installed", "1");
            RegCloseKey(entry);
        }
        RegCloseKey(catalogue);
        return "";
    }

    // The state start-up leaves before it opens the wizard: the INFs read,
    // the tree built, the free space measured.
    std::string start(bool floppy = false)
    {
        startInstallState(kWizardCaption);
        freeComponents(componentTree);
        if (wizardState.titleFont != nullptr)
            DeleteObject(wizardState.titleFont);   // what the main window does when it closes
        wizardState = WizardState();
        setupState.floppyKit = floppy;
        setupState.preparingProgress = nullptr;
        setupState.instance = GetModuleHandleA(nullptr);
        GetWindowRect(GetDesktopWindow(), &setupState.desktopRect);
        copyText(setupState.setupClass, setupClass.c_str());
        GetSystemDirectoryA(setupState.systemDir, sizeof setupState.systemDir);
        copyText(setupState.sourceDir, dir.c_str());
        copyText(setupState.kitSourceDir, floppy ? "A:\\" : dir.c_str());
        char layout[kPathSize];
        copyText(layout, (dir + "\\LAYOUT.INF").c_str());
        InfImage *image = openInf(layout);
        if (image == INF_NONE || image == nullptr)
            return "cannot load the layout INF";
        setInfSlot(LAYOUT_INF, image);
        if (!buildComponentTree(nullptr))
            return "the component tree was not built";
        setupState.freeDiskBytes = measureFreeSpace();
        return "";
    }

    // ---- what the run left behind

    bool installedAll(const KitComponent &c) const
    {
        for (int n = 1; n <= c.files; ++n)
            if (readFile(destination(c) + "\\" + c.fileName(n)) != c.content(n))
                return false;
        return true;
    }
    bool installedNone(const KitComponent &c) const
    {
        return !fileExists(destination(c)) && registryMark(c).empty();
    }
    std::string registryMark(const KitComponent &c) const
    {
        char data[kPathSize] = "";
        DWORD size = sizeof data;
        HKEY key;
        if (RegOpenKeyA(HKEY_CURRENT_USER, kResultKey, &key) != ERROR_SUCCESS)
            return "";
        LONG status = RegQueryValueExA(key, c.name.c_str(), nullptr, nullptr, (BYTE *)data, &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? data : "";
    }
    // How often the component's CONFIG.SYS line was appended: once each
    // time the engine ran the component.
    int configSysRuns(const KitComponent &c) const
    {
        std::string text = readFile(configSys), line = "REM " + c.section() + "\r\n";
        int count = 0;
        for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
            ++count;
        return count;
    }
};

// ---- the sheet, as the user sees it

struct WindowSearch {
    const char *title;
    HWND exclude;
    bool messageBox;
    HWND found;
};

inline BOOL CALLBACK findWindowOf(HWND window, LPARAM param)
{
    WindowSearch &search = *(WindowSearch *)param;
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (window == search.exclude || lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    if (search.messageBox) {
        if (GetDlgItem(window, 0xFFFF) == nullptr || windowText(window) != search.title)
            return TRUE;
    } else if (SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0) == 0) {
        return TRUE;
    }
    search.found = window;
    return FALSE;
}

// A dialog of the thread: a message box with the title, or (messageBox
// false) a property sheet; null when none came within timeoutMs.
inline HWND findThreadWindow(DWORD thread, const char *title, HWND exclude, bool messageBox, DWORD timeoutMs)
{
    WindowSearch search = {title, exclude, messageBox, nullptr};
    waitUntil(
        [&] {
            search.found = nullptr;
            EnumThreadWindows(thread, findWindowOf, (LPARAM)&search);
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

// The wizard's sheet, shown by the given thread.
inline HWND waitForSheet(DWORD thread, DWORD timeoutMs = kAppear)
{
    return findThreadWindow(thread, nullptr, nullptr, false, timeoutMs);
}

// A message box of the given thread with the product caption (not the
// sheet, which has the same title), answered with button.
inline Box answerWizardBox(DWORD thread, HWND sheet, int button, DWORD timeoutMs = kAppear)
{
    return answerBoxWindow(findThreadWindow(thread, kWizardCaption, sheet, true, timeoutMs), button);
}

// No message box over the sheet right now.
inline bool noWizardBox(DWORD thread, HWND sheet)
{
    return findThreadWindow(thread, kWizardCaption, sheet, true, 0) == nullptr;
}

inline BOOL CALLBACK describeWindow(HWND window, LPARAM param)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    RECT place;
    GetWindowRect(window, &place);
    *(std::string *)param += std::string("[") + className + " \"" + windowText(window) + "\" " +
                             (IsWindowVisible(window) ? "visible " : "hidden ") + std::to_string(place.right - place.left) +
                             "x" + std::to_string(place.bottom - place.top) + "]";
    return TRUE;
}
inline std::string describeWindows(DWORD thread)
{
    std::string text;
    EnumThreadWindows(thread, describeWindow, (LPARAM)&text);
    return text;
}

// Shows the wizard on this thread while steps drive it from a second one;
// the sheet's result. When the steps end with the sheet still open, they
// failed somewhere: the sheet is closed so that the test goes on.
// The side panel of a page (control 1011) as on screen: the panel's colour
// below the picture, and the picture's own pixels where it stands, centred
// at the top of the panel; checked as the page is shown, and again after
// repaint() has made some of it paint anew.
inline void expectSidePanel(HWND page, const std::function<void()> &repaint)
{
    HWND panel = GetDlgItem(page, 1011);
    ASSERT_NE(panel, nullptr);
    HBITMAP picture = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SIDE_PANEL));
    ASSERT_NE(picture, nullptr);
    BITMAP info;
    GetObjectA(picture, sizeof info, &info);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, picture);
    RECT area;
    GetWindowRect(panel, &area);
    int left = area.left + (area.right - area.left - info.bmWidth) / 2;
    const POINT samples[] = {{info.bmWidth / 2, 8},
                             {info.bmWidth / 4, info.bmHeight / 3},
                             {info.bmWidth / 2, info.bmHeight / 2},
                             {3 * info.bmWidth / 4, 2 * info.bmHeight / 3},
                             {info.bmWidth / 3, info.bmHeight - 4}};
    std::string shown;
    auto drawn = [&] {
        HDC screen = GetDC(nullptr);
        COLORREF below = GetPixel(screen, area.left + 2, area.bottom - 3);
        bool same = below == RGB(0, 128, 128);
        shown = "below the picture " + std::to_string(below);
        for (const POINT &at : samples) {
            COLORREF want = GetPixel(memory, at.x, at.y), got = GetPixel(screen, left + at.x, area.top + at.y);
            same = same && want == got;
            shown += "; at " + std::to_string(at.x) + "," + std::to_string(at.y) + " " + std::to_string(got) +
                     " for " + std::to_string(want);
        }
        ReleaseDC(nullptr, screen);
        return same;
    };
    EXPECT_TRUE(waitUntil(drawn, 3000)) << "the side panel: " << shown;
    repaint();
    Sleep(300);
    EXPECT_TRUE(waitUntil(drawn, 3000)) << "the side panel after it painted again: " << shown;
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(picture);
}

inline INT_PTR runDrivenWizard(const std::function<void(HWND sheet, DWORD thread)> &steps)
{
    DWORD thread = GetCurrentThreadId();
    INT_PTR result;
    {
        User hands([&] {
            HWND sheet = waitForSheet(thread);
            if (sheet == nullptr) {
                ADD_FAILURE() << "no wizard came; the thread's windows: " << describeWindows(thread);
                return;
            }
            steps(sheet, thread);
            if (!waitUntil([&] { return !IsWindow(sheet); }, 3000)) {
                ADD_FAILURE() << "the wizard was left open on page " << currentPageId(sheet) << " with "
                              << describeWindows(thread);
                while (IsWindow(sheet)) {
                    Box stray = answerWizardBox(thread, sheet, IDNO, 200);
                    if (stray.came)
                        ADD_FAILURE() << "a message box was left unanswered: " << stray.text;
                    pressSheet(sheet, PSBTN_FINISH);
                    pressSheet(sheet, PSBTN_CANCEL);
                    Sleep(200);
                }
            }
        });
        result = runWizard(nullptr, GetModuleHandleA(nullptr));
    }
    return result;
}

}  // namespace testsupport
