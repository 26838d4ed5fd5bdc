// The file directives on the real platform: a small kit in a scratch folder,
// its files installed into a folder below the Windows directory, message
// boxes answered as a user would.
#include "setup/engine/engine_state.h"
#include "setup/engine/file_directives.h"
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

class FileDirectives : public testing::Test {
protected:
    void SetUp() override
    {
        startInstallState(kCaption);
        name = testing::UnitTest::GetInstance()->current_test_info()->name();
        kit = tempPath("kit-src-" + name);
        dest = windowsDirectory() + "\\kit-dst-" + name;
        removeTree(kit);
        removeTree(dest);
        CreateDirectoryA(kit.c_str(), nullptr);
        CreateDirectoryA((kit + "\\SUB").c_str(), nullptr);
        copyText(setupState.kitSourceDir, kit.c_str());
        copyText(setupState.sourceDir, kit.c_str());
        DeleteFileA(wininit.c_str());
    }
    void TearDown() override
    {
        freeAllInfs();
        removeTree(kit);
        removeTree(dest);
        removeTree(windowsDirectory() + "\\ospritemp");
    }

    // The kit's INF: [DestinationDirs] sends every section below dest.
    void loadInf(const std::string &sections, const std::string &layout = "")
    {
        std::string sub = "kit-dst-" + name;
        std::string text = "[DestinationDirs]\r\nFiles.Main=10," + sub + "\r\nFiles.Bad=10," + sub +
                           "\\missing\\deeper\r\n" + sections;
        ASSERT_TRUE(writeFile(kit + "\\KIT.INF", text));
        copyText(infPath, (kit + "\\KIT.INF").c_str());
        inf = openInf(infPath);
        ASSERT_NE(inf, INF_NONE);
        ASSERT_NE(inf, nullptr);
        setInfSlot(AUX_INF, inf);
        if (!layout.empty()) {
            ASSERT_TRUE(writeFile(kit + "\\LAYOUT.INF", "[SourceDisksFiles]\r\n" + layout));
            char path[kPathSize];
            copyText(path, (kit + "\\LAYOUT.INF").c_str());
            setInfSlot(LAYOUT_INF, openInf(path));
        }
    }
    int run(Executor executor, const char *section)
    {
        return executor(section, countSectionLines(section, inf), infPath, inf, 0);
    }
    void put(const std::string &relative, const std::string &text)
    {
        ASSERT_TRUE(writeFile(kit + "\\" + relative, text));
    }
    std::string installed(const char *file) { return readFile(dest + "\\" + file); }

    std::string name, kit, dest;
    char infPath[kPathSize];
    InfImage *inf = nullptr;
    std::string wininit = windowsDirectory() + "\\wininit.ini";
    ScopedFileRestore keepWininit{{windowsDirectory() + "\\wininit.ini"}};
};

TEST_F(FileDirectives, CopyFilesTakesEachLineFromItsPlaceOnTheMedium)
{
    loadInf("[Files.Main]\r\nA.TXT\r\nX.DLL,Y.DLL\r\nC.TXT\r\nLATER.TXT\r\nnew.txt\r\n",
            "C.TXT=0,SUB\r\nLATER.TXT=3\r\n");
    put("A.TXT", "a");
    put("Y.DLL", "y");
    put("SUB\\C.TXT", "c");
    put("LATER.TXT", "later");
    put("NEW.TXT", "n");
    DialogAnswerer anyBox(kCaption, IDCANCEL);
    EXPECT_EQ(run(copyFiles, "Files.Main"), 5);
    EXPECT_EQ(installed("A.TXT"), "a");
    EXPECT_EQ(installed("X.DLL"), "y") << "the source name after the comma";
    EXPECT_FALSE(fileExists(dest + "\\Y.DLL"));
    EXPECT_EQ(installed("C.TXT"), "c") << "the layout's subdirectory";
    EXPECT_FALSE(fileExists(dest + "\\LATER.TXT")) << "a file of disk 3 waits for its disk pass";
    EXPECT_EQ(anyBox.count(), 0);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dest + "\\NEW.TXT").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_STREQ(found.cFileName, "NEW.TXT") << "a new file is made under its name in upper case";

    // In the third disk pass the disk-3 file comes; the others come in every pass.
    engineState.currentDiskPass = 3;
    put("A.TXT", "a again");
    EXPECT_EQ(run(copyFiles, "Files.Main"), 5);
    EXPECT_EQ(installed("LATER.TXT"), "later");
    EXPECT_EQ(installed("A.TXT"), "a again");

}

