// The word-at-a-time memory routines and byte searches against the C library,
// for 4-byte and 8-byte words: every alignment of the blocks, every length up
// to a few hundred bytes and around the switch to the string instructions,
// overlapping moves both ways, searches with the byte at every place, and
// random large cases. Blocks end where their heap allocation ends, so that
// AddressSanitizer sees a byte touched past them; the bytes before a block
// hold what would change the answer if they were read; and blocks next to an
// inaccessible page show that the NUL-terminated scans stop in their page.
#include "runtime/bytes.h"
#include "runtime/words.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

const size_t kShortLengths = 300;

// Every length up to kShortLengths, those around the switch to the string
// instructions, and a few beyond it.
std::vector<size_t> lengthsToTry()
{
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= kShortLengths; ++n)
        lengths.push_back(n);
    for (size_t n = words::kStringInstructionFrom - 20; n <= words::kStringInstructionFrom + 20; ++n)
        lengths.push_back(n);
    lengths.push_back(1000);
    lengths.push_back(4099);
    return lengths;
}

// Bytes that make word tricks go wrong: NUL, 0x01 (a borrow turns it into a
// false match), the top bit set, 0xFF, and neighbours of the searched byte.
unsigned char awkwardByte(std::mt19937 &random, unsigned char avoid)
{
    const unsigned char kBytes[] = {0x00, 0x01, 0x02, 0x7F, 0x80, 0x81, 0xFE, 0xFF, 'a', '[', 0x1A};
    for (;;) {
        unsigned pick = random() % 16;
        unsigned char c;
        if (pick < sizeof kBytes)
            c = kBytes[pick];
        else if (pick == 11)
            c = (unsigned char)(avoid ^ 0x01);
        else if (pick == 12)
            c = (unsigned char)(avoid ^ 0x80);
        else if (pick == 13)
            c = (unsigned char)(avoid + 1);
        else if (pick == 14)
            c = (unsigned char)(avoid - 1);
        else
            c = (unsigned char)random();
        if (c != avoid)
            return c;
    }
}

// n bytes that end where their heap allocation ends, after `lead` bytes of
// the same allocation that belong to the test. new[] gives at least 8-byte
// alignment, all that matters to words of up to 8 bytes, so offsets 0 to 7
// give every alignment; there is always a byte before the block.
struct Block {
    std::unique_ptr<unsigned char[]> storage;
    unsigned char *data;
    size_t lead;

    Block(size_t offset, size_t n) : storage(new unsigned char[offset + 1 + n]), lead(offset + 1)
    {
        EXPECT_EQ((uintptr_t)storage.get() % 8, 0u);
        data = storage.get() + lead;
    }
    unsigned char *before() { return storage.get(); }
};

template <typename W> class Words : public ::testing::Test {};
typedef ::testing::Types<uint32_t, uint64_t> WordTypes;
struct WordNames {
    template <typename T> static std::string GetName(int) { return sizeof(T) == 4 ? "Word32" : "Word64"; }
};
TYPED_TEST_SUITE(Words, WordTypes, WordNames);

// Found places compared as addresses: gtest would print a char pointer as
// a text, reading past blocks that have no NUL.
const void *address(const void *p)
{
    return p;
}

// Where two buffers first differ, or -1.
long firstDifference(const std::vector<unsigned char> &a, const std::vector<unsigned char> &b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            return (long)i;
    return a.size() == b.size() ? -1 : (long)(a.size() < b.size() ? a.size() : b.size());
}

// Moves between separate blocks, at every alignment of both.
TYPED_TEST(Words, MoveBetweenBlocksAsTheCLibrary)
{
    typedef TypeParam W;
    std::mt19937 random(1);
    for (size_t n : lengthsToTry()) {
        std::vector<unsigned char> source(n + 1);   // never empty: data() is then no null
        for (unsigned char &c : source)
            c = (unsigned char)random();
        for (size_t from = 0; from < sizeof(W); ++from) {
            Block src(from, n);
            memcpy(src.data, source.data(), n);
            for (size_t to = 0; to < 2 * sizeof(W); ++to) {
                Block dst(to, n), expected(to, n);
                memset(dst.before(), 0xA5, dst.lead + n);
                memset(expected.before(), 0xA5, expected.lead + n);
                words::move<W>(dst.data, src.data, n);
                memmove(expected.data, src.data, n);
                ASSERT_EQ(memcmp(dst.before(), expected.before(), dst.lead + n), 0)
                    << "n " << n << " from " << from << " to " << to;
            }
        }
    }
}

