// Small helpers for tests of the in-memory INF.
#pragma once
#include "setup/inf/inf.h"

#include <string>

// An image built from the given bytes, released at the end of the scope.
struct ScopedInf {
    InfImage *image;
    explicit ScopedInf(const std::string &bytes) : image(buildInfImage(bytes.data(), bytes.size())) {}
    ~ScopedInf() { freeInf(image); }
    ScopedInf(const ScopedInf &) = delete;
    ScopedInf &operator=(const ScopedInf &) = delete;
};

// The whole image, end marks included, as a byte string.
inline std::string imageBytes(InfImage *image)
{
    if (image == nullptr || image == INF_NONE)
        return "<none>";
    return std::string(infImageText(image), infImageSize(image));
}

// Bytes with embedded NULs written as a literal: bytes("a\0b").
template <size_t N> inline std::string bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}