TEST_F(FileDirectives, NoLayoutInfMeansEveryFileIsOnDiskZero)
{
    loadInf("[Files.Main]\r\nA.TXT\r\n");
    put("A.TXT", "a");
    engineState.currentDiskPass = 2;
    EXPECT_EQ(run(copyFiles, "Files.Main"), 1);
    EXPECT_EQ(installed("A.TXT"), "a");
}

TEST_F(FileDirectives, DecliningAMissingFileGivesTheRestOfTheCopiesUp)
{
    loadInf("[Files.Main]\r\nF1.TXT\r\nF2.TXT\r\nF3.TXT\r\nF4.TXT\r\nF5.TXT\r\n");
    for (const char *file : {"F1.TXT", "F2.TXT", "F4.TXT", "F5.TXT"})
        put(file, file);
    {
        DialogAnswerer missing(kCaption, IDCANCEL);
        EXPECT_EQ(run(copyFiles, "Files.Main"), 2);
        ASSERT_EQ(missing.count(), 1);
        EXPECT_EQ(missing.texts()[0],
                  "以下のファイルが見つかりませんでした。\r[OK]を押してインストール元の指定を行ってください。\r"
                  "[キャンセル]を押すとこのファイルのコピーは行いません。\rファイル名: F3.TXT");
    }
    EXPECT_FALSE(engineState.keepInstalling);
    EXPECT_TRUE(fileExists(dest + "\\F2.TXT"));
    EXPECT_FALSE(fileExists(dest + "\\F4.TXT"));
    // A second copy section of the same install section stops at its first file.
    EXPECT_EQ(run(copyFiles, "Files.Main"), 0);
}

TEST_F(FileDirectives, AFileThatCannotBeInstalledIsReportedAndSkipped)
{
    loadInf("[Files.Bad]\r\nA.TXT\r\nB.TXT\r\n");
    put("A.TXT", "a");
    put("B.TXT", "b");
    DialogAnswerer cannot(kCaption, IDOK);
    EXPECT_EQ(run(copyFiles, "Files.Bad"), 2) << "the directory two levels down cannot be made";
    ASSERT_EQ(cannot.count(), 2);
    EXPECT_EQ(cannot.texts()[1],
              "このファイルはWindowsが使用中または書き込み禁止であるため上書きできません。\rファイル名 : B.TXT");
    EXPECT_TRUE(engineState.keepInstalling);
}

TEST_F(FileDirectives, MergeFilesJoinsThePartsInOrder)
{
    loadInf("[Files.Main]\r\nBIG.DAT=BIG.1,BIG.2,BIG.3\r\nNOPARTS.DAT\r\nSMALL.DAT = S.1\r\n", "BIG.DAT=0\r\n");
    put("BIG.1", "one-");
    put("BIG.2", std::string(70000, '2'));   // longer than one chunk
    put("BIG.3", "-three");
    put("S.1", "s");
    put("NOPARTS.DAT", "never installed");
    std::string mergeDir = windowsDirectory() + "\\ospritemp";
    CreateDirectoryA(mergeDir.c_str(), nullptr);
    writeFile(mergeDir + "\\STALE.TMP", "left from an earlier run");
    EXPECT_EQ(run(mergeFiles, "Files.Main"), 3);
    EXPECT_EQ(installed("BIG.DAT"), "one-" + std::string(70000, '2') + "-three");
    EXPECT_EQ(installed("SMALL.DAT"), "s");
    EXPECT_FALSE(fileExists(dest + "\\NOPARTS.DAT")) << "a line without = has no parts";
    EXPECT_FALSE(fileExists(mergeDir)) << "the merge directory is removed";
}

