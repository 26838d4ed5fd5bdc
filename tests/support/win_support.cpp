// Support for the Win32 tests; see win_support.h.
#include "support/win_support.h"

#include <stdio.h>

#include <algorithm>

namespace testsupport {

std::string windowsDirectory()
{
    char dir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir, n < sizeof dir ? n : 0);
}

std::string fixturePath(const char *name)
{
    return std::string(KIT_FIXTURES) + "\\" + name;
}

std::string readFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

bool writeFile(const std::string &path, const std::string &content)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, content.data(), (DWORD)content.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

bool fileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void removeTree(const std::string &dir)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

ScopedFileRestore::ScopedFileRestore(std::vector<std::string> paths)
{
    for (const std::string &path : paths)
        saved_.push_back({path, fileExists(path), readFile(path)});
}

ScopedFileRestore::~ScopedFileRestore()
{
    for (const Saved &s : saved_) {
        SetFileAttributesA(s.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (s.existed)
            writeFile(s.path, s.content);
        else
            DeleteFileA(s.path.c_str());
    }
}

void deleteRegistryTree(HKEY root, const char *subkey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char child[256];
    for (;;) {
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::string path = std::string(subkey) + "\\" + child;
        deleteRegistryTree(root, path.c_str());
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, subkey);
}

ScopedRegistryTree::ScopedRegistryTree(HKEY root, const char *subkey) : root_(root), subkey_(subkey)
{
    deleteRegistryTree(root_, subkey_.c_str());
}

ScopedRegistryTree::~ScopedRegistryTree()
{
    deleteRegistryTree(root_, subkey_.c_str());
}

bool waitUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

bool waitGone(HWND window)
{
    return waitUntil([window] { return !IsWindow(window); });
}

std::string windowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string itemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr)
        return "<no control " + std::to_string(id) + ">";
    char text[2048] = "";
    SendMessageA(item, WM_GETTEXT, sizeof text, (LPARAM)text);
    return text;
}

std::vector<std::string> listItems(HWND list, bool combo)
{
    std::vector<std::string> items;
    UINT countMessage = combo ? CB_GETCOUNT : LB_GETCOUNT;
    UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
    LRESULT count = SendMessageW(list, countMessage, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list, lengthMessage, (WPARAM)i, 0);
        std::wstring wide((size_t)std::max<LRESULT>(length, 0) + 1, L'\0');
        SendMessageW(list, textMessage, (WPARAM)i, (LPARAM)&wide[0]);
        char text[1024] = "";
        WideCharToMultiByte(932, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

namespace {

struct DialogSearch {
    DWORD processId;
    const char *title;
    HWND found;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM param)
{
    DialogSearch &search = *(DialogSearch *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search.processId || !IsWindowVisible(window))
        return TRUE;
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || windowText(window) != search.title)
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND findDialog(DWORD processId, const char *title)
{
    DialogSearch search = {processId ? processId : GetCurrentProcessId(), title, nullptr};
    EnumWindows(matchDialog, (LPARAM)&search);
    return search.found;
}

}  // namespace

HWND waitForDialog(DWORD processId, const char *title, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND found = findDialog(processId, title);
        if (found != nullptr || GetTickCount() - start > timeoutMs)
            return found;
        Sleep(20);
    }
}

void pressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

DialogAnswerer::DialogAnswerer(const char *title, int button) : title_(title), button_(button)
{
    InitializeCriticalSection(&lock_);
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

DialogAnswerer::~DialogAnswerer()
{
    SetEvent(stop_);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    CloseHandle(stop_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI DialogAnswerer::run(void *param)
{
    DialogAnswerer &self = *(DialogAnswerer *)param;
    std::vector<HWND> answered;
    while (WaitForSingleObject(self.stop_, 20) == WAIT_TIMEOUT) {
        answered.erase(std::remove_if(answered.begin(), answered.end(), [](HWND w) { return !IsWindow(w); }),
                       answered.end());
        HWND dialog = findDialog(0, self.title_.c_str());
        if (dialog == nullptr || std::find(answered.begin(), answered.end(), dialog) != answered.end())
            continue;
        std::string text = itemText(dialog, 0xFFFF);
        EnterCriticalSection(&self.lock_);
        self.texts_.push_back(text);
        LeaveCriticalSection(&self.lock_);
        answered.push_back(dialog);
        pressButton(dialog, self.button_);
    }
    return 0;
}

int DialogAnswerer::count() const
{
    return (int)texts().size();
}

std::vector<std::string> DialogAnswerer::texts() const
{
    EnterCriticalSection(&lock_);
    std::vector<std::string> copy = texts_;
    LeaveCriticalSection(&lock_);
    return copy;
}

Watchdog::Watchdog(DWORD timeoutMs, const char *what) : timeout_(timeoutMs), what_(what)
{
    done_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

Watchdog::~Watchdog()
{
    SetEvent(done_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(done_);
}

DWORD WINAPI Watchdog::run(void *param)
{
    Watchdog &self = *(Watchdog *)param;
    if (WaitForSingleObject(self.done_, self.timeout_) == WAIT_TIMEOUT) {
        printf("watchdog: %s did not finish within %lu ms\n", self.what_.c_str(), (unsigned long)self.timeout_);
        fflush(stdout);
        ExitProcess(3);
    }
    return 0;
}

}  // namespace testsupport
