// The source prompts under Wine, driven as a user would: the dialogs run
// modal in the test's thread while a second thread finds them by title,
// reads their texts, types and presses buttons. Every test has a deadline.
//
// Floppies: ctest maps drives A: and B: to C:\kit-floppies\drive_a and
// drive_b (symlinks in the prefix's dosdevices folder, made by the step
// source_prompts_map_drives). Measured under Wine 8: such a symlink is seen
// at once by a running program, and so is a change behind it; DefineDosDevice
// succeeds but file opens ignore it, and a colon is no part of a name a
// Windows program can create, so the mapping is made outside. A disk is
// inserted by renaming its folder to drive_a or drive_b, which takes effect
// at the next open.
#include "setup/engine/engine_state.h"
#include "setup/engine/source_prompts.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"
#include "win/engine/user_hands.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

const char kDiskTitle[] = "ディスク交換";
const char kLocateTitle[] = "インストール元の指定";
const char kCaption[] = "テスト製品 セットアップ";
const char kErrorTitle[] = "ｴﾗｰ";

const char kInsertDisk2[] =
    "セットアップディスク #2 をセットして[OK]を押してください。\rまたは別のドライブを入力してください。";
const char kLocateDefault[] = "インストール元のINFファイルのあるディレクトリを指定して[OK] を押してください。";
const char kNoPath[] = "パスが入力されていません。パスを入力してください。";
const char kPathNotFound[] = "パスが見つかりません。正しいパスを入力してください。";
const char kPickInf[] = "インストール元にあるINFファイルを選択してください";

std::string locatePrompt(const std::string &name)
{
    return "インストール元のINFファイル " + name + "のあるディレクトリを指定して[OK] を押してください。";
}

std::string pickTitle(const std::string &name)
{
    return "インストール元にあるINFファイル " + name + "を選択してください";
}

std::string repeated(const std::string &part, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += part;
    return text;
}

void setItem(HWND dialog, int id, const std::string &text)
{
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, (LPARAM)text.c_str());
}

