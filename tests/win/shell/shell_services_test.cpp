// The shell's services on the real platform: the stored source path in the
// registry, the error box with the program's own strings, centring.
#include "setup/resources/resource.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/shell/source_path.h"
#include "support/win_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testsupport;

namespace {

const char kSetupKey[] = "SOFTWARE\\QEL\\KitShellTest";

class ShellServices : public testing::Test {
protected:
    void SetUp() override
    {
        copyText(setupState.setupClass, "KitShellTest");
        copyText(setupState.kitSourceDir, "D:\\KIT");
        setupState.foundInWindowsInf = false;
    }
    std::string stored()
    {
        char path[kPathSize];
        readSourcePath(path, sizeof path);
        return path;
    }
    ScopedRegistryTree keepKey{HKEY_LOCAL_MACHINE, kSetupKey};
    Watchdog watchdog{30000, testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(ShellServices, SourcePathIsStoredAndReadBack)
{
    EXPECT_EQ(stored(), "D:\\KIT") << "nothing stored: the kit's source";
    setupState.foundInWindowsInf = true;
    storeSourcePath();
    EXPECT_EQ(stored(), "D:\\KIT");
    HKEY key;
    EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\KitShellTest\\Setup", &key), ERROR_SUCCESS)
        << "an INF from the Windows INF directory stores nothing";

    setupState.foundInWindowsInf = false;
    storeSourcePath();
    copyText(setupState.kitSourceDir, "E:\\OTHER");
    EXPECT_EQ(stored(), "D:\\KIT");
    writeSourcePath("A:\\ディスク");
    EXPECT_EQ(stored(), "A:\\ディスク");
    writeSourcePath("");
    EXPECT_EQ(stored(), "E:\\OTHER") << "an empty value counts as none";
    char small[4];
    writeSourcePath("A:\\LONGER");
    readSourcePath(small, sizeof small);
    EXPECT_STREQ(small, "A:\\") << "cut to the caller's buffer";
}

TEST_F(ShellServices, ErrorBoxShowsTheProgramsString)
{
    DialogAnswerer answer("ｴﾗｰ", IDOK);
    EXPECT_EQ(errorBox(nullptr, IDS_NO_PATH, MB_OK | MB_ICONEXCLAMATION), IDOK);
    ASSERT_EQ(answer.count(), 1);
    EXPECT_EQ(answer.texts()[0], "パスが入力されていません。パスを入力してください。");

    char text[kPathSize];
    loadString(IDS_CANNOT_OVERWRITE, text, sizeof text);
    EXPECT_EQ(std::string(text), "このファイルはWindowsが使用中または書き込み禁止であるため上書きできません。\rファイル名 : ")
        << "\\r is one carriage return";
    loadString(1, text, sizeof text);
    EXPECT_STREQ(text, "") << "a missing string";
}

TEST_F(ShellServices, CentreWindowMovesWithoutResizing)
{
    setupState.desktopRect = RECT{0, 0, 1000, 700};
    HWND window = CreateWindowA("STATIC", "centre", WS_POPUP, 3, 4, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    centreWindow(window);
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.left, 400);
    EXPECT_EQ(placed.top, 300);
    EXPECT_EQ(placed.right - placed.left, 200);
    EXPECT_EQ(placed.bottom - placed.top, 100);
    DestroyWindow(window);

    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 5, 0, 0);
    pumpMessages(nullptr);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, WM_USER + 5, WM_USER + 5, PM_NOREMOVE)) << "pending messages are handled";
}

}  // namespace