TEST_F(FileDirectives, AMissingPartEndsTheMergeSection)
{
    loadInf("[Files.Main]\r\nBIG.DAT=BIG.1,BIG.2\r\nLATE.DAT=L.1\r\n");
    put("BIG.1", "one");
    put("L.1", "l");
    std::string mergeDir = windowsDirectory() + "\\ospritemp";
    EXPECT_EQ(run(mergeFiles, "Files.Main"), 1);
    EXPECT_FALSE(fileExists(dest + "\\BIG.DAT")) << "half a file is never installed";
    EXPECT_FALSE(fileExists(dest + "\\LATE.DAT")) << "the lines after it are not handled";
    EXPECT_FALSE(fileExists(mergeDir + "\\BIG.DAT"));
    EXPECT_FALSE(fileExists(mergeDir + "\\BIG.1"));
}

TEST_F(FileDirectives, ACancelDuringMergeIsConfirmed)
{
    loadInf("[Files.Main]\r\nONE.DAT=O.1\r\n");
    put("O.1", "o");
    engineState.cancelRequested = true;
    {
        DialogAnswerer goOn(kCaption, IDNO);
        EXPECT_EQ(run(mergeFiles, "Files.Main"), 1);
        ASSERT_EQ(goOn.count(), 1);
        EXPECT_EQ(goOn.texts()[0], "中断しますか?");
    }
    EXPECT_FALSE(engineState.cancelRequested) << "No: setup goes on";
    EXPECT_EQ(installed("ONE.DAT"), "o");

    removeTree(dest);
    CreateDirectoryA(dest.c_str(), nullptr);
    engineState.cancelRequested = true;
    DialogAnswerer stop(kCaption, IDYES);
    EXPECT_EQ(run(mergeFiles, "Files.Main"), 1);
    EXPECT_FALSE(engineState.keepInstalling);
    EXPECT_TRUE(engineState.cancelRequested);
    EXPECT_FALSE(fileExists(dest + "\\ONE.DAT"));
}

TEST_F(FileDirectives, DelFilesDeletesNowOrAtRestart)
{
    loadInf("[Files.Main]\r\nGONE.TXT\r\nNEVER.TXT\r\nHELD.TXT,whatever\r\nLOADED.DLL\r\n");
    CreateDirectoryA(dest.c_str(), nullptr);
    writeFile(dest + "\\GONE.TXT", "g");
    writeFile(dest + "\\HELD.TXT", "h");
    ASSERT_TRUE(CopyFileA(testFile("holder.exe").c_str(), (dest + "\\LOADED.DLL").c_str(), FALSE));
    // Held open by another program (a sharing violation), and loaded as a
    // program here (access denied): both are in use.
    Holder holder(dest + "\\HELD.TXT");
    ASSERT_TRUE(holder.holding());
    HMODULE loaded = LoadLibraryExA((dest + "\\LOADED.DLL").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(run(delFiles, "Files.Main"), 4);
    FreeLibrary(loaded);
    EXPECT_FALSE(fileExists(dest + "\\GONE.TXT"));
    EXPECT_TRUE(fileExists(dest + "\\HELD.TXT"));
    EXPECT_EQ(renameLines(), (std::vector<std::string>{"NUL=" + dest + "\\HELD.TXT", "NUL=" + dest + "\\LOADED.DLL"}));
    EXPECT_TRUE(setupState.restartNeeded);
}

TEST_F(FileDirectives, AppendFileTo)
{
    put("PART", "tail");
    put("WHOLE", "head-");
    EXPECT_EQ(appendFileTo(kit.c_str(), "PART", kit.c_str(), "WHOLE"), 1);
    EXPECT_EQ(readFile(kit + "\\WHOLE"), "head-tail");
    EXPECT_EQ(appendFileTo(kit.c_str(), "PART", kit.c_str(), "NEW"), 1);
    EXPECT_EQ(readFile(kit + "\\NEW"), "tail");
    EXPECT_EQ(appendFileTo(kit.c_str(), "MISSING", kit.c_str(), "WHOLE"), 0);
    EXPECT_EQ(readFile(kit + "\\WHOLE"), "head-tail");
    EXPECT_EQ(appendFileTo(kit.c_str(), "PART", (kit + "\\nowhere").c_str(), "X"), 0);
}

}  // namespace
