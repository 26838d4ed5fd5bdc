// The character-stepping layer natively: code page 932 lead bytes and ASCII
// case folding, enough to test and fuzz the text logic off Windows.
#include "setup/inf/charset.h"

// Lead bytes of code page 932: 0x81 to 0x9F and 0xE0 to 0xFC.
#define LEAD16(x) 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1
#define NONE16(x) 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0
unsigned char leadByteTable[256] = {
    NONE16(0), NONE16(1), NONE16(2), NONE16(3), NONE16(4), NONE16(5), NONE16(6), NONE16(7),
    0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, LEAD16(9),
    NONE16(A), NONE16(B), NONE16(C), NONE16(D),
    LEAD16(E), 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0,
};
#undef LEAD16
#undef NONE16

static unsigned char fold(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? (unsigned char)(c - 'A' + 'a') : c;
}

// Compares character by character; the trail byte of a double-byte character
// is compared exactly, never folded.
static int compareCounted(const char *a, size_t aLength, const char *b, size_t bLength)
{
    size_t i = 0;
    bool trail = false;
    while (i < aLength && i < bLength) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (!trail) {
            x = fold(x);
            y = fold(y);
        }
        if (x != y)
            return x < y ? -1 : 1;
        trail = !trail && isLeadByte((unsigned char)a[i]);
        ++i;
    }
    if (aLength == bLength)
        return 0;
    return aLength < bLength ? -1 : 1;
}

static size_t textLength(const char *s)
{
    size_t n = 0;
    while (s[n] != '\0')
        ++n;
    return n;
}

int compareNoCase(const char *a, const char *b)
{
    return compareCounted(a, textLength(a), b, textLength(b));
}

bool platformEqualNoCase(const char *a, size_t aLength, const char *b, size_t bLength)
{
    return compareCounted(a, aLength, b, bLength) == 0;
}
