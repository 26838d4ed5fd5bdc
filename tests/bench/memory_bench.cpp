// The programs' memory routines and byte searches (runtime/words.h) against
// the host's C library, from 1 byte to 64 KB: with the machine's words
// ("words"), with 4-byte words as the i686 programs have them ("words32"),
// and the C library ("libc"). Copies go from an odd address to an aligned
// one; searches find their byte (or NUL) at the last place. Built as the
// memory routines are built, so that neither side is inlined or rewritten.
#include "runtime/words.h"

#include <benchmark/benchmark.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

struct Buffers {
    std::vector<unsigned char> a, b;
    explicit Buffers(size_t n) : a(n + 64, 'x'), b(n + 64, 'x') {}
};

typedef void (*Run)(unsigned char *a, unsigned char *b, size_t n);

void registerOne(const std::string &name, Run run)
{
    benchmark::RegisterBenchmark(name.c_str(), [run](benchmark::State &state) {
        size_t n = (size_t)state.range(0);
        Buffers buffers(n);
        unsigned char *a = buffers.a.data() + 16, *b = buffers.b.data() + 16;
        for (auto _ : state) {
            run(a, b, n);
            benchmark::ClobberMemory();
        }
        state.SetBytesProcessed((int64_t)(n * state.iterations()));
    })->RangeMultiplier(4)->Range(1, 1 << 16);
}

// Each routine: ours for a word type W, and the C library's.
struct Memcpy {
    template <typename W> static void ours(unsigned char *a, unsigned char *b, size_t n) { words::move<W>(a, b + 1, n); }
    static void libc(unsigned char *a, unsigned char *b, size_t n) { memcpy(a, b + 1, n); }
};
struct MemmoveUpBy1 {
    template <typename W> static void ours(unsigned char *a, unsigned char *, size_t n) { words::move<W>(a + 1, a, n); }
    static void libc(unsigned char *a, unsigned char *, size_t n) { memmove(a + 1, a, n); }
};
struct Memset {
    template <typename W> static void ours(unsigned char *a, unsigned char *, size_t n) { words::fill<W>(a, 0, n); }
    static void libc(unsigned char *a, unsigned char *, size_t n) { memset(a, 0, n); }
};
struct Memcmp {
    template <typename W> static void ours(unsigned char *a, unsigned char *b, size_t n)
    {
        benchmark::DoNotOptimize(words::compare<W>(a, b, n));
    }
    static void libc(unsigned char *a, unsigned char *b, size_t n) { benchmark::DoNotOptimize(memcmp(a, b, n)); }
};
// The searched byte (or the NUL) is put at the last place and taken away.
struct Memchr {
    template <typename W> static void ours(unsigned char *a, unsigned char *, size_t n)
    {
        a[n - 1] = 'y';
        benchmark::DoNotOptimize(words::findByte<W>((const char *)a, 'y', n));
        a[n - 1] = 'x';
    }
    static void libc(unsigned char *a, unsigned char *, size_t n)
    {
        a[n - 1] = 'y';
        benchmark::DoNotOptimize(memchr(a, 'y', n));
        a[n - 1] = 'x';
    }
};
struct Strlen {
    template <typename W> static void ours(unsigned char *a, unsigned char *, size_t n)
    {
        a[n - 1] = 0;
        benchmark::DoNotOptimize(words::length<W>((const char *)a));
        a[n - 1] = 'x';
    }
    static void libc(unsigned char *a, unsigned char *, size_t n)
    {
        a[n - 1] = 0;
        benchmark::DoNotOptimize(strlen((const char *)a));
        a[n - 1] = 'x';
    }
};
// findByteOrEnd: a text of n bytes without the searched byte.
struct Strchr {
    template <typename W> static void ours(unsigned char *a, unsigned char *, size_t n)
    {
        a[n - 1] = 0;
        benchmark::DoNotOptimize(words::findByteOrEnd<W>((const char *)a, 'y'));
        a[n - 1] = 'x';
    }
    static void libc(unsigned char *a, unsigned char *, size_t n)
    {
        a[n - 1] = 0;
        benchmark::DoNotOptimize(strchr((const char *)a, 'y'));
        a[n - 1] = 'x';
    }
};

template <typename Routine> void registerRoutine(const std::string &name)
{
    registerOne(name + "/words", Routine::template ours<words::MachineWord>);
    registerOne(name + "/words32", Routine::template ours<uint32_t>);
    registerOne(name + "/libc", Routine::libc);
}

void registerAll()
{
    registerRoutine<Memcpy>("memcpy");
    registerRoutine<MemmoveUpBy1>("memmove_up_by_1");
    registerRoutine<Memset>("memset");
    registerRoutine<Memcmp>("memcmp");
    registerRoutine<Memchr>("memchr");
    registerRoutine<Strlen>("strlen");
    registerRoutine<Strchr>("strchr");
}

}  // namespace

int main(int argc, char **argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
