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
#include <string.h>
#include <vector>

namespace {

void setting(const char *key, const char *value)
{
    WritePrivateProfileStringA("MODEM_ATI", key, value, "QXtel.ini");
}

// Processor time of the Unix process that runs Tamsel, from /proc (Wine's
// GetProcessTimes for another process reports far more than the process
// itself used: it counted 3.4 s where /proc saw a few hundredths).
// Returns clock ticks of user + system time, or -1 when no such process.
long tamselTicks(DWORD &unixPid)
{
    if (!unixPid) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
        if (search == INVALID_HANDLE_VALUE)
            return -1;
        do {
            char path[MAX_PATH], comm[64] = "";
            snprintf(path, sizeof path, "Z:\\proc\\%s\\comm", found.cFileName);
            HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
            if (file == INVALID_HANDLE_VALUE)
                continue;
            DWORD got = 0;
            ReadFile(file, comm, sizeof comm - 1, &got, NULL);
            CloseHandle(file);
            comm[got] = '\0';
            if (strncmp(comm, "Tamsel.exe", 10) == 0)
                unixPid = strtoul(found.cFileName, NULL, 10);
        } while (!unixPid && FindNextFileA(search, &found));
        FindClose(search);
        if (!unixPid)
            return -1;
    }
    char path[64], stat[1024] = "";
    snprintf(path, sizeof path, "Z:\\proc\\%lu\\stat", unixPid);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD got = 0;
    ReadFile(file, stat, sizeof stat - 1, &got, NULL);
    CloseHandle(file);
    stat[got] = '\0';
    // Fields 14 and 15, counted after the ")" that ends the command name.
    const char *p = strrchr(stat, ')');
    if (!p)
        return -1;
    long utime = 0, stime = 0;
    if (sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &utime, &stime) != 2)
        return -1;
    return utime + stime;
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
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::string line = tamsel;
        DWORD start = GetTickCount();
        if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info)) {
            printf("silent run failed\n");
            return 1;
        }
        DWORD unixPid = 0;
        long ticks = 0;
        while (WaitForSingleObject(info.hProcess, 20) == WAIT_TIMEOUT) {
            long now = tamselTicks(unixPid);
            if (now >= 0)
                ticks = now;
            if (GetTickCount() - start > 120000) {
                TerminateProcess(info.hProcess, 1);
                break;
            }
        }
        DWORD wall = GetTickCount() - start;
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        double cpuMs = ticks * 1000.0 / 100;   // USER_HZ
        printf("nine silent ports, COM-WAIT 3000, other values default: wall %lu ms, processor %.0f ms "
               "(/proc, sampled every 20 ms), %.2f %% of wall time\n",
               wall, cpuMs, 100.0 * cpuMs / wall);
    }
    DeleteFileA("C:\\windows\\QXtel.ini");
    return 0;
}
