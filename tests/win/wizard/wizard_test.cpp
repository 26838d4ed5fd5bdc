// The setup wizard under Wine, driven as a user drives it: the sheet runs
// on the test's thread while a second thread finds it, reads its pages,
// chooses list entries, presses its buttons and answers its message boxes
// and disk dialogs; then the test checks what was shown and what the run
// left on disk and in the registry.
#include "setup/resources/resource.h"
#include "setup/shell/shell_services.h"
#include "setup/wizard/custom_page.h"
#include "setup/wizard/wizard_text.h"
#include "win/wizard/wizard_kit.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

const char kCompleted[] = "セットアップが完了しました。";
const char kStopped[] = "セットアップが中断されました。\n\nユーザー処理により、セットアップが中断されました。\n"
                        "再度セットアップを起動し、正しい設定でセットアップを行ってください。";
const char kNoSpace[] = "セットアップを中断します。\n\n空き容量の不足により、セットアップが中断されました。\n"
                        "必要な空き容量を確保し再度セットアップを行ってください。";
const char kIncomplete[] = "セットアップを中断します。\n\nセットアップに必要なファイルが見つからないため、"
                           "セットアップが中断されました。\nインストール媒体を確認し、再度セットアップを行ってください。";
const char kModelLabel[] = "機種名[型名] ： ";

// The finish page after a run in which these components were not set up.
std::string notSetUp(const std::vector<std::string> &names)
{
    std::string text = "セットアップが終了しました。\n\n次のコンポーネントはセットアップされませんでした。\n";
    for (size_t i = 0; i < names.size() && i < 4; ++i)
        text += "・" + names[i] + "\n";
    if (names.size() > 4)
        text += "・ほか" + std::to_string(names.size() - 4) + "個\n";
    return text + "\nインストール媒体を確認し、再度セットアップを行ってください。";
}

// Two families; the third nickname shares the first one's family, the
// fourth line has no comma.
const char kMachineInf[] = "[MachineModels]\r\n"
                           "デスクトップ甲,TOSKA\r\n"
                           "ノート乙,BRENA\r\n"
                           "デスクトップ丙,TOSKA\r\n"
                           "コンマなし\r\n"
                           "[TOSKA]\r\n"
                           "ＴＯＳＫＡ１０（4410Q）,4410Q\r\n"
                           "ＴＯＳＫＡ２０（4420Q）,4420Q\r\n"
                           "[BRENA]\r\n"
                           "ＢＲＥＮＡ５（5510B）,5510B\r\n";

std::string loaded(UINT id)
{
    char text[512];
    loadString(id, text, sizeof text);
    return text;
}

std::string sizeText(uint64_t bytes)
{
    char text[40];
    formatSize(bytes, text);
    return text;
}

int barPosition()
{
    return setupState.preparingProgress == nullptr
               ? -1
               : (int)SendMessageA(setupState.preparingProgress, PBM_GETPOS, 0, 0);
}

