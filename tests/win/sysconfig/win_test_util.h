// Helpers of the configuration tests under Wine: whole-file reads and
// writes, files and registry keys put back as they were, and INF images.
// All Wine tests share one prefix per run, so whatever a test changes in it
// is restored when the test ends.
#pragma once
#include "portable/inf_test_util.h"
#include "support/win_support.h"

#include <windows.h>

#include <string>

using testsupport::fileExists;
using testsupport::readFile;

inline std::string windowsPath(const char *name)
{
    return testsupport::windowsDirectory() + "\\" + name;
}

// The root of the drive of the system directory: where the boot files are.
inline std::string bootPath(const char *name)
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(1, dir[0]) + ":\\" + name;
}

// Forgets whatever the profile functions hold of the file, so that a file
// written behind their back is read afresh.
inline void flushProfile(const std::string &path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    WriteProfileStringA(nullptr, nullptr, nullptr);
}

inline void writeFile(const std::string &path, const std::string &text)
{
    flushProfile(path);
    testsupport::writeFile(path, text);
    flushProfile(path);
}

inline void removeFile(const std::string &path)
{
    flushProfile(path);
    DeleteFileA(path.c_str());
    flushProfile(path);
}

// A file of the prefix, put back (or removed again) at the end of the scope,
// with the profile functions' copy of it forgotten before and after.
class SavedFile {
    struct Flush {
        std::string path;
        ~Flush() { flushProfile(path); }
    } flush_;   // declared first: runs after the file is back
    testsupport::ScopedFileRestore restore_;

public:
    explicit SavedFile(const std::string &path) : flush_{path}, restore_({path}) { flushProfile(path); }
};

inline FILETIME fileTime(const std::string &path)
{
    FILETIME time = {};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        GetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
    return time;
}

// Sets a file's last-write time into the past, so that any write shows.
inline void ageFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SYSTEMTIME past = {2001, 1, 0, 1, 12, 0, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&past, &time);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// A registry value: whether it exists, its type and its bytes. Wine's
// RegQueryValueExA adds a NUL to string data stored without one, so the text
// of a string value is taken without its closing NUL.
struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::string data;
};

inline RegValue readValue(HKEY root, const std::string &subkey, const char *name)
{
    RegValue value;
    HKEY key = root;
    if (!subkey.empty() && RegOpenKeyA(root, subkey.c_str(), &key) != ERROR_SUCCESS)
        return value;
    char data[1024];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &value.type, (BYTE *)data, &size) == ERROR_SUCCESS) {
        value.present = true;
        value.data.assign(data, size);
        if (value.type == REG_SZ && !value.data.empty() && value.data.back() == '\0')
            value.data.pop_back();
    }
    if (key != root)
        RegCloseKey(key);
    return value;
}

inline bool keyExists(HKEY root, const std::string &subkey)
{
    HKEY key;
    if (RegOpenKeyA(root, subkey.c_str(), &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

inline void writeValue(HKEY root, const std::string &subkey, const char *name, const std::string &data)
{
    HKEY key = root;
    if (!subkey.empty() && RegCreateKeyA(root, subkey.c_str(), &key) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)data.c_str(), (DWORD)data.size() + 1);
    if (key != root)
        RegCloseKey(key);
}

// A registry value put back as it was at the end of the scope.
struct SavedValue {
    HKEY root;
    std::string subkey;
    std::string name;
    RegValue before;
    SavedValue(HKEY r, const std::string &s, const char *n) : root(r), subkey(s), name(n), before(readValue(r, s, n)) {}
    ~SavedValue()
    {
        HKEY key = root;
        if (!subkey.empty() && RegCreateKeyA(root, subkey.c_str(), &key) != ERROR_SUCCESS)
            return;
        if (before.present)
            RegSetValueExA(key, name.c_str(), 0, before.type, (const BYTE *)before.data.data(), (DWORD)before.data.size());
        else
            RegDeleteValueA(key, name.c_str());
        if (key != root)
            RegCloseKey(key);
    }
    SavedValue(const SavedValue &) = delete;
    SavedValue &operator=(const SavedValue &) = delete;
};
