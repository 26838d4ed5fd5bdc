// The character-stepping layer on Windows: the platform's lead bytes and
// its case-insensitive comparison.
#include "setup/inf/charset.h"

#include <windows.h>
#include <string.h>

unsigned char leadByteTable[256];

namespace {
struct LeadBytesFromPlatform {
    LeadBytesFromPlatform()
    {
        for (int c = 0; c < 256; ++c)
            leadByteTable[c] = IsDBCSLeadByte((BYTE)c) ? 1 : 0;
    }
} leadBytesFromPlatform;
}  // namespace

int compareNoCase(const char *a, const char *b)
{
    return lstrcmpiA(a, b);
}

bool platformEqualNoCase(const char *a, size_t aLength, const char *b, size_t bLength)
{
    // lstrcmpiA wants NUL-terminated texts: copy short ones (every key and
    // section name), and let CompareStringA, which lstrcmpiA is built on,
    // take longer ones with their lengths.
    char left[264], right[264];
    if (aLength < sizeof left && bLength < sizeof right) {
        memcpy(left, a, aLength);
        left[aLength] = '\0';
        memcpy(right, b, bLength);
        right[bLength] = '\0';
        return lstrcmpiA(left, right) == 0;
    }
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, (int)aLength, b, (int)bLength) == CSTR_EQUAL;
}