bool radioChecked(HWND sheet, int id)
{
    return SendDlgItemMessageA(currentPage(sheet), id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Clicks a radio button of the current page and waits until it is checked.
bool clickRadio(HWND sheet, int id)
{
    HWND radio = GetDlgItem(currentPage(sheet), id);
    PostMessageA(radio, BM_CLICK, 0, 0);
    return waitUntil([&] { return SendMessageA(radio, BM_GETCHECK, 0, 0) == BST_CHECKED; });
}

// Goes to page next with Next and waits for it and for the buttons it sets.
// Every page keeps the product's name in the title bar.
bool next(HWND sheet, int page, const char *buttonsThere = "BN")
{
    pressSheet(sheet, PSBTN_NEXT);
    bool there = waitForPage(sheet, page) && waitForButtons(sheet, buttonsThere);
    EXPECT_EQ(windowText(sheet), kWizardCaption) << "on page " << page;
    return there;
}
bool back(HWND sheet, int page)
{
    pressSheet(sheet, PSBTN_BACK);
    return waitForPage(sheet, page) && waitForButtons(sheet, "BN");
}

// Every way out of the finish page but Finish, as a user tries them: Esc,
// Alt+F4 and the close box. Cancel is greyed out there; the sheet stays on
// the finish page and asks nothing.
void expectOnlyFinishLeaves(HWND sheet, DWORD thread)
{
    struct Way {
        const char *what;
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } ways[] = {
        {"Esc", currentPage(sheet), WM_KEYDOWN, VK_ESCAPE, 0x00010001},
        {"Alt+F4", sheet, WM_SYSKEYDOWN, VK_F4, 0x203E0001},
        {"the close box", sheet, WM_SYSCOMMAND, SC_CLOSE, 0},
    };
    for (const Way &way : ways) {
        PostMessageA(way.window, way.message, way.wParam, way.lParam);
        EXPECT_FALSE(waitUntil([&] { return !IsWindow(sheet) || !noWizardBox(thread, sheet); }, 500))
            << way.what << " closed the sheet or asked something";
        ASSERT_TRUE(IsWindow(sheet)) << way.what;
        EXPECT_EQ(currentPageId(sheet), IDD_PAGE_FINISH) << way.what;
        Box stray = answerWizardBox(thread, sheet, IDNO, 0);
        EXPECT_FALSE(stray.came) << way.what << ": " << stray.text;
    }
}

// From the welcome page to the confirmation or the standard page with the
// first nickname and the first model.
bool toConfirmPage(HWND sheet)
{
    return waitForPage(sheet, IDD_PAGE_WELCOME) && waitForButtons(sheet, "N") && next(sheet, IDD_PAGE_NICKNAME) &&
           next(sheet, IDD_PAGE_MODEL) && next(sheet, IDD_PAGE_CONFIRM);
}
bool toStandardPage(HWND sheet)
{
    return toConfirmPage(sheet) && next(sheet, IDD_PAGE_STANDARD);
}

class Wizard : public testing::Test {
protected:
    void SetUp() override
    {
        // The boot drive's CONFIG.SYS counts the runs of every component.
        ASSERT_TRUE(writeFile(kit.configSys, "FILES=30\r\n"));
        kit.machineInf = kMachineInf;
    }
    void TearDown() override
    {
        kit.clean();
        setupState.preparingProgress = nullptr;
    }

    // The usual kit: two detected components of model 4410Q (tree order
    // C1, C2), one of another model, one standard member not present.
    void usualKit()
    {
        kit.components = {
            kitComponent("C1", "4410Q", "Charlie 電話", 2, true, 3),
            kitComponent("C2", "4410Q", "Alpha ファクス", 2, true, 2),
            kitComponent("C3", "4420Q", "Delta 他機種", 0, true, 2),
            kitComponent("C4", "4410Q", "Bravo ヘルプ", 2, false, 2),
        };
        kit.components[3].fileSize = 1500000;
    }
    void startKit(bool floppy = false)
    {
        ASSERT_EQ(kit.write(), "");
        ASSERT_EQ(kit.start(floppy), "");
    }
    const KitComponent &component(const char *name)
    {
        for (const KitComponent &c : kit.components)
            if (c.name == name)
                return c;
        static KitComponent none;
        return none;
    }

    WizardKit kit;
    ScopedFileRestore keepFiles{{"C:\\CONFIG.SYS", windowsDirectory() + "\\system.ini",
                                 windowsDirectory() + "\\setup.ini"}};
    ScopedRegistryTree keepMarks{HKEY_CURRENT_USER, kResultKey};
    Watchdog watchdog{120000, testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(Wizard, ThePagesLeadFromTheWelcomeToTheChosenSetup)
{
    usualKit();
    startKit();
    INT_PTR result = runDrivenWizard([&](HWND sheet, DWORD) {
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_WELCOME));
        EXPECT_TRUE(waitForButtons(sheet, "N"));
        EXPECT_EQ(windowText(sheet), kWizardCaption);
        EXPECT_EQ(pageText(sheet, 1013), kWizardCaption);
        EXPECT_EQ(pageText(sheet, 1017), loaded(IDS_WELCOME));
        EXPECT_EQ(setupState.wizardWindow, sheet);
        // The title: bold Shift-JIS, filling the title's width and no higher
        // than the title.
        HWND title = GetDlgItem(currentPage(sheet), 1013);
        LOGFONTA font = {};
        ASSERT_TRUE(GetObjectA((HFONT)SendMessageA(title, WM_GETFONT, 0, 0), sizeof font, &font));
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
        EXPECT_STREQ(font.lfFaceName, "ＭＳ Ｐゴシック");
        RECT place;
        GetClientRect(title, &place);
        EXPECT_LE(-font.lfHeight, place.bottom);
        EXPECT_GT(-font.lfHeight, 12) << "a short caption gets a larger font than 12 points";

        ASSERT_TRUE(next(sheet, IDD_PAGE_NICKNAME));
        HWND nicknames = GetDlgItem(currentPage(sheet), 1031);
        EXPECT_EQ(listItems(nicknames, true),
                  (std::vector<std::string>{"デスクトップ甲", "ノート乙", "デスクトップ丙", "コンマなし"}));
        EXPECT_EQ(SendMessageA(nicknames, CB_GETCURSEL, 0, 0), 0);
        EXPECT_TRUE(radioChecked(sheet, 1004));
        EXPECT_FALSE(radioChecked(sheet, 1005));

        ASSERT_TRUE(next(sheet, IDD_PAGE_MODEL));
        HWND models = GetDlgItem(currentPage(sheet), 1031);
        EXPECT_EQ(listItems(models, true), (std::vector<std::string>{"ＴＯＳＫＡ１０（4410Q）", "ＴＯＳＫＡ２０（4420Q）"}));
        chooseEntry(sheet, 1031, 1);

        // Another nickname of the same family keeps the list and its choice.
        ASSERT_TRUE(back(sheet, IDD_PAGE_NICKNAME));
        chooseEntry(sheet, 1031, 2);
        ASSERT_TRUE(next(sheet, IDD_PAGE_MODEL));
        EXPECT_EQ(SendMessageA(models, CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(listItems(models, true).size(), 2u);

        // Another family reloads the list; the custom setup chosen on the
        // nickname page stays chosen.
        ASSERT_TRUE(back(sheet, IDD_PAGE_NICKNAME));
        chooseEntry(sheet, 1031, 1);
        ASSERT_TRUE(clickRadio(sheet, 1005));
        EXPECT_FALSE(radioChecked(sheet, 1004));
        ASSERT_TRUE(next(sheet, IDD_PAGE_MODEL));
        EXPECT_EQ(listItems(models, true), std::vector<std::string>{"ＢＲＥＮＡ５（5510B）"});
        EXPECT_EQ(SendMessageA(models, CB_GETCURSEL, 0, 0), 0);
        EXPECT_FALSE(wizardState.standardChosen);

        // A nickname line without a comma changes no family.
        ASSERT_TRUE(back(sheet, IDD_PAGE_NICKNAME));
        chooseEntry(sheet, 1031, 3);
        ASSERT_TRUE(next(sheet, IDD_PAGE_MODEL));
        EXPECT_EQ(listItems(models, true), std::vector<std::string>{"ＢＲＥＮＡ５（5510B）"});

        // Custom setup: the confirmation leads to the custom page.
        ASSERT_TRUE(next(sheet, IDD_PAGE_CONFIRM));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1033) == std::string(kModelLabel) + "ＢＲＥＮＡ５（5510B）"; }))
            << pageText(sheet, 1033);
        EXPECT_STREQ(wizardState.modelKey, "5510B");
        pressSheet(sheet, PSBTN_NEXT);
        EXPECT_TRUE(waitForPage(sheet, IDD_PAGE_CUSTOM));
        ASSERT_TRUE(back(sheet, IDD_PAGE_CONFIRM)) << "Back passes over the standard page";

        // Standard setup again, the second model of the first family.
        ASSERT_TRUE(back(sheet, IDD_PAGE_MODEL));
        ASSERT_TRUE(back(sheet, IDD_PAGE_NICKNAME));
        chooseEntry(sheet, 1031, 0);
        ASSERT_TRUE(clickRadio(sheet, 1004));
        ASSERT_TRUE(next(sheet, IDD_PAGE_MODEL));
        chooseEntry(sheet, 1031, 1);
        ASSERT_TRUE(next(sheet, IDD_PAGE_CONFIRM));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1033) == std::string(kModelLabel) + "ＴＯＳＫＡ２０（4420Q）"; }))
            << pageText(sheet, 1033);
        EXPECT_STREQ(wizardState.familyKey, "TOSKA");
        EXPECT_STREQ(wizardState.modelKey, "4420Q");

        ASSERT_TRUE(next(sheet, IDD_PAGE_STANDARD));
        EXPECT_EQ(listItems(GetDlgItem(currentPage(sheet), 1006), false),
                  (std::vector<std::string>{"Alpha ファクス", "Bravo ヘルプ", "Charlie 電話"}))
            << "the standard members in the order of their text";
        EXPECT_EQ(pageText(sheet, 1025), "2.9 MB") << "only the member not yet installed counts";
        EXPECT_EQ(pageText(sheet, 1026), sizeText(setupState.freeDiskBytes));

        pressSheet(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(result, 0) << "cancelled";
    for (const KitComponent &c : kit.components)
        EXPECT_TRUE(kit.installedNone(c)) << c.name;
}

