// The model part of a component's Section and the decimal numbers of the
// catalogue.
#include "setup/components/component_text.h"
#include "setup/components/components.h"

#include "setup/inf/charset.h"
#include "setup/inf/text.h"

int32_t decimalNumber(const char *text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if (value <= INT32_MAX)
            value = value * 10 + (*text - '0');
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return (int32_t)value;
}

int modelPartOf(const char *section, char *out, size_t size)
{
    if (size > 0)
        out[0] = '\0';
    // '_' (0x5F) is also a second byte of double-byte characters: step by
    // character. '/' never is, but is looked for the same way.
    const char *p = section;
    while (*p != '\0' && *p != '_')
        p = charNext(p);
    if (*p == '\0')
        return 0;
    const char *start = p + 1;
    const char *end = start;
    while (*end != '\0' && *end != '/')
        end = charNext(end);
    size_t length = (size_t)(end - start);
    if (size == 0 || length >= size)
        return -1;
    copyTextN(out, size, start, length);
    return 1;
}
