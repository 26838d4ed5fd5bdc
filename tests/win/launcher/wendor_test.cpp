// Wendor under Wine: what it starts, from where, with which command line and
// in which order, for each shape of [QXFAX] Program. The programs it starts
// are recording stand-ins copied in under the two names.
#include "tests/standins/telephone_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const char kLog[] = "C:\\starts.log";

struct Start {
    std::string file, commandLine, directory;
    DWORD pid;
    unsigned long long created;
};

std::vector<Start> readStarts()
{
    std::vector<Start> starts;
    HANDLE log = CreateFileA(kLog, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (log == INVALID_HANDLE_VALUE)
        return starts;
    char buffer[8192];
    DWORD got = 0;
    ReadFile(log, buffer, sizeof buffer - 1, &got, NULL);
    CloseHandle(log);
    buffer[got] = '\0';
    std::string text = buffer;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            break;   // a record still being written
        std::string record = text.substr(at, end - at);
        at = end + 2;
        std::vector<std::string> fields;
        size_t from = 0;
        for (size_t bar; (bar = record.find('|', from)) != std::string::npos; from = bar + 1)
            fields.push_back(record.substr(from, bar - from));
        fields.push_back(record.substr(from));
        if (fields.size() == 5)
            starts.push_back({fields[0], fields[1], fields[2], (DWORD)strtoul(fields[3].c_str(), NULL, 10),
                              strtoull(fields[4].c_str(), NULL, 10)});
    }
    return starts;
}

// directory + "\" + name, where the directory's last character, not its last
// byte, decides whether a backslash is there already (ソ ends in 0x5C).
std::string inDirectory(const std::string &directory, const char *name)
{
    const char *text = directory.c_str();
    const char *last = CharPrevA(text, text + directory.size());
    return directory + (*last == '\\' ? "" : "\\") + name;
}

class WendorRun : public testing::Test {
protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }

    static void place(const std::string &directory, const char *name)
    {
        CreateDirectoryA(directory.c_str(), NULL);
        std::string target = inDirectory(directory, name);
        ASSERT_TRUE(CopyFileA(buildPath(RECORDER_EXE).c_str(), target.c_str(), FALSE)) << target;
        placed.push_back(target);
    }

    static void program(const char *value)
    {
        WritePrivateProfileStringA("QXFAX", "Program", value, "QXfax.ini");
    }

    // Runs Wendor to its end; then waits for the expected number of starts
    // to be recorded, and a little more for any that should not be there.
    std::vector<Start> run(size_t expected)
    {
        ProgramRun result = {};
        EXPECT_TRUE(runProgram(buildPath(WENDOR_EXE), "C:\\windows", 30000, &result));
        EXPECT_EQ(0u, result.exitCode);
        DWORD start = GetTickCount();
        std::vector<Start> starts;
        while ((starts = readStarts()).size() < expected && GetTickCount() - start < 10000)
            Sleep(20);
        Sleep(300);
        starts = readStarts();
        // The stand-ins end by themselves; make sure, by their process ids.
        for (const Start &s : starts) {
            HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, s.pid);
            if (process) {
                if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0)
                    TerminateProcess(process, 1);
                CloseHandle(process);
            }
        }
        return starts;
    }

    static std::vector<std::string> placed;

private:
    static void clean()
    {
        DeleteFileA("C:\\windows\\QXfax.ini");
        DeleteFileA(kLog);
        for (const std::string &file : placed)
            DeleteFileA(file.c_str());
        placed.clear();
    }
};
std::vector<std::string> WendorRun::placed;

struct Layout {
    const char *program;            // [QXFAX] Program
    const char *directory;          // where the stand-ins are
    const char *expectedDirectory;  // current directory of both
    const char *expectedPrefix;     // command line = prefix + file name (+ suffix)
    const char *expectedSuffix;
};

TEST_F(WendorRun, StartsTamselThenHestroFromTheProgramDirectory)
{
    const Layout layouts[] = {
        {"C:\\FAX\\", "C:\\FAX", "C:\\FAX", "C:\\FAX\\", ""},
        {"C:\\FAX", "C:\\FAX", "C:\\FAX", "C:\\FAX\\", ""},
        {"C:\\", "C:\\", "C:\\", "C:\\", ""},
        // The last byte of ソ is 0x5C: it is no trailing backslash.
        {"C:\\FAX\\ソ", "C:\\FAX\\ソ", "C:\\FAX\\ソ", "C:\\FAX\\ソ\\", ""},
        {"C:\\FAX\\ソ\\", "C:\\FAX\\ソ", "C:\\FAX\\ソ", "C:\\FAX\\ソ\\", ""},
        // A blank in the path: quoted, so C:\Program.exe is not started.
        {"C:\\Program Files\\FAX", "C:\\Program Files\\FAX", "C:\\Program Files\\FAX", "\"C:\\Program Files\\FAX\\", "\""},
    };
    CreateDirectoryA("C:\\FAX", NULL);
    CreateDirectoryA("C:\\Program Files", NULL);
    for (const Layout &layout : layouts) {
        SCOPED_TRACE(layout.program);
        DeleteFileA(kLog);
        place(layout.directory, "Tamsel.exe");
        place(layout.directory, "Hestro.exe");
        place("C:\\", "Program.exe");
        program(layout.program);
        std::vector<Start> starts = run(2);
        ASSERT_EQ(2u, starts.size());
        const char *names[2] = {"Tamsel.exe", "Hestro.exe"};
        for (int i = 0; i < 2; ++i) {
            const Start &s = starts[i];
            EXPECT_EQ(inDirectory(layout.directory, names[i]), s.file);
            EXPECT_EQ(std::string(layout.expectedPrefix) + names[i] + layout.expectedSuffix, s.commandLine);
            EXPECT_EQ(layout.expectedDirectory, s.directory);
        }
        EXPECT_LT(starts[0].created, starts[1].created) << "Tamsel starts first";
    }
    RemoveDirectoryA("C:\\FAX\\ソ");
}

TEST_F(WendorRun, StartsNothingWithoutAProgramDirectoryOrDetector)
{
    // Recorders where a wrong start would land: an empty directory makes
    // "\Tamsel.exe", the root of the current drive (Wendor runs in
    // C:\windows); a directory of "\." components names C:\ however long
    // it is, so a command line too long for its buffer would start
    // C:\Tamsel.exe too (the platform takes such a command line).
    CreateDirectoryA("C:\\FAX", NULL);
    place("C:\\FAX", "Hestro.exe");
    place("C:\\", "Tamsel.exe");
    place("C:\\", "Hestro.exe");
    std::string dotComponents = "C:";
    while (dotComponents.size() < 250)
        dotComponents += "\\.";
    const struct {
        const char *name;
        const char *program;   // null: no entry; "(no file)": no QXfax.ini
    } cases[] = {
        {"no QXfax.ini", "(no file)"},
        {"no Program entry", nullptr},
        {"empty Program", ""},
        {"Tamsel.exe missing", "C:\\FAX"},
        {"command line too long for its buffer", dotComponents.c_str()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA("C:\\windows\\QXfax.ini");
        DeleteFileA(kLog);
        if (!c.program)
            WritePrivateProfileStringA("QXFAX", "Other", "x", "QXfax.ini");
        else if (strcmp(c.program, "(no file)") != 0)
            program(c.program);
        std::vector<Start> starts = run(0);
        EXPECT_TRUE(starts.empty()) << starts.size() << " started, the first " << starts[0].file;
    }
}

}  // namespace
