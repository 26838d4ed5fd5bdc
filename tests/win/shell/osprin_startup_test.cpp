// The setup program started for real on small fixture kits and watched from
// outside: the main window and its painting, the preparing dialog, the
// product choice, every start-up failure, the second instance, the Windows
// INF directory, a floppy kit's temporary copies, and the start-up sections'
// effects on disk and in the registry. Each run ends where the wizard opens:
// its Cancel closes the program.
#include "win/shell/osprin_run.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <algorithm>

#include <string>
#include <vector>

using namespace testsupport;

namespace {

const char kCaption[] = "シェル テスト キット";
const char kQel[] = "SOFTWARE\\QEL\\";

std::string regValue(const std::string &subkey, const char *name)
{
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, subkey.c_str(), &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[1024] = "";
    DWORD size = sizeof data - 1;
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, (BYTE *)data, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data) : "<none>";
}

std::string setupKey(const char *setupClass)
{
    return std::string(kQel) + setupClass + "\\Setup";
}

void setRegValue(const std::string &subkey, const char *name, const char *data)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, subkey.c_str(), &key), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)data, (DWORD)strlen(data) + 1);
    RegCloseKey(key);
}

// A catalogue of one component, written as a kit's start-up section would.
void writeCatalogue(const char *setupClass, const char *inf)
{
    std::string components = setupKey(setupClass) + "\\OptionalComponents";
    setRegValue(components, "Comp01", "1");
    setRegValue(components + "\\Comp01", "INF", inf);
    setRegValue(components + "\\Comp01", "Section", "Comp.Tools");
}

RECT windowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