// A page as the user sees it: laid out at its template's size (276 by 147
// dialog units) in its own font, with every control inside it, in the font
// the sheet uses too, and with the side panel drawn, also after the panel
// alone painted again (as when a window that lay over it goes away).
void expectShownWhole(HWND sheet)
{
    HWND page = currentPage(sheet);
    RECT wanted = {0, 0, 276, 147};
    MapDialogRect(page, &wanted);
    RECT client;
    GetClientRect(page, &client);
    EXPECT_GE(client.right, wanted.right) << "as wide as the template in the page's font";
    EXPECT_GE(client.bottom, wanted.bottom) << "as high as the template in the page's font";
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, page, (POINT *)&place, 2);
        EXPECT_LE(place.right, client.right) << "control " << GetDlgCtrlID(child) << " cut at the right edge";
        EXPECT_LE(place.bottom, client.bottom) << "control " << GetDlgCtrlID(child) << " cut at the bottom";
    }
    LOGFONTA sheetFont = {}, pageFont = {};
    ASSERT_TRUE(GetObjectA((HFONT)SendMessageA(sheet, WM_GETFONT, 0, 0), sizeof sheetFont, &sheetFont));
    ASSERT_TRUE(GetObjectA((HFONT)SendMessageA(page, WM_GETFONT, 0, 0), sizeof pageFont, &pageFont));
    EXPECT_STREQ(sheetFont.lfFaceName, pageFont.lfFaceName) << "the sheet and its pages share one font";
    EXPECT_EQ(sheetFont.lfHeight, pageFont.lfHeight);

    expectSidePanel(page, [&] { RedrawWindow(GetDlgItem(page, 1011), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); });
}

TEST_F(Wizard, EveryPageIsShownWholeInItsOwnFontWithItsSidePanel)
{
    usualKit();
    startKit();
    runDrivenWizard([&](HWND sheet, DWORD) {
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_WELCOME));
        ASSERT_TRUE(waitForButtons(sheet, "N"));
        const int pages[] = {IDD_PAGE_NICKNAME, IDD_PAGE_MODEL, IDD_PAGE_CONFIRM, IDD_PAGE_STANDARD};
        for (int page : pages) {
            {
                SCOPED_TRACE("page " + std::to_string(currentPageId(sheet)));
                expectShownWhole(sheet);
            }
            ASSERT_TRUE(next(sheet, page));
        }
        SCOPED_TRACE("the standard page");
        expectShownWhole(sheet);
        pressSheet(sheet, PSBTN_CANCEL);
    });
}