// Moves inside one buffer: the destination below and above the source, by
// every distance up to a few words and some longer ones.
TYPED_TEST(Words, OverlappingMoveBothWaysAsTheCLibrary)
{
    typedef TypeParam W;
    std::vector<long> distances;
    for (long d = -(long)(3 * sizeof(W)); d <= (long)(3 * sizeof(W)); ++d)
        distances.push_back(d);
    for (long d : {13L, 31L, 64L, 100L, 255L, 511L}) {
        distances.push_back(d);
        distances.push_back(-d);
    }
    const size_t margin = 520;
    std::mt19937 random(2);
    std::vector<size_t> lengths = lengthsToTry();
    lengths.resize(lengths.size() - 2);   // the longest ones go to the random cases
    for (size_t n : lengths) {
        size_t size = n + 2 * margin + 2 * sizeof(W);
        std::vector<unsigned char> start(size);
        for (unsigned char &c : start)
            c = (unsigned char)random();
        std::vector<unsigned char> ours(size), theirs(size);
        for (size_t from = margin; from < margin + sizeof(W); ++from) {
            for (long distance : distances) {
                size_t to = (size_t)((long)from + distance);
                ours = start;
                theirs = start;
                words::move<W>(ours.data() + to, ours.data() + from, n);
                memmove(theirs.data() + to, theirs.data() + from, n);
                ASSERT_EQ(firstDifference(ours, theirs), -1) << "n " << n << " from " << from << " distance " << distance;
            }
        }
    }
}

TYPED_TEST(Words, FillAsTheCLibrary)
{
    typedef TypeParam W;
    for (size_t n : lengthsToTry()) {
        for (size_t to = 0; to < 2 * sizeof(W); ++to) {
            for (int c : {0x00, 0x5A, 0x80, 0xFF, 0x1FF}) {
                Block dst(to, n), expected(to, n);
                memset(dst.before(), 0xA5, dst.lead + n);
                memset(expected.before(), 0xA5, expected.lead + n);
                words::fill<W>(dst.data, (unsigned char)c, n);
                memset(expected.data, c, n);
                ASSERT_EQ(memcmp(dst.before(), expected.before(), dst.lead + n), 0)
                    << "n " << n << " to " << to << " byte " << c;
            }
        }
    }
}

int sign(int x)
{
    return (x > 0) - (x < 0);
}

// Equal blocks, and blocks that differ at every place, in either direction
// and with the top bit set on one side only, at every alignment of both. The
// bytes before the blocks differ, to be seen if they were read.
TYPED_TEST(Words, CompareAsTheCLibrary)
{
    typedef TypeParam W;
    std::mt19937 random(3);
    for (size_t n = 0; n <= kShortLengths; ++n) {
        std::vector<unsigned char> bytes(n + 1);
        for (unsigned char &c : bytes)
            c = (unsigned char)random();
        for (size_t left = 0; left < sizeof(W); ++left) {
            for (size_t right = 0; right < sizeof(W); ++right) {
                Block a(left, n), b(right, n);
                memset(a.before(), 0x11, a.lead);
                memset(b.before(), 0xEE, b.lead);
                memcpy(a.data, bytes.data(), n);
                memcpy(b.data, bytes.data(), n);
                ASSERT_EQ(words::compare<W>(a.data, b.data, n), 0) << "n " << n;
                for (size_t at = 0; at < n; ++at) {
                    unsigned char saved = b.data[at];
                    b.data[at] = (unsigned char)(saved ^ (at % 2 == 0 ? 0x80 : 0x01));
                    ASSERT_EQ(sign(words::compare<W>(a.data, b.data, n)), sign(memcmp(a.data, b.data, n)))
                        << "n " << n << " differing at " << at << " left " << left << " right " << right;
                    ASSERT_EQ(sign(words::compare<W>(b.data, a.data, n)), sign(memcmp(b.data, a.data, n)));
                    // A later difference of the other sign, in the same word
                    // or the next two, changes nothing.
                    size_t later = at + 1 + at % (2 * sizeof(W));
                    if (later < n) {
                        unsigned char savedLater = b.data[later];
                        int first = sign((int)a.data[at] - (int)b.data[at]);
                        b.data[later] = first > 0 ? 0xFF : 0x00;
                        a.data[later] = first > 0 ? 0x00 : 0xFF;
                        ASSERT_EQ(sign(words::compare<W>(a.data, b.data, n)), first)
                            << "n " << n << " differing at " << at << " and " << later;
                        b.data[later] = a.data[later] = savedLater;
                    }
                    b.data[at] = saved;
                }
            }
        }
    }
}

