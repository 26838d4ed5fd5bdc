// Under Wine: the INF reader against the platform's setupapi on the same
// 60 KB file, in the same process. Reading the file and looking up every
// key's first field, best of several rounds each.
#include "bench/bench_inf.h"
#include "setup/inf/inf.h"
#include "setup/inf/text.h"

#include <windows.h>
#include <setupapi.h>

#include <stdio.h>

namespace {

double seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

template <typename Run> double bestOf(int rounds, Run run)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        run();
        QueryPerformanceCounter(&end);
        if (seconds(start, end) < best)
            best = seconds(start, end);
    }
    return best;
}

}  // namespace

int main()
{
    BenchInf inf = makeBenchInf();
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    lstrcatA(path, "bench.inf");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, inf.text.data(), (DWORD)inf.text.size(), &written, nullptr);
    CloseHandle(file);

    size_t ownFound = 0, platformFound = 0;
    const int rounds = 20;
    double own = bestOf(rounds, [&] {
        char name[MAX_PATH];
        copyText(name, path);
        InfImage *image = openInf(name);
        char value[260];
        ownFound = 0;
        for (const auto &k : inf.keys)
            ownFound += getSectionKeyValue(image, k.first.c_str(), k.second.c_str(), value);
        freeInf(image);
    });
    double platform = bestOf(rounds, [&] {
        HINF hinf = SetupOpenInfFileA(path, nullptr, INF_STYLE_WIN4, nullptr);
        char value[260];
        platformFound = 0;
        for (const auto &k : inf.keys) {
            INFCONTEXT context;
            if (SetupFindFirstLineA(hinf, k.first.c_str(), k.second.c_str(), &context) &&
                SetupGetStringFieldA(&context, 1, value, sizeof value, nullptr))
                ++platformFound;
        }
        SetupCloseInfFile(hinf);
    });
    double openOnly = bestOf(rounds, [&] {
        char name[MAX_PATH];
        copyText(name, path);
        freeInf(openInf(name));
    });
    double platformOpenOnly = bestOf(rounds, [&] {
        SetupCloseInfFile(SetupOpenInfFileA(path, nullptr, INF_STYLE_WIN4, nullptr));
    });
    DeleteFileA(path);

    double megabytes = (double)inf.text.size() / 1e6;
    printf("INF of %u bytes, %u keys looked up\n", (unsigned)inf.text.size(), (unsigned)inf.keys.size());
    printf("own reader: %8.3f ms  %7.2f MB/s  (%u found)\n", own * 1e3, megabytes / own, (unsigned)ownFound);
    printf("setupapi:   %8.3f ms  %7.2f MB/s  (%u found)\n", platform * 1e3, megabytes / platform,
           (unsigned)platformFound);
    printf("of which reading the file: own %.3f ms, setupapi %.3f ms\n", openOnly * 1e3, platformOpenOnly * 1e3);
    printf("own reader is %.1f times as fast\n", platform / own);
    return ownFound == inf.keys.size() && platformFound == inf.keys.size() ? 0 : 1;
}