TEST_F(Wizard, TheTitleFillsItsWidthAndStaysWithinItsHeight)
{
    usualKit();
    startKit();
    // A one-character caption would grow far past the title's height; a
    // long one shrinks below 12 points.
    for (const char *caption : {"ア", "とても長い製品名のドライバキット　セットアップ　プログラム"}) {
        SCOPED_TRACE(caption);
        ASSERT_EQ(kit.start(), "");
        copyText(setupState.productCaption, caption);
        runDrivenWizard([&](HWND sheet, DWORD) {
            ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_WELCOME));
            ASSERT_TRUE(waitForButtons(sheet, "N"));
            HWND title = GetDlgItem(currentPage(sheet), 1013);
            HFONT font = (HFONT)SendMessageA(title, WM_GETFONT, 0, 0);
            LOGFONTA shape = {};
            ASSERT_TRUE(GetObjectA(font, sizeof shape, &shape));
            RECT place;
            GetClientRect(title, &place);
            HDC dc = GetDC(title);
            HGDIOBJ previous = SelectObject(dc, font);
            SIZE extent = {};
            GetTextExtentPoint32A(dc, caption, lstrlenA(caption), &extent);
            SelectObject(dc, previous);
            ReleaseDC(title, dc);
            EXPECT_LE(-shape.lfHeight, place.bottom);
            EXPECT_LE(extent.cx, place.right + place.right / 10) << "about the title's width";
            if (lstrlenA(caption) > 20) {
                EXPECT_LT(-shape.lfHeight, 16) << "below 12 points at 96 dpi";
            }
            pressSheet(sheet, PSBTN_CANCEL);
        });
    }
}

TEST_F(Wizard, WithoutAMachineListTheDefaultModelIsTaken)
{
    usualKit();
    kit.machineInf = "";
    startKit();
    runDrivenWizard([&](HWND sheet, DWORD) {
        ASSERT_TRUE(toStandardPage(sheet));
        pressSheet(sheet, PSBTN_BACK);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_CONFIRM));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1033) == kModelLabel; })) << pageText(sheet, 1033);
        EXPECT_STREQ(wizardState.modelKey, "4410Q");
        pressSheet(sheet, PSBTN_CANCEL);
    });
}

TEST_F(Wizard, NextFollowsTheStandardSizeAgainstTheFreeSpace)
{
    // A standard parent without files of its own and its two standard
    // children, neither installed: 1,000,000 and 2,000,000 bytes. The
    // parent's size is its children's once the tree is built; they count
    // once.
    kit.components = {kitComponent("P1", "4410Q", "Parent", 2, false, 0),
                      kitComponent("C1", "4410Q", "Child one", 2, false, 2),
                      kitComponent("C2", "4410Q", "Child two", 2, false, 2)};
    kit.components[1].fileSize = 500000;
    kit.components[2].fileSize = 1000000;
    kit.components[1].parent = kit.components[2].parent = kit.components[0].section();
    startKit();
    const uint64_t size = 3000000;
    setupState.freeDiskBytes = size;
    runDrivenWizard([&](HWND sheet, DWORD) {
        struct Case {
            uint64_t free;
            const char *buttons;
        };
        const Case cases[] = {{size, "B"}, {size + 1, "BN"}, {size - 1, "B"}, {UINT64_MAX, "BN"}};
        ASSERT_TRUE(toConfirmPage(sheet));
        for (const Case &c : cases) {
            setupState.freeDiskBytes = c.free;
            pressSheet(sheet, PSBTN_NEXT);
            ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_STANDARD));
            EXPECT_TRUE(waitForButtons(sheet, c.buttons)) << c.free << ": " << buttons(sheet);
            EXPECT_EQ(pageText(sheet, 1025), "2.9 MB");
            ASSERT_TRUE(back(sheet, IDD_PAGE_CONFIRM));
        }
        pressSheet(sheet, PSBTN_CANCEL);
    });
}

TEST_F(Wizard, WithoutStandardMembersTheListSaysSo)
{
    kit.components = {kitComponent("C1", "4410Q", "Charlie 電話", 0, true, 1)};
    startKit();
    runDrivenWizard([&](HWND sheet, DWORD) {
        ASSERT_TRUE(toStandardPage(sheet));
        EXPECT_EQ(listItems(GetDlgItem(currentPage(sheet), 1006), false),
                  std::vector<std::string>{loaded(IDS_NO_STANDARD_FILE)});
        EXPECT_EQ(pageText(sheet, 1025), "0.0 MB");
        pressSheet(sheet, PSBTN_CANCEL);
    });
}

TEST_F(Wizard, TheRunInstallsTheDetectedComponentsOfTheModel)
{
    usualKit();
    startKit();
    INT_PTR result = runDrivenWizard([&](HWND sheet, DWORD thread) {
        ASSERT_TRUE(toStandardPage(sheet));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
        EXPECT_TRUE(waitForButtons(sheet, "F"));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, IDCANCEL)));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == kCompleted; })) << pageText(sheet, 1035);
        EXPECT_EQ(barPosition(), 100);
        pressSheet(sheet, PSBTN_FINISH);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }));
        EXPECT_TRUE(noWizardBox(thread, sheet)) << "no restart to ask about";
    });
    EXPECT_GT(result, 0);
    EXPECT_EQ(wizardState.setupResult, 0);
    EXPECT_EQ(wizardState.restartAnswer, 0);
    // The standard page's choice is replaced by what is present on the
    // machine for the chosen model.
    for (const char *name : {"C1", "C2"}) {
        EXPECT_TRUE(kit.installedAll(component(name))) << name;
        EXPECT_EQ(kit.registryMark(component(name)), component(name).section());
        EXPECT_EQ(kit.configSysRuns(component(name)), 1) << name;
    }
    EXPECT_TRUE(kit.installedNone(component("C3"))) << "another model";
    EXPECT_TRUE(kit.installedNone(component("C4"))) << "not on the machine";
    EXPECT_EQ(kit.configSysRuns(component("C4")), 0);
}

