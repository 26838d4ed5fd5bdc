// CONFIG.SYS and AUTOEXEC.BAT in the root of the boot drive.
#include "setup/sysconfig/boot_files.h"

#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "setup/sysconfig/config_text.h"
#include "setup/shell/install_log.h"

#include <windows.h>

namespace {

// An open file, closed when it goes out of scope.
struct BootFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    BootFile() = default;
    BootFile(const BootFile &) = delete;
    BootFile &operator=(const BootFile &) = delete;
    ~BootFile()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

// A heap block, released when it goes out of scope.
struct HeapBlock {
    char *bytes = nullptr;
    explicit HeapBlock(size_t size) : bytes((char *)HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size)) {}
    HeapBlock(const HeapBlock &) = delete;
    HeapBlock &operator=(const HeapBlock &) = delete;
    ~HeapBlock()
    {
        if (bytes != nullptr)
            HeapFree(GetProcessHeap(), 0, bytes);
    }
};

// Opens name in the root of the drive of the system directory, taken afresh
// each time, for reading and writing; never creates it.
bool openBootFile(const char *name, BootFile &file)
{
    char system[kPathSize];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    if (length == 0 || length >= sizeof system)
        return false;
    char path[kPathSize];
    TextBuilder builder = startText(path);
    addText(builder, system, 1);
    addText(builder, ":\\");
    addText(builder, name);
    file.handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file.handle != INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE file, const char *bytes, size_t length)
{
    DWORD written = 0;
    return WriteFile(file, bytes, (DWORD)length, &written, nullptr) && written == length;
}

const char kEndOfFile = 0x1A;

// How the file ends: the number of end-of-file marks (Ctrl-Z, 0x1A, which
// files written by DOS tools end with) after its text, and whether that text
// ends with a line end. An empty text has no last line.
bool readFileEnd(HANDLE file, DWORD &marks, bool &ends)
{
    DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE)
        return false;
    char tail[64];
    DWORD take = size < sizeof tail ? size : (DWORD)sizeof tail;
    DWORD got = 0;
    if (take > 0 && (SetFilePointer(file, -(LONG)take, nullptr, FILE_END) == INVALID_SET_FILE_POINTER ||
                     !ReadFile(file, tail, take, &got, nullptr) || got != take))
        return false;
    marks = 0;
    while (marks < take && tail[take - 1 - marks] == kEndOfFile)
        ++marks;
    ends = marks == size || (marks < take && tail[take - 1 - marks] == '\n');
    return true;
}

}  // namespace

bool appendConfigSysLine(const char *line)
{
    BootFile file;
    if (!openBootFile("CONFIG.SYS", file))
        return false;
    // A last line without its line end would otherwise get the new text
    // glued onto it, breaking both lines of the boot file. The new line goes
    // before a final end-of-file mark, which DOS reads no further than, and
    // the mark is kept after it.
    bool ends = true;
    DWORD marks = 0;
    if (!readFileEnd(file.handle, marks, ends))
        return false;
    if (SetFilePointer(file.handle, -(LONG)marks, nullptr, FILE_END) == INVALID_SET_FILE_POINTER)
        return false;
    if (!ends && !writeAll(file.handle, "\r\n", 2))
        return false;
    if (!writeAll(file.handle, line, textLength(line)) || !writeAll(file.handle, "\r\n", 2))
        return false;
    for (DWORD i = 0; i < marks; ++i)
        if (!writeAll(file.handle, &kEndOfFile, 1))
            return false;
    logLine("CONFIG.SYS に追加: ", line);
    return true;
}

void removeAutoexecLines(const char *text)
{
    BootFile file;
    if (!openBootFile("AUTOEXEC.BAT", file))
        return;
    DWORD size = GetFileSize(file.handle, nullptr);
    if (size == INVALID_FILE_SIZE)
        return;
    HeapBlock old(size);
    DWORD got = 0;
    if (old.bytes == nullptr || !ReadFile(file.handle, old.bytes, size, &got, nullptr) || got != size)
        return;
    // Whole lines, however long, are compared and kept: the file is in
    // memory, so no line is ever split into pieces.
    int dropped = 0;
    size_t needed = filterBatchLines(old.bytes, size, text, nullptr, 0, &dropped);
    if (dropped == 0)
        return;
    HeapBlock kept(needed);
    if (kept.bytes == nullptr)
        return;
    filterBatchLines(old.bytes, size, text, kept.bytes, needed, &dropped);
    if (SetFilePointer(file.handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return;
    if (writeAll(file.handle, kept.bytes, needed)) {
        SetEndOfFile(file.handle);
        logLine("AUTOEXEC.BAT から ", LogNumber(dropped), " 行を削除しました: ", text);
    }
}