bool sameRect(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The white and pure black pixels of the title area, as on the screen.
struct TitlePixels {
    int white = 0, black = 0;
    int leftmostWhite = 1 << 30, rightmostWhite = -1, lowestWhite = -1;
};

TitlePixels titlePixels(int width)
{
    TitlePixels pixels;
    HDC screen = GetDC(nullptr);
    for (int y = 10; y < 80; ++y) {
        for (int x = 20; x < width; ++x) {
            COLORREF colour = GetPixel(screen, x, y);
            if (colour == RGB(255, 255, 255)) {
                ++pixels.white;
                pixels.leftmostWhite = std::min(pixels.leftmostWhite, x);
                pixels.rightmostWhite = std::max(pixels.rightmostWhite, x);
                pixels.lowestWhite = std::max(pixels.lowestWhite, y);
            } else if (colour == RGB(0, 0, 0)) {
                ++pixels.black;
            }
        }
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

COLORREF screenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

// Paints are asynchronous: the pixel once it has the colour, or the last seen.
COLORREF pixelBecomes(int x, int y, COLORREF wanted)
{
    COLORREF seen = CLR_INVALID;
    waitUntil([&] { return (seen = screenPixel(x, y)) == wanted; }, 3000);
    return seen;
}

void cancelWizard(HWND sheet)
{
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// The program has ended with 0 and left no window behind.
void expectEndedCleanly(OsprinRun &run)
{
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_TRUE(windowsOf(run.id()).empty());
    EXPECT_EQ(FindWindowA("QELDriverKit", nullptr), nullptr);
}

class OsprinStartup : public testing::Test {
protected:
    void SetUp() override { DeleteFileA(setupIni.c_str()); }
    void TearDown() override { removeTree("C:\\osprin-shell"); }

    std::string setupIni = windowsDirectory() + "\\setup.ini";
    ScopedFileRestore keepSetupIni{{windowsDirectory() + "\\setup.ini"}};
    Watchdog watchdog{120000, testing::UnitTest::GetInstance()->current_test_info()->name()};
};

// One run of the directory kit: the main window, the preparing dialog
// while a start-up section waits at a prompt, the sections' effects, the
// painting (also for a narrow desktop), the about box and a second instance.
TEST_F(OsprinStartup, DirectoryKitRunsItsStartupAndOpensTheWizard)
{
    ScopedRegistryTree keepKit{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\SHELLKIT"};
    std::string installed = windowsDirectory() + "\\SHELLKIT";
    removeTree(installed);
    std::string folder = kitFolder("basic");
    ASSERT_TRUE(placeKit("basic", folder));
    OsprinRun run(folder);
    ASSERT_TRUE(run.started());

    HWND main = run.mainWindow();
    ASSERT_NE(main, nullptr);
    RECT desktop = windowRect(GetDesktopWindow());
    EXPECT_TRUE(sameRect(windowRect(main), desktop));
    LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_EQ(GetWindowLongA(main, GWL_EXSTYLE) & ~WS_EX_LEFT, 0);

    // The third [load_inf] INF asks for a file the kit lacks: start-up
    // waits there with the bar at 1 x 50 / 3, set after the second.
    HWND prompt = run.messageBox(kCaption);
    ASSERT_NE(prompt, nullptr) << "the missing-file prompt of PROMPT.INF";
    BoxView box = viewBox(prompt);
    EXPECT_NE(box.text.find("NOTHERE.TXT"), std::string::npos) << box.text;
    HWND preparing = run.preparing();
    ASSERT_NE(preparing, nullptr);
    EXPECT_EQ(windowText(preparing), kCaption);
    HWND bar = FindWindowExA(preparing, nullptr, PROGRESS_CLASSA, nullptr);
    EXPECT_TRUE(sameRect(windowRect(bar), windowRect(GetDlgItem(preparing, 1034)))) << "the bar covers control 1034";
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 16);
    RECT dialog = windowRect(preparing);
    EXPECT_EQ(dialog.left, (desktop.right - (dialog.right - dialog.left)) / 2) << "centred";
    EXPECT_EQ(dialog.top, (desktop.bottom - (dialog.bottom - dialog.top)) / 2);

    // OK leads to the locate-source dialog, whose Browse button opens the
    // platform's file-open dialog: the common dialogs load on first use.
    pressButton(prompt, IDOK);
    HWND locate = run.dialog("インストール元の指定");
    ASSERT_NE(locate, nullptr);
    PostMessageA(locate, WM_COMMAND, MAKEWPARAM(1014, BN_CLICKED), (LPARAM)GetDlgItem(locate, 1014));
    HWND open = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (HWND window : windowsOf(run.id()))
            if (IsWindowVisible(window) && windowText(window).rfind("インストール元にあるINFファイル", 0) == 0)
                open = window;
        return open != nullptr;
    })) << "the file-open dialog";
    std::string chosen = folder + "\\PLAIN.INF";
    SendMessageA(GetDlgItem(open, 1152), WM_SETTEXT, 0, (LPARAM)chosen.c_str());
    pressButton(open, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(open); }));
    EXPECT_EQ(itemText(locate, 1018), folder) << "the folder of the chosen file";
    pressButton(locate, IDCANCEL);

    HWND sheet = run.wizard(kCaption);
    ASSERT_NE(sheet, nullptr) << "the wizard opens";
    EXPECT_EQ(windowText(main), kCaption);
    EXPECT_FALSE(IsWindow(preparing)) << "the preparing dialog is gone once the tree is built";

    // The start-up sections' effects.
    EXPECT_EQ(readFile(installed + "\\README.TXT"), "read me\r\n") << "[BaseWinOptions] CopyFiles";
    EXPECT_EQ(regValue(setupKey("SHELLKIT") + "\\OptionalComponents\\Comp01", "INF"), "COMP.INF")
        << "[BaseWinOptions] AddReg";
    EXPECT_EQ(regValue(setupKey("SHELLKIT"), "ExtraRan"), "EXTRA.INF") << "a [load_inf] INF's own section";
    EXPECT_EQ(regValue(setupKey("SHELLKIT"), "SourcePath"), folder);

    // 128 bands of blue, 768 / 128 = 6 pixels each, and the shadowed title.
    int band = (desktop.bottom - desktop.top) / 128;
    for (int i : {0, 1, 64, 100, 127})
        EXPECT_EQ(pixelBecomes(5, i * band + band / 2, RGB(0, 0, 128 - i)), RGB(0, 0, 128 - i)) << "band " << i;
    TitlePixels wide = titlePixels(desktop.right);
    EXPECT_GT(wide.white, 200) << "the title in white";
    EXPECT_GT(wide.black, 50) << "its black shadow";
    EXPECT_NEAR(wide.leftmostWhite, 30, 6) << "the white title at x 30";

    // The about box, closed by OK and by Cancel.
    for (int button : {IDOK, IDCANCEL}) {
        PostMessageA(main, WM_COMMAND, 301, 0);
        HWND about = run.dialog("バージョン情報");
        ASSERT_NE(about, nullptr);
        pressButton(about, button);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); })) << button;
    }

    // A second start restores the first one's minimised window and ends.
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return IsIconic(main) != FALSE; }));
    {
        OsprinRun second(folder);
        EXPECT_EQ(second.exitCode(), 0);
    }
    EXPECT_TRUE(waitUntil([&] { return !IsIconic(main); })) << "restored by the second instance";

    // A narrow desktop: the window follows, the wizard is centred again and
    // the title shrinks to fit the client width minus 30.
    const int narrowWidth = 600, narrowHeight = 700;
    SendMessageA(main, WM_DISPLAYCHANGE, 24, MAKELPARAM(narrowWidth, narrowHeight));
    RECT narrow = {0, 0, narrowWidth, narrowHeight};
    EXPECT_TRUE(sameRect(windowRect(main), narrow));
    RECT sheetRect = windowRect(sheet);
    EXPECT_EQ(sheetRect.left, (narrowWidth - (sheetRect.right - sheetRect.left)) / 2);
    EXPECT_EQ(sheetRect.top, (narrowHeight - (sheetRect.bottom - sheetRect.top)) / 2);
    UpdateWindow(main);
    band = narrowHeight / 128;   // 5: the bands end at 640, black below
    EXPECT_EQ(pixelBecomes(5, 127 * band + 2, RGB(0, 0, 1)), RGB(0, 0, 1));
    EXPECT_EQ(pixelBecomes(5, 128 * band + 10, RGB(0, 0, 0)), RGB(0, 0, 0));
    EXPECT_EQ(pixelBecomes(5, narrowHeight - 1, RGB(0, 0, 0)), RGB(0, 0, 0));
    TitlePixels small = titlePixels(narrowWidth);
    EXPECT_GT(small.white, 100);
    EXPECT_LE(small.rightmostWhite - small.leftmostWhite + 1, narrowWidth - 30) << "the title fits";
    EXPECT_LT(small.rightmostWhite, narrowWidth - 1) << "not cut at the window's edge";
    EXPECT_LT(small.lowestWhite, wide.lowestWhite) << "a smaller font";

    cancelWizard(sheet);
    expectEndedCleanly(run);
    removeTree(installed);
}

