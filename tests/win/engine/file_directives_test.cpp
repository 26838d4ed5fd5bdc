// The file directives on the real platform: a small kit in a scratch folder,
// its files installed into a folder below the Windows directory, message
// boxes answered as a user would.
#include "setup/engine/engine_state.h"
#include "setup/engine/file_directives.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"
#include "setup/shell/source_path.h"
#include "win/engine/user_hands.h"

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
    // A box or dialog nobody answers ends the test instead of hanging it.
    Watchdog watchdog{30000, testing::UnitTest::GetInstance()->current_test_info()->name()};
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
    EXPECT_EQ(renameLines(), (std::vector<std::string>{"NUL=" + shortName(dest + "\\HELD.TXT"),
                                                       "NUL=" + shortName(dest + "\\LOADED.DLL")}));
    EXPECT_TRUE(setupState.restartNeeded);
}

TEST_F(FileDirectives, ALineLongerThanAPathIsRefusedWhereverItsLastCharacterFalls)
{
    // Lines of 259 bytes and more, the longer ones ending in ア (83 41): a
    // line that does not fit in a path is refused, also when copying it
    // would stop just before the double-byte character and leave a text
    // that fits.
    struct Case {
        size_t length;
        bool deleted;
    } cases[] = {{kPathSize - 1, true}, {kPathSize, false}, {kPathSize + 1, false}};
    std::string sections;
    for (const Case &c : cases) {
        std::string file = "V" + std::to_string(c.length) + ".TXT";
        std::string line = file + ",";
        line += std::string(c.length - line.size() - 2, 'x') + (c.length == kPathSize - 1 ? "xx" : "\x83\x41");
        ASSERT_EQ(line.size(), c.length);
        sections += line + "\r\n";
    }
    loadInf("[Files.Main]\r\n" + sections);
    CreateDirectoryA(dest.c_str(), nullptr);
    for (const Case &c : cases)
        ASSERT_TRUE(writeFile(dest + "\\V" + std::to_string(c.length) + ".TXT", "v"));
    run(delFiles, "Files.Main");
    for (const Case &c : cases)
        EXPECT_EQ(fileExists(dest + "\\V" + std::to_string(c.length) + ".TXT"), !c.deleted) << c.length;
}

