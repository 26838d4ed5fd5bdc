// Bounded copies that respect double-byte characters.
#include "setup/inf/text.h"

#include "setup/inf/charset.h"
#include "runtime/bytes.h"

#include <string.h>

size_t textLength(const char *s)
{
    return byteLength(s);
}

size_t fittingLength(const char *src, size_t srcLength, size_t maxBytes)
{
    size_t n = 0;
    while (n < srcLength && src[n] != '\0') {
        size_t width = 1;
        if (isLeadByte((unsigned char)src[n]) && n + 1 < srcLength && src[n + 1] != '\0')
            width = 2;
        if (n + width > maxBytes)
            break;
        n += width;
    }
    return n;
}

bool copyTextN(char *dst, size_t size, const char *src, size_t srcLength)
{
    if (size == 0)
        return srcLength == 0 || src[0] == '\0';
    size_t n = fittingLength(src, srcLength, size - 1);
    memmove(dst, src, n);
    dst[n] = '\0';
    return n == srcLength || src[n] == '\0';
}

bool appendTextN(char *dst, size_t size, const char *src, size_t srcLength)
{
    // strnlen is missing from the C runtime of Windows 98.
    size_t used = 0;
    while (used < size && dst[used] != '\0')
        ++used;
    if (used >= size)
        return false;
    return copyTextN(dst + used, size - used, src, srcLength);
}

TextBuilder startTextN(char *buffer, size_t size)
{
    if (size > 0)
        buffer[0] = '\0';
    return TextBuilder{buffer, size, 0, false};
}

void addText(TextBuilder &builder, const char *src, size_t srcLength)
{
    if (builder.cut || builder.size == 0) {
        builder.cut = builder.cut || (srcLength != 0 && src[0] != '\0');
        return;
    }
    size_t room = builder.size - 1 - builder.length;
    size_t n = fittingLength(src, srcLength, room);
    memcpy(builder.text + builder.length, src, n);
    builder.length += n;
    builder.text[builder.length] = '\0';
    if (n != srcLength && src[n] != '\0')
        builder.cut = true;
}
