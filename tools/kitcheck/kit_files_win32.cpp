// The kit checker's file access on Windows.
#include "tools/kitcheck/kit_files.h"

#include "setup/inf/charset.h"

#include <windows.h>

bool listKitDirectory(const std::string &dir, std::vector<KitDirEntry> &entries)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(kitPath(dir, "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return GetFileAttributesA(dir.c_str()) != INVALID_FILE_ATTRIBUTES &&
               (GetFileAttributesA(dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        uint64_t size = ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
        entries.push_back(KitDirEntry{name, size, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

bool readKitFile(const std::string &path, std::string &bytes, size_t limit)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes.resize(limit);
    size_t total = 0;
    bool ok = true;
    while (total < limit) {
        DWORD got = 0;
        DWORD want = (DWORD)(limit - total > 65536 ? 65536 : limit - total);
        if (!ReadFile(file, &bytes[total], want, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        total += got;
    }
    CloseHandle(file);
    bytes.resize(total);
    return ok;
}

std::string kitPath(const std::string &dir, const std::string &name)
{
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/'))
        return dir + name;
    return dir + "\\" + name;
}

// The kit is code page 932 also on a machine whose own code page is another.
void useKitCodePage()
{
    for (int c = 0; c < 256; ++c)
        leadByteTable[c] = IsDBCSLeadByteEx(932, (BYTE)c) ? 1 : 0;
}