const unsigned char kSearchedBytes[] = {0x00, 0x01, 0x1A, '[', 0x7F, 0x80, 0x81, 0xFE, 0xFF};

// The searched byte at every place and nowhere, among awkward bytes, at every
// alignment; the bytes before the block are the searched byte itself.
TYPED_TEST(Words, FindByteAsTheCLibrary)
{
    typedef TypeParam W;
    std::mt19937 random(4);
    for (size_t n = 0; n <= kShortLengths; ++n) {
        for (unsigned char c : kSearchedBytes) {
            std::vector<unsigned char> bytes(n + 1);
            for (unsigned char &b : bytes)
                b = awkwardByte(random, c);
            for (size_t offset = 0; offset < 2 * sizeof(W); ++offset) {
                Block block(offset, n);
                memset(block.before(), c, block.lead);
                memcpy(block.data, bytes.data(), n);
                const char *text = (const char *)block.data;
                ASSERT_EQ(address(words::findByte<W>(text, (char)c, n)), address(memchr(text, c, n))) << "n " << n;
                for (size_t at = 0; at < n; ++at) {
                    block.data[at] = c;
                    ASSERT_EQ(address(words::findByte<W>(text, (char)c, n)), address(memchr(text, c, n)))
                        << "n " << n << " at " << at << " offset " << offset << " byte " << (int)c;
                    // A second one after it, in the same word or the next
                    // two, changes nothing.
                    size_t later = at + 1 + at % (2 * sizeof(W));
                    if (later < n) {
                        block.data[later] = c;
                        ASSERT_EQ(address(words::findByte<W>(text, (char)c, n)), address(text + at))
                            << "n " << n << " at " << at << " and " << later;
                        block.data[later] = bytes[later];
                    }
                    block.data[at] = bytes[at];
                }
            }
        }
    }
}

// NUL-terminated texts of every length at every alignment, of bytes that are
// not NUL, after a NUL in the same word (the end of a text before).
TYPED_TEST(Words, LengthAsTheCLibrary)
{
    typedef TypeParam W;
    std::mt19937 random(5);
    for (size_t n = 0; n <= kShortLengths; ++n) {
        for (size_t offset = 0; offset < 2 * sizeof(W); ++offset) {
            Block block(offset, n + 1);
            memset(block.before(), 0, block.lead);
            for (size_t i = 0; i < n; ++i)
                block.data[i] = awkwardByte(random, 0);
            block.data[n] = 0;
            const char *text = (const char *)block.data;
            ASSERT_EQ(words::length<W>(text), strlen(text)) << "n " << n << " offset " << offset;
        }
    }
}