// The control that has the focus in the dialog's thread.
HWND focusOf(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

bool isCentred(HWND window)
{
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    return own.left == (desktop.right - desktop.left - (own.right - own.left)) / 2 &&
           own.top == (desktop.bottom - desktop.top - (own.bottom - own.top)) / 2;
}

// A hidden window in the test's thread stands for the wizard: the dialogs
// and the question of "中止(&C)" must be owned by it.
class Prompts : public testing::Test {
protected:
    HWND wizard = nullptr;
    Watchdog watchdog{60000, testing::UnitTest::GetInstance()->current_test_info()->name()};

    void SetUp() override
    {
        wizard = CreateWindowExA(0, "STATIC", "wizard", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(wizard, nullptr);
        setupState.wizardWindow = wizard;
        setupState.instance = nullptr;
        copyText(setupState.productCaption, kCaption);
        engineState.cancelRequested = false;
        engineState.currentFileDisk = 2;
    }
    void TearDown() override
    {
        setupState.wizardWindow = nullptr;
        DestroyWindow(wizard);
    }
};

// ---- the texts

TEST(SourcePromptTexts, StringTableHoldsTheDialogsTexts)
{
    struct Case {
        UINT id;
        const char *text;
    } cases[] = {
        {2000, "INFファイル (*.INF)|*.INF|"},
        {2001, kPickInf},
        {2002, kNoPath},
        {2003, kPathNotFound},
        {2020, "インストール元にあるINFファイル %sを選択してください"},
        {2021, "インストール元のINFファイル %sのあるディレクトリを指定して[OK] を押してください。"},
        {2022, "セットアップディスク #%d をセットして[OK]を押してください。\rまたは別のドライブを入力してください。"},
    };
    for (const Case &c : cases) {
        char text[1024] = "";
        LoadStringA(GetModuleHandleA(nullptr), c.id, text, sizeof text);
        EXPECT_STREQ(text, c.text) << "string " << c.id;
    }
    // The line break of 2022 is one carriage return, not an escape left as text.
    char text[1024] = "";
    LoadStringA(GetModuleHandleA(nullptr), 2022, text, sizeof text);
    EXPECT_EQ(std::string(text).find('\\'), std::string::npos);
    EXPECT_EQ(std::string(text).find("\r\n"), std::string::npos);
    EXPECT_NE(std::string(text).find("。\rまた"), std::string::npos);
}

// ---- floppies

class Floppies : public Prompts, protected FloppyDrives {
protected:
    void SetUp() override
    {
        Prompts::SetUp();
        std::string fault = mapDrives();
        ASSERT_EQ(fault, "");
    }
    void TearDown() override
    {
        unmapDrives();
        Prompts::TearDown();
    }
};

TEST_F(Floppies, DiskTagDecidesByTheFirstBytesOfTheTagFile)
{
    struct Case {
        const char *what;
        unsigned disk;
        const char *sourceDir;
        const char *file;   // on the disk in A:
        const char *content;
        int expected;
    } cases[] = {
        {"tag text followed by a line end", 2, "A:\\KIT", "DISK2", "DISK2\r\n", 1},
        {"other case in text and drive", 2, "a:\\kit", "disk2", "disk2", 1},
        {"only the tag's length is read", 1, "A:\\", "DISK1", "DISK12", 1},
        {"the largest disk number", 999, "A:", "DISK999", "DISK999", 1},
        {"a number of ten digits", 4294967295u, "A:\\KIT", "DISK4294967295", "DISK4294967295", 1},
        {"tag holding another disk's text", 2, "A:\\KIT", "DISK2", "DISK1\r\n", 0},
        {"short file", 2, "A:\\KIT", "DISK2", "DISK", 0},
        {"empty file", 2, "A:\\KIT", "DISK2", "", 0},
        {"only another disk's tag", 2, "A:\\KIT", "DISK1", "DISK2", 0},
        {"tag on A:, source on C:", 2, "C:\\KIT", "DISK2", "DISK2", 0},
        {"network path", 2, "\\\\server\\kit", "DISK2", "DISK2", 0},
        {"relative path with no drive", 2, ":\\KIT", "DISK2", "DISK2", 0},
        {"double-byte first character", 2, "\x83\x41:\\KIT", "DISK2", "DISK2", 0},
        {"empty source directory", 2, "", "DISK2", "DISK2", 0},
    };
    for (const Case &c : cases) {
        removeTree(drivePath('a'));
        ASSERT_TRUE(CreateDirectoryA(drivePath('a').c_str(), nullptr));
        ASSERT_TRUE(writeFile(std::string("A:\\") + c.file, c.content)) << c.what;
        EXPECT_EQ(diskTagPresent(c.disk, c.sourceDir), c.expected) << c.what;
    }
    // A NUL among the first bytes ends no comparison early.
    ASSERT_TRUE(writeFile("A:\\DISK2", std::string("DIS\0K2", 6)));
    EXPECT_EQ(diskTagPresent(2, "A:\\KIT"), 0);

    EXPECT_EQ(diskTagPresent(2, nullptr), 0);
    ASSERT_TRUE(CreateDirectoryA("A:\\DISK3", nullptr));
    EXPECT_EQ(diskTagPresent(3, "A:\\"), 0) << "a folder named like the tag";
    removeTree(drivePath('a'));
    EXPECT_EQ(diskTagPresent(2, "A:\\KIT"), 0) << "no disk in the drive";

    // The check turns off the system's critical-error box only while it
    // looks, and leaves the process's error mode as it was.
    UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);
    diskTagPresent(2, "A:\\KIT");
    EXPECT_EQ(SetErrorMode(before), (UINT)SEM_NOGPFAULTERRORBOX);
}

// The copy engine's loop: check the tag, ask, check again.
struct DiskLoop {
    int shown = 0;
    int lastAnswer = -1;
    bool found = false;
};

DiskLoop waitForDisk(unsigned disk, char (&sourceDir)[kPathSize])
{
    DiskLoop loop;
    engineState.currentFileDisk = (int)disk;
    while (!(loop.found = diskTagPresent(disk, sourceDir) == 1) && loop.shown < 5) {
        ++loop.shown;
        if ((loop.lastAnswer = askForDisk(sourceDir)) == 0)
            break;
    }
    return loop;
}

TEST_F(Floppies, WrongDiskInATypedDriveBHoldsTheRightOne)
{
    ASSERT_TRUE(makeDisk("wrong", {{"DISK2", "DISK1\r\n"}}));
    ASSERT_TRUE(makeDisk("disk2", {{"DISK2", "DISK2\r\n"}}));
    ASSERT_TRUE(insert('a', "wrong"));
    ASSERT_TRUE(insert('b', "disk2"));

    std::string prompt, drive;
    {
        User user([&] {
            HWND dialog = waitForDialog(0, kDiskTitle, kAppear);
            if (dialog == nullptr)
                return;
            prompt = itemText(dialog, 1032);
            drive = itemText(dialog, 1018);
            HWND edit = GetDlgItem(dialog, 1018);
            SendMessageA(edit, EM_SETSEL, 0, -1);
            SendMessageA(edit, WM_CHAR, 'b', 1);   // typed in lower case
            pressButton(dialog, IDOK);
        });
        char sourceDir[kPathSize] = "A:\\KIT";
        DiskLoop loop = waitForDisk(2, sourceDir);
        EXPECT_TRUE(loop.found);
        EXPECT_EQ(loop.shown, 1);
        EXPECT_STREQ(sourceDir, "B:\\KIT");
    }
    EXPECT_EQ(prompt, kInsertDisk2);
    EXPECT_EQ(drive, "A:");
    EXPECT_FALSE(engineState.cancelRequested);
}

TEST_F(Floppies, CloseBoxChecksTheSameDriveAgainAfterASwap)
{
    ASSERT_TRUE(makeDisk("disk1", {{"DISK1", "DISK1"}}));
    ASSERT_TRUE(makeDisk("disk2", {{"DISK2", "DISK2"}}));
    ASSERT_TRUE(insert('a', "disk1"));

    bool swapped = false;
    HWND owner = nullptr;
    bool centred = false;
    {
        User user([&] {
            HWND dialog = waitForDialog(0, kDiskTitle, kAppear);
            if (dialog == nullptr)
                return;
            owner = GetWindow(dialog, GW_OWNER);
            centred = isCentred(dialog);
            SendDlgItemMessageA(dialog, 1018, WM_SETTEXT, 0, (LPARAM)"B");   // not taken: the box closes
            swapped = insert('a', "disk2");
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        char sourceDir[kPathSize] = "A:\\KIT";
        DiskLoop loop = waitForDisk(2, sourceDir);
        EXPECT_TRUE(loop.found);
        EXPECT_EQ(loop.shown, 1);
        EXPECT_EQ(loop.lastAnswer, 1);
        EXPECT_STREQ(sourceDir, "A:\\KIT");
    }
    EXPECT_TRUE(swapped);
    EXPECT_EQ(owner, wizard);
    EXPECT_TRUE(centred);
}

// ---- the disk-change dialog without floppies

class DiskChange : public Prompts {};

TEST_F(DiskChange, OkTakesOnlyADriveLetterFromTheEdit)
{
    struct Case {
        const char *typed;
        const char *expected;
    } cases[] = {
        {"c", "C:\\KIT\\SUB"},
        {"D:\\OTHER", "D:\\KIT\\SUB"},   // two characters read, the first one taken
        {"", "A:\\KIT\\SUB"},            // nothing typed: the same drive again
        {"ア", "A:\\KIT\\SUB"},          // a lead byte would swallow the ':'
        {"1", "A:\\KIT\\SUB"},
        {"\\\\", "A:\\KIT\\SUB"},
    };
    for (const Case &c : cases) {
        User user([&] {
            HWND dialog = waitForDialog(0, kDiskTitle, kAppear);
            if (dialog == nullptr)
                return;
            setItem(dialog, 1018, c.typed);
            pressButton(dialog, IDOK);
        });
        char sourceDir[kPathSize] = "A:\\KIT\\SUB";
        EXPECT_EQ(askForDisk(sourceDir), 1) << c.typed;
        EXPECT_STREQ(sourceDir, c.expected) << c.typed;
    }
    EXPECT_FALSE(engineState.cancelRequested);
}

TEST_F(DiskChange, NetworkPathGetsTheTypedDrive)
{
    std::string drive;
    {
        User user([&] {
            HWND dialog = waitForDialog(0, kDiskTitle, kAppear);
            if (dialog == nullptr)
                return;
            drive = itemText(dialog, 1018);
            setItem(dialog, 1018, "A");
            pressButton(dialog, IDOK);
        });
        char sourceDir[kPathSize] = "\\\\server\\kit";
        EXPECT_EQ(diskTagPresent(2, sourceDir), 0);
        EXPECT_EQ(askForDisk(sourceDir), 1);
        EXPECT_STREQ(sourceDir, "A\\server\\kit");
    }
    EXPECT_EQ(drive, "\\\\");
}

TEST_F(DiskChange, AbortAsksNoStaysYesStops)
{
    Box no, yes;
    bool stayed = false;
    {
        User user([&] {
            HWND dialog = waitForDialog(0, kDiskTitle, kAppear);
            if (dialog == nullptr)
                return;
            pressButton(dialog, 1031);
            no = answerBox(kCaption, IDNO);
            stayed = IsWindow(dialog) && IsWindowVisible(dialog);
            pressButton(dialog, 1031);
            yes = answerBox(kCaption, IDYES);
        });
        char sourceDir[kPathSize] = "A:\\KIT";
        EXPECT_EQ(askForDisk(sourceDir), 0);
        EXPECT_STREQ(sourceDir, "A:\\KIT");
    }
    EXPECT_TRUE(engineState.cancelRequested);
    ASSERT_TRUE(no.came);
    EXPECT_EQ(no.text, "中断しますか?");
    EXPECT_EQ(no.owner, wizard);
    EXPECT_TRUE(no.yesNo);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(yes.came);
}

TEST_F(DiskChange, PromptShowsTheDiskOfTheFile)
{
    struct Case {
        int disk;
        const char *number;
    } cases[] = {{1, "1"}, {12, "12"}, {999, "999"}};
    for (const Case &c : cases) {
        engineState.currentFileDisk = c.disk;
        std::string prompt;
        {
            User user([&] {
                HWND dialog = waitForDialog(0, kDiskTitle, kAppear);
                if (dialog == nullptr)
                    return;
                prompt = itemText(dialog, 1032);
                PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            });
            char sourceDir[kPathSize] = "A:\\KIT";
            EXPECT_EQ(askForDisk(sourceDir), 1);
        }
        EXPECT_EQ(prompt, std::string("セットアップディスク #") + c.number +
                              " をセットして[OK]を押してください。\rまたは別のドライブを入力してください。");
    }
}

// ---- the locate-source dialog

class LocateSource : public Prompts {
protected:
    const std::string root = "C:\\kit-prompts";
    char startDir[MAX_PATH] = "";

    void SetUp() override
    {
        Prompts::SetUp();
        GetCurrentDirectoryA(sizeof startDir, startDir);
        removeTree(root);
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
        for (const char *dir : {"kit", "empty", "ソフト表"})
            ASSERT_TRUE(CreateDirectoryA((root + "\\" + dir).c_str(), nullptr)) << dir;
        ASSERT_TRUE(writeFile(root + "\\kit\\SETUP.INF", "[version]\r\n"));
        ASSERT_TRUE(writeFile(root + "\\ソフト表\\SETUP.INF", "[version]\r\n"));
        copyText(setupState.sourceDir, "C:\\OLD");
        copyText(setupState.kitSourceDir, "C:\\OLDKIT");
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(startDir);
        removeTree(root);
        Prompts::TearDown();
    }

    void expectUnchanged()
    {
        EXPECT_STREQ(setupState.sourceDir, "C:\\OLD");
        EXPECT_STREQ(setupState.kitSourceDir, "C:\\OLDKIT");
    }
};

TEST_F(LocateSource, PromptNamesTheInfInLowerCase)
{
    std::string longName(300, 'X');
    struct Case {
        std::string infName;
        std::string expected;
    } cases[] = {
        {"OSPRIN01.INF", locatePrompt("osprin01.inf")},
        // ア is 83 41: its second byte is an 'A' that must stay as it is.
        {"アプリ.INF", locatePrompt("アプリ.inf")},
        {"", kLocateDefault},
        // Cut to the 260-byte buffer, not written past it.
        {longName, locatePrompt(std::string(kPathSize - 1, 'x')).substr(0, kPathSize - 1)},
    };
    for (const Case &c : cases) {
        std::string prompt;
        bool focusOnEdit = false, centred = false;
        HWND owner = nullptr;
        {
            User user([&] {
                HWND dialog = waitForDialog(0, kLocateTitle, kAppear);
                if (dialog == nullptr)
                    return;
                prompt = itemText(dialog, 1030);
                focusOnEdit = focusOf(dialog) == GetDlgItem(dialog, 1018);
                centred = isCentred(dialog);
                owner = GetWindow(dialog, GW_OWNER);
                pressButton(dialog, IDCANCEL);
            });
            EXPECT_EQ(locateSource(c.infName.c_str()), 0);
        }
        EXPECT_EQ(prompt, c.expected) << c.infName;
        EXPECT_TRUE(focusOnEdit) << c.infName;
        EXPECT_TRUE(centred) << c.infName;
        EXPECT_EQ(owner, wizard) << c.infName;
        expectUnchanged();
    }
}

TEST_F(LocateSource, EmptyOrMissingPathIsRefusedAndTheDialogStays)
{
    Box empty;
    HWND locateDialog = nullptr;
    bool stayedAfterEmpty = false, focusAfterEmpty = false;
    struct Refused {
        explicit Refused(std::string path) : typed(std::move(path)) {}
        std::string typed;
        Box box;
        bool selected = false;
        bool focused = false;
    };
    std::vector<Refused> refused = {
        Refused(root + "\\nothing-here"),
        Refused(root + "\\kit\\SETUP.INF"),   // a file, not a directory
        Refused(root + "\\" + std::string(kPathSize, 'd')),   // longer than any path
        // Too long, though every part of it exists.
        Refused(root + "\\kit" + repeated("\\.", 130)),
    };
    {
        User user([&] {
            HWND dialog = locateDialog = waitForDialog(0, kLocateTitle, kAppear);
            if (dialog == nullptr)
                return;
            HWND edit = GetDlgItem(dialog, 1018);
            pressButton(dialog, IDOK);
            empty = answerBox(kErrorTitle, IDOK);
            stayedAfterEmpty = IsWindow(dialog) && IsWindowVisible(dialog);
            focusAfterEmpty = waitUntil([&] { return focusOf(dialog) == edit; });
            for (Refused &r : refused) {
                setItem(dialog, 1018, r.typed);
                SendMessageA(edit, EM_SETSEL, 1, 1);
                pressButton(dialog, IDOK);
                r.box = answerBox(kErrorTitle, IDOK);
                r.selected = waitUntil([&] {
                    DWORD start = 0, end = 0;
                    SendMessageA(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
                    return start == 0 && end == (DWORD)GetWindowTextLengthA(edit) && end > 0;
                });
                r.focused = focusOf(dialog) == edit;
            }
            pressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(locateSource("SETUP.INF"), 0);
    }
    ASSERT_TRUE(empty.came);
    EXPECT_EQ(empty.text, kNoPath);
    EXPECT_EQ(empty.owner, locateDialog);
    EXPECT_TRUE(stayedAfterEmpty);
    EXPECT_TRUE(focusAfterEmpty);
    for (const Refused &r : refused) {
        ASSERT_TRUE(r.box.came) << r.typed;
        EXPECT_EQ(r.box.text, kPathNotFound) << r.typed;
        EXPECT_EQ(r.box.owner, locateDialog) << r.typed;
        EXPECT_TRUE(r.selected) << r.typed;
        EXPECT_TRUE(r.focused) << r.typed;
    }
    expectUnchanged();
}

TEST_F(LocateSource, AcceptedDirectoryBecomesBothSources)
{
    struct Case {
        std::string typed;
        std::string expected;
    } cases[] = {
        {root + "\\kit", root + "\\kit"},
        {root + "\\kit\\", root + "\\kit"},
        // 表 ends with the byte of a backslash: it is no trailing backslash.
        {root + "\\ソフト表", root + "\\ソフト表"},
        {root + "\\ソフト表\\", root + "\\ソフト表"},
        // No INF needs to be there: an entry of any kind is enough.
        {root + "\\empty", root + "\\empty"},
        // Relative to the current directory (the kit's root here), and kept
        // as the full path: the current directory moves during installation.
        {"kit", root + "\\kit"},
        {".\\ソフト表\\", root + "\\ソフト表"},
        {"..\\kit-prompts\\empty", root + "\\empty"},
    };
    ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
    for (const Case &c : cases) {
        copyText(setupState.sourceDir, "C:\\OLD");
        copyText(setupState.kitSourceDir, "C:\\OLDKIT");
        int errors = 0;
        {
            DialogAnswerer answerer(kErrorTitle, IDOK);
            User user([&] {
                HWND dialog = waitForDialog(0, kLocateTitle, kAppear);
                if (dialog == nullptr)
                    return;
                setItem(dialog, 1018, c.typed);
                pressButton(dialog, IDOK);
                // Ends the dialog should the path have been refused.
                if (!waitGone(dialog))
                    pressButton(dialog, IDCANCEL);
            });
            EXPECT_EQ(locateSource("SETUP.INF"), 1) << c.typed;
            errors = answerer.count();
        }
        EXPECT_EQ(errors, 0) << c.typed;
        EXPECT_EQ(setupState.sourceDir, c.expected);
        EXPECT_EQ(setupState.kitSourceDir, c.expected);
    }
}

TEST_F(LocateSource, CancelChangesNothing)
{
    {
        User user([&] {
            HWND dialog = waitForDialog(0, kLocateTitle, kAppear);
            if (dialog == nullptr)
                return;
            setItem(dialog, 1018, root + "\\kit");
            pressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(locateSource("SETUP.INF"), 0);
    }
    expectUnchanged();
}

// What the user sees of the file-open dialog before cancelling it.
struct BrowseSeen {
    bool came = false;
    HWND owner = nullptr;
    std::string fileName = "<not read>";
    std::vector<std::string> filters;
    std::string currentDir;
    bool gone = false;
    std::string editAfter = "<not read>";
    bool focusOnOk = false;
};

// Presses "参照(&B)..." and waits for the file-open dialog with the title;
// then either picks the file (a full path) or cancels.
BrowseSeen browse(HWND dialog, const std::string &title, const std::string &pick)
{
    BrowseSeen seen;
    pressButton(dialog, 1014);
    HWND open = waitForDialog(0, title.c_str(), kAppear);
    if (open == nullptr)
        return seen;
    seen.came = true;
    seen.owner = GetWindow(open, GW_OWNER);
    seen.fileName = itemText(open, 1152);
    seen.filters = listItems(GetDlgItem(open, 1136), true);
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    seen.currentDir = dir;
    if (pick.empty()) {
        pressButton(open, IDCANCEL);
    } else {
        setItem(open, 1152, pick);
        pressButton(open, IDOK);
    }
    seen.gone = waitGone(open);
    HWND ok = GetDlgItem(dialog, IDOK);
    seen.focusOnOk = waitUntil([&] { return focusOf(dialog) == ok; });
    seen.editAfter = itemText(dialog, 1018);
    return seen;
}

TEST_F(LocateSource, BrowseCancelledEmptiesTheEdit)
{
    struct Case {
        const char *infName;
        std::string title;
    } cases[] = {
        {"SETUP.INF", pickTitle("setup.inf")},
        {"", kPickInf},
    };
    for (const Case &c : cases) {
        BrowseSeen seen;
        HWND dialog = nullptr;
        {
            User user([&] {
                dialog = waitForDialog(0, kLocateTitle, kAppear);
                if (dialog == nullptr)
                    return;
                setItem(dialog, 1018, "C:\\somewhere");
                seen = browse(dialog, c.title, "");
                pressButton(dialog, IDCANCEL);
            });
            EXPECT_EQ(locateSource(c.infName), 0);
        }
        ASSERT_TRUE(seen.came) << "no file-open dialog titled " << c.title;
        EXPECT_EQ(seen.owner, dialog);
        EXPECT_EQ(seen.fileName, "");
        EXPECT_EQ(seen.filters, std::vector<std::string>{"INFファイル (*.INF)"});
        EXPECT_TRUE(seen.gone);
        EXPECT_EQ(seen.editAfter, "");
        EXPECT_TRUE(seen.focusOnOk);
        expectUnchanged();
    }
}

TEST_F(LocateSource, BrowsePicksTheDirectoryOfTheChosenInf)
{
    BrowseSeen seen;
    {
        User user([&] {
            HWND dialog = waitForDialog(0, kLocateTitle, kAppear);
            if (dialog == nullptr)
                return;
            seen = browse(dialog, pickTitle("setup.inf"), root + "\\ソフト表\\SETUP.INF");
            pressButton(dialog, IDOK);
            if (!waitGone(dialog))
                pressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(locateSource("Setup.Inf"), 1);
    }
    ASSERT_TRUE(seen.came);
    EXPECT_TRUE(seen.gone);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, seen.editAfter.c_str(), -1,
                             (root + "\\ソフト表").c_str(), -1),
              CSTR_EQUAL)
        << seen.editAfter;
    EXPECT_TRUE(seen.focusOnOk);
    EXPECT_EQ(setupState.sourceDir, seen.editAfter);
    EXPECT_EQ(setupState.kitSourceDir, seen.editAfter);
}

// The file-open dialog starts in the directory typed into the edit when
// there is one; otherwise in the current directory, as the platform does.
TEST_F(LocateSource, BrowseStartsInTheTypedDirectoryOrTheCurrentOne)
{
    std::string current = root + "\\empty";
    struct Case {
        std::string typed;
        std::string expected;
    } cases[] = {
        {"", current},
        {root + "\\kit", root + "\\kit"},
        {root + "\\kit\\", root + "\\kit"},
        {root + "\\nothing-here", current},
        {root + "\\kit\\SETUP.INF", current},   // a file is no directory
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
        BrowseSeen seen;
        {
            User user([&] {
                HWND dialog = waitForDialog(0, kLocateTitle, kAppear);
                if (dialog == nullptr)
                    return;
                setItem(dialog, 1018, c.typed);
                seen = browse(dialog, pickTitle("setup.inf"), "");
                pressButton(dialog, IDCANCEL);
            });
            EXPECT_EQ(locateSource("SETUP.INF"), 0);
        }
        ASSERT_TRUE(seen.came) << c.typed;
        std::string shown = seen.currentDir;
        if (shown.size() > 3 && shown.back() == '\\')
            shown.pop_back();
        EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, shown.c_str(), -1, c.expected.c_str(), -1),
                  CSTR_EQUAL)
            << "typed " << c.typed << ", dialog in " << seen.currentDir;
    }
}

// ---- without the dialogs

TEST_F(Prompts, WithoutTheDialogResourcesTheInstallationStops)
{
    setupState.instance = GetModuleHandleA("kernel32.dll");
    copyText(setupState.sourceDir, "C:\\OLD");
    copyText(setupState.kitSourceDir, "C:\\OLDKIT");
    char sourceDir[kPathSize] = "A:\\KIT";
    EXPECT_EQ(askForDisk(sourceDir), 0);
    EXPECT_TRUE(engineState.cancelRequested) << "asking again could never end";
    EXPECT_STREQ(sourceDir, "A:\\KIT");
    EXPECT_EQ(locateSource("SETUP.INF"), 0);
    EXPECT_STREQ(setupState.sourceDir, "C:\\OLD");
    EXPECT_STREQ(setupState.kitSourceDir, "C:\\OLDKIT");
    setupState.instance = nullptr;
}

}  // namespace
