// The programs' own entry under Wine: the command line WinMain gets after the
// program's name, the show state from the start-up information, constructors
// of globals run first, and WinMain's result as the exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const char kReport[] = "C:\\entry_probe.txt";

struct ProbeRun {
    DWORD exitCode = 0;
    std::string report;
};

// Starts the probe with this command line; useShow: pass show in the
// start-up information.
ProbeRun runProbe(const std::string &commandLine, bool useShow = false, WORD show = SW_SHOWNORMAL)
{
    ProbeRun run;
    DeleteFileA(kReport);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (useShow) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
    }
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(ENTRY_PROBE_EXE, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        ADD_FAILURE() << "probe not started: " << GetLastError();
        return run;
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    HANDLE file = CreateFileA(kReport, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        char buffer[2048];
        DWORD got = 0;
        ReadFile(file, buffer, sizeof buffer, &got, NULL);
        CloseHandle(file);
        run.report.assign(buffer, got);
    }
    DeleteFileA(kReport);
    return run;
}

std::string field(const std::string &report, const std::string &name)
{
    size_t at = report.find(name + "=");
    if (at == std::string::npos)
        return "(missing)";
    at += name.size() + 1;
    return report.substr(at, report.find("\r\n", at) - at);
}

TEST(Entry, ConstructorsRunBeforeWinMainAndItsResultEndsTheProcess)
{
    ProbeRun run = runProbe("entry_probe.exe");
    EXPECT_EQ(run.exitCode, 42u);
    EXPECT_EQ(field(run.report, "constructed"), "1");
    EXPECT_EQ(field(run.report, "instance"), "1");
    EXPECT_EQ(field(run.report, "previous"), "0");
}

TEST(Entry, CommandLineAfterTheProgramName)
{
    struct Case {
        const char *commandLine, *tail;
    };
    const Case cases[] = {
        {"entry_probe.exe", "[]"},
        {"entry_probe.exe alpha beta", "[alpha beta]"},
        {"entry_probe.exe \t  *.INF  ", "[*.INF  ]"},
        {"\"C:\\Program Files\\kit\\entry_probe.exe\" \"FOO*.INF\"", "[\"FOO*.INF\"]"},
        {"\"C:\\with space\\entry_probe.exe\"FOO.INF", "[FOO.INF]"},
        // A quoted name of double-byte characters whose second byte is a
        // backslash (ソ 表), and an unquoted one.
        {"\"C:\\\x83\x5C\x95\x5C \\entry_probe.exe\" x", "[x]"},
        {"C:\\\x83\x5C\x95\x5C\\entry_probe.exe y", "[y]"},
        {"\"C:\\unclosed quote\\entry_probe.exe", "[]"},
    };
    for (const Case &c : cases) {
        ProbeRun run = runProbe(c.commandLine);
        EXPECT_EQ(run.exitCode, 42u) << c.commandLine;
        EXPECT_EQ(field(run.report, "tail"), c.tail) << c.commandLine;
    }
}

TEST(Entry, ShowStateFromTheStartupInformation)
{
    EXPECT_EQ(field(runProbe("entry_probe.exe", true, SW_SHOWMINNOACTIVE).report, "show"), "7");
    EXPECT_EQ(field(runProbe("entry_probe.exe", true, SW_HIDE).report, "show"), "0");
    EXPECT_EQ(field(runProbe("entry_probe.exe").report, "show"), "10");   // SW_SHOWDEFAULT
}

}  // namespace