TEST_F(Wizard, CancelAsksAndNoGoesOnWhileYesStops)
{
    // Components of many files, so that Cancel lands in the middle of one.
    kit.components = {kitComponent("C1", "4410Q", "One", 2, true, 150), kitComponent("C2", "4410Q", "Two", 2, true, 150),
                      kitComponent("C3", "4410Q", "Three", 2, true, 150)};
    startKit();
    const std::string setupIni = windowsDirectory() + "\\setup.ini";
    ASSERT_TRUE(writeFile(setupIni, "[progman.groups]\r\ngroup1=Kit\r\n"));
    const KitComponent &c1 = kit.components[0], &c2 = kit.components[1], &c3 = kit.components[2];
    setupState.restartNeeded = true;   // from start-up: a stopped setup leaves no restart pending
    runDrivenWizard([&](HWND sheet, DWORD thread) {
        ASSERT_TRUE(toStandardPage(sheet));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_PROGRESS));
        EXPECT_TRUE(waitForButtons(sheet, "")) << "no Back, no Next during the run";
        HWND progressPage = currentPage(sheet);

        ASSERT_TRUE(waitUntil([&] { return fileExists(kit.destination(c1) + "\\" + c1.fileName(1)); }, 30000));
        pressSheet(sheet, PSBTN_CANCEL);
        Box no = answerWizardBox(thread, sheet, IDNO, 30000);
        EXPECT_EQ(no.text, "中断しますか?");
        EXPECT_TRUE(no.yesNo);
        EXPECT_EQ(GetParent(progressPage), no.owner) << "the page's box, owned by the sheet it is in";
        EXPECT_TRUE(IsWindow(sheet)) << "Cancel did not close the sheet";

        ASSERT_TRUE(waitUntil([&] { return fileExists(kit.destination(c2) + "\\" + c2.fileName(1)); }, 30000));
        pressSheet(sheet, PSBTN_CANCEL);
        Box yes = answerWizardBox(thread, sheet, IDYES, 30000);
        EXPECT_EQ(yes.text, "中断しますか?");

        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == kStopped; })) << pageText(sheet, 1035);
        EXPECT_LT(barPosition(), 100) << "a stopped run does not fill the bar";
        expectOnlyFinishLeaves(sheet, thread);
        pressSheet(sheet, PSBTN_FINISH);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }));
        EXPECT_TRUE(noWizardBox(thread, sheet));
    });
    EXPECT_TRUE(kit.installedAll(c1)) << "No: the run went on";
    EXPECT_TRUE(kit.installedAll(c2)) << "the component under way when Yes was given is finished";
    EXPECT_TRUE(kit.installedNone(c3)) << "Yes: nothing after it";
    EXPECT_FALSE(fileExists(setupIni)) << "the groups of a stopped setup are not turned into shortcuts";
    EXPECT_EQ(wizardState.setupResult, 1);
    EXPECT_FALSE(setupState.restartNeeded);
}

TEST_F(Wizard, LackOfSpaceInstallsNothing)
{
    usualKit();
    startKit();
    // The free space is real; a component larger than any disk lacks it.
    const uint64_t huge = (uint64_t)1 << 50;
    for (int i = 0; i < componentTree.count; ++i)
        if (componentTree.records[i].Section == component("C1").section())
            componentTree.records[i].Size = huge;
    const uint64_t needed = huge + component("C2").content(1).size() + component("C2").content(2).size() + 2000000;
    runDrivenWizard([&](HWND sheet, DWORD thread) {
        ASSERT_TRUE(toStandardPage(sheet));
        pressSheet(sheet, PSBTN_NEXT);
        Box box = answerWizardBox(thread, sheet, IDOK, 30000);
        EXPECT_EQ(box.text, "空き容量が足りません。\n" + std::to_string(needed / 1024) +
                                "キロバイトの空き容量が必要です。\nセットアップを中断します。\n");
        EXPECT_EQ(box.owner, sheet);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == kNoSpace; })) << pageText(sheet, 1035);
        pressSheet(sheet, PSBTN_FINISH);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }));
    });
    EXPECT_EQ(wizardState.setupResult, 2);
    for (const KitComponent &c : kit.components)
        EXPECT_TRUE(kit.installedNone(c)) << c.name;
}

TEST_F(Wizard, AChangedSystemIniAsksForTheRestart)
{
    for (int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        ScopedFileRestore keepSystemIni({windowsDirectory() + "\\system.ini"});
        WritePrivateProfileStringA("WizardTest", nullptr, nullptr, "system.ini");
        usualKit();
        kit.components[1].extraInis = "system.ini,WizardTest,,\"Touched=1\"\r\n";
        startKit();
        runDrivenWizard([&](HWND sheet, DWORD thread) {
            ASSERT_TRUE(toStandardPage(sheet));
            pressSheet(sheet, PSBTN_NEXT);
            ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
            EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == kCompleted; }));
            expectOnlyFinishLeaves(sheet, thread);
            pressSheet(sheet, PSBTN_FINISH);
            Box box = answerWizardBox(thread, sheet, answer);
            EXPECT_EQ(box.text, loaded(IDS_RESTART_QUESTION));
            EXPECT_TRUE(box.yesNo);
            EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }));
        });
        EXPECT_EQ(wizardState.restartAnswer, answer);
        EXPECT_EQ(setupState.restartNeeded, answer == IDYES);
    }
}

