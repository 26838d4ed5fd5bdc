// Byte-exact text helpers, in place of the C runtime's string functions, which
// the shipped programs do not have. They compare and search bytes; stepping
// through code page 932 characters is the character-stepping layer's work.
// The searches go a machine word at a time (words.h).
#pragma once
#include "runtime/words.h"

#include <stddef.h>

inline size_t byteLength(const char *text)
{
    return words::length<words::MachineWord>(text);
}

// The comparisons stay byte by byte: they meet short names (family keys,
// device classes, reply prefixes) whose first difference or end comes within
// a few bytes, and a word of the second text could only be read safely where
// both texts happen to sit equally aligned.
inline bool sameBytes(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

inline bool startsWith(const char *text, const char *prefix)
{
    while (*prefix != '\0' && *text == *prefix) {
        ++text;
        ++prefix;
    }
    return *prefix == '\0';
}

// The first byte c among the n bytes from p, or null.
inline const char *findByte(const char *p, char c, size_t n)
{
    return words::findByte<words::MachineWord>(p, c, n);
}

// The first byte c of a NUL-terminated text, or its NUL.
inline const char *findByteOrEnd(const char *text, char c)
{
    return words::findByteOrEnd<words::MachineWord>(text, c);
}

// The first place where needle's bytes stand in text, or null.
inline const char *findBytes(const char *text, const char *needle)
{
    if (needle[0] == '\0')
        return text;
    for (;;) {
        text = findByteOrEnd(text, needle[0]);
        if (*text == '\0')
            return nullptr;
        if (startsWith(text + 1, needle + 1))
            return text;
        ++text;
    }
}
