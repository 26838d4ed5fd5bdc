// CONFIG.SYS and AUTOEXEC.BAT of the prefix's boot drive, edited through
// UpdateInis lines and directly; the file text itself is checked. Both files
// are put back as they were.
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "setup/sysconfig/boot_files.h"
#include "setup/sysconfig/ini_updates.h"
#include "win/sysconfig/win_test_util.h"

#include <gtest/gtest.h>

namespace {

class BootFiles : public testing::Test {
protected:
    SavedFile configSys{bootPath("CONFIG.SYS")};
    SavedFile autoexec{bootPath("AUTOEXEC.BAT")};
    SavedFile profileConfigSys{windowsPath("config.sys")};

    void SetUp() override
    {
        GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
        setupState.restartNeeded = false;
    }
    static void updateInis(const std::string &lines)
    {
        ScopedInf image("[Lines]\n" + lines);
        ::updateInis("Lines", countSectionLines("Lines", image.image), "test.inf", image.image, INI_ADD_MODE);
    }
};

TEST_F(BootFiles, ConfigSysGetsOneLineAtItsEnd)
{
    struct {
        std::string before, after;
    } cases[] = {
        {"FILES=30\r\n", "FILES=30\r\nDEVICE=X.SYS\r\n"},
        {"FILES=30\n", "FILES=30\nDEVICE=X.SYS\r\n"},
        // A last line without its line end is ended first, not glued onto.
        {"FILES=30", "FILES=30\r\nDEVICE=X.SYS\r\n"},
        {"", "DEVICE=X.SYS\r\n"},
        {"DEVICE=X.SYS\r\n", "DEVICE=X.SYS\r\nDEVICE=X.SYS\r\n"},
        // A final Ctrl-Z (files written by DOS tools): DOS reads no further,
        // so the line goes before it and the mark stays last.
        {"FILES=30\r\n\x1a", "FILES=30\r\nDEVICE=X.SYS\r\n\x1a"},
        {"FILES=30\x1a", "FILES=30\r\nDEVICE=X.SYS\r\n\x1a"},
        {"FILES=30\r\n\x1a\x1a", "FILES=30\r\nDEVICE=X.SYS\r\n\x1a\x1a"},
        {"\x1a", "DEVICE=X.SYS\r\n\x1a"},
        // A mark that is not last is text to this edit; the line goes at the end.
        {"FILES=30\r\n\x1a\r\n", "FILES=30\r\n\x1a\r\nDEVICE=X.SYS\r\n"},
        {std::string(100, 'R') + "\r\n\x1a", std::string(100, 'R') + "\r\nDEVICE=X.SYS\r\n\x1a"},
    };
    for (const auto &c : cases) {
        writeFile(bootPath("CONFIG.SYS"), c.before);
        EXPECT_TRUE(appendConfigSysLine("DEVICE=X.SYS")) << c.before;
        EXPECT_EQ(readFile(bootPath("CONFIG.SYS")), c.after) << c.before;
    }
}

TEST_F(BootFiles, ConfigSysLinesOfUpdateInis)
{
    writeFile(bootPath("CONFIG.SYS"), "FILES=30\r\n");
    removeFile(windowsPath("config.sys"));
    // Whatever path the line gives, the boot drive's file is meant; with a
    // section the line is an ordinary profile entry instead.
    updateInis("config.sys,,,DEVICE=X.SYS\n"
               "C:\\OTHER\\CONFIG.SYS,,,\"DEVICE=Y.SYS\"\n"
               "config.sys,sect,,a=b\n");
    EXPECT_EQ(readFile(bootPath("CONFIG.SYS")), "FILES=30\r\nDEVICE=X.SYS\r\nDEVICE=Y.SYS\r\n");
    char value[16] = "";
    GetPrivateProfileStringA("sect", "a", "", value, sizeof value, "config.sys");
    EXPECT_STREQ(value, "b");
    EXPECT_FALSE(setupState.restartNeeded) << "boot-file edits do not mark a restart";
}

TEST_F(BootFiles, MissingBootFilesAreNotCreated)
{
    removeFile(bootPath("CONFIG.SYS"));
    removeFile(bootPath("AUTOEXEC.BAT"));
    EXPECT_FALSE(appendConfigSysLine("DEVICE=X.SYS"));
    removeAutoexecLines("SET X=1");
    EXPECT_FALSE(fileExists(bootPath("CONFIG.SYS")));
    EXPECT_FALSE(fileExists(bootPath("AUTOEXEC.BAT")));
}

TEST_F(BootFiles, AutoexecLosesEveryEqualLine)
{
    std::string piece(254, 'x');
    std::string before = "@ECHO OFF\r\n"
                         "SET X=1\r\n"
                         "set x=1\n"
                         "SET X=1 \r\n"
                         "REM SET X=1\r\n" +
                         piece + "SET X=1\r\n" + "PATH=C:\\WINDOWS\r\nSET X=1";
    writeFile(bootPath("AUTOEXEC.BAT"), before);
    updateInis("autoexec.bat,\"SET X=1\",,\n");
    EXPECT_EQ(readFile(bootPath("AUTOEXEC.BAT")),
              "@ECHO OFF\r\nSET X=1 \r\nREM SET X=1\r\n" + piece + "SET X=1\r\nPATH=C:\\WINDOWS\r\n");

    // A file without such a line is not written at all.
    std::string untouched = "@ECHO OFF\nREM SET X=1";
    writeFile(bootPath("AUTOEXEC.BAT"), untouched);
    ageFile(bootPath("AUTOEXEC.BAT"));
    FILETIME aged = fileTime(bootPath("AUTOEXEC.BAT"));
    updateInis("autoexec.bat,\"SET X=1\",,\n");
    EXPECT_EQ(readFile(bootPath("AUTOEXEC.BAT")), untouched);
    FILETIME after = fileTime(bootPath("AUTOEXEC.BAT"));
    EXPECT_EQ(CompareFileTime(&aged, &after), 0) << "the file was rewritten";

    // A line to add, or one with both a line to remove and a new entry,
    // changes nothing. (Unquoted blanks of INF lines are dropped when the
    // INF is read, hence the quotes.)
    writeFile(bootPath("AUTOEXEC.BAT"), "SET X=1\r\n");
    updateInis("autoexec.bat,,,\"SET X=1\"\nautoexec.bat,\"SET X=1\",,\"SET X=2\"\n");
    EXPECT_EQ(readFile(bootPath("AUTOEXEC.BAT")), "SET X=1\r\n");
    EXPECT_FALSE(setupState.restartNeeded);
}

}  // namespace
