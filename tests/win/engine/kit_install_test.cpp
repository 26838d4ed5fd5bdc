// A small kit installed end to end through runComponent, with the real
// executors: files (one of them in use, put in place by the restart), a
// merged file, registry values, INI entries and fields, then the component
// removed again.
#include "setup/engine/engine_state.h"
#include "setup/engine/install_driver.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"
#include "win/engine/engine_test_util.h"

#include <gtest/gtest.h>

#include <string>

using namespace testsupport;

namespace {

const char kCaption[] = "テストキット セットアップ";
const char kKey[] = "Software\\QEL-KitInstallTest";

// The component INF of the kit. CP932, as the kit's own files are.
const char kComponentInf[] =
    "[version]\r\n"
    "signature=\"$UPGKIT$\"\r\n"
    "[Strings]\r\n"
    "AppName=\"テスト電話\"\r\n"
    "[DestinationDirs]\r\n"
    "Kit.Files=10,KITE2E\r\n"
    "Kit.Shared=10,KITE2E\\SHARED\r\n"
    "Kit.Old=10,KITE2E\r\n"
    "Kit.Merge=10,KITE2E\r\n"
    "Kit.Missing=10,KITE2E\r\n"
    "[Kit.Install]\r\n"
    "DelFiles=Kit.Old\r\n"
    "CopyFiles=Kit.Files, Kit.NoSuchSection, Kit.Shared\r\n"
    "MergeFiles=Kit.Merge\r\n"
    "AddReg=Kit.Reg\r\n"
    "UpdateInis=Kit.Inis\r\n"
    "UpdateIniFields=Kit.Fields\r\n"
    "Uninstall=Kit.Remove\r\n"
    "[Kit.Remove]\r\n"
    "DelFiles=Kit.Files\r\n"
    "DelReg=Kit.Reg\r\n"
    "UpdateInis=Kit.Inis\r\n"
    "CopyFiles=Kit.Files\r\n"
    "[Kit.Broken]\r\n"
    "CopyFiles=Kit.Missing\r\n"
    "AddReg=Kit.BrokenReg\r\n"
    "[Kit.Files]\r\n"
    "README.TXT\r\n"
    "APP.EXE,KITAPP.EXE\r\n"
    "[Kit.Shared]\r\n"
    "SHARED.DLL\r\n"
    "[Kit.Old]\r\n"
    "OLD.TXT\r\n"
    "[Kit.Merge]\r\n"
    "BIG.DAT=BIG.1,BIG.2\r\n"
    "[Kit.Missing]\r\n"
    "NOTHERE.TXT\r\n"
    "[Kit.Reg]\r\n"
    "HKCU,Software\\QEL-KitInstallTest,Name,,\"%AppName%\"\r\n"
    "HKCU,Software\\QEL-KitInstallTest,Path,,\"%10%\\KITE2E\\APP.EXE\"\r\n"
    "[Kit.BrokenReg]\r\n"
    "HKCU,Software\\QEL-KitInstallTest,Broken,,\"yes\"\r\n"
    "[Kit.Inis]\r\n"
    "kite2e.ini,Telephone,,\"Program=%AppName%\"\r\n"
    "[Kit.Fields]\r\n"
    "kite2e.ini,Paths,List,,KITE2E\r\n";

class KitInstall : public testing::Test {
protected:
    void SetUp() override
    {
        startInstallState(kCaption);
        kit = tempPath("kit-e2e-source");
        dest = windowsDirectory() + "\\KITE2E";
        removeTree(kit);
        removeTree(dest);
        CreateDirectoryA(kit.c_str(), nullptr);
        CreateDirectoryA((kit + "\\DISK1").c_str(), nullptr);
        copyText(setupState.kitSourceDir, kit.c_str());
        copyText(setupState.sourceDir, kit.c_str());
        put("KIT.INF", kComponentInf);
        put("LAYOUT.INF", "[SourceDisksFiles]\r\nREADME.TXT=0,DISK1,6\r\nBIG.DAT=0\r\n");
        put("DISK1\\README.TXT", "read me");
        put("KITAPP.EXE", "app");
        put("SHARED.DLL", "new shared");
        put("BIG.1", "big-");
        put("BIG.2", "data");
        char layout[kPathSize];
        copyText(layout, (kit + "\\LAYOUT.INF").c_str());
        setInfSlot(LAYOUT_INF, openInf(layout));
        DeleteFileA(ini.c_str());
        DeleteFileA(wininit.c_str());
    }
    void TearDown() override
    {
        freeAllInfs();
        engineState.lastComponentInf[0] = '\0';
        removeTree(kit);
        removeTree(dest);
        DeleteFileA(ini.c_str());
    }
    void put(const std::string &relative, const std::string &text)
    {
        ASSERT_TRUE(writeFile(kit + "\\" + relative, text));
    }
    std::string value(const char *name)
    {
        char data[kPathSize] = "";
        DWORD size = sizeof data;
        HKEY key;
        if (RegOpenKeyA(HKEY_CURRENT_USER, kKey, &key) != ERROR_SUCCESS)
            return "<no key>";
        LONG status = RegQueryValueExA(key, name, nullptr, nullptr, (BYTE *)data, &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? data : "<none>";
    }
    std::string profile(const char *section, const char *key)
    {
        char text[kPathSize];
        GetPrivateProfileStringA(section, key, "<none>", text, sizeof text, ini.c_str());
        return text;
    }

    std::string kit, dest;
    std::string ini = windowsDirectory() + "\\kite2e.ini";
    std::string wininit = windowsDirectory() + "\\wininit.ini";
    ScopedFileRestore keepWininit{{wininit}};
    ScopedRegistryTree keepKey{HKEY_CURRENT_USER, kKey};
    // A box nobody answers ends the test instead of hanging it.
    Watchdog watchdog{30000, testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(KitInstall, AComponentIsInstalledAndRemoved)
{
    // What is there before: a file the component deletes, a shared file in
    // use by another program, and an INI entry whose field list grows.
    CreateDirectoryA(dest.c_str(), nullptr);
    CreateDirectoryA((dest + "\\SHARED").c_str(), nullptr);
    writeFile(dest + "\\OLD.TXT", "old");
    writeFile(dest + "\\SHARED\\SHARED.DLL", "old shared");
    WritePrivateProfileStringA("Paths", "List", "BASE", ini.c_str());
    Holder holder(dest + "\\SHARED\\SHARED.DLL");
    ASSERT_TRUE(holder.holding());

    DialogAnswerer noBox(kCaption, IDCANCEL);
    EXPECT_EQ(runComponent("Kit.Install", "kit.inf", 1), 1);
    holder.release();
    EXPECT_EQ(noBox.count(), 0);

    EXPECT_FALSE(fileExists(dest + "\\OLD.TXT"));
    EXPECT_EQ(readFile(dest + "\\README.TXT"), "read me");
    EXPECT_EQ(readFile(dest + "\\APP.EXE"), "app");
    EXPECT_EQ(readFile(dest + "\\BIG.DAT"), "big-data");
    EXPECT_EQ(readFile(dest + "\\SHARED\\SHARED.DLL"), "old shared") << "in use: replaced at restart";
    EXPECT_EQ(readFile(dest + "\\SHARED\\SHARED.000"), "new shared");
    EXPECT_EQ(renameLines(),
              std::vector<std::string>{shortName(dest + "\\SHARED\\SHARED.DLL") + "=" +
                                       shortName(dest + "\\SHARED\\SHARED.000")});
    EXPECT_TRUE(setupState.restartNeeded);
    // The restart puts the new shared file in place.
    ASSERT_TRUE(runWineboot());
    EXPECT_EQ(readFile(dest + "\\SHARED\\SHARED.DLL"), "new shared");
    EXPECT_FALSE(fileExists(dest + "\\SHARED\\SHARED.000"));

    EXPECT_EQ(value("Name"), "テスト電話");
    EXPECT_EQ(value("Path"), windowsDirectory() + "\\KITE2E\\APP.EXE");
    EXPECT_EQ(profile("Telephone", "Program"), "テスト電話");
    std::string list = profile("Paths", "List");
    EXPECT_NE(list.find("BASE"), std::string::npos) << list;
    EXPECT_NE(list.find("KITE2E"), std::string::npos) << list;
    EXPECT_STREQ(engineState.lastComponentInf, "kit.inf");

    // Removal runs the section the component names, with the same INF.
    EXPECT_EQ(runComponent("Kit.Install", "KIT.INF", 0), 1);
    EXPECT_FALSE(fileExists(dest + "\\APP.EXE"));
    EXPECT_EQ(value("Name"), "<none>");
    EXPECT_EQ(profile("Telephone", "Program"), "<none>");
    EXPECT_FALSE(fileExists(dest + "\\README.TXT"))
        << "deleted, and not copied again: a removal section's CopyFiles is never read";
}

TEST_F(KitInstall, GivenUpFilesLeaveTheRegistryAlone)
{
    DialogAnswerer declined(kCaption, IDCANCEL);
    EXPECT_EQ(runComponent("Kit.Broken", "KIT.INF", 1), 0) << "the only copy section ran no line";
    EXPECT_EQ(declined.count(), 1);
    EXPECT_EQ(value("Broken"), "<no key>");
}

TEST_F(KitInstall, AMissingComponentInfInstallsNothing)
{
    EXPECT_EQ(runComponent("Kit.Install", "NONE.INF", 1), 0);
    EXPECT_FALSE(fileExists(dest + "\\README.TXT"));
    EXPECT_EQ(runComponent("Kit.Install", "KIT.INF", 1), 1) << "the next INF loads as usual";
}

}  // namespace
