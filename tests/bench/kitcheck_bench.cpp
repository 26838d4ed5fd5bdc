// The kit checker on a generated kit of 1,000 components and 10,000 files,
// natively: ten products of 100 components, each component with its own INF
// and ten files listed in its product's layout. The kit must come out clean.
#include "tools/kitcheck/kitcheck.h"

#include <benchmark/benchmark.h>

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

const int kProducts = 10;
const int kComponentsPerProduct = 100;
const int kFilesPerComponent = 10;

void writeFile(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        perror(path.c_str());
        exit(1);
    }
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string makeKit()
{
    char pattern[] = "/tmp/kitcheck-bench.XXXXXX";
    std::string dir = mkdtemp(pattern);
    char name[64];
    std::string machine = "[MachineModels]\r\n\"Model\",TOSKA\r\n[TOSKA]\r\n\"A 4410\",4410Q\r\n";
    writeFile(dir + "/MACHINE.INF", machine);
    for (int p = 0; p < kProducts; ++p) {
        std::string setup = "[version]\r\nsignature=$UPGKIT$\r\n";
        setup += "SetupClass=PROD" + std::to_string(p) + "\r\nLayoutFile=LAYOUT" + std::to_string(p) + ".INF\r\n";
        setup += "[Strings]\r\nPROD" + std::to_string(p) + "=\"Product " + std::to_string(p) + "\"\r\n";
        setup += "[BaseWinOptions]\r\nCatalogue\r\n[Catalogue]\r\nAddReg=Catalogue.Reg\r\n[Catalogue.Reg]\r\n";
        std::string layout = "[SourceDisksFiles]\r\n";
        std::string key = "HKLM,SOFTWARE\\QEL\\PROD" + std::to_string(p) + "\\Setup\\OptionalComponents";
        for (int c = 0; c < kComponentsPerProduct; ++c) {
            snprintf(name, sizeof name, "C%d_%03d", p, c);
            std::string comp = name;
            snprintf(name, sizeof name, "P%dC%03d.INF", p, c);
            std::string infName = name;
            setup += key + "," + comp + ",,1\r\n";
            setup += key + "\\" + comp + ",INF,," + infName + "\r\n";
            setup += key + "\\" + comp + ",Section,,Part_4410Q/" + comp + "\r\n";
            std::string inf = "[version]\r\nsignature=$CHICAGO$\r\n[Part_4410Q/" + comp + "]\r\n";
            inf += "OptionDesc=\"" + comp + "\"\r\nInstallType=2\r\nSearchDir=10,APP\r\nSearchFile=F.EXE\r\n";
            inf += "CopyFiles=Files\r\n[DestinationDirs]\r\nFiles=10,APP\r\n[Files]\r\n";
            for (int f = 0; f < kFilesPerComponent; ++f) {
                snprintf(name, sizeof name, "F%d%03d%d.DLL", p, c, f);
                inf += std::string(name) + "\r\n";
                layout += std::string(name) + "=0,,8\r\n";
                writeFile(dir + "/" + name, "8 bytes.");
            }
            writeFile(dir + "/" + infName, inf);
        }
        writeFile(dir + "/OSPRIN" + std::to_string(p) + ".INF", setup);
        writeFile(dir + "/LAYOUT" + std::to_string(p) + ".INF", layout);
    }
    return dir;
}

int removeEntry(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

void checkGeneratedKit(benchmark::State &state)
{
    std::string kit = makeKit();
    for (auto _ : state) {
        KitReport report = checkKit(kit);
        if (report.errors + report.warnings != 0) {
            std::string text = formatReport(report, false);
            state.SkipWithError(text.substr(0, 400).c_str());
            break;
        }
    }
    nftw(kit.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    state.counters["components"] = kProducts * kComponentsPerProduct;
    state.counters["files"] = kProducts * kComponentsPerProduct * kFilesPerComponent;
}
BENCHMARK(checkGeneratedKit)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
