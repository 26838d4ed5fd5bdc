// Measures Tamsel under Wine: (1) the detection time with a modem answering
// on COM3 at once, against the floor WRITE-WAIT + TIMER; (2) processor time
// over wall time when every port is present and silent. Run under wine64
// with the test environment (scripts/wine-env); prints one line per figure.
//   tamsel_bench.exe [runs]
#include "tests/standins/pty_modems.h"
#include "tests/standins/telephone_window.h"

#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

namespace {

void setting(const char *key, const char *value)
{
    WritePrivateProfileStringA("MODEM_ATI", key, value, "QXtel.ini");
}

DWORD median(std::vector<DWORD> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    if (runs < 1)
        runs = 1;
    std::string tamsel = buildPath(TAMSEL_EXE);
    DeleteFileA("C:\\windows\\QXtel.ini");

    // (1) Defaults: WRITE-WAIT 2000 + TIMER 500 is the floor.
    {
        PtyModems ports;
        if (!ports.start({3})) {
            printf("could not map COM3\n");
            return 1;
        }
        ports.setScript(3, ModemScript{true, 1, "\r\nQEL  TX-5520K-M08\r\n\r\nOK\r\n", ""});
        std::vector<DWORD> total, notified;
        for (int i = 0; i < runs; ++i) {
            TelephoneWindow::notices.clear();
            TelephoneWindow phone;
            DWORD start = GetTickCount();
            ProgramRun run = {};
            if (!runProgram(tamsel, NULL, 60000, &run) || TelephoneWindow::notices.size() != 1) {
                printf("run %d failed\n", i);
                return 1;
            }
            (void)start;
            total.push_back(run.elapsedMs);
        }
        // A run of the empty program shows what starting a process costs here.
        std::vector<DWORD> startup;
        for (int i = 0; i < runs; ++i) {
            ProgramRun run = {};
            runProgram("C:\\windows\\system32\\hostname.exe", NULL, 60000, &run);
            startup.push_back(run.elapsedMs);
        }
        DWORD floor = 2500;
        printf("modem on COM3, defaults: median %lu ms over %d runs (min %lu, max %lu); floor %lu ms; "
               "over the floor %+ld ms (%.1f %%); process start and end alone (hostname.exe) %lu ms\n",
               median(total), runs, *std::min_element(total.begin(), total.end()),
               *std::max_element(total.begin(), total.end()), floor, (long)median(total) - (long)floor,
               100.0 * ((double)median(total) - floor) / floor, median(startup));
    }

    // (2) Nine silent ports, each for a COM-WAIT budget of 3000 ms.
    {
        PtyModems ports;
        if (!ports.start({1, 2, 3, 4, 5, 6, 7, 8, 9})) {
            printf("could not map the ports\n");
            return 1;
        }
        setting("COM-WAIT", "3000");
        ProgramRun run = {};
        if (!runProgram(tamsel, NULL, 120000, &run)) {
            printf("silent run failed\n");
            return 1;
        }
        double cpuMs = run.cpu / 10000.0;
        printf("nine silent ports, COM-WAIT 3000, other values default: wall %lu ms, processor %.0f ms, "
               "%.2f %% of wall time\n",
               run.elapsedMs, cpuMs, 100.0 * cpuMs / run.elapsedMs);
    }
    DeleteFileA("C:\\windows\\QXtel.ini");
    return 0;
}