TEST_F(Wizard, TheGroupsOfSetupIniBecomeShortcutsAfterTheComponents)
{
    // No group converter in the prefix: the update is left to the next
    // start of Windows, which needs the restart.
    const std::string setupIni = windowsDirectory() + "\\setup.ini";
    ASSERT_FALSE(fileExists(windowsDirectory() + "\\grpconv.exe"));
    ASSERT_TRUE(writeFile(setupIni, "[progman.groups]\r\ngroup1=Kit\r\n"));
    const char runOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    usualKit();
    startKit();
    runDrivenWizard([&](HWND sheet, DWORD thread) {
        ASSERT_TRUE(toStandardPage(sheet));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
        EXPECT_TRUE(IsWindowEnabled(sheet)) << "the sheet is enabled again after the update";
        HWND progressPage = pageWindow(sheet, IDD_PAGE_PROGRESS);
        ASSERT_NE(progressPage, nullptr);
        EXPECT_EQ(itemText(progressPage, 1028), "") << "the progress page's note is gone";
        pressSheet(sheet, PSBTN_FINISH);
        Box box = answerWizardBox(thread, sheet, IDNO);
        EXPECT_EQ(box.text, loaded(IDS_RESTART_QUESTION));
    });
    EXPECT_TRUE(kit.installedAll(component("C1")));
    char command[64] = "";
    DWORD size = sizeof command;
    HKEY key;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, runOnce, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, kit.setupClass.c_str(), nullptr, nullptr, (BYTE *)command, &size), ERROR_SUCCESS);
    RegDeleteValueA(key, kit.setupClass.c_str());
    RegCloseKey(key);
    EXPECT_STREQ(command, "grpconv -o");
}

// A component that the engine could not set up is not reported as
// completed: a file of it given up at its box (standard setup), or its INF
// gone by the time it runs (custom setup, which detects nothing first). The
// others are set up; the restart question comes as before.
TEST_F(Wizard, ComponentsThatWereNotSetUpAreNamedOnTheFinishPage)
{
    for (bool infGone : {false, true}) {
        SCOPED_TRACE(infGone ? "the component INF cannot be loaded" : "a file is given up");
        ScopedFileRestore keepSystemIni({windowsDirectory() + "\\system.ini"});
        usualKit();
        kit.components[1].missingLast = !infGone;
        kit.components[0].extraInis = "system.ini,WizardTest,,\"Touched=1\"\r\n";
        startKit();
        if (infGone) {
            ASSERT_TRUE(DeleteFileA((kit.dir + "\\WIZKIT.INF").c_str()));
        }
        runDrivenWizard([&](HWND sheet, DWORD thread) {
            ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_WELCOME));
            ASSERT_TRUE(next(sheet, IDD_PAGE_NICKNAME));
            if (infGone) {
                ASSERT_TRUE(clickRadio(sheet, 1005));
            }
            ASSERT_TRUE(next(sheet, IDD_PAGE_MODEL));
            ASSERT_TRUE(next(sheet, IDD_PAGE_CONFIRM));
            pressSheet(sheet, PSBTN_NEXT);
            ASSERT_TRUE(waitForPage(sheet, infGone ? IDD_PAGE_CUSTOM : IDD_PAGE_STANDARD));
            pressSheet(sheet, PSBTN_NEXT);
            if (!infGone) {
                Box missing = answerWizardBox(thread, sheet, IDCANCEL, 30000);
                EXPECT_NE(missing.text.find(component("C2").missingName()), std::string::npos) << missing.text;
            }
            ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
            // Custom setup starts with what is present ticked: C1, C2 and C3.
            const std::string text = infGone ? notSetUp({"Charlie 電話", "Alpha ファクス", "Delta 他機種"})
                                             : notSetUp({"Alpha ファクス"});
            EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == text; })) << pageText(sheet, 1035);
            pressSheet(sheet, PSBTN_FINISH);
            if (!infGone) {
                Box question = answerWizardBox(thread, sheet, IDNO);
                EXPECT_EQ(question.text, loaded(IDS_RESTART_QUESTION)) << "C1 changed system.ini";
            }
            EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }));
        });
        EXPECT_EQ(wizardState.setupResult, 0);
        EXPECT_EQ(wizardState.failedComponents, infGone ? 3 : 1);
        if (!infGone) {
            EXPECT_TRUE(kit.installedAll(component("C1")));
            EXPECT_TRUE(kit.installedAll(component("C2"))) << "its files before the one given up";
            EXPECT_EQ(kit.registryMark(component("C2")), "") << "nothing after the given-up file";
        }
    }
}

// Custom setup installs exactly what was ticked when the custom page was
// left: a detected component cleared there is not installed, one ticked
// that is not on the machine is, and so is a ticked one of another model.
TEST_F(Wizard, CustomSetupInstallsWhatWasTicked)
{
    usualKit();
    startKit();
    runDrivenWizard([&](HWND sheet, DWORD) {
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_WELCOME));
        ASSERT_TRUE(next(sheet, IDD_PAGE_NICKNAME));
        ASSERT_TRUE(clickRadio(sheet, 1005));
        ASSERT_TRUE(next(sheet, IDD_PAGE_MODEL));
        ASSERT_TRUE(next(sheet, IDD_PAGE_CONFIRM));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_CUSTOM));
        HWND list = GetDlgItem(currentPage(sheet), IDC_CHECK_LIST);
        ASSERT_TRUE(toggleCheckListEntry(list, "Charlie 電話"));   // detected: cleared
        ASSERT_TRUE(toggleCheckListEntry(list, "Bravo ヘルプ"));   // not on the machine: ticked
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == kCompleted; })) << pageText(sheet, 1035);
        pressSheet(sheet, PSBTN_FINISH);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }));
    });
    EXPECT_FALSE(wizardState.standardChosen);
    EXPECT_TRUE(kit.installedNone(component("C1"))) << "cleared on the custom page";
    EXPECT_EQ(kit.configSysRuns(component("C1")), 0);
    EXPECT_TRUE(kit.installedAll(component("C2"))) << "left ticked";
    EXPECT_TRUE(kit.installedAll(component("C4"))) << "ticked, though not on the machine";
    EXPECT_TRUE(kit.installedAll(component("C3"))) << "ticked (present), though of another model";
}

