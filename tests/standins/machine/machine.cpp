// The machine stand-in: copies folders and reads a REGEDIT4 file with string
// values only ("name"="text", @="text"; \\ and \" escaped), as regedit
// would, so that a test or a driver script needs no regedit run of its own.
#include "tests/standins/machine/machine.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace {

// The profile functions must read a copied INI file afresh, not what they
// hold of the one it replaces.
bool copyFile(const std::string &source, const std::string &target)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, target.c_str());
    bool copied = CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE;
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, target.c_str());
    return copied;
}

}  // namespace

std::string copyTree(const std::string &from, const std::string &to)
{
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return "";
    std::string failed;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string source = from + "\\" + name, target = to + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            failed += copyTree(source, target);
        else if (!copyFile(source, target))
            failed += "cannot copy " + source + " to " + target + "\n";
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return failed;
}

namespace {

HKEY rootKey(const std::string &name)
{
    static const struct {
        const char *name;
        HKEY key;
    } roots[] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                 {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                 {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                 {"HKEY_USERS", HKEY_USERS}};
    for (const auto &root : roots)
        if (name == root.name)
            return root.key;
    return nullptr;
}

// A quoted text starting at text[at] ('"'); at moves past its closing quote.
bool takeQuoted(const std::string &text, size_t &at, std::string &out)
{
    if (at >= text.size() || text[at] != '"')
        return false;
    out.clear();
    for (++at; at < text.size(); ++at) {
        if (text[at] == '"') {
            ++at;
            return true;
        }
        if (text[at] == '\\' && at + 1 < text.size())
            ++at;
        out += text[at];
    }
    return false;
}

std::string applyRegistry(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "cannot read " + path + "\n";
    std::string line, failed;
    HKEY key = nullptr;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line == "REGEDIT4")
            continue;
        if (line[0] == '[') {
            if (key != nullptr)
                RegCloseKey(key);
            key = nullptr;
            std::string name = line.substr(1, line.find(']') - 1);
            size_t slash = name.find('\\');
            HKEY root = rootKey(name.substr(0, slash));
            if (root == nullptr || slash == std::string::npos ||
                RegCreateKeyA(root, name.substr(slash + 1).c_str(), &key) != ERROR_SUCCESS) {
                failed += "cannot create " + name + "\n";
                key = nullptr;
            }
            continue;
        }
        std::string name, value;
        size_t at = 0;
        bool named = line[0] == '@' ? (++at, true) : takeQuoted(line, at, name);
        if (!named || at >= line.size() || line[at] != '=' || !takeQuoted(line, ++at, value)) {
            failed += "not a string value: " + line + "\n";
            continue;
        }
        if (key != nullptr &&
            RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, (const BYTE *)value.c_str(),
                           (DWORD)value.size() + 1) != ERROR_SUCCESS)
            failed += "cannot set " + name + "\n";
    }
    if (key != nullptr)
        RegCloseKey(key);
    return failed;
}

}  // namespace

std::string applyMachine(const std::string &machineDir)
{
    if (GetFileAttributesA((machineDir + "\\machine.reg").c_str()) == INVALID_FILE_ATTRIBUTES)
        return "no machine in " + machineDir + " (scripts/build-kits builds it)\n";
    char windows[MAX_PATH], system[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    GetSystemDirectoryA(system, sizeof system);
    std::string bootRoot = std::string(1, system[0]) + ":";
    std::string failed = copyTree(machineDir + "\\windows", windows);
    failed += copyTree(machineDir + "\\boot", bootRoot);
    WriteProfileStringA(nullptr, nullptr, nullptr);
    return failed + applyRegistry(machineDir + "\\machine.reg");
}
