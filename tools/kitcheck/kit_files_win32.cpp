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
        bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back(KitDirEntry{name, size, directory, !directory});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

bool readKitFile(const std::string &path, std::string &bytes, size_t limit)
{
    bytes.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // Only a file on a disk: a device or pipe under a kit's name may never end.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return false;
    }
    // Room for what the file holds, not for the limit: the checker keeps
    // every INF it has read.
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE)
        bytes.reserve(size < limit ? size : limit);
    bool ok = true;
    char chunk[16384];
    while (bytes.size() < limit) {
        DWORD got = 0;
        DWORD want = (DWORD)(limit - bytes.size() > sizeof chunk ? sizeof chunk : limit - bytes.size());
        if (!ReadFile(file, chunk, want, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        bytes.append(chunk, got);
    }
    CloseHandle(file);
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