// The first byte c or the NUL: c at every place and nowhere; before the text
// NULs and c itself, which must not be taken for the answer.
TYPED_TEST(Words, FindByteOrEndAsTheCLibrary)
{
    typedef TypeParam W;
    std::mt19937 random(6);
    for (size_t n = 0; n <= kShortLengths; ++n) {
        for (unsigned char c : kSearchedBytes) {
            std::vector<unsigned char> bytes(n + 1);
            for (size_t i = 0; i < n; ++i)
                do
                    bytes[i] = awkwardByte(random, c);
                while (bytes[i] == 0);
            bytes[n] = 0;
            for (size_t offset = 0; offset < 2 * sizeof(W); ++offset) {
                Block block(offset, n + 1);
                for (size_t i = 0; i < block.lead; ++i)
                    block.before()[i] = i % 2 == 0 ? c : 0;
                memcpy(block.data, bytes.data(), n + 1);
                const char *text = (const char *)block.data;
                ASSERT_EQ(address(words::findByteOrEnd<W>(text, (char)c)), address(text + n)) << "n " << n << " byte " << (int)c;
                for (size_t at = 0; at < n; ++at) {
                    block.data[at] = c;
                    const char *expected = strchr(text, c);
                    ASSERT_EQ(address(words::findByteOrEnd<W>(text, (char)c)), address(expected != nullptr ? expected : text + at))
                        << "n " << n << " at " << at << " offset " << offset << " byte " << (int)c;
                    block.data[at] = bytes[at];
                }
            }
        }
    }
}

// Long blocks at random places, lengths and overlaps.
TYPED_TEST(Words, RandomLargeCasesAsTheCLibrary)
{
    typedef TypeParam W;
    std::mt19937 random(7);
    const size_t size = 140000;
    std::vector<unsigned char> start(size);
    for (unsigned char &c : start)
        c = awkwardByte(random, 0x5C);
    std::vector<unsigned char> ours(size), theirs(size);
    for (int round = 0; round < 300; ++round) {
        size_t n = random() % 65537;
        size_t from = random() % (size - n), to = random() % (size - n);
        if (round % 3 == 0) {   // overlapping, either way
            size_t shift = random() % (n + 1);
            if (round % 2 == 0)
                to = from + shift < size - n ? from + shift : size - n;
            else
                to = from >= shift ? from - shift : 0;
        }
        ours = start;
        theirs = start;
        words::move<W>(ours.data() + to, ours.data() + from, n);
        memmove(theirs.data() + to, theirs.data() + from, n);
        ASSERT_EQ(firstDifference(ours, theirs), -1) << "move n " << n << " from " << from << " to " << to;

        unsigned char c = (unsigned char)random();
        words::fill<W>(ours.data() + to, c, n);
        memset(theirs.data() + to, c, n);
        ASSERT_EQ(firstDifference(ours, theirs), -1) << "fill n " << n << " to " << to;

        ours = start;
        size_t at = n > 0 ? random() % n : 0;
        if (n > 0)
            ours[from + at] ^= (unsigned char)(1 + random() % 255);
        ASSERT_EQ(sign(words::compare<W>(ours.data() + from, start.data() + from, n)),
                  sign(memcmp(ours.data() + from, start.data() + from, n)))
            << "compare n " << n << " at " << at;

        const char *text = (const char *)start.data() + from;
        ASSERT_EQ(address(words::findByte<W>(text, '\x5C', n)), address(memchr(text, 0x5C, n))) << "find n " << n;
        ours = start;
        if (n > 0)
            ours[from + at] = 0x5C;
        text = (const char *)ours.data() + from;
        ASSERT_EQ(address(words::findByte<W>(text, '\x5C', n)), address(memchr(text, 0x5C, n))) << "find n " << n << " at " << at;

        ours = start;
        for (size_t i = 0; i < n; ++i)
            if (ours[from + i] == 0)
                ours[from + i] = 1;
        ours[from + n] = 0;
        text = (const char *)ours.data() + from;
        ASSERT_EQ(words::length<W>(text), n);
        const char *expected = strchr(text, 0x5C);
        ASSERT_EQ(address(words::findByteOrEnd<W>(text, '\x5C')), address(expected != nullptr ? expected : text + n));
    }
}

