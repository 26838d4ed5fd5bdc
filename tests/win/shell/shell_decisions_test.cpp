// The shell's decisions that the program cannot show from outside: the
// restart for each answer the finish page may have left, the shutdown
// privilege, a restart that Windows refuses, and the free space of a drive
// in 64 bits.
#include "setup/inf/text.h"
#include "setup/shell/main_window.h"
#include "setup/shell/setup_state.h"
#include "setup/wizard/free_space.h"
#include "setup/wizard/wizard.h"
#include "setup/wizard/wizard_state.h"
#include "support/win_support.h"
#include "win/shell/osprin_run.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testsupport;

namespace {

const char kCaption[] = "再起動テスト";

struct RestartCase {
    int finishPageAnswer;   // wizardState.restartAnswer: IDYES, IDNO or 0 (never asked)
    int userAnswer;         // to question 2013, when it comes
    bool asked;
    bool restart;
};

class SettleRestart : public testing::TestWithParam<RestartCase> {
protected:
    Watchdog watchdog{30000, "settleRestart"};
};

TEST_P(SettleRestart, KeepsTheRestartOnlyOnYes)
{
    const RestartCase &c = GetParam();
    copyText(setupState.productCaption, kCaption);
    setupState.mainWindow = nullptr;
    setupState.restartNeeded = true;   // as the setup.ini run leaves it
    wizardState.restartAnswer = c.finishPageAnswer;
    DialogAnswerer user(kCaption, c.userAnswer);
    settleRestart();
    EXPECT_EQ(user.count(), c.asked ? 1 : 0);
    if (c.asked) {
        EXPECT_EQ(user.texts().at(0),
                  "新しい設定を有効にするには、コンピュータを再起動する必要があります。\r再起動しますか?");
    }
    EXPECT_EQ(setupState.restartNeeded, c.restart);
    EXPECT_EQ(wizardState.restartAnswer, c.restart ? IDYES : IDNO) << "the answer is kept";
}

INSTANTIATE_TEST_SUITE_P(Answers, SettleRestart,
                         testing::Values(RestartCase{IDYES, IDNO, false, true},    // Yes at the finish page stands
                                         RestartCase{IDNO, IDYES, false, false},   // so does No: never asked again
                                         RestartCase{0, IDYES, true, true},
                                         RestartCase{0, IDNO, true, false}));

// Every way out of the program settles the restart; without one pending
// nothing is asked and nothing is decided.
TEST(SettleRestartWithoutNeed, AsksNothing)
{
    Watchdog watchdog{30000, "settleRestart without a restart"};
    copyText(setupState.productCaption, kCaption);
    setupState.mainWindow = nullptr;
    setupState.restartNeeded = false;
    wizardState.restartAnswer = 0;
    DialogAnswerer user(kCaption, IDYES);
    settleRestart();
    EXPECT_EQ(user.count(), 0);
    EXPECT_FALSE(setupState.restartNeeded);
    EXPECT_EQ(wizardState.restartAnswer, 0);
}

bool shutdownPrivilegeEnabled()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    LUID shutdown;
    bool enabled = false;
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &shutdown) &&
        GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
        const TOKEN_PRIVILEGES &privileges = *(const TOKEN_PRIVILEGES *)buffer.data();
        for (DWORD i = 0; i < privileges.PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES &entry = privileges.Privileges[i];
            if (entry.Luid.LowPart == shutdown.LowPart && entry.Luid.HighPart == shutdown.HighPart)
                enabled = (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    CloseHandle(token);
    return enabled;
}

// The NT family restarts only for a process whose shutdown privilege is
// enabled (Wine's restart does not check it, so the token is read here).
TEST(ShutdownPrivilege, IsEnabledBeforeTheRestart)
{
    HANDLE token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES off = {};
    off.PrivilegeCount = 1;
    ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &off.Privileges[0].Luid));
    off.Privileges[0].Attributes = 0;
    ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &off, 0, nullptr, nullptr));
    CloseHandle(token);
    ASSERT_FALSE(shutdownPrivilegeEnabled()) << "disabled for the test";
    EXPECT_TRUE(enableShutdownPrivilege());
    EXPECT_TRUE(shutdownPrivilegeEnabled());
}

// A restart that Windows refuses after the user's Yes: the user is told,
// under the product caption with the information icon, that Windows must
// be restarted to finish the setup. One that starts tells nothing.
TEST(RestartRefused, IsToldToTheUser)
{
    Watchdog watchdog{30000, "a refused restart"};
    copyText(setupState.productCaption, kCaption);
    for (bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "refused" : "started");
        BoxView seen;
        bool came = false;
        std::thread user([&] {
            HWND box = waitForDialog(GetCurrentProcessId(), kCaption, refused ? 10000 : 1000);
            if (box == nullptr)
                return;
            came = true;
            // The icon is read off the screen: once the box has painted.
            waitUntil([&] { return (seen = viewBox(box)).icon != nullptr; }, 3000);
            pressButton(box, IDOK);
        });
        bool (*refuse)() = [] { return false; };
        bool (*start)() = [] { return true; };
        restartWindows(refused ? refuse : start);
        user.join();
        EXPECT_EQ(came, refused);
        if (refused) {
            EXPECT_EQ(seen.text, "Windowsを再起動できませんでした。\r"
                                 "セットアップを完了するには、Windowsを再起動してください。");
            EXPECT_EQ(seen.icon, IDI_ASTERISK);
            EXPECT_TRUE(seen.ok && !seen.yes && !seen.no);
        }
    }
}

uint64_t productOfFigures(const char *root)
{
    DWORD sectors, bytes, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &clusters))
        return 0;
    return (uint64_t)sectors * bytes * freeClusters;
}

// The space figures move while other programs write; a few MB of slack.
const uint64_t kSlack = 64ull << 20;

TEST(FreeSpace, IsTheCallersFreeBytesIn64Bits)
{
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
    uint64_t extended = freeSpaceOf("C:\\", true);
    EXPECT_NEAR((double)extended, (double)available.QuadPart, (double)kSlack);
    // Without GetDiskFreeSpaceExA: the product of the old call's figures,
    // taken in 64 bits, not wrapped at 4 GB.
    uint64_t product = productOfFigures("C:\\");
    EXPECT_NEAR((double)freeSpaceOf("C:\\", false), (double)product, (double)kSlack);
    EXPECT_GT(product, 0u);
    EXPECT_EQ(freeSpaceOf("Q:\\", true), 0u) << "a drive that is not there";
    EXPECT_EQ(freeSpaceOf("Q:\\", false), 0u);

    GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
    EXPECT_NEAR((double)measureFreeSpace(), (double)extended, (double)kSlack) << "the drive of the Windows directory";
}

}  // namespace
