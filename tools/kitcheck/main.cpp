// kitcheck [--json] KITDIR: checks a kit before it ships.
#include "tools/kitcheck/kit_files.h"
#include "tools/kitcheck/kitcheck.h"

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    bool json = false;
    const char *kitDir = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--json") == 0)
            json = true;
        else if (kitDir == nullptr && argv[i][0] != '-')
            kitDir = argv[i];
        else
            kitDir = nullptr, argc = 0;
    }
    if (kitDir == nullptr) {
        fputs("usage: kitcheck [--json] KITDIR\n", stderr);
        return 2;
    }
    useKitCodePage();
    KitReport report = checkKit(kitDir);
    std::string text = formatReport(report, json);
    fwrite(text.data(), 1, text.size(), stdout);
    return reportExitCode(report);
}