// ---- the floppy kit: three disks swapped behind drive A:

class FloppyWizard : public Wizard, protected FloppyDrives {
protected:
    void SetUp() override
    {
        Wizard::SetUp();
        ASSERT_EQ(mapDrives(), "");
        // Nine lines per list: the first eight are not offered.
        std::string machine = "[MachineModels]\r\n";
        for (int i = 1; i <= 8; ++i)
            machine += "隠れ愛称" + std::to_string(i) + ",BRENA\r\n";
        machine += "フロッピー愛称,TOSKA\r\n[TOSKA]\r\n";
        for (int i = 1; i <= 8; ++i)
            machine += "隠れ機種" + std::to_string(i) + ",9999X\r\n";
        machine += "フロッピー機種（4410Q）,4410Q\r\n";
        kit.machineInf = machine;
        // Tree order F1..F5; F4 is not on the machine. Every component
        // ends with a file no disk holds, so each hand-over shows a box
        // that names it.
        kit.components = {kitComponent("F1", "4410Q", "Disk one", 2, true, 2),
                          kitComponent("F2", "4410Q", "Disk two", 2, true, 2),
                          kitComponent("F3", "4410Q", "Disk three", 2, true, 2),
                          kitComponent("F4", "4410Q", "Absent", 2, false, 2),
                          kitComponent("F5", "4410Q", "Disk two again", 2, true, 1)};
        const int disks[] = {1, 2, 3, 2, 2};
        for (size_t i = 0; i < kit.components.size(); ++i) {
            kit.components[i].disk = disks[i];
            kit.components[i].missingLast = true;
        }
        ASSERT_EQ(kit.write(this, 3), "");
        ASSERT_TRUE(writeFile(kit.dir + "\\UPGSIZE.INF", "[SourceDisksNames]\r\n1=\"Disk 1\",DISK1,0\r\n"
                                                         "2=\"Disk 2\",DISK2,0\r\n3=\"Disk 3\",DISK3,0\r\n"));
        ASSERT_TRUE(insert('a', "disk1"));
        ASSERT_EQ(kit.start(true), "");
    }
    void TearDown() override
    {
        Wizard::TearDown();
        unmapDrives();
    }
    // From the welcome page to the progress page through the floppy kit's
    // lists, which show their lines from the ninth on.
    void toProgressPage(HWND sheet)
    {
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_WELCOME));
        ASSERT_TRUE(next(sheet, IDD_PAGE_NICKNAME));
        EXPECT_EQ(listItems(GetDlgItem(currentPage(sheet), 1031), true), std::vector<std::string>{"フロッピー愛称"});
        ASSERT_TRUE(next(sheet, IDD_PAGE_MODEL));
        EXPECT_EQ(listItems(GetDlgItem(currentPage(sheet), 1031), true),
                  std::vector<std::string>{"フロッピー機種（4410Q）"});
        ASSERT_TRUE(next(sheet, IDD_PAGE_CONFIRM));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1033) == std::string(kModelLabel) + "フロッピー機種（4410Q）"; }))
            << "the entry shown is the one chosen: " << pageText(sheet, 1033);
        ASSERT_TRUE(next(sheet, IDD_PAGE_STANDARD));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_PROGRESS));
    }

    // What the user meets during the run, until the finish page: the
    // missing file's box of each hand-over (answered by onMissing, which
    // gets the component's name, else Cancel), the stop question (answered
    // by stopAnswer) and the disk dialog (the bar where it stands, then the
    // next disk in and OK).
    void runFloppyPasses(HWND sheet, DWORD thread, const std::function<void(const std::string &)> &onMissing,
                         int stopAnswer)
    {
        int disk = 1;
        DWORD start = GetTickCount();
        while (currentPageId(sheet) != IDD_PAGE_FINISH && GetTickCount() - start < 60000) {
            if (HWND dialog = waitForDialog(0, "ディスク交換", 0)) {
                diskBars.push_back(barPosition());
                insert('a', "disk" + std::to_string(++disk));
                pressButton(dialog, IDOK);
                waitGone(dialog);
                continue;
            }
            HWND box = findThreadWindow(thread, kWizardCaption, sheet, true, 0);
            if (box == nullptr) {
                Sleep(5);
                continue;
            }
            std::string text = itemText(box, 0xFFFF);
            if (text == "中断しますか?") {
                ++stopQuestions;
                pressButton(box, stopAnswer);
            } else {
                for (const KitComponent &c : kit.components)
                    if (text.find(c.missingName()) != std::string::npos) {
                        ++handedOver[c.name];
                        if (onMissing)
                            onMissing(c.name);
                    }
                pressButton(box, IDCANCEL);
            }
            waitGone(box);
        }
    }

    std::vector<int> diskBars;
    std::map<std::string, int> handedOver;
    int stopQuestions = 0;
};

