// The kit checker natively on two generated kits, each of which must come
// out clean: 10 products of 100 components, each component with its own INF
// and ten files listed in its product's layout (1,000 components, 10,000
// files); and one product of 1,000 or 10,000 components in one chain of
// Parent links, written to the catalogue by [load_inf] INFs of 250 each.
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

const int kChainPerCatalogueInf = 250;   // a chain's length is a multiple of this
const int kChainPerComponentInf = 100;

std::string chainName(int c)
{
    char name[16];
    snprintf(name, sizeof name, "C%05d", c);
    return name;
}

std::string makeChainKit(int components)
{
    char pattern[] = "/tmp/kitcheck-chain.XXXXXX";
    std::string dir = mkdtemp(pattern);
    char name[64];
    writeFile(dir + "/MACHINE.INF", "[MachineModels]\r\n\"Model\",TOSKA\r\n[TOSKA]\r\n\"A 4410\",4410Q\r\n");
    std::string setup = "[version]\r\nsignature=$UPGKIT$\r\nSetupClass=CHAIN\r\nLayoutFile=LAYOUT.INF\r\n"
                        "[Strings]\r\nCHAIN=\"Chain\"\r\n[load_inf]\r\n";
    std::string layout = "[SourceDisksFiles]\r\n";
    for (int first = 0; first < components; first += kChainPerCatalogueInf) {
        snprintf(name, sizeof name, "CAT%02d.INF", first / kChainPerCatalogueInf);
        setup += std::string(name) + "\r\n";
        std::string catalogue = "[Strings]\r\nCat=\"SOFTWARE\\QEL\\CHAIN\\Setup\\OptionalComponents\"\r\n"
                                "[BaseWinOptions]\r\nCatalogue\r\n[Catalogue]\r\nAddReg=Catalogue.Reg\r\n"
                                "[Catalogue.Reg]\r\n";
        for (int c = first; c < first + kChainPerCatalogueInf; ++c) {
            std::string comp = chainName(c);
            char infName[16];
            snprintf(infName, sizeof infName, "P%03d.INF", c / kChainPerComponentInf);
            catalogue += "HKLM,%Cat%," + comp + ",,1\r\n";
            catalogue += "HKLM,%Cat%\\" + comp + ",INF,," + infName + "\r\n";
            catalogue += "HKLM,%Cat%\\" + comp + ",Section,,Part_4410Q/" + comp + "\r\n";
        }
        writeFile(dir + "/" + name, catalogue);
    }
    for (int first = 0; first < components; first += kChainPerComponentInf) {
        int file = first / kChainPerComponentInf;
        snprintf(name, sizeof name, "F%03d.DLL", file);
        std::string fileName = name;
        std::string inf = "[version]\r\nsignature=$CHICAGO$\r\n";
        for (int c = first; c < first + kChainPerComponentInf; ++c) {
            inf += "[Part_4410Q/" + chainName(c) + "]\r\nOptionDesc=" + chainName(c) + "\r\nInstallType=2\r\n";
            if (c > 0)
                inf += "Parent=Part_4410Q/" + chainName(c - 1) + "\r\n";
            inf += "SearchDir=10,APP\r\nSearchFile=F.EXE\r\nCopyFiles=Files\r\n";
        }
        inf += "[Files]\r\n" + fileName + "\r\n[DestinationDirs]\r\nFiles=10,APP\r\n";
        snprintf(name, sizeof name, "P%03d.INF", file);
        writeFile(dir + "/" + name, inf);
        layout += fileName + "=0,,8\r\n";
        writeFile(dir + "/" + fileName, "8 bytes.");
    }
    writeFile(dir + "/OSPRIN.INF", setup);
    writeFile(dir + "/LAYOUT.INF", layout);
    return dir;
}

int removeEntry(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

// Checks the kit once per iteration; a finding makes the figure void.
void checkKitOf(benchmark::State &state, const std::string &kit)
{
    for (auto _ : state) {
        KitReport report = checkKit(kit);
        if (report.errors + report.warnings != 0) {
            std::string text = formatReport(report, false);
            state.SkipWithError(text.substr(0, 400).c_str());
            break;
        }
    }
    nftw(kit.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void checkGeneratedKit(benchmark::State &state)
{
    checkKitOf(state, makeKit());
    state.counters["components"] = kProducts * kComponentsPerProduct;
    state.counters["files"] = kProducts * kComponentsPerProduct * kFilesPerComponent;
}
BENCHMARK(checkGeneratedKit)->Unit(benchmark::kMillisecond)->Iterations(3);

void checkChainKit(benchmark::State &state)
{
    checkKitOf(state, makeChainKit((int)state.range(0)));
    state.counters["components"] = (double)state.range(0);
}
BENCHMARK(checkChainKit)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
