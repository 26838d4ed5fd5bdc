// Under Wine: how long the setup program takes from its process start to the
// moment the wizard opens, for a kit of 20 components and for a catalogue of
// 1,000 components in 50 INFs, beside the start of an empty window program
// in the same prefix. The median of several starts of each; the catalogues
// are written into the registry beforehand, so that the two kits differ only
// in the tree the program builds.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

const int kRounds = 11;
const char kRoot[] = "C:\\osprin-bench";

double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

bool writeFile(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
    return written == text.size();
}

void setValue(HKEY key, const char *name, const std::string &data)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)data.c_str(), (DWORD)data.size() + 1);
}

void deleteTree(HKEY root, const std::string &subkey)
{
    HKEY key;
    if (RegOpenKeyA(root, subkey.c_str(), &key) == ERROR_SUCCESS) {
        char name[MAX_PATH];
        while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS)
            deleteTree(key, name);
        RegCloseKey(key);
    }
    RegDeleteKeyA(root, subkey.c_str());
}

// A kit of components spread over infs component INFs: a setup INF of
// class setupClass, a layout INF, the INFs, and the catalogue in the registry.
std::string makeKit(const char *setupClass, int components, int infs)
{
    std::string folder = std::string(kRoot) + "\\" + setupClass;
    CreateDirectoryA(kRoot, NULL);
    CreateDirectoryA(folder.c_str(), NULL);
    writeFile(folder + "\\OSPRIN.INF", std::string("[version]\r\nsignature=\"$UPGKIT$\"\r\nSetupClass=") + setupClass +
                                           "\r\nLayoutFile=LAYOUT.INF\r\n[Strings]\r\n" + setupClass + "=\"" +
                                           setupClass + "\"\r\n");
    std::string layout = "[version]\r\nsignature=\"$UPGKIT$\"\r\n[SourceDisksFiles]\r\n";
    std::vector<std::string> infTexts(infs, "[version]\r\nsignature=\"$UPGKIT$\"\r\n[DestinationDirs]\r\nDefaultDestDir=10\r\n");
    std::string components_key = std::string("SOFTWARE\\QEL\\") + setupClass + "\\Setup\\OptionalComponents";
    deleteTree(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\QEL\\") + setupClass);
    HKEY catalogue;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, components_key.c_str(), &catalogue);
    for (int i = 0; i < components; ++i) {
        char name[32], section[32], file[32];
        wsprintfA(name, "C%05d", i);   // created in name order: Wine (sorted) and Windows 9x (creation order) agree
        wsprintfA(section, "Comp%05d", i);
        wsprintfA(file, "F%05d.DAT", i);
        int inf = i * infs / components;
        char infName[32];
        wsprintfA(infName, "COMP%02d.INF", inf);
        std::string &text = infTexts[inf];
        // Every tenth component is a parent of the next nine.
        char parent[32];
        wsprintfA(parent, "Comp%05d", i - i % 10);
        text += std::string("[") + section + "]\r\nOptionDesc=\"Component " + name + "\"\r\nTip=\"A component\"\r\n" +
                (i % 10 != 0 ? std::string("Parent=") + parent + "\r\n" : std::string()) +
                "InstallType=2\r\nCopyFiles=" + section + ".Files\r\n[" + section + ".Files]\r\n" + file + "\r\n";
        layout += std::string(file) + "=0,,4096\r\n";
        setValue(catalogue, name, "1");
        HKEY entry;
        RegCreateKeyA(catalogue, name, &entry);
        setValue(entry, "INF", infName);
        setValue(entry, "Section", section);
        RegCloseKey(entry);
    }
    RegCloseKey(catalogue);
    for (int inf = 0; inf < infs; ++inf) {
        char infName[64];
        wsprintfA(infName, "\\COMP%02d.INF", inf);
        writeFile(folder + infName, infTexts[inf]);
    }
    writeFile(folder + "\\LAYOUT.INF", layout);
    return folder;
}

struct Found {
    DWORD processId;
    const char *title;
    bool sheet;
    HWND window;
};

BOOL CALLBACK match(HWND window, LPARAM param)
{
    Found &found = *(Found *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != found.processId || !IsWindowVisible(window))
        return TRUE;
    char title[128] = "";
    GetWindowTextA(window, title, sizeof title);
    if (lstrcmpA(title, found.title) != 0)
        return TRUE;
    if (found.sheet && SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0) == 0)
        return TRUE;
    found.window = window;
    return FALSE;
}

// Milliseconds from CreateProcess to the visible window titled title (a
// property sheet when sheet is set); the window is then closed. -1 on failure.
double timeStart(const std::string &program, const std::string &folder, const char *title, bool sheet)
{
    std::string command = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup, &info))
        return -1;
    Found found = {info.dwProcessId, title, sheet, NULL};
    double elapsed = -1;
    for (;;) {
        EnumWindows(match, (LPARAM)&found);
        QueryPerformanceCounter(&now);
        if (found.window != NULL) {
            elapsed = milliseconds(start, now);
            break;
        }
        if (milliseconds(start, now) > 20000)
            break;
        Sleep(1);
    }
    if (found.window != NULL) {
        if (sheet)
            PostMessageA(found.window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        else
            PostMessageA(found.window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return elapsed;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: osprin_bench OSPRIN.EXE EMPTY.EXE\n");
        return 2;
    }
    DeleteFileA("C:\\windows\\setup.ini");
    std::string small = makeKit("BENCH20", 20, 2);
    std::string large = makeKit("BENCH1000", 1000, 50);
    for (const std::string &folder : {small, large})
        CopyFileA(argv[1], (folder + "\\Osprin.exe").c_str(), FALSE);

    std::vector<double> empty, smallKit, largeKit;
    timeStart(argv[2], kRoot, "empty", false);   // warm the caches once
    for (int round = 0; round < kRounds; ++round) {
        empty.push_back(timeStart(argv[2], kRoot, "empty", false));
        smallKit.push_back(timeStart(small + "\\Osprin.exe", small, "BENCH20", true));
        largeKit.push_back(timeStart(large + "\\Osprin.exe", large, "BENCH1000", true));
    }
    double e = median(empty), s = median(smallKit), l = median(largeKit);
    printf("start to window, median of %d starts under Wine:\n", kRounds);
    printf("  empty window program        %7.1f ms\n", e);
    printf("  Osprin, 20 components       %7.1f ms  (%.2f x the empty program)\n", s, s / e);
    printf("  Osprin, 1,000 in 50 INFs    %7.1f ms  (+%.1f ms for the larger catalogue)\n", l, l - s);
    deleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\BENCH20");
    deleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\BENCH1000");
    return 0;
}
