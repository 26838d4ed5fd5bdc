// Whole-section reads: the buffer grows until the section fits.
#include "setup/sysconfig/profile_section.h"

namespace {
const DWORD kSectionStep = 260;
}

char *readProfileSection(const char *section, const char *file, DWORD &length)
{
    length = 0;
    DWORD size = kSectionStep;
    char *block = (char *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    while (block != nullptr) {
        DWORD got = GetPrivateProfileSectionA(section, block, size, file);
        // A section that did not fit comes back as size - 2. Anything from
        // there up is taken as not fitting either, so that the list's two
        // closing NULs always lie inside the block.
        if (got + 2 < size) {
            length = got;
            return block;
        }
        size += kSectionStep;
        char *larger = (char *)HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, block, size);
        if (larger == nullptr)
            HeapFree(GetProcessHeap(), 0, block);
        block = larger;
    }
    return nullptr;
}

void releaseProfileSection(char *block)
{
    if (block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
}
