// Splits a fuzz input into NUL-separated texts, each in its own heap block so
// that the sanitizer sees any read past its end.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// The first count - 1 NUL-separated texts, then the rest of the input whole.
inline std::vector<std::string> fuzzParts(const uint8_t *data, size_t size, int count)
{
    std::vector<std::string> parts;
    size_t pos = 0;
    for (int i = 0; i + 1 < count; ++i) {
        size_t end = pos;
        while (end < size && data[end] != 0)
            ++end;
        parts.emplace_back((const char *)data + pos, end - pos);
        pos = end < size ? end + 1 : end;
    }
    parts.emplace_back((const char *)data + pos, size - pos);
    return parts;
}