struct ChoiceCase {
    const char *what;
    const char *commandLine;
    int pick;                // index of the caption to choose; -1: Cancel; -2: no choice comes
    const char *caption;     // the wizard's title, or null when the program ends
    const char *setupClass;
};

class ProductChoice : public OsprinStartup, public testing::WithParamInterface<ChoiceCase> {};

// Four setup INFs beside the program (one without caption, one of a floppy
// kit), one INF of another kind, and FOO1.INF, which only its own pattern
// finds.
TEST_P(ProductChoice, OffersTheCaptionsSortedAndOpensTheChosenFile)
{
    const ChoiceCase &c = GetParam();
    ScopedRegistryTree keep[] = {{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\ZULUKIT"},
                                 {HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\ALPHAKIT"},
                                 {HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\FOOKIT"}};
    std::string folder = kitFolder("choice");
    ASSERT_TRUE(placeKit("choice", folder));
    OsprinRun run(folder, c.commandLine);
    ASSERT_TRUE(run.started());

    if (c.pick != -2) {
        HWND choice = run.dialog("プロダクトの選択");
        ASSERT_NE(choice, nullptr);
        HWND list = GetDlgItem(choice, 1006);
        EXPECT_EQ(listItems(list, false), (std::vector<std::string>{"Alpha kit", "Floppy kit", "Zulu kit"}));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(choice, IDOK))) << "OK waits for a selection";
        if (c.pick >= 0) {
            SendMessageA(list, LB_SETCURSEL, (WPARAM)c.pick, 0);
            PostMessageA(choice, WM_COMMAND, MAKEWPARAM(1006, LBN_SELCHANGE), (LPARAM)list);
            EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(GetDlgItem(choice, IDOK)) != FALSE; }));
            pressButton(choice, IDOK);
        } else {
            pressButton(choice, IDCANCEL);
        }
    }
    if (c.caption != nullptr) {
        HWND sheet = run.wizard(c.caption);
        ASSERT_NE(sheet, nullptr) << c.caption;
        EXPECT_EQ(windowText(run.mainWindow()), c.caption);
        EXPECT_EQ(regValue(setupKey(c.setupClass), "SourcePath"), folder);
        cancelWizard(sheet);
    } else {
        EXPECT_EQ(regValue(setupKey("ZULUKIT"), "SourcePath"), "<no key>") << "nothing was started";
    }
    expectEndedCleanly(run);
}

