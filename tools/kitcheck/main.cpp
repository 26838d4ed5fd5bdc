// kitcheck [--json] KITDIR: checks a kit before it ships.
// kitcheck --keys KITDIR: the registry keys the kit writes, one a line.
#include "tools/kitcheck/kit_files.h"
#include "tools/kitcheck/kitcheck.h"

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    bool json = false, keys = false;
    const char *kitDir = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--json") == 0)
            json = true;
        else if (strcmp(argv[i], "--keys") == 0)
            keys = true;
        else if (kitDir == nullptr && argv[i][0] != '-')
            kitDir = argv[i];
        else
            kitDir = nullptr, argc = 0;
    }
    if (kitDir == nullptr) {
        fputs("usage: kitcheck [--json | --keys] KITDIR\n", stderr);
        return 2;
    }
    useKitCodePage();
    KitReport report = checkKit(kitDir);
    std::string text = keys ? formatRegistryKeys(report) : formatReport(report, json);
    fwrite(text.data(), 1, text.size(), stdout);
    if (keys)
        return report.unreadable ? 2 : 0;
    return reportExitCode(report);
}
