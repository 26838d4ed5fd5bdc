// UpdateInis and UpdateIniFields lines on real INI files in the prefix's
// Windows directory. What the file itself holds is checked, not only what
// the profile functions read back. Every file touched is put back.
//
// Wine's profile functions differ from Windows 9x in two ways the tests must
// live with: a section read does not return ';' comment lines, and a section
// write drops lines without '='. So the list logic is tested natively
// (tests/portable/sysconfig); here only lines that Wine carries are used.
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "setup/sysconfig/boot_files.h"
#include "setup/sysconfig/ini_updates.h"
#include "win/sysconfig/ini_lines.h"
#include "win/sysconfig/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

typedef std::vector<std::string> Lines;

class IniUpdates : public testing::Test {
protected:
    SavedFile scratch{windowsPath("kitsys.ini")};
    SavedFile winIni{windowsPath("win.ini")};
    SavedFile systemIni{windowsPath("system.ini")};
    SavedFile wifemanIni{windowsPath("wifeman.ini")};
    SavedFile setupIni{windowsPath("setup.ini")};

    void SetUp() override
    {
        GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
        copyText(setupState.systemDir, setupState.windowsDir);
        appendText(setupState.systemDir, "\\SYSTEM");
        setupState.restartNeeded = false;
    }

    static void updateInis(const std::string &lines, int mode)
    {
        ScopedInf image("[Strings]\nTool=\"My Tool\"\n[Lines]\n" + lines);
        int count = countSectionLines("Lines", image.image);
        EXPECT_EQ(::updateInis("Lines", count, "test.inf", image.image, mode), count + 1);
    }
    static void updateIniFields(const std::string &lines)
    {
        ScopedInf image("[Strings]\nNew=fresh\n[Lines]\n" + lines);
        int count = countSectionLines("Lines", image.image);
        EXPECT_EQ(::updateIniFields("Lines", count, "test.inf", image.image, 0), count + 1);
    }
    static std::string text(const char *name) { return readFile(windowsPath(name)); }
};

TEST_F(IniUpdates, OrdinaryEntriesAreWrittenAndRemoved)
{
    removeFile(windowsPath("kitsys.ini"));
    updateInis("kitsys.ini,Sec,,\"load=x.exe\"\n"
               "kitsys.ini,Sec,,path=%10%\\a.exe\n"
               "kitsys.ini,Sec,,\"name=%Tool%\"\n"
               "kitsys.ini,Sec,,noequals\n"
               "kitsys.ini,Ext,,a=1\n"
               "kitsys.ini,Ext,,b=2\n",
               INI_ADD_MODE);
    std::string windows = setupState.windowsDir;
    EXPECT_EQ(sectionLines(text("kitsys.ini"), "Sec"),
              (Lines{"load=x.exe", "path=" + windows + "\\a.exe", "name=My Tool"}))
        << "a new entry without '=' is skipped";
    EXPECT_EQ(sectionLines(text("kitsys.ini"), "Ext"), (Lines{"a=1", "b=2"}));
    EXPECT_FALSE(setupState.restartNeeded) << "not a system INI file";

    updateInis("kitsys.ini,Sec,,load=anything\n"
               "kitsys.ini,Ext,,=x\n"
               "kitsys.ini,Sec,,noequals\n",
               INI_REMOVE_MODE);
    EXPECT_EQ(sectionLines(text("kitsys.ini"), "Sec"), (Lines{"path=" + windows + "\\a.exe", "name=My Tool"}));
    EXPECT_FALSE(hasSection(text("kitsys.ini"), "Ext")) << "an empty key removes the whole section";
}

TEST_F(IniUpdates, SystemIniFilesMarkARestart)
{
    struct {
        const char *line;
        int mode;
        bool restart;
    } cases[] = {
        {"win.ini,KitSysconfigTest,,\"load=x.exe\"", INI_ADD_MODE, true},
        {"win.ini,KitSysconfigTest,,load=", INI_REMOVE_MODE, true},
        {"%10%\\system.ini,KitSysconfigTest,,a=1", INI_ADD_MODE, true},
        {"WIFEMAN.INI,KitSysconfigTest,,a=1", INI_ADD_MODE, true},
        {"kitsys.ini,KitSysconfigTest,,a=1", INI_ADD_MODE, false},
        {"setup.ini,progman.groups,,group9=Kit", INI_ADD_MODE, false},
        {"setup.ini,Kit,,\"\"\"a=b\"\", c\"", INI_ADD_MODE, false},
        {"win.ini,KitSysconfigTest,,noequals", INI_ADD_MODE, false},
    };
    for (const auto &c : cases) {
        setupState.restartNeeded = false;
        updateInis(std::string(c.line) + "\n", c.mode);
        EXPECT_EQ(setupState.restartNeeded, c.restart) << c.line;
    }
    EXPECT_EQ(sectionLines(text("win.ini"), "KitSysconfigTest"), Lines{});
    EXPECT_EQ(sectionLines(text("wifeman.ini"), "KitSysconfigTest"), Lines{"a=1"});
}

