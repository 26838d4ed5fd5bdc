// The wizard's figures and list lines: sizes rounded up to the next tenth of
// a megabyte over the whole 64-bit range, machine-list lines cut at their
// first comma, the progress bar's position in disk passes.
#include "setup/wizard/wizard_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WizardText, SizesRoundUpToTheNextTenth)
{
    struct Case {
        uint64_t bytes;
        const char *shown;
    };
    const Case cases[] = {
        {0, "0.0 MB"},
        {1, "0.1 MB"},
        {1024, "0.1 MB"},
        {104448, "0.1 MB"},                  // 102 KB: still one tenth
        {104449, "0.2 MB"},                  // 103 KB once rounded up
        {1023 * 1024, "1.0 MB"},             // the tenths reach ten and carry
        {1048576, "1.0 MB"},
        {1048577, "1.1 MB"},
        {2097151, "2.0 MB"},
        {2097152, "2.0 MB"},
        {2097153, "2.1 MB"},
        {5368709120ull, "5120.0 MB"},        // 5 GB: beyond 32 bits, shown whole
        {(uint64_t)1 << 52, "4294967296.0 MB"},
        {UINT64_MAX, "17592186044416.0 MB"}, // rounded up past the last whole megabyte
    };
    for (const Case &c : cases) {
        char text[40];
        EXPECT_TRUE(formatSize(c.bytes, text)) << c.bytes;
        EXPECT_STREQ(text, c.shown) << c.bytes;
    }
}

TEST(WizardText, FiguresNeverPassTheirBuffer)
{
    char small[7];   // "1.0 MB" and its terminator fit exactly
    EXPECT_TRUE(formatSize(1048576, small));
    EXPECT_STREQ(small, "1.0 MB");
    EXPECT_FALSE(formatSize(10 * 1048576, small)) << "10.0 MB needs eight bytes";
    EXPECT_STREQ(small, "");
    char digits[3];
    EXPECT_TRUE(formatDecimal(99, digits, sizeof digits));
    EXPECT_STREQ(digits, "99");
    EXPECT_FALSE(formatDecimal(100, digits, sizeof digits));
    EXPECT_STREQ(digits, "");
    char wide[24];
    EXPECT_TRUE(formatDecimal(UINT64_MAX, wide, sizeof wide));
    EXPECT_STREQ(wide, "18446744073709551615");
}

TEST(WizardText, ListLinesSplitAtTheFirstComma)
{
    struct Case {
        const char *line;
        bool hasKey;
        const char *display, *key;
    };
    const Case cases[] = {
        {"Nickname,TOSKA", true, "Nickname", "TOSKA"},
        {"Model,4410Q,spare", true, "Model", "4410Q,spare"},
        {"NoComma", false, "NoComma", ""},
        {",KEY", true, "", "KEY"},
        {"Trailing,", true, "Trailing", ""},
        // A double-byte display text (its second bytes 0x5C and 0x40).
        {"\x83\x5c\x83\x40,K", true, "\x83\x5c\x83\x40", "K"},
    };
    for (const Case &c : cases) {
        char display[64] = "x", key[64] = "x";
        EXPECT_EQ(splitListLine(c.line, display, sizeof display, key, sizeof key), c.hasKey) << c.line;
        EXPECT_STREQ(display, c.display) << c.line;
        EXPECT_STREQ(key, c.key) << c.line;
    }
}

TEST(WizardText, ListLinesAreCutAtACharacterBoundary)
{
    // 70 bytes of double-byte text before the comma, a 64-byte buffer: the
    // cut keeps whole characters, so 62 bytes.
    std::string line;
    for (int i = 0; i < 35; ++i)
        line += "\x83\x5c";
    line += ",KEY";
    char display[64], key[4];
    EXPECT_TRUE(splitListLine(line.c_str(), display, sizeof display, key, sizeof key));
    EXPECT_EQ(std::string(display), line.substr(0, 62));
    EXPECT_STREQ(key, "KEY");
    char shortKey[3];
    splitListLine("A,LONGKEY", display, sizeof display, shortKey, sizeof shortKey);
    EXPECT_STREQ(shortKey, "LO");
}

TEST(WizardText, TheBarStepsThroughEveryPass)
{
    // Three disks, ten components: pass 2 starts at a third, the last
    // component of the last pass stands at 96.
    EXPECT_EQ(progressPosition(1, 3, 0, 10), 0);
    EXPECT_EQ(progressPosition(2, 3, 0, 10), 33);
    EXPECT_EQ(progressPosition(3, 3, 0, 10), 66);
    EXPECT_EQ(progressPosition(3, 3, 9, 10), 96);
    // The ordinary run is one pass of one.
    EXPECT_EQ(progressPosition(1, 1, 0, 4), 0);
    EXPECT_EQ(progressPosition(1, 1, 3, 4), 75);
    // Nothing to count, and counts whose product passes 32 bits.
    EXPECT_EQ(progressPosition(1, 1, 0, 0), 0);
    EXPECT_EQ(progressPosition(0, 3, 0, 10), 0);
    EXPECT_EQ(progressPosition(60000, 60000, 59999, 60000), 99);
}

TEST(WizardText, SumsStopAtTheLargestValue)
{
    EXPECT_EQ(addSaturated(2000000, 5), 2000005u);
    EXPECT_EQ(addSaturated(UINT64_MAX - 1, 5), UINT64_MAX);
}

}  // namespace