TEST_F(FileDirectives, ASectionWithoutADestinationTouchesNothing)
{
    // No [DestinationDirs] line: the user is told, and the files are neither
    // put into nor deleted from the root of the current drive.
    loadInf("[Files.Orphan]\r\nVICTIM.TXT\r\n[Files.OrphanMerge]\r\nVICTIM.TXT=V.1\r\n");
    put("VICTIM.TXT", "new");
    put("V.1", "merged");
    std::string victim = std::string(1, windowsDirectory()[0]) + ":\\VICTIM.TXT";
    ScopedFileRestore keepVictim({victim});
    ASSERT_TRUE(writeFile(victim, "precious"));
    SetCurrentDirectoryA(windowsDirectory().c_str());
    DialogAnswerer told("INFﾌｧｲﾙ", IDOK);
    EXPECT_EQ(run(delFiles, "Files.Orphan"), 0);
    EXPECT_EQ(run(copyFiles, "Files.Orphan"), 0);
    EXPECT_EQ(run(mergeFiles, "Files.OrphanMerge"), 0);
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_FALSE(fileExists(windowsDirectory() + "\\ospritemp\\VICTIM.TXT"));
    EXPECT_EQ(told.count(), 3);
    EXPECT_EQ(told.texts()[0], "Files.Orphanの記述が見つかりません");
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

// ---- where the user points: the locate-source dialog after message 2014

const char kLocateTitle[] = "インストール元の指定";

// Answers message 2014 with OK and points the locate-source dialog to dir.
void pointTo(const std::string &dir, std::string &message)
{
    Box box = answerBox(kCaption, IDOK);
    message = box.text;
    HWND dialog = waitForDialog(0, kLocateTitle, kAppear);
    if (dialog == nullptr)
        return;
    SendDlgItemMessageA(dialog, 1018, WM_SETTEXT, 0, (LPARAM)dir.c_str());
    pressButton(dialog, IDOK);
    waitGone(dialog);
}

TEST_F(FileDirectives, AMissingFileIsTakenFromWhereTheUserPoints)
{
    loadInf("[Files.Main]\r\nF1.TXT\r\nF2.TXT\r\nF3.TXT\r\n");
    std::string other = kit + "\\OTHER";
    CreateDirectoryA(other.c_str(), nullptr);
    put("F1.TXT", "1");
    put("OTHER\\F2.TXT", "2 from other");
    put("OTHER\\F3.TXT", "3 from other");
    std::string message;
    {
        User user([&] { pointTo(other, message); });
        EXPECT_EQ(run(copyFiles, "Files.Main"), 3);
    }
    EXPECT_NE(message.find("ファイル名: F2.TXT"), std::string::npos) << message;
    EXPECT_EQ(installed("F2.TXT"), "2 from other");
    EXPECT_EQ(installed("F3.TXT"), "3 from other") << "the rest comes from there too";
    EXPECT_EQ(std::string(setupState.sourceDir), other);
    EXPECT_EQ(std::string(setupState.kitSourceDir), other);
    EXPECT_TRUE(engineState.keepInstalling);
}

TEST_F(FileDirectives, WithTheStoredSourcePathOnlyTheMissingLineMoves)
{
    // The setup INF came from the Windows INF directory: each line starts
    // from the source path stored in the registry.
    copyText(setupState.setupClass, "KitDirectivesTest");
    ScopedRegistryTree keepKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\KitDirectivesTest");
    setupState.foundInWindowsInf = true;
    writeSourcePath(kit.c_str());
    copyText(setupState.kitSourceDir, "C:\\nowhere");
    loadInf("[Files.Main]\r\nF1.TXT\r\nF2.TXT\r\nF3.TXT\r\n");
    std::string other = kit + "\\OTHER";
    CreateDirectoryA(other.c_str(), nullptr);
    put("F1.TXT", "1");
    put("F3.TXT", "3 from the stored path");
    put("OTHER\\F2.TXT", "2 from other");
    put("OTHER\\F3.TXT", "3 from other");
    std::string message;
    {
        User user([&] { pointTo(other, message); });
        EXPECT_EQ(run(copyFiles, "Files.Main"), 3);
    }
    EXPECT_EQ(installed("F1.TXT"), "1");
    EXPECT_EQ(installed("F2.TXT"), "2 from other");
    EXPECT_EQ(installed("F3.TXT"), "3 from the stored path");
    EXPECT_EQ(std::string(setupState.sourceDir), other) << "later INFs load from there";
}

// ---- a floppy kit: drives A: and B:, disk passes, compressed files

class FloppyKit : public FileDirectives, protected FloppyDrives {
protected:
    void SetUp() override
    {
        FileDirectives::SetUp();
        ASSERT_EQ(mapDrives(), "");
        setupState.floppyKit = true;
        copyText(setupState.kitSourceDir, "A:\\");
        compressed = readFile(testFile("PAYLOAD.DL_"));
        expanded = readFile(testFile("verdll2.dll"));
        ASSERT_FALSE(compressed.empty());
        ASSERT_TRUE(makeDisk("disk1", {{"DISK1", "DISK1\r\n"}, {"FOO.DL_", compressed}, {"PLAIN.TXT", "plain"},
                                       {"BIG.1", "first half, "}}));
        ASSERT_TRUE(makeDisk("disk2", {{"DISK2", "disk2"}, {"SUB\\BAR.DL_", compressed}, {"PLAIN.TXT", "plain 2"},
                                       {"BIG.2", "second half"}}));
        loadInf("[Files.Main]\r\nFOO.DLL\r\nBAR.DLL\r\nPLAIN.TXT\r\n",
                "FOO.DLL=1\r\nBAR.DLL=2,SUB\r\nBIG.DAT=1\r\n");
        setupState.wizardWindow = wizard = CreateWindowExA(0, "STATIC", "wizard", WS_POPUP, 0, 0, 10, 10, nullptr,
                                                          nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        setupState.wizardWindow = nullptr;
        DestroyWindow(wizard);
        FileDirectives::TearDown();
        unmapDrives();
    }
    // Waits for the disk-change dialog, then lets act answer it. The prompt
    // it showed is kept.
    void onDiskDialog(const std::function<void(HWND)> &act)
    {
        HWND dialog = waitForDialog(0, "ディスク交換", kAppear);
        if (dialog == nullptr)
            return;
        ++diskDialogs;
        prompt = itemText(dialog, 1032);
        act(dialog);
        waitGone(dialog);
    }

    std::string compressed, expanded, prompt;
    int diskDialogs = 0;
    HWND wizard = nullptr;
};

TEST_F(FloppyKit, EachDiskPassCopiesTheFilesOfItsDisk)
{
    ASSERT_TRUE(insert('a', "disk1"));
    // At start-up (no pass) only the files without a disk come.
    EXPECT_EQ(run(copyFiles, "Files.Main"), 3);
    EXPECT_FALSE(fileExists(dest + "\\FOO.DLL"));
    EXPECT_EQ(installed("PLAIN.TXT"), "plain");

    engineState.currentDiskPass = 1;
    EXPECT_EQ(run(copyFiles, "Files.Main"), 3);
    EXPECT_EQ(installed("FOO.DLL"), expanded) << "FOO.DL_ of disk 1, expanded";
    EXPECT_FALSE(fileExists(dest + "\\BAR.DLL"));

    // Pass 2 with disk 1 still in: the user is asked, swaps, presses OK.
    engineState.currentDiskPass = 2;
    {
        User user([&] {
            onDiskDialog([&](HWND dialog) {
                insert('a', "disk2");
                pressButton(dialog, IDOK);
            });
        });
        EXPECT_EQ(run(copyFiles, "Files.Main"), 3);
    }
    EXPECT_EQ(diskDialogs, 1);
    EXPECT_NE(prompt.find("#2"), std::string::npos) << prompt;
    EXPECT_EQ(installed("BAR.DLL"), expanded) << "SUB\\BAR.DL_ of disk 2, expanded";
    EXPECT_EQ(installed("PLAIN.TXT"), "plain 2");
    EXPECT_STREQ(setupState.kitSourceDir, "A:\\");
}

TEST_F(FloppyKit, ADriveLetterTypedByTheUserCarriesOn)
{
    ASSERT_TRUE(insert('a', "disk1"));
    ASSERT_TRUE(insert('b', "disk2"));
    copyText(setupState.setupClass, "KitFloppyTest");
    ScopedRegistryTree keepKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\KitFloppyTest");
    setupState.foundInWindowsInf = true;
    writeSourcePath("A:\\");
    engineState.currentDiskPass = 2;
    {
        User user([&] {
            onDiskDialog([&](HWND dialog) {
                SendDlgItemMessageA(dialog, 1018, WM_SETTEXT, 0, (LPARAM)"B:");
                pressButton(dialog, IDOK);
            });
        });
        EXPECT_EQ(run(copyFiles, "Files.Main"), 3);
    }
    EXPECT_EQ(installed("BAR.DLL"), expanded);
    char stored[kPathSize];
    readSourcePath(stored, sizeof stored);
    EXPECT_STREQ(stored, "B:\\") << "the medium's own directory, without the file's subdirectory";
    EXPECT_EQ(installed("PLAIN.TXT"), "plain 2") << "later lines come from drive B:";
}

TEST_F(FloppyKit, StoppingAtTheDiskPromptEndsTheSection)
{
    ASSERT_TRUE(insert('a', "disk1"));
    engineState.currentDiskPass = 2;
    Box question;
    {
        User user([&] {
            onDiskDialog([&](HWND dialog) {
                pressButton(dialog, 1031);   // 中止(&C)
                question = answerBox(kCaption, IDYES);
            });
        });
        EXPECT_EQ(run(copyFiles, "Files.Main"), 1);
    }
    EXPECT_EQ(question.text, "中断しますか?");
    EXPECT_TRUE(engineState.cancelRequested);
    EXPECT_FALSE(fileExists(dest + "\\BAR.DLL"));
    EXPECT_FALSE(fileExists(dest + "\\PLAIN.TXT")) << "the lines after it are not handled";
}

TEST_F(FloppyKit, AMissingFileIsNamedAsItIsStored)
{
    ASSERT_TRUE(makeDisk("bare1", {{"DISK1", "DISK1"}}));
    ASSERT_TRUE(insert('a', "bare1"));
    engineState.currentDiskPass = 1;
    DialogAnswerer missing(kCaption, IDCANCEL);
    EXPECT_EQ(run(copyFiles, "Files.Main"), 0);
    ASSERT_EQ(missing.count(), 1);
    EXPECT_NE(missing.texts()[0].find("ファイル名: FOO.DL_"), std::string::npos) << missing.texts()[0];
}

TEST_F(FloppyKit, AMergedFileSpansTwoDisks)
{
    loadInf("[Files.Main]\r\nBIG.DAT=BIG.1,BIG.2\r\n", "BIG.DAT=1\r\n");
    ASSERT_TRUE(insert('a', "disk1"));
    engineState.currentDiskPass = 1;
    {
        User user([&] {
            onDiskDialog([&](HWND dialog) {
                insert('a', "disk2");
                pressButton(dialog, IDOK);
            });
        });
        EXPECT_EQ(run(mergeFiles, "Files.Main"), 1);
    }
    EXPECT_EQ(diskDialogs, 1);
    EXPECT_NE(prompt.find("#2"), std::string::npos) << "the second part is on the next disk";
    EXPECT_EQ(installed("BIG.DAT"), "first half, second half");
    EXPECT_FALSE(fileExists(windowsDirectory() + "\\ospritemp"));
}

TEST_F(FloppyKit, AMergedFileOnNoDiskAsksForNone)
{
    // A target without a disk: its parts come from wherever the kit is,
    // and no part is taken to be on a disk of its own.
    loadInf("[Files.Main]\r\nJOINED.DAT=J.1,J.2,J.3\r\n", "OTHER.DAT=1\r\n");
    ASSERT_TRUE(makeDisk("untagged", {{"J.1", "a"}, {"J.2", "b"}, {"J.3", "c"}}));
    ASSERT_TRUE(insert('a', "untagged"));
    engineState.currentDiskPass = 1;
    volatile bool done = false;
    {
        User user([&] {
            while (!done) {
                HWND dialog = waitForDialog(0, "ディスク交換", 100);
                if (dialog != nullptr) {
                    ++diskDialogs;
                    pressButton(dialog, 1031);
                    answerBox(kCaption, IDYES);
                }
            }
        });
        EXPECT_EQ(run(mergeFiles, "Files.Main"), 1);
        done = true;
    }
    EXPECT_EQ(diskDialogs, 0);
    EXPECT_EQ(installed("JOINED.DAT"), "abc");
}

}  // namespace