TEST_F(IniUpdates, SetupIniHoldsGroupDefinitions)
{
    removeFile(windowsPath("setup.ini"));
    // Group lines are appended on every run and in both modes; Wine keeps
    // only group lines with '=' (see the top of the file).
    updateInis("setup.ini,progman.groups,,group5=Tools\n"
               "setup.ini,progman.groups,,\"\"\"group6\"\"=\"\"Kit Tools\"\"\"\n"
               "setup.ini,Tools,,\"\"\"a=b\"\", tool.exe\"\n"
               "setup.ini,Tools,,\"tool=%Tool%\"\n",
               INI_ADD_MODE);
    updateInis("setup.ini,Tools,,\"\"\"a=b\"\", tool.exe\"\n", INI_REMOVE_MODE);
    std::string file = text("setup.ini");
    EXPECT_EQ(sectionLines(file, "progman.groups"), (Lines{"group5=Tools", "group6=Kit Tools"}));
    EXPECT_EQ(sectionLines(file, "Tools"), (Lines{"\"a=b\", tool.exe", "tool=My Tool", "\"a=b\", tool.exe"}));
    EXPECT_FALSE(setupState.restartNeeded);

    // A path to a setup.ini is an ordinary INI file: remove mode deletes.
    updateInis("%10%\\setup.ini,Tools,,tool=\n", INI_REMOVE_MODE);
    EXPECT_EQ(sectionLines(text("setup.ini"), "Tools"), (Lines{"\"a=b\", tool.exe", "\"a=b\", tool.exe"}));
}

TEST_F(IniUpdates, DeviceLinesOfSystemIni)
{
    writeFile(windowsPath("system.ini"), "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=*vpicd\r\n"
                                         "device=a.386\r\nkeyboard=x\r\n");
    updateIniFields("system.ini,386Enh,device,a.386,b.386\n");
    EXPECT_EQ(sectionLines(text("system.ini"), "386Enh"),
              (Lines{"device=*vpicd", "device=b.386", ";device=a.386", "keyboard=x"}));
    EXPECT_TRUE(setupState.restartNeeded);
    EXPECT_EQ(sectionLines(text("system.ini"), "boot"), Lines{"shell=Explorer.exe"});

    // Rewritten from scratch for the UpdateInis route, which only ever adds,
    // in remove mode too, and adds a value once.
    writeFile(windowsPath("system.ini"), "[386Enh]\r\ndevice=*vpicd\r\nDEVICE=X.386 /p\r\n");
    setupState.restartNeeded = false;
    updateInis("system.ini,386Enh,,device=y.386\n", INI_REMOVE_MODE);
    updateInis("system.ini,386Enh,,\"device=y.386\"\nsystem.ini,386Enh,,device=x.386\n", INI_ADD_MODE);
    EXPECT_EQ(sectionLines(text("system.ini"), "386Enh"), (Lines{"device=*vpicd", "DEVICE=X.386 /p", "device=y.386"}));
    EXPECT_TRUE(setupState.restartNeeded) << "every device-line rewrite marks a restart";

    // A quoted system.ini is still the device-line route, not a single-key
    // profile write that would replace one of the device lines.
    updateIniFields("\"system.ini\",386Enh,device,y.386,\n");
    EXPECT_EQ(sectionLines(text("system.ini"), "386Enh"),
              (Lines{"device=*vpicd", "DEVICE=X.386 /p", ";device=y.386"}));
}

TEST_F(IniUpdates, DeviceLinesOfAnAbsentSection)
{
    removeFile(windowsPath("kitsys.ini"));
    EXPECT_TRUE(updateDeviceLines("kitsys.ini", "386Enh", "device", "", "x.386", nullptr));
    EXPECT_EQ(sectionLines(text("kitsys.ini"), "386Enh"), Lines{"device=x.386"});
    EXPECT_TRUE(updateDeviceLines("kitsys.ini", "Other", "device", "a.386", "b.386", nullptr));
    EXPECT_EQ(sectionLines(text("kitsys.ini"), "Other"), Lines{}) << "a replace adds nothing";
}

