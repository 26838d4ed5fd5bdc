// Byte-exact text helpers, in place of the C runtime's string functions, which
// the shipped programs do not have. They compare and search bytes; stepping
// through code page 932 characters is the character-stepping layer's work.
#pragma once
#include <stddef.h>

inline size_t byteLength(const char *text)
{
    size_t length = 0;
    while (text[length] != '\0')
        ++length;
    return length;
}

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
    for (const char *end = p + n; p < end; ++p)
        if (*p == c)
            return p;
    return nullptr;
}

// The first place where needle's bytes stand in text, or null.
inline const char *findBytes(const char *text, const char *needle)
{
    for (; *text != '\0'; ++text)
        if (startsWith(text, needle))
            return text;
    return needle[0] == '\0' ? text : nullptr;
}
