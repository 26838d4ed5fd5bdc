// The character-stepping layer on Windows: the platform's own functions.
#include "setup/inf/charset.h"

#include <windows.h>
#include <string.h>

bool isLeadByte(unsigned char c)
{
    return IsDBCSLeadByte(c) != FALSE;
}

const char *charNext(const char *p)
{
    return CharNextA(p);
}

const char *charPrev(const char *start, const char *p)
{
    return CharPrevA(start, p);
}

int compareNoCase(const char *a, const char *b)
{
    return lstrcmpiA(a, b);
}

bool equalNoCase(const char *a, size_t aLength, const char *b, size_t bLength)
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