INSTANTIATE_TEST_SUITE_P(
    Kits, ProductChoice,
    // A floppy kit's setup INF beside them does not make the others floppy
    // kits: only the chosen INF says what kind of kit it is.
    testing::Values(ChoiceCase{"the file of the last caption", "", 2, "Zulu kit", "ZULUKIT"},
                    ChoiceCase{"the first caption, after a file without caption", "", 0, "Alpha kit", "ALPHAKIT"},
                    ChoiceCase{"Cancel ends the program", "", -1, nullptr, nullptr},
                    ChoiceCase{"the command line's pattern", "FOO*.INF", -2, "Foo kit", "FOOKIT"}),
    [](const testing::TestParamInfo<ChoiceCase> &info) { return std::to_string(info.index); });

struct FailureCase {
    const char *fixture;
    const char *text;
};

class StartupFailure : public OsprinStartup, public testing::WithParamInterface<FailureCase> {};

// Each start-up failure: its text under "ｴﾗｰ" with the stop icon, then the
// program ends with 0 and nothing of it is left.
TEST_P(StartupFailure, ShowsItsMessageAndEnds)
{
    const FailureCase &c = GetParam();
    ScopedRegistryTree keep{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\SHELLNOCAT"};
    std::string folder = kitFolder(c.fixture);
    if (std::string(c.fixture) == "toolarge") {
        // A setup INF the reader refuses: beyond the 64 KB of an image.
        ASSERT_TRUE(placeKit("nokit", folder));
        ASSERT_TRUE(writeFile(folder + "\\OSPRIN.INF",
                              "[version]\r\nsignature=\"$UPGKIT$\"\r\n" + std::string(70000, ';') + "\r\n"));
    } else {
        ASSERT_TRUE(placeKit(c.fixture, folder));
    }
    OsprinRun run(folder);
    ASSERT_TRUE(run.started());
    HWND window = run.messageBox("ｴﾗｰ");
    ASSERT_NE(window, nullptr);
    BoxView box = viewBox(window);
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.icon, IDI_HAND);
    EXPECT_TRUE(box.ok);
    EXPECT_EQ(run.wizard(kCaption, 0), nullptr);
    pressButton(window, IDOK);
    expectEndedCleanly(run);
}

INSTANTIATE_TEST_SUITE_P(
    Kits, StartupFailure,
    testing::Values(
        FailureCase{"nokit", "セットアップが使用するINFファイルが見つかりませんでした。\rセットアップを終了します。\r"
                             "インストール媒体から再セットアップを行ってください。"},
        FailureCase{"toolarge", "INFファイルのオープンに失敗しました。\rセットアップを終了します。\r"
                                "他のアプリケーションを終了し、インストール媒体から再セットアップを行ってください。"},
        FailureCase{"noloadinf", "INFファイルが見つかりませんでした。\rセットアップを終了します。\r"
                                 "インストール媒体から再セットアップを行ってください。"},
        FailureCase{"nolayout", "指定されたINFファイルが見つかりませんでした。\rセットアップを終了します。\r"
                                "インストール媒体から再セットアップを行ってください。"},
        FailureCase{"nocatalogue", "リストの作成処理に失敗しました。"}),
    [](const testing::TestParamInfo<FailureCase> &info) { return std::string(info.param.fixture); });

