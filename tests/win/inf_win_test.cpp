// The INF engine on the real platform: files opened through the platform's
// file calls, code page 932 texts, the real Windows directory, and the
// message for a missing [DestinationDirs] entry seen and answered as a user would.
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

std::string tempPath(const char *name)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

InfImage *open(const std::string &path)
{
    char buffer[kPathSize];
    copyText(buffer, path.c_str());
    return openInf(buffer);
}

class InfOnWindows : public testing::Test {
protected:
    void SetUp() override
    {
        GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
        GetSystemDirectoryA(setupState.systemDir, sizeof setupState.systemDir);
        windowsDir = setupState.windowsDir;
    }
    void TearDown() override { freeAllInfs(); }
    std::string windowsDir;
};

TEST_F(InfOnWindows, ReadsAKitInfInCodePage932)
{
    InfImage *image = open(fixturePath("inf\\sample.inf"));
    ASSERT_NE(image, INF_NONE);
    ASSERT_NE(image, nullptr);
    setInfSlot(SETUP_INF, image);
    EXPECT_EQ(defaultInf, image);

    char value[kPathSize];
    EXPECT_EQ(getSectionKeyValue(nullptr, "VERSION", "caption", value), 1);
    EXPECT_STREQ(value, "ＱＥＬ サポートソフト 表示");
    EXPECT_EQ(getProfileString("Strings", "Dir", "", value, image), strlen("予能十"));
    EXPECT_STREQ(value, "予能十");

    char text[kPathSize] = "%Product%:%10%\\%Dir%";
    expandStrings(text, image);
    EXPECT_EQ(std::string(text), "ソフト申請:" + windowsDir + "\\予能十");

    EXPECT_EQ(countSectionLines("Files.Sys", image), 2);
    char line[kPathSize];
    EXPECT_EQ(getSectionLine("Files.Sys", 2, line, image), 1);
    EXPECT_STREQ(line, "表示.dll,表示.dl_");
    char field[kPathSize];
    EXPECT_EQ(getLineField(line, 2, field), 1);
    EXPECT_STREQ(field, "表示.dl_");
    EXPECT_STREQ(fileNamePart("C:\\予能\\表示.dll"), "表示.dll");
}

TEST_F(InfOnWindows, FilesThatCannotBeReadOrOpened)
{
    EXPECT_EQ(open(tempPath("no such file.inf")), INF_NONE);
    EXPECT_EQ(open(tempPath("no such dir\\x.inf")), INF_NONE);

    InfImage *empty = open(fixturePath("inf\\empty.inf"));
    ASSERT_NE(empty, INF_NONE);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(infImageSize(empty), 3u) << "an empty file is an image with no lines";
    EXPECT_EQ(findSection(empty, ""), nullptr);
    freeInf(empty);

    std::string big = tempPath("big.inf");
    ScopedFileRestore restore({big});
    ASSERT_TRUE(writeFile(big, "[S]\r\n" + std::string(65536 - 5, ';')));
    EXPECT_EQ(open(big), nullptr) << "65,536 bytes do not fit 16-bit positions";
    ASSERT_TRUE(writeFile(big, "[S]\r\nk=v\r\n" + std::string(65535 - 10, ';')));
    InfImage *justFits = open(big);
    ASSERT_NE(justFits, nullptr);
    ASSERT_NE(justFits, INF_NONE);
    char value[8];
    EXPECT_EQ(getSectionKeyValue(justFits, "S", "k", value), 1);
    freeInf(justFits);

    // The file is closed as soon as its image is built.
    EXPECT_TRUE(DeleteFileA(big.c_str()));
}

TEST_F(InfOnWindows, DirectoryIdsFollowTheRealWindowsDirectory)
{
    char dir[kPathSize];
    ASSERT_EQ(resolveDirId(10, dir), 1);
    EXPECT_EQ(std::string(dir), windowsDir);
    ASSERT_EQ(resolveDirId(24, dir), 1);
    EXPECT_EQ(std::string(dir), windowsDir.substr(0, 2));
    ASSERT_EQ(resolveDirId(17, dir), 1);
    EXPECT_NE(GetFileAttributesA(dir), INVALID_FILE_ATTRIBUTES) << dir << " exists in the prefix";
}

TEST_F(InfOnWindows, DestinationDirsAgainstTheWindowsDirectory)
{
    InfImage *image = open(fixturePath("inf\\sample.inf"));
    ASSERT_NE(image, nullptr);
    setInfSlot(SETUP_INF, image);
    // Whatever the setup state held, the lookup takes the Windows directory
    // afresh and puts the system directory below it.
    copyText(setupState.windowsDir, "X:\\STALE");
    char dir[kPathSize];
    {
        DialogAnswerer unexpected("INFﾌｧｲﾙ", IDOK);
        EXPECT_EQ(resolveDestinationDir("Files.Sys", dir, image), 1);
        EXPECT_EQ(std::string(dir), windowsDir + "\\SYSTEM\\DRIVERS");
        EXPECT_EQ(std::string(setupState.systemDir), windowsDir + "\\SYSTEM");
        EXPECT_EQ(resolveDestinationDir("files.root", dir, image), 1);
        EXPECT_EQ(std::string(dir), windowsDir.substr(0, 2) + "\\QXKIT");
        EXPECT_EQ(resolveDestinationDir("Files.Win", dir, image), 1);
        EXPECT_EQ(std::string(dir), windowsDir);
        EXPECT_EQ(resolveDestinationDir("Files.Here", dir, image), 0);
        EXPECT_EQ(std::string(dir), windowsDir);
        EXPECT_EQ(unexpected.count(), 0);
    }
}

TEST_F(InfOnWindows, MissingDestinationIsShownOncePerLookup)
{
    InfImage *image = open(fixturePath("inf\\sample.inf"));
    ASSERT_NE(image, nullptr);
    setInfSlot(SETUP_INF, image);
    Watchdog watchdog(30000, "the [DestinationDirs] message box");
    DialogAnswerer user("INFﾌｧｲﾙ", IDOK);
    char dir[kPathSize] = "junk";
    EXPECT_EQ(resolveDestinationDir("Files.Lost", dir, image), 0);
    EXPECT_STREQ(dir, "");
    EXPECT_EQ(resolveDestinationDir("表示", dir, image), 0);
    ASSERT_EQ(user.count(), 2);
    EXPECT_EQ(user.texts()[0], "Files.Lostの記述が見つかりません");
    EXPECT_EQ(user.texts()[1], "表示の記述が見つかりません");
}

}  // namespace
