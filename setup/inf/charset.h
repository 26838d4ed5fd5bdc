// Character stepping over code page 932 text. Every scan in the setup program
// goes through these, so that the second byte of a double-byte character
// (0x5B, 0x5C or 0x5D among them) is never taken for '[', '\' or ']'.
// Windows: CharNextA, CharPrevA, IsDBCSLeadByte and lstrcmpiA decide.
// Natively: a code page 932 equivalent with ASCII case folding.
#pragma once
#include <stddef.h>

bool isLeadByte(unsigned char c);

// The next character; never steps over a NUL, also not after a lead byte.
const char *charNext(const char *p);

// The start of the character before p, p > start; start itself when p is start.
const char *charPrev(const char *start, const char *p);

// Case-insensitive comparison of two NUL-terminated texts; 0 when equal.
int compareNoCase(const char *a, const char *b);

// Case-insensitive equality of two counted texts (no NUL needed).
bool equalNoCase(const char *a, size_t aLength, const char *b, size_t bLength);
