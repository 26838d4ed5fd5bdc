// Reading a 60 KB INF into its image and looking up every key of it, natively.
#include "bench/bench_inf.h"
#include "setup/inf/inf.h"

#include <benchmark/benchmark.h>

static void readAndLookUpEveryKey(benchmark::State &state)
{
    BenchInf inf = makeBenchInf();
    size_t found = 0;
    for (auto _ : state) {
        InfImage *image = buildInfImage(inf.text.data(), inf.text.size());
        char value[260];
        for (const auto &k : inf.keys)
            found += getSectionKeyValue(image, k.first.c_str(), k.second.c_str(), value);
        freeInf(image);
    }
    if (found != inf.keys.size() * state.iterations())
        state.SkipWithError("a key was not found");
    state.SetBytesProcessed((int64_t)(inf.text.size() * state.iterations()));
    state.counters["keys"] = (double)inf.keys.size();
}
BENCHMARK(readAndLookUpEveryKey)->Unit(benchmark::kMillisecond);

static void readOnly(benchmark::State &state)
{
    BenchInf inf = makeBenchInf();
    for (auto _ : state) {
        InfImage *image = buildInfImage(inf.text.data(), inf.text.size());
        benchmark::DoNotOptimize(image);
        freeInf(image);
    }
    state.SetBytesProcessed((int64_t)(inf.text.size() * state.iterations()));
}
BENCHMARK(readOnly)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
