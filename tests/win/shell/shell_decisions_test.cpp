// The shell's decisions that the placeholder-free program cannot show from
// outside: the restart after the setup.ini run for each answer the finish
// page may have left, and the free space of a drive in 64 bits.
#include "setup/inf/text.h"
#include "setup/shell/main_window.h"
#include "setup/shell/setup_state.h"
#include "setup/wizard/free_space.h"
#include "setup/wizard/wizard.h"
#include "setup/wizard/wizard_state.h"
#include "support/win_support.h"

#include <gtest/gtest.h>

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
