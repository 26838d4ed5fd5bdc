// The character-stepping layer natively: code page 932 lead bytes and ASCII
// case folding, enough to test and fuzz the text logic off Windows.
#include "setup/inf/charset.h"

bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

const char *charNext(const char *p)
{
    if (*p == '\0')
        return p;
    if (isLeadByte((unsigned char)p[0]) && p[1] != '\0')
        return p + 2;
    return p + 1;
}

const char *charPrev(const char *start, const char *p)
{
    if (p <= start)
        return start;
    const char *at = start;
    for (;;) {
        const char *next = charNext(at);
        if (next >= p || next == at)
            return at;
        at = next;
    }
}

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

bool equalNoCase(const char *a, size_t aLength, const char *b, size_t bLength)
{
    return compareCounted(a, aLength, b, bLength) == 0;
}
