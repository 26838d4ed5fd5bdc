// Free space of the Windows drive. GetDiskFreeSpaceExA is looked up, not
// imported, so that the first Windows 95, which lacks it, still loads the
// program; its 32-bit fallback product is formed in 64 bits, never wrapped.
#include "setup/wizard/free_space.h"

#include "setup/shell/setup_state.h"
#include "setup/wizard/wizard.h"

typedef BOOL(WINAPI *FreeSpaceExFunction)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

uint64_t freeSpaceOf(const char *root, bool extended)
{
    FreeSpaceExFunction freeSpaceEx = NULL;
    if (extended)
        freeSpaceEx =
            (FreeSpaceExFunction)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA");
    if (freeSpaceEx != NULL) {
        ULARGE_INTEGER available, total, free;
        if (freeSpaceEx(root, &available, &total, &free))
            return available.QuadPart;
    }
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    return (uint64_t)bytesPerSector * sectorsPerCluster * freeClusters;
}

uint64_t measureFreeSpace()
{
    char root[4];
    lstrcpynA(root, setupState.windowsDir, sizeof root);
    return freeSpaceOf(root, true);
}