// Three pages, the first and the last inaccessible: a routine that reads a
// byte before or after the middle page faults.
class GuardedPage {
public:
    GuardedPage()
    {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        pageSize = info.dwPageSize;
        base = (unsigned char *)VirtualAlloc(nullptr, 3 * pageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        DWORD old;
        bool ok = base != nullptr && VirtualProtect(base, pageSize, PAGE_NOACCESS, &old) &&
                  VirtualProtect(base + 2 * pageSize, pageSize, PAGE_NOACCESS, &old);
#else
        pageSize = (size_t)sysconf(_SC_PAGESIZE);
        void *mapped = mmap(nullptr, 3 * pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base = mapped == MAP_FAILED ? nullptr : (unsigned char *)mapped;
        bool ok = base != nullptr && mprotect(base, pageSize, PROT_NONE) == 0 &&
                  mprotect(base + 2 * pageSize, pageSize, PROT_NONE) == 0;
#endif
        EXPECT_TRUE(ok);
    }
    ~GuardedPage()
    {
#ifdef _WIN32
        VirtualFree(base, 0, MEM_RELEASE);
#else
        munmap(base, 3 * pageSize);
#endif
    }
    GuardedPage(const GuardedPage &) = delete;
    GuardedPage &operator=(const GuardedPage &) = delete;

    unsigned char *first() { return base + pageSize; }
    unsigned char *end() { return base + 2 * pageSize; }
    size_t pageSize = 0;

private:
    unsigned char *base = nullptr;
};

TYPED_TEST(Words, NothingReadOutsideAPageThatEndsAtAnInaccessiblePage)
{
    typedef TypeParam W;
    GuardedPage page;
    ASSERT_GT(page.pageSize, 600u);
    memset(page.first(), 'x', page.pageSize);
    for (size_t n = 0; n <= 3 * 8 * sizeof(W); ++n) {
        // A text whose NUL is the last byte of the page; blocks that end
        // with the page and blocks that start with it.
        unsigned char *end = page.end();
        end[-1] = 0;
        const char *text = (const char *)end - 1 - n;
        ASSERT_EQ(words::length<W>(text), n);
        ASSERT_EQ(address(words::findByteOrEnd<W>(text, 'y')), address(text + n));
        end[-1] = 'x';
        for (unsigned char *block : {end - n, page.first()}) {
            ASSERT_EQ(address(words::findByte<W>((const char *)block, 'y', n)), address(nullptr));
            ASSERT_EQ(words::compare<W>(block, block == page.first() ? end - n : page.first(), n), 0);
            words::fill<W>(block, 'x', n);
            words::move<W>(block, block == page.first() ? end - n : page.first(), n);
            words::move<W>(block, block + (block == page.first() ? 1 : -1) * (long)(n / 2), n / 2);
        }
    }
    // Also the string instructions stop with the block.
    size_t n = words::kStringInstructionFrom + 3;
    words::move<W>(page.end() - n, page.first() + 5, n);
    words::move<W>(page.first(), page.end() - n, n);
    words::fill<W>(page.end() - n, 'x', n);
    words::fill<W>(page.first(), 'x', n);
    ASSERT_EQ(address(words::findByte<W>((const char *)page.end() - n, 'y', n)), address(nullptr));
}

// The helpers of bytes.h that are more than a call of words.h.
TEST(ByteHelpers, FindBytesAsTheCLibrary)
{
    const char *kCases[][2] = {
        {"", ""},      {"abc", ""},      {"", "a"},          {"abc", "abc"},      {"abc", "abcd"},
        {"aab", "ab"}, {"ababac", "abac"}, {"xx10yy", "10"}, {"\x83\x5C" "10", "\x5C" "1"},
        {"12 11", "11"}, {"abc", "c"},   {"abc", "d"},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(address(findBytes(c[0], c[1])), address(strstr(c[0], c[1]))) << c[0] << " / " << c[1];

    std::mt19937 random(8);
    for (int round = 0; round < 20000; ++round) {
        std::string text, needle;
        for (size_t i = random() % 40; i > 0; --i)
            text += (char)("ab\x80\xFF"[random() % 4]);
        for (size_t i = random() % 4; i > 0; --i)
            needle += (char)("ab\x80\xFF"[random() % 4]);
        ASSERT_EQ(address(findBytes(text.c_str(), needle.c_str())), address(strstr(text.c_str(), needle.c_str())))
            << text << " / " << needle;
    }
}

}  // namespace
