// Bounded, code-page-932-safe copies into the program's fixed buffers. A text
// that does not fit is cut at a character boundary, never mid-character and
// never past the buffer; the result says whether it was cut.
#pragma once
#include <stddef.h>

// The number of bytes of src (up to its NUL or srcLength) that fit in
// maxBytes without splitting a double-byte character.
size_t fittingLength(const char *src, size_t srcLength, size_t maxBytes);

// Copies src (up to its NUL, or srcLength bytes) into dst of size bytes and
// NUL-terminates it. dst and src may overlap. false: the text was cut.
bool copyTextN(char *dst, size_t size, const char *src, size_t srcLength = (size_t)-1);

// Appends src to the text in dst, as copyTextN.
bool appendTextN(char *dst, size_t size, const char *src, size_t srcLength = (size_t)-1);

template <size_t N> inline bool copyText(char (&dst)[N], const char *src)
{
    return copyTextN(dst, N, src);
}

template <size_t N> inline bool appendText(char (&dst)[N], const char *src)
{
    return appendTextN(dst, N, src);
}

// A text being built in a fixed buffer, piece by piece; what does not fit is
// cut at a character boundary and remembered in cut.
struct TextBuilder {
    char *text;
    size_t size;
    size_t length;
    bool cut;
};

template <size_t N> inline TextBuilder startText(char (&buffer)[N])
{
    buffer[0] = '\0';
    return TextBuilder{buffer, N, 0, false};
}
TextBuilder startTextN(char *buffer, size_t size);
// Adds src up to its NUL or srcLength bytes.
void addText(TextBuilder &builder, const char *src, size_t srcLength = (size_t)-1);

// The length of a NUL-terminated text.
size_t textLength(const char *s);