TEST_F(FloppyWizard, EachDiskIsOnePassOverEverySelectedComponent)
{
    int count = componentTree.count;
    ASSERT_EQ(count, 5);
    runDrivenWizard([&](HWND sheet, DWORD thread) {
        toProgressPage(sheet);
        runFloppyPasses(sheet, thread, nullptr, IDNO);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH));
        // Each component's last file was given up at its box: none of them
        // is set up whole, and the finish page says so.
        const std::string text = notSetUp({"Disk one", "Disk two", "Disk three", "Disk two again"});
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == text; })) << pageText(sheet, 1035);
        EXPECT_EQ(barPosition(), 100);
        pressSheet(sheet, PSBTN_FINISH);
    });
    // Disk 2 is first asked for by F2 (index 1) in pass 2, disk 3 by F3
    // (index 2) in pass 3.
    EXPECT_EQ(diskBars, (std::vector<int>{(count + 1) * 100 / (3 * count), (2 * count + 2) * 100 / (3 * count)}));
    EXPECT_EQ(handedOver, (std::map<std::string, int>{{"F1", 3}, {"F2", 3}, {"F3", 3}, {"F5", 3}}))
        << "every selected component once in each of the three passes";
    for (const char *name : {"F1", "F2", "F3", "F5"})
        EXPECT_TRUE(kit.installedAll(component(name))) << name << ": its files from its own disk";
    EXPECT_TRUE(kit.installedNone(component("F4")));
    EXPECT_EQ(stopQuestions, 0);
    EXPECT_EQ(wizardState.setupResult, 0);
    EXPECT_EQ(engineState.currentDiskPass, 0);
}

TEST_F(FloppyWizard, StopAnsweredNoGoesOnAndYesEndsEveryPass)
{
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        if (answer == IDYES) {
            unmapDrives();
            ASSERT_EQ(mapDrives(), "");
            ASSERT_EQ(kit.write(this, 3), "");
            ASSERT_TRUE(writeFile(kit.dir + "\\UPGSIZE.INF", "[SourceDisksNames]\r\n1=\"Disk 1\",DISK1,0\r\n"
                                                             "2=\"Disk 2\",DISK2,0\r\n3=\"Disk 3\",DISK3,0\r\n"));
            ASSERT_TRUE(insert('a', "disk1"));
            ASSERT_EQ(kit.start(true), "");
            handedOver.clear();
            diskBars.clear();
            stopQuestions = 0;
        }
        // Groups left by an earlier component: the main window turns them
        // into shortcuts after a completed floppy run, never after a stop.
        const std::string setupIni = windowsDirectory() + "\\setup.ini";
        ASSERT_TRUE(writeFile(setupIni, "[progman.groups]\r\ngroup1=Kit\r\n"));
        runDrivenWizard([&](HWND sheet, DWORD thread) {
            toProgressPage(sheet);
            // The user presses Cancel while the first component of the
            // first pass is being installed.
            runFloppyPasses(
                sheet, thread,
                [&](const std::string &name) {
                    if (name == "F1" && handedOver["F1"] == 1)
                        pressSheet(sheet, PSBTN_CANCEL);
                },
                answer);
            ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH));
            const std::string text =
                answer == IDYES ? kStopped : notSetUp({"Disk one", "Disk two", "Disk three", "Disk two again"});
            EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == text; })) << pageText(sheet, 1035);
            pressSheet(sheet, PSBTN_FINISH);
            EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }));
        });
        EXPECT_EQ(stopQuestions, 1);
        EXPECT_EQ(fileExists(setupIni), answer == IDNO) << "removed after a stop, left for the main window otherwise";
        DeleteFileA(setupIni.c_str());
        if (answer == IDNO) {
            EXPECT_EQ(handedOver, (std::map<std::string, int>{{"F1", 3}, {"F2", 3}, {"F3", 3}, {"F5", 3}}));
            EXPECT_EQ(wizardState.setupResult, 0);
        } else {
            EXPECT_EQ(handedOver, (std::map<std::string, int>{{"F1", 1}}))
                << "nothing more in this pass or any later one";
            EXPECT_TRUE(diskBars.empty());
            EXPECT_EQ(wizardState.setupResult, 1);
        }
    }
}

// A disk list that is missing, empty or without its section: no pass can
// run. The user is told what is missing, and the run ends as one that
// installed nothing.
TEST_F(FloppyWizard, WithoutTheDiskListTheUserIsToldAndLeaves)
{
    const std::string path = kit.dir + "\\UPGSIZE.INF";
    struct Case {
        const char *what;
        const char *content;   // null: no file
        const char *told;
    } cases[] = {
        {"no UPGSIZE.INF", nullptr, "以下のファイルが見つからないため、セットアップを中断します。\nファイル名: "},
        {"an empty [SourceDisksNames]", "[SourceDisksNames]\r\n[Other]\r\nx=1\r\n",
         "以下のファイルにディスクの一覧 [SourceDisksNames] がないため、セットアップを中断します。\nファイル名: "},
        {"no [SourceDisksNames]", "[Other]\r\nx=1\r\n",
         "以下のファイルにディスクの一覧 [SourceDisksNames] がないため、セットアップを中断します。\nファイル名: "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(path.c_str());
        if (c.content != nullptr) {
            ASSERT_TRUE(writeFile(path, c.content));
        }
        ASSERT_EQ(kit.start(true), "");
        setupState.restartNeeded = true;   // from start-up: not asked about after a run that did nothing
        runDrivenWizard([&](HWND sheet, DWORD thread) {
            toProgressPage(sheet);
            Box box = answerWizardBox(thread, sheet, IDOK, 30000);
            EXPECT_EQ(box.text, c.told + path);
            ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
            EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == kIncomplete; })) << pageText(sheet, 1035);
            expectOnlyFinishLeaves(sheet, thread);
            pressSheet(sheet, PSBTN_FINISH);
            EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }));
            EXPECT_TRUE(noWizardBox(thread, sheet)) << "no restart question";
        });
        EXPECT_FALSE(setupState.restartNeeded);
        for (const KitComponent &comp : kit.components)
            EXPECT_EQ(kit.configSysRuns(comp), 0) << comp.name;
    }
}

}  // namespace
