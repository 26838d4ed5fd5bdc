// The memory routines that the compiler may call on its own for copies and
// clearings of structures; the shipped programs have no C runtime to give them.
// The loops are in words.h, where the native tests reach them for both word
// sizes.
#include "runtime/words.h"

using words::MachineWord;

extern "C" {

// Also right for overlapping blocks: the same copy as memmove costs one
// comparison and forgives a caller that should have called memmove.
void *memcpy(void *dst, const void *src, size_t n)
{
    words::move<MachineWord>(dst, src, n);
    return dst;
}

void *memmove(void *dst, const void *src, size_t n)
{
    words::move<MachineWord>(dst, src, n);
    return dst;
}

void *memset(void *dst, int c, size_t n)
{
    words::fill<MachineWord>(dst, (unsigned char)c, n);
    return dst;
}

int memcmp(const void *a, const void *b, size_t n)
{
    return words::compare<MachineWord>(a, b, n);
}

}  // extern "C"
