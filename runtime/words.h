// The loops behind the memory routines and the byte helpers, a machine word
// at a time. Written once for any word type: the programs use the pointer's
// size (4 bytes on i686, 8 on x86_64), the native tests build them for both.
//
// Copies, fills, comparisons and counted searches touch only the bytes they
// are given, with unaligned word accesses where needed (x86 does them in one
// instruction; the compiler splits them where a machine cannot). The scans
// of NUL-terminated text cannot know their end, so they read whole aligned
// words, which never reach past the page that holds the terminator.
//
// A source that uses the copies and fills must be compiled with
// KIT_NO_BUILTIN_OPTIONS (cmake/kit.cmake), or the compiler may turn their
// loops back into calls of memcpy and memset.
#pragma once
#include <stddef.h>
#include <stdint.h>

namespace words {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the first byte of a word is its lowest: the lowest flag marks the first match");

// Accesses that may alias anything and, for the unaligned ones, sit anywhere.
template <typename T> struct Access;
template <> struct Access<uint16_t> {
    typedef uint16_t __attribute__((may_alias, aligned(1))) Unaligned;
};
template <> struct Access<uint32_t> {
    typedef uint32_t __attribute__((may_alias)) Aligned;
    typedef uint32_t __attribute__((may_alias, aligned(1))) Unaligned;
};
template <> struct Access<uint64_t> {
    typedef uint64_t __attribute__((may_alias)) Aligned;
    typedef uint64_t __attribute__((may_alias, aligned(1))) Unaligned;
};

template <size_t Size> struct WordOfSize;
template <> struct WordOfSize<4> { typedef uint32_t Type; };
template <> struct WordOfSize<8> { typedef uint64_t Type; };
typedef WordOfSize<sizeof(void *)>::Type MachineWord;

template <typename T> inline T loadAny(const unsigned char *p)
{
    return *(const typename Access<T>::Unaligned *)p;
}

template <typename T> inline void storeAny(unsigned char *p, T value)
{
    *(typename Access<T>::Unaligned *)p = value;
}

template <typename W> inline W loadAligned(const unsigned char *p)
{
    return *(const typename Access<W>::Aligned *)p;
}

template <typename W> inline void storeAligned(unsigned char *p, W value)
{
    *(typename Access<W>::Aligned *)p = value;
}

template <typename W> inline size_t misalignment(const void *p)
{
    return (size_t)((uintptr_t)p & (sizeof(W) - 1));
}

// 0x0101...01 and 0x8080...80.
template <typename W> constexpr W lowBits()
{
    return (W)~(W)0 / 0xFF;
}
template <typename W> constexpr W highBits()
{
    return lowBits<W>() << 7;
}

// A word with byte c in every byte.
template <typename W> inline W repeated(unsigned char c)
{
    return lowBits<W>() * c;
}

// Flags (bit 7 of a byte) the zero bytes of x. A byte above a zero byte may
// be flagged wrongly by the borrow, but never one below it, so the lowest
// flag always marks the first zero byte.
template <typename W> inline W zeroBytes(W x)
{
    return (x - lowBits<W>()) & ~x & highBits<W>();
}

// The index of the byte that holds the lowest set bit; flags is not 0.
template <typename W> inline size_t firstFlagged(W flags)
{
    if constexpr (sizeof(W) == 8)
        return (size_t)__builtin_ctzll(flags) / 8;
    else
        return (size_t)__builtin_ctz(flags) / 8;
}

// The bytes of an aligned word that come before offset, all ones: they can
// then be neither a NUL nor, once xored with the searched byte, a match.
template <typename W> inline W bytesBefore(size_t offset)
{
    return ((W)1 << (8 * offset)) - 1;
}

// ---- Copies. Every variant loads what it will store last before it stores
// anything, so that overlapping blocks copy as if through a buffer.

// Fewer than sizeof(W) bytes: two accesses of the largest size that fits,
// the second ending at the end (they overlap when n is no power of two).
template <typename W> inline void copyShort(unsigned char *d, const unsigned char *s, size_t n)
{
    if (sizeof(W) == 8 && n >= 4) {
        uint32_t head = loadAny<uint32_t>(s), tail = loadAny<uint32_t>(s + n - 4);
        storeAny<uint32_t>(d, head);
        storeAny<uint32_t>(d + n - 4, tail);
    } else if (n >= 2) {
        uint16_t head = loadAny<uint16_t>(s), tail = loadAny<uint16_t>(s + n - 2);
        storeAny<uint16_t>(d, head);
        storeAny<uint16_t>(d + n - 2, tail);
    } else if (n == 1) {
        *d = *s;
    }
}

// Blocks from this size on are copied and filled with the string
// instructions, which move a word per cycle on the first Pentium and much
// more on later processors; below it the loops win, as they start at once.
const size_t kStringInstructionFrom = 512;

// The widest word the string instructions move: 4 bytes on i686, 8 on
// x86_64, none elsewhere (the loops then do all the work).
#if defined(__x86_64__)
const size_t kStringWordUpTo = 8;
#elif defined(__i386__)
const size_t kStringWordUpTo = 4;
#else
const size_t kStringWordUpTo = 0;
#endif
template <typename W> constexpr bool hasStringInstructions()
{
    return sizeof(W) <= kStringWordUpTo;
}

// count words up from s to d (rep movs), and count copies of pattern (rep
// stos); called where hasStringInstructions<W>(), and loops elsewhere.
template <typename W> inline void copyWordsUp(unsigned char *d, const unsigned char *s, size_t count)
{
    if constexpr (sizeof(W) == 8 && kStringWordUpTo == 8)
        __asm__ volatile("rep movsq" : "+D"(d), "+S"(s), "+c"(count) : : "memory");
    else if constexpr (sizeof(W) == 4 && kStringWordUpTo >= 4)
        __asm__ volatile("rep movsl" : "+D"(d), "+S"(s), "+c"(count) : : "memory");
    else
        for (; count > 0; --count, d += sizeof(W), s += sizeof(W))
            storeAligned<W>(d, loadAny<W>(s));
}

template <typename W> inline void fillWords(unsigned char *d, W pattern, size_t count)
{
    if constexpr (sizeof(W) == 8 && kStringWordUpTo == 8)
        __asm__ volatile("rep stosq" : "+D"(d), "+c"(count) : "a"(pattern) : "memory");
    else if constexpr (sizeof(W) == 4 && kStringWordUpTo >= 4)
        __asm__ volatile("rep stosl" : "+D"(d), "+c"(count) : "a"(pattern) : "memory");
    else
        for (; count > 0; --count, d += sizeof(W))
            storeAligned<W>(d, pattern);
}

// The words of d between its first and its last word, which the caller
// copies. Up: from the first to the last, right when d is below s or the
// blocks do not overlap. A word is stored below d[n - W] while the source
// ahead of it is still unread: with d below s no store reaches it. The
// words go to aligned places of d.
template <typename W> inline void copyInnerUp(unsigned char *d, const unsigned char *s, size_t n)
{
    size_t i = sizeof(W) - misalignment<W>(d);
    size_t last = n - sizeof(W);
    // Also a forward string move reads each word before it stores the next,
    // so it is right for overlapping blocks with d below s.
    if (hasStringInstructions<W>() && n >= kStringInstructionFrom) {
        // Whole words up to or past last, as the loop below stores them.
        copyWordsUp<W>(d + i, s + i, (last - i + sizeof(W) - 1) / sizeof(W));
    } else {
        for (; i < last; i += sizeof(W))
            storeAligned<W>(d + i, loadAny<W>(s + i));
    }
}

// Down: from the last to the first, right when d is above s.
template <typename W> inline void copyInnerDown(unsigned char *d, const unsigned char *s, size_t n)
{
    // i: the end of the next word to copy, at an aligned place of d.
    for (size_t i = n - misalignment<W>(d + n); i > sizeof(W); i -= sizeof(W))
        storeAligned<W>(d + i - sizeof(W), loadAny<W>(s + i - sizeof(W)));
}

// The first and the last word are loaded before anything is stored and
// stored after everything else, unaligned; between them the copy runs up or
// down as the blocks lie.
template <typename W> inline void move(void *dst, const void *src, size_t n)
{
    unsigned char *d = (unsigned char *)dst;
    const unsigned char *s = (const unsigned char *)src;
    if (n < sizeof(W)) {
        copyShort<W>(d, s, n);
        return;
    }
    if (d == s)
        return;
    W head = loadAny<W>(s), tail = loadAny<W>(s + n - sizeof(W));
    if (n > 2 * sizeof(W)) {
        // Unsigned distances: d - s below n means d lies inside the source.
        if ((uintptr_t)d - (uintptr_t)s >= n)
            copyInnerUp<W>(d, s, n);
        else
            copyInnerDown<W>(d, s, n);
    }
    storeAny<W>(d, head);
    storeAny<W>(d + n - sizeof(W), tail);
}

template <typename W> inline void fill(void *dst, unsigned char c, size_t n)
{
    unsigned char *d = (unsigned char *)dst;
    if (n < sizeof(W)) {
        if (sizeof(W) == 8 && n >= 4) {
            storeAny<uint32_t>(d, repeated<uint32_t>(c));
            storeAny<uint32_t>(d + n - 4, repeated<uint32_t>(c));
        } else if (n >= 2) {
            storeAny<uint16_t>(d, (uint16_t)(c * 0x0101u));
            storeAny<uint16_t>(d + n - 2, (uint16_t)(c * 0x0101u));
        } else if (n == 1) {
            *d = c;
        }
        return;
    }
    W pattern = repeated<W>(c);
    storeAny<W>(d, pattern);
    storeAny<W>(d + n - sizeof(W), pattern);
    size_t i = sizeof(W) - misalignment<W>(d);
    size_t last = n - sizeof(W);
    if (hasStringInstructions<W>() && n >= kStringInstructionFrom) {
        fillWords<W>(d + i, pattern, (last - i + sizeof(W) - 1) / sizeof(W));
    } else {
        for (; i < last; i += sizeof(W))
            storeAligned<W>(d + i, pattern);
    }
}

// Of two words that differ, the sign of their first differing byte: the
// lowest byte of x ^ y that is not 0.
template <typename W> inline int differingByte(W x, W y)
{
    size_t shift = 8 * firstFlagged<W>(x ^ y);
    return (int)((x >> shift) & 0xFF) - (int)((y >> shift) & 0xFF);
}

// The sign of the first differing byte, as unsigned bytes: words two at a
// time, then the last word, which may overlap the ones before.
template <typename W> inline int compare(const void *left, const void *right, size_t n)
{
    const unsigned char *a = (const unsigned char *)left;
    const unsigned char *b = (const unsigned char *)right;
    if (n < sizeof(W)) {
        for (size_t i = 0; i < n; ++i)
            if (a[i] != b[i])
                return (int)a[i] - (int)b[i];
        return 0;
    }
    size_t last = n - sizeof(W);
    size_t i = 0;
    for (; i + sizeof(W) < last; i += 2 * sizeof(W)) {
        W x0 = loadAny<W>(a + i), y0 = loadAny<W>(b + i);
        W x1 = loadAny<W>(a + i + sizeof(W)), y1 = loadAny<W>(b + i + sizeof(W));
        if (((x0 ^ y0) | (x1 ^ y1)) != 0)
            return x0 != y0 ? differingByte<W>(x0, y0) : differingByte<W>(x1, y1);
    }
    if (i < last) {
        W x = loadAny<W>(a + i), y = loadAny<W>(b + i);
        if (x != y)
            return differingByte<W>(x, y);
    }
    W x = loadAny<W>(a + last), y = loadAny<W>(b + last);
    return x != y ? differingByte<W>(x, y) : 0;
}

// ---- Searches. Long runs are read two words at a time, which keeps two
// loads and their tests in flight at once.

// The first byte c among the n bytes from p, or null. Reads only those n
// bytes: the first word unaligned, then aligned words, then the last word,
// which may overlap the ones before.
template <typename W> inline const char *findByte(const char *text, char c, size_t n)
{
    const unsigned char *p = (const unsigned char *)text;
    if (n < sizeof(W)) {
        for (size_t i = 0; i < n; ++i)
            if (p[i] == (unsigned char)c)
                return text + i;
        return nullptr;
    }
    W pattern = repeated<W>((unsigned char)c);
    W flags = zeroBytes<W>(loadAny<W>(p) ^ pattern);
    if (flags != 0)
        return text + firstFlagged<W>(flags);
    size_t last = n - sizeof(W);
    size_t i = sizeof(W) - misalignment<W>(p);
    for (; i + sizeof(W) < last; i += 2 * sizeof(W)) {
        W first = zeroBytes<W>(loadAligned<W>(p + i) ^ pattern);
        W second = zeroBytes<W>(loadAligned<W>(p + i + sizeof(W)) ^ pattern);
        if ((first | second) != 0)
            return text + i + (first != 0 ? firstFlagged<W>(first) : sizeof(W) + firstFlagged<W>(second));
    }
    if (i < last) {
        flags = zeroBytes<W>(loadAligned<W>(p + i) ^ pattern);
        if (flags != 0)
            return text + i + firstFlagged<W>(flags);
    }
    flags = zeroBytes<W>(loadAny<W>(p + last) ^ pattern);
    if (flags != 0)
        return text + last + firstFlagged<W>(flags);
    return nullptr;
}

// The NUL-terminated scans read the aligned word that holds the text's first
// byte and aligned words after it, in pairs that fill an aligned block of two
// words, up to the block with the NUL: bytes of the same words before the
// text and after its NUL, but never a byte of another page, since pages are
// made of whole blocks. AddressSanitizer would report those bytes as outside
// the text, so it does not watch these loads; the tests check the scans
// against the C library on exactly sized blocks and on texts that end at an
// inaccessible page.
template <typename W> __attribute__((no_sanitize_address)) inline W loadWholeWord(const unsigned char *p)
{
    return *(const typename Access<W>::Aligned *)p;
}

// The first word from the aligned p on whose flags (flagsOf) are not 0; its
// flags go to *flags.
template <typename W, typename FlagsOf>
inline const unsigned char *firstFlaggedWord(const unsigned char *p, FlagsOf flagsOf, W *flags)
{
    if (((uintptr_t)p & sizeof(W)) != 0) {   // the second word of a block
        *flags = flagsOf(loadWholeWord<W>(p));
        if (*flags != 0)
            return p;
        p += sizeof(W);
    }
    for (;; p += 2 * sizeof(W)) {
        W first = flagsOf(loadWholeWord<W>(p)), second = flagsOf(loadWholeWord<W>(p + sizeof(W)));
        if ((first | second) != 0) {
            *flags = first != 0 ? first : second;
            return first != 0 ? p : p + sizeof(W);
        }
    }
}

// The aligned word that holds text's first byte.
template <typename W> inline const unsigned char *wordOf(const char *text)
{
    return (const unsigned char *)((uintptr_t)text & ~(uintptr_t)(sizeof(W) - 1));
}

// The length of a NUL-terminated text.
template <typename W> inline size_t length(const char *text)
{
    const unsigned char *p = wordOf<W>(text);
    W flags = zeroBytes<W>(loadWholeWord<W>(p) | bytesBefore<W>(misalignment<W>(text)));
    if (flags == 0)
        p = firstFlaggedWord<W>(p + sizeof(W), [](W word) { return zeroBytes<W>(word); }, &flags);
    return (size_t)((const char *)p + firstFlagged<W>(flags) - text);
}

// The first byte c of a NUL-terminated text, or its NUL.
template <typename W> inline const char *findByteOrEnd(const char *text, char c)
{
    const unsigned char *p = wordOf<W>(text);
    W pattern = repeated<W>((unsigned char)c);
    W before = bytesBefore<W>(misalignment<W>(text));
    W word = loadWholeWord<W>(p);
    W flags = zeroBytes<W>(word | before) | zeroBytes<W>((word ^ pattern) | before);
    if (flags == 0)
        p = firstFlaggedWord<W>(
            p + sizeof(W), [pattern](W w) { return zeroBytes<W>(w) | zeroBytes<W>(w ^ pattern); }, &flags);
    return (const char *)p + firstFlagged<W>(flags);
}

}  // namespace words