TEST_F(IniUpdates, FieldListsOfAKey)
{
    writeFile(windowsPath("kitsys.ini"), "[Sec]\r\nL1=a b c\r\nL2=a b c\r\nL3=a,b\r\nL4=a b\r\nL5=a b\r\nL8=a\r\n"
                                         "L9=" + std::string(300, 'z') + " a\r\n[Gone]\r\nk=v\r\n");
    WriteProfileStringA("windows", "KitSysconfigList", "a");
    updateIniFields("kitsys.ini,Sec,L1,b,x\n"
                    "kitsys.ini,Sec,L2,c,\n"
                    "kitsys.ini,Sec,L3,a,x\n"
                    "kitsys.ini,Sec,L4,,y\n"
                    "kitsys.ini,Sec,L5,,\"A\"\n"
                    "kitsys.ini,Sec,L6,,new\n"
                    "kitsys.ini,Sec,L7,old,x\n"
                    "kitsys.ini,Sec,L8,a,\n"
                    "kitsys.ini,Sec,L9,a,x\n"
                    "kitsys.ini,Gone,,a,b\n");
    std::string file = text("kitsys.ini");
    // (Wine drops the trailing blank of "a b " when it writes the value.)
    EXPECT_EQ(sectionLines(file, "Sec"), (Lines{"L1=a x c", "L2=a b", "L3=x b", "L4=a b y", "L5=a b",
                                                "L9=" + std::string(300, 'z') + " a", "L6=new"}))
        << "an empty result deletes the key; a value too long to read whole is left alone";
    EXPECT_FALSE(hasSection(file, "Gone")) << "an empty key field deletes the section";
    EXPECT_FALSE(setupState.restartNeeded);

    // The INF's field is expanded; the user's value is kept as it was, its
    // %name% texts too, whether the INF's [Strings] knows them or not.
    writeFile(windowsPath("kitsys.ini"), "[Sec]\r\nL=a %b% c %New%\r\n");
    updateIniFields("kitsys.ini,Sec,L,,%New%\n");
    EXPECT_EQ(sectionLines(text("kitsys.ini"), "Sec"), Lines{"L=a %b% c %New% fresh"});

    // [windows] of win.ini keeps the key with an empty value; elsewhere in
    // win.ini it goes. Wine maps [windows] of win.ini to the registry, as
    // Windows NT does, so that key is read back through the profile function.
    WriteProfileStringA("KitSysconfigTest", "KitSysconfigList", "a");
    updateIniFields("win.ini,KitSysconfigTest,KitSysconfigList,a,\n");
    EXPECT_EQ(sectionLines(text("win.ini"), "KitSysconfigTest"), Lines{});
    EXPECT_TRUE(setupState.restartNeeded);
    updateIniFields("win.ini,windows,KitSysconfigList,a,\n");
    char value[16] = "";
    GetProfileStringA("windows", "KitSysconfigList", "<absent>", value, sizeof value);
    WriteProfileStringA("windows", "KitSysconfigList", nullptr);
    EXPECT_STREQ(value, "");
}

TEST_F(IniUpdates, TimeStampsOfTheSystemIniFiles)
{
    // All three must exist, or a slot would keep whatever it held.
    for (const char *name : {"win.ini", "system.ini", "wifeman.ini"})
        WritePrivateProfileStringA("KitSysconfigTime", "k", "0", windowsPath(name).c_str());
    for (const char *name : {"win.ini", "system.ini", "wifeman.ini"})
        ageFile(windowsPath(name));
    FILETIME times[3] = {};
    snapshotIniTimes(&times[0], &times[1], &times[2]);
    for (const FILETIME &time : times)
        EXPECT_NE(time.dwLowDateTime | time.dwHighDateTime, 0u);
    EXPECT_EQ(countChangedIniTimes(&times[0], &times[1], &times[2]), 0);

    WritePrivateProfileStringA("KitSysconfigTime", "k", "1", "system.ini");
    EXPECT_EQ(countChangedIniTimes(&times[0], &times[1], &times[2]), 1);
    WriteProfileStringA("KitSysconfigTime", "k", "1");
    WritePrivateProfileStringA("KitSysconfigTime", "k", "1", "wifeman.ini");
    EXPECT_EQ(countChangedIniTimes(&times[0], &times[1], &times[2]), 3);

    // A file that cannot be opened leaves its slot as it was.
    removeFile(windowsPath("wifeman.ini"));
    FILETIME kept = {1, 2};
    FILETIME win = {}, system = {};
    snapshotIniTimes(&win, &system, &kept);
    EXPECT_EQ(kept.dwLowDateTime, 1u);
    EXPECT_EQ(kept.dwHighDateTime, 2u);
}

}  // namespace
