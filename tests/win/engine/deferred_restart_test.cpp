// Deferred replacement and deletion of files in use under a long-named
// folder, carried out by a restart (wineboot). Built twice: run as Windows 98
// (the moves go to wininit.ini, which 9x reads before long names exist, so
// every path there is short) and as Windows 10 (the NT family moves them
// itself: MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT). The Windows version
// of each program is set in the prefix before it runs.
#include "setup/engine/file_install.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"
#include "win/engine/engine_test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testsupport;

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The value that holds the NT family's moves at restart, or "" when none.
std::string pendingMoves()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "";
    char data[4096];
    DWORD size = sizeof data;
    LONG status = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, (BYTE *)data, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data, size) : "";
}

bool ninexFamily()
{
    return (GetVersion() & 0x80000000u) != 0;
}

TEST(DeferredRestart, FilesInUseUnderALongFolderAreReplacedAndDeleted)
{
    ASSERT_EQ(ninexFamily(), KIT_AS_WIN9X != 0) << "the prefix runs this program as the wrong Windows";
    Watchdog watchdog{60000, "DeferredRestart"};
    GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
    setupState.restartNeeded = false;
    std::string wininit = windowsDirectory() + "\\wininit.ini";
    ScopedFileRestore keepWininit{{wininit}};
    DeleteFileA(wininit.c_str());

    std::string root = tempPath("kit deferred restart");
    std::string src = root + "\\source files", dst = root + "\\Program Files Of The Kit";
    removeTree(root);
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(src.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(dst.c_str(), nullptr));
    ASSERT_TRUE(writeFile(src + "\\SHARED.DLL", "new"));
    ASSERT_TRUE(writeFile(dst + "\\SHARED.DLL", "old"));
    ASSERT_TRUE(writeFile(dst + "\\Obsolete Helper.dll", "gone"));
    std::string pendingBefore = pendingMoves();
    {
        Holder holdShared(dst + "\\SHARED.DLL"), holdObsolete(dst + "\\Obsolete Helper.dll");
        ASSERT_TRUE(holdShared.holding());
        ASSERT_TRUE(holdObsolete.holding());
        char name[kPathSize] = "SHARED.DLL";
        EXPECT_EQ(installFile(src.c_str(), "SHARED.DLL", dst.c_str(), name), 1);
        EXPECT_EQ(scheduleDelete((dst + "\\Obsolete Helper.dll").c_str()), 1);
    }
    EXPECT_TRUE(setupState.restartNeeded);
    EXPECT_EQ(readFile(dst + "\\SHARED.000"), "new") << "the copy waits beside the file";

    if (ninexFamily()) {
        std::vector<std::string> lines = renameLines();
        ASSERT_EQ(lines.size(), 2u);
        for (const std::string &line : lines)
            EXPECT_EQ(line.find(' '), std::string::npos) << "a long name in " << line;
        char shortShared[MAX_PATH], shortCopy[MAX_PATH];
        ASSERT_NE(GetShortPathNameA((dst + "\\SHARED.DLL").c_str(), shortShared, sizeof shortShared), 0u);
        ASSERT_NE(GetShortPathNameA((dst + "\\SHARED.000").c_str(), shortCopy, sizeof shortCopy), 0u);
        EXPECT_EQ(lines[0], std::string(shortShared) + "=" + shortCopy);
        EXPECT_EQ(pendingMoves(), pendingBefore);
    } else {
        EXPECT_FALSE(fileExists(wininit)) << readFile(wininit);
        EXPECT_NE(pendingMoves(), pendingBefore);
    }

    ASSERT_TRUE(runWineboot());
    EXPECT_EQ(readFile(dst + "\\SHARED.DLL"), "new");
    EXPECT_FALSE(fileExists(dst + "\\SHARED.000")) << "the copy was moved in";
    EXPECT_FALSE(fileExists(dst + "\\Obsolete Helper.dll"));
    EXPECT_EQ(pendingMoves(), "") << "nothing is left for the next restart";
    removeTree(root);
}

}  // namespace
