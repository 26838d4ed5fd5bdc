// Character stepping over code page 932 text. Every scan in the setup program
// goes through these, so that the second byte of a double-byte character
// (0x5B, 0x5C or 0x5D among them) is never taken for '[', '\' or ']'.
// Windows: IsDBCSLeadByte and lstrcmpiA decide. Natively: code page 932's
// lead bytes and ASCII case folding.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Lead bytes of the ANSI code page, one flag per byte value. On Windows the
// table is filled from IsDBCSLeadByte when the program starts, so the
// platform still decides; a table keeps the per-byte test off a DLL call.
extern unsigned char leadByteTable[256];
inline bool isLeadByte(unsigned char c)
{
    return leadByteTable[c] != 0;
}

// The next character; never steps over a NUL, also not after a lead byte.
// This is CharNextA's rule for a double-byte code page, kept inline: a call
// into the platform for every character made lookups three times slower
// under Wine.
inline const char *charNext(const char *p)
{
    if (*p == '\0')
        return p;
    return p + ((isLeadByte((unsigned char)p[0]) && p[1] != '\0') ? 2 : 1);
}

// The start of the character before p (CharPrevA's rule: stepping from
// start); start itself when p is start.
inline const char *charPrev(const char *start, const char *p)
{
    const char *at = start;
    while (at < p && *at != '\0') {
        const char *next = charNext(at);
        if (next >= p)
            break;
        at = next;
    }
    return at;
}

// Case-insensitive comparison of two NUL-terminated texts; 0 when equal.
int compareNoCase(const char *a, const char *b);

// Case-insensitive equality of two counted texts, by the platform.
bool platformEqualNoCase(const char *a, size_t aLength, const char *b, size_t bLength);

// Case-insensitive equality of two counted texts (no NUL needed). Every
// printable ASCII character has a weight of its own in the platform's
// comparison (control characters have none, bytes above 0x7E belong to the
// code page), so texts of printable ASCII alone are decided by ASCII case
// folding right here; anything else goes to the platform.
inline bool equalNoCase(const char *a, size_t aLength, const char *b, size_t bLength)
{
    bool ascii = true;
    bool equal = aLength == bLength;
    for (size_t i = 0; i < aLength && ascii; ++i)
        ascii = (unsigned char)a[i] >= 0x20 && (unsigned char)a[i] <= 0x7E;
    for (size_t i = 0; i < bLength && ascii; ++i) {
        unsigned char y = (unsigned char)b[i];
        ascii = y >= 0x20 && y <= 0x7E;
        if (equal) {
            unsigned char x = (unsigned char)a[i];
            equal = x == y || ((x | 0x20) == (y | 0x20) && (x | 0x20) >= 'a' && (x | 0x20) <= 'z');
        }
    }
    if (ascii)
        return equal;
    return platformEqualNoCase(a, aLength, b, bLength);
}

// A hash of a name that equalNoCase's rule keeps for equal names: a name of
// printable ASCII alone (plain) is compared by ASCII case folding, so equal
// plain names have equal hashes. Any other name is left to the platform's
// comparison and must be compared with every name.
inline uint64_t foldedNameHash(const char *name, bool &plain)
{
    uint64_t hash = 14695981039346656037ull;
    plain = true;
    for (const unsigned char *p = (const unsigned char *)name; *p != '\0'; ++p) {
        unsigned char c = *p;
        if (c < 0x20 || c > 0x7E)
            plain = false;
        if (c >= 'A' && c <= 'Z')
            c = (unsigned char)(c - 'A' + 'a');
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}