// A program started from the Windows directory with no setup INF beside it
// takes the one in the Windows INF directory: it stores no SourcePath and
// runs none of its start-up sections.
TEST_F(OsprinStartup, WindowsInfDirectoryKitRunsNoStartupSections)
{
    ScopedRegistryTree keep{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\SHWINKIT"};
    std::string windows = windowsDirectory();
    std::string inf = windows + "\\INF";
    const char *files[] = {"SHWIN.INF", "SHWCOMP.INF"};
    for (const char *file : files)
        ASSERT_TRUE(CopyFileA(fixturePath((std::string("shell\\wininf\\") + file).c_str()).c_str(),
                              (inf + "\\" + file).c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(OSPRIN_EXE, (windows + "\\OSPRSHW.EXE").c_str(), FALSE));
    writeCatalogue("SHWINKIT", "SHWCOMP.INF");
    {
        OsprinRun run(windows, "SHWIN*.INF", "OSPRSHW.EXE");
        HWND sheet = run.wizard("インストール済みキット");
        EXPECT_NE(sheet, nullptr);
        EXPECT_EQ(regValue(setupKey("SHWINKIT"), "SourcePath"), "<none>");
        EXPECT_EQ(regValue(setupKey("SHWINKIT"), "BaseRan"), "<none>") << "no [BaseWinOptions] from there";
        cancelWizard(sheet);
        expectEndedCleanly(run);
    }
    for (const char *file : files)
        DeleteFileA((inf + "\\" + file).c_str());
    DeleteFileA((windows + "\\OSPRSHW.EXE").c_str());
}

std::string tempFile(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + name;
}

// The names of a floppy kit's temporary copies, and a clean start for them
// (a read-only one left by an earlier failed run included).
const char *const kTempCopies[] = {"OSPRIN.INF", "LAYOUT.INF", "COMPTMP.INF", "EXTRA.INF"};

void clearTempCopies()
{
    for (const char *copy : kTempCopies) {
        SetFileAttributesA(tempFile(copy).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(tempFile(copy).c_str());
    }
}

// A floppy kit in drive A: (a folder of the prefix behind it, mapped by
// ctest): its INFs are copied to the temporary directory, used from there
// (the catalogue's INF exists only as a copy under its target name), and
// deleted at the end; SourcePath stays the floppy.
TEST_F(OsprinStartup, FloppyKitWorksOnTemporaryCopies)
{
    ScopedRegistryTree keep{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\SHELLFD"};
    clearTempCopies();
    std::string drive = "C:\\kit-floppies\\drive_a";
    CreateDirectoryA("C:\\kit-floppies", nullptr);
    ASSERT_TRUE(placeKit("floppy", drive));
    {
        OsprinRun run("A:", "", "Osprin.exe");
        ASSERT_TRUE(run.started());
        HWND sheet = run.wizard("フロッピー キット");
        ASSERT_NE(sheet, nullptr);
        for (const char *copy : kTempCopies)
            EXPECT_TRUE(fileExists(tempFile(copy))) << copy;
        EXPECT_EQ(readFile(tempFile("COMPTMP.INF")), readFile(drive + "\\COMP.INF"));
        EXPECT_EQ(regValue(setupKey("SHELLFD"), "ExtraRan"), "EXTRA.INF");
        EXPECT_EQ(regValue(setupKey("SHELLFD"), "SourcePath"), "A:") << "the floppy, not the copies";
        cancelWizard(sheet);
        expectEndedCleanly(run);
    }
    for (const char *copy : kTempCopies)
        EXPECT_FALSE(fileExists(tempFile(copy))) << copy << " deleted at the end";
    removeTree(drive);
}

struct CopyFailureCase {
    const char *what;
    bool sourceMissing;     // COMP.INF taken off the floppy
    const char *readOnly;   // a read-only file of this name in the temporary directory, or null
    const char *text;
    const char *target = nullptr;   // an [inf.Copy] target put after OSPRIN.INF, or null
};

class FloppyCopyFailure : public OsprinStartup, public testing::WithParamInterface<CopyFailureCase> {};

// A temporary copy that cannot be made: its message under the product
// caption with the warning icon and no owner, then the program ends and
// deletes the copies it had made.
TEST_P(FloppyCopyFailure, ShowsItsMessageAndEndsWithoutCopiesLeft)
{
    const CopyFailureCase &c = GetParam();
    ScopedRegistryTree keep{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\SHELLFD"};
    clearTempCopies();
    std::string drive = "C:\\kit-floppies\\drive_a";
    CreateDirectoryA("C:\\kit-floppies", nullptr);
    ASSERT_TRUE(placeKit("floppy", drive));
    if (c.sourceMissing) {
        ASSERT_TRUE(DeleteFileA((drive + "\\COMP.INF").c_str()));
    }
    if (c.readOnly != nullptr) {
        ASSERT_TRUE(writeFile(tempFile(c.readOnly), "held"));
        SetFileAttributesA(tempFile(c.readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    if (c.target != nullptr) {
        std::string inf = readFile(drive + "\\OSPRIN.INF");
        const std::string list = "[inf.Copy]\r\nOSPRIN.INF\r\n";
        size_t at = inf.find(list);
        ASSERT_NE(at, std::string::npos);
        inf.insert(at + list.size(), std::string(c.target) + ",LAYOUT.INF\r\n");
        ASSERT_TRUE(writeFile(drive + "\\OSPRIN.INF", inf));
        DeleteFileA(tempFile("..\\KITESCAPE.INI").c_str());
    }
    {
        OsprinRun run("A:", "", "Osprin.exe");
        HWND window = run.messageBox("フロッピー キット");
        ASSERT_NE(window, nullptr);
        BoxView box = viewBox(window);
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.icon, IDI_EXCLAMATION);
        EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
        EXPECT_TRUE(fileExists(tempFile("OSPRIN.INF"))) << "the first copy was made";
        pressButton(window, IDOK);
        expectEndedCleanly(run);
    }
    EXPECT_FALSE(fileExists(tempFile("OSPRIN.INF"))) << "and deleted at the end";
    if (c.target != nullptr) {
        EXPECT_FALSE(fileExists(tempFile("..\\KITESCAPE.INI"))) << "nothing written outside the temporary directory";
        EXPECT_FALSE(fileExists(tempFile("KITESCAPE.INI")));
    }
    if (c.readOnly != nullptr) {
        EXPECT_EQ(readFile(tempFile(c.readOnly)), "held") << "not the program's copy";
        SetFileAttributesA(tempFile(c.readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(tempFile(c.readOnly).c_str());
    }
    removeTree(drive);
}

INSTANTIATE_TEST_SUITE_P(
    Kits, FloppyCopyFailure,
    testing::Values(CopyFailureCase{"source missing", true, nullptr,
                                    "INFファイルによる初期化処理に失敗しました。セットアップを終了します。"},
                    CopyFailureCase{"target write-protected", false, "LAYOUT.INF",
                                    "このファイルはWindowsが使用中または書き込み禁止であるため上書きできません。\r"
                                    "ファイル名 : LAYOUT.INF"},
                    CopyFailureCase{"target outside the temporary directory", false, nullptr,
                                    "このファイルはWindowsが使用中または書き込み禁止であるため上書きできません。\r"
                                    "ファイル名 : ..\\KITESCAPE.INI",
                                    "..\\KITESCAPE.INI"}),
    [](const testing::TestParamInfo<CopyFailureCase> &info) { return std::to_string(info.index); });

struct RestartCase {
    const char *what;
    const char *windowsVersion;   // the program's Windows version setting, or null
    int answer;                   // to the restart question
    bool restarts;
};

class RestartAfterShortcuts : public OsprinStartup, public testing::WithParamInterface<RestartCase> {};

// setup.ini is left in the Windows directory and no group converter can be
// started: the runner leaves it to the next start (RunOnce) and asks for a
// restart, which the program puts to the user, never asked before (the
// wizard's finish page did not ask). Windows restarts only on a Yes.
TEST_P(RestartAfterShortcuts, AsksAndRestartsOnlyOnYes)
{
    const RestartCase &c = GetParam();
    ScopedRegistryTree keep{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\FOOKIT"};
    const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\Osprin.exe";
    if (c.windowsVersion != nullptr) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kAppDefaults, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)c.windowsVersion, (DWORD)strlen(c.windowsVersion) + 1);
        RegCloseKey(key);
    }
    ASSERT_TRUE(writeFile(setupIni, "[progman.groups]\r\n"));
    std::string folder = kitFolder("choice");
    ASSERT_TRUE(placeKit("choice", folder));
    SessionWatch session;
    {
        OsprinRun run(folder, "FOO*.INF");
        HWND sheet = run.wizard("Foo kit");
        ASSERT_NE(sheet, nullptr);
        cancelWizard(sheet);
        HWND question = run.messageBox("Foo kit");
        ASSERT_NE(question, nullptr) << "the restart question";
        BoxView box = viewBox(question);
        EXPECT_EQ(box.text, "新しい設定を有効にするには、コンピュータを再起動する必要があります。\r再起動しますか?");
        EXPECT_EQ(box.icon, IDI_QUESTION);
        EXPECT_TRUE(box.yes && box.no && !box.ok);
        pressButton(question, c.answer);
        EXPECT_EQ(run.exitCode(), 0);
    }
    EXPECT_EQ(waitUntil([&] { return session.asked(); }, 5000), c.restarts);
    EXPECT_EQ(regValue(kRunOnce, "FOOKIT"), "grpconv -o") << "the converter waits for the next start";
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kRunOnce, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "FOOKIT");
        RegCloseKey(key);
    }
    if (c.windowsVersion != nullptr)
        deleteRegistryTree(HKEY_CURRENT_USER, kAppDefaults);
}

INSTANTIATE_TEST_SUITE_P(Answers, RestartAfterShortcuts,
                         testing::Values(RestartCase{"No: no restart", nullptr, IDNO, false},
                                         RestartCase{"Yes on the NT family", "win10", IDYES, true},
                                         RestartCase{"Yes on Windows 98", "win98", IDYES, true}),
                         [](const testing::TestParamInfo<RestartCase> &info) {
                             return std::to_string(info.index);
                         });

// A start-up section that changes win.ini needs a restart before the
// wizard is even shown. Whichever way the program then ends (the wizard
// cancelled, or start-up failing after the section with message 2007), the
// restart is put to the user first, and only a Yes restarts.
struct StartupRestartCase {
    const char *what;
    bool catalogue;   // false: the section writes no catalogue, and start-up ends with 2007
    int answer;
    bool restarts;
};

class RestartAfterStartup : public OsprinStartup, public testing::WithParamInterface<StartupRestartCase> {};

TEST_P(RestartAfterStartup, IsAskedOnEveryWayOut)
{
    const StartupRestartCase &c = GetParam();
    ScopedRegistryTree keep{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\SHELLRST"};
    const std::string winIni = windowsDirectory() + "\\win.ini";
    ScopedFileRestore keepWinIni{{winIni}};
    WritePrivateProfileStringA("OsprinRestartTest", nullptr, nullptr, "win.ini");
    std::string folder = kitFolder("restart");
    ASSERT_TRUE(placeKit("restart", folder));
    if (!c.catalogue) {
        std::string inf = readFile(folder + "\\OSPRIN.INF");
        const std::string line = "AddReg=Kit.Catalogue\r\n";
        size_t at = inf.find(line);
        ASSERT_NE(at, std::string::npos);
        inf.erase(at, line.size());
        ASSERT_TRUE(writeFile(folder + "\\OSPRIN.INF", inf));
    }
    const char caption[] = "再起動 キット";
    SessionWatch session;
    {
        OsprinRun run(folder);
        if (c.catalogue) {
            HWND sheet = run.wizard(caption);
            ASSERT_NE(sheet, nullptr);
            cancelWizard(sheet);
        } else {
            HWND error = run.messageBox("ｴﾗｰ");
            ASSERT_NE(error, nullptr);
            EXPECT_EQ(viewBox(error).text, "リストの作成処理に失敗しました。");
            pressButton(error, IDOK);
        }
        HWND question = run.messageBox(caption);
        ASSERT_NE(question, nullptr) << "the restart question";
        BoxView box = viewBox(question);
        EXPECT_EQ(box.text, "新しい設定を有効にするには、コンピュータを再起動する必要があります。\r再起動しますか?");
        EXPECT_TRUE(box.yes && box.no);
        pressButton(question, c.answer);
        EXPECT_EQ(run.exitCode(), 0);
        EXPECT_TRUE(windowsOf(run.id()).empty());
    }
    EXPECT_EQ(waitUntil([&] { return session.asked(); }, c.restarts ? 5000 : 2000), c.restarts);
    char touched[8] = "";
    GetPrivateProfileStringA("OsprinRestartTest", "Touched", "", touched, sizeof touched, "win.ini");
    EXPECT_STREQ(touched, "1") << "the start-up section ran";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, RestartAfterStartup,
    testing::Values(StartupRestartCase{"the wizard cancelled, No", true, IDNO, false},
                    StartupRestartCase{"the wizard cancelled, Yes", true, IDYES, true},
                    StartupRestartCase{"start-up fails after the section, No", false, IDNO, false}),
    [](const testing::TestParamInfo<StartupRestartCase> &info) { return std::to_string(info.index); });

}  // namespace
