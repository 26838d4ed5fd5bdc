// The INF reader's heap and file access on Windows.
#include "setup/inf/inf_platform.h"

#include <windows.h>

void *infHeapAllocate(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void *infHeapResize(void *block, size_t size)
{
    return HeapReAlloc(GetProcessHeap(), 0, block, size);
}

void infHeapRelease(void *block)
{
    if (block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
}

size_t infHeapSize(void *block)
{
    SIZE_T size = HeapSize(GetProcessHeap(), 0, block);
    return size == (SIZE_T)-1 ? 0 : size;
}

InfFile *infFileOpen(const char *path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : (InfFile *)file;
}

long infFileSize(InfFile *file)
{
    HANDLE handle = (HANDLE)file;
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD size = SetFilePointer(handle, 0, (LONG *)&high, FILE_END);
    if ((size == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) || high != 0 || size > 0x7FFFFFFF)
        return -1;
    if (SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return -1;
    return (long)size;
}

long infFileRead(InfFile *file, char *buffer, size_t size)
{
    DWORD got = 0;
    if (!ReadFile((HANDLE)file, buffer, (DWORD)size, &got, nullptr))
        return -1;
    return (long)got;
}

void infFileClose(InfFile *file)
{
    CloseHandle((HANDLE)file);
}
