// The custom setup page and its details dialogs under Wine: a real wizard
// sheet on the main thread, driven from a second thread by mouse presses at
// pixel positions, double-clicks, the space bar and the buttons; the test
// reads the texts and the painted check pictures and checks the tree.
#include "win/custom/custom_hands.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

const char kUnavailable[] = "選択できません";

// Top level in tree order unlike their text order; one parent partly
// selected, one entry not available, one selected.
//   Aファクス (FAX): Aドライバ selected, Bビューア not selected
//   Bネット (NET): not available
//   Cプリンタ (PRN): not selected
//   Dサウンド (SND): selected
TestTree *fourEntries()
{
    return new TestTree({
        leaf("PRN", "", "Cプリンタ", 1048576, 0, 1, "プリンタの説明"),
        leaf("NET", "", "Bネット", 300000, 0, 0, "ネットの説明"),
        leaf("FAX", "", "Aファクス", 0, 0, 1, "ファクスの説明"),
        leaf("FAXDRV", "FAX", "Aドライバ", 2097152, 1),
        leaf("FAXVIEW", "FAX", "Bビューア", 1, 0),
        leaf("SND", "", "Dサウンド", 5000, 1),
    });
}

class CustomPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        wizardState.standardChosen = false;
        setupState.freeDiskBytes = 100ull * 1024 * 1024;
    }
};

TEST_F(CustomPage, ListsTheTopLevelSortedWithTheirPicturesAndTheFreeSpace)
{
    Watchdog watchdog(30000, "the first view of the custom page");
    std::unique_ptr<TestTree> tree(fourEntries());
    setupState.freeDiskBytes = 4294967297ull;   // beyond 32 bits
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        EXPECT_EQ(listItems(list, false), (std::vector<std::string>{"Aファクス", "Bネット", "Cプリンタ", "Dサウンド"}));
        const char *sections[] = {"FAX", "NET", "PRN", "SND"};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ((ComponentRecord *)SendMessageA(list, LB_GETITEMDATA, i, 0), &(*tree)[sections[i]]) << i;
            EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, i, 0), 16) << i;
        }
        EXPECT_EQ(hands.picture(list, 0), IDB_CHECK_PARTLY);
        EXPECT_EQ(hands.picture(list, 1), IDB_CHECK_UNAVAILABLE);
        EXPECT_EQ(hands.picture(list, 2), IDB_CHECK_OFF);
        EXPECT_EQ(hands.picture(list, 3), IDB_CHECK_ON);

        // The first entry is selected and described; nothing is needed yet.
        EXPECT_EQ(hands.selection(list), 0);
        EXPECT_EQ(hands.text(hands.page, IDC_TIP), "ファクスの説明");
        EXPECT_EQ(hands.text(hands.page, IDC_ENTRY_SIZE), "2.1 MB");   // 2,097,152 + 1 bytes of its children
        EXPECT_EQ(hands.text(hands.page, IDC_UNAVAILABLE), "");
        EXPECT_TRUE(hands.enabled(hands.page, IDC_DETAILS));
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "0.0 MB");
        EXPECT_EQ(hands.text(hands.page, IDC_FREE_SIZE), "4096.1 MB");
        EXPECT_TRUE(hands.nextEnabled());
    });
}


// A press at most 16 pixels from the list's left edge lands on the picture
// and toggles; from 17 pixels on it only selects.
TEST_F(CustomPage, APressOnThePictureTogglesAndBesideItOnlySelects)
{
    Watchdog watchdog(30000, "presses on the check list");
    std::unique_ptr<TestTree> tree(fourEntries());
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        const struct {
            int x;
            bool toggles;
        } cases[] = {{0, true}, {8, true}, {16, true}, {17, false}, {60, false}};
        for (const auto &c : cases) {
            SCOPED_TRACE("x = " + std::to_string(c.x));
            hands.press(list, "Aファクス", 40);   // the selection is elsewhere first
            ASSERT_EQ(tree->state("PRN"), kStateOff);
            hands.press(list, "Cプリンタ", c.x);
            EXPECT_EQ(hands.selection(list), hands.indexOf(list, "Cプリンタ"));
            EXPECT_EQ(hands.text(hands.page, IDC_TIP), "プリンタの説明");
            EXPECT_EQ(tree->state("PRN"), c.toggles ? kStateOn : kStateOff);
            EXPECT_EQ(hands.picture(list, "Cプリンタ"), c.toggles ? IDB_CHECK_ON : IDB_CHECK_OFF);
            EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), c.toggles ? "1.0 MB" : "0.0 MB");
            if (tree->state("PRN") == kStateOn)
                hands.press(list, "Cプリンタ", 0);
        }
    });
}

// A double-click on the picture toggles twice (the press, then the
// double-click) and leaves the entry as it was; on the text it toggles once.
TEST_F(CustomPage, ADoubleClickTogglesTwiceOnThePictureAndOnceOnTheText)
{
    Watchdog watchdog(30000, "double-clicks on the check list");
    std::unique_ptr<TestTree> tree(fourEntries());
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        int printer = hands.indexOf(list, "Cプリンタ");
        hands.doubleClick(list, printer, 5);
        EXPECT_EQ(tree->state("PRN"), kStateOff);
        EXPECT_EQ(hands.picture(list, printer), IDB_CHECK_OFF);
        hands.doubleClick(list, printer, 50);
        EXPECT_EQ(tree->state("PRN"), kStateOn);
        EXPECT_EQ(hands.picture(list, printer), IDB_CHECK_ON);
        hands.doubleClick(list, printer, 50);
        EXPECT_EQ(tree->state("PRN"), kStateOff);
        // Not available: no press or double-click changes it.
        int network = hands.indexOf(list, "Bネット");
        hands.doubleClick(list, network, 5);
        hands.doubleClick(list, network, 50);
        EXPECT_EQ(tree->state("NET"), kStateUnavailable);
        EXPECT_EQ(hands.picture(list, network), IDB_CHECK_UNAVAILABLE);
    });
}

TEST_F(CustomPage, TheSpaceBarTogglesTheSelectedEntry)
{
    Watchdog watchdog(30000, "the space bar on the check list");
    std::unique_ptr<TestTree> tree(fourEntries());
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        hands.press(list, "Dサウンド", 40);
        hands.spaceBar(list);
        EXPECT_EQ(tree->state("SND"), kStateOff);
        EXPECT_EQ(hands.picture(list, "Dサウンド"), IDB_CHECK_OFF);
        hands.spaceBar(list);
        EXPECT_EQ(tree->state("SND"), kStateOn);
        EXPECT_EQ(hands.picture(list, "Dサウンド"), IDB_CHECK_ON);
        EXPECT_EQ(hands.selection(list), hands.indexOf(list, "Dサウンド"));
        hands.press(list, "Bネット", 40);
        hands.spaceBar(list);
        EXPECT_EQ(tree->state("NET"), kStateUnavailable);
    });
}

// Toggling a partly selected parent clears it and every available
// descendant; toggling again selects them all. What is not available stays.
TEST_F(CustomPage, TogglingAParentCarriesItsStateDownTheSubtree)
{
    Watchdog watchdog(30000, "toggling a parent");
    TestTree tree({
        leaf("P", "", "P親", 0, 0),
        leaf("P1", "P", "P1子", 100, 1),
        leaf("Q", "P", "Q子", 0, 0),
        leaf("Q1", "Q", "Q1孫", 2097153, 0),
        leaf("Q2", "Q", "Q2孫", 300, 1),
        leaf("Q3", "Q", "Q3孫", 400, 0, 0),
        leaf("P2", "P", "P2子", 500, 0, 0),
    });
    ASSERT_EQ(tree.state("Q"), kStatePartly);
    ASSERT_EQ(tree.state("P"), kStatePartly);
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        const struct {
            int parent, descendants;
            const char *needed;
            int picture;
        } steps[] = {{kStateOff, kStateOff, "0.0 MB", IDB_CHECK_OFF}, {kStateOn, kStateOn, "2.1 MB", IDB_CHECK_ON}};
        for (const auto &step : steps) {
            hands.press(list, "P親", 3);
            EXPECT_EQ(tree.state("P"), step.parent);
            for (const char *section : {"P1", "Q", "Q1", "Q2"})
                EXPECT_EQ(tree.state(section), step.descendants) << section;
            for (const char *section : {"Q3", "P2"})
                EXPECT_EQ(tree.state(section), kStateUnavailable) << section;
            EXPECT_EQ(hands.picture(list, "P親"), step.picture);
            // Newly selected: only Q1, which was not selected at the start.
            EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), step.needed);
        }
    });
}

// An entry that is not available says so and has no details; an available
// parent has them; a component without children has none.
TEST_F(CustomPage, DetailsOnlyForAnAvailableEntryWithChildren)
{
    Watchdog watchdog(30000, "the Details button");
    TestTree tree({
        leaf("FAX", "", "Aファクス", 0, 0, 1, "ファクスの説明"),
        leaf("FAXDRV", "FAX", "Aドライバ", 2000, 1),
        leaf("NET", "", "Bネット", 0, 0, 0, "ネットの説明"),
        leaf("NETDRV", "NET", "Bネットドライバ", 3000, 1),
        leaf("OLD", "", "C古い部品", 0, 1, 1, "古い部品の説明"),
        leaf("OLDDRV", "OLD", "C古いドライバ", 4000, 1, 0),
        leaf("PRN", "", "Dプリンタ", 1048577, 0, 1, "プリンタの説明"),
    });
    ASSERT_EQ(tree.state("OLD"), kStateUnavailable);   // its only child is not available
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        const struct {
            const char *entry, *tip, *availability, *size;
            bool details;
        } cases[] = {
            {"Aファクス", "ファクスの説明", "", "0.1 MB", true},
            {"Bネット", "ネットの説明", kUnavailable, "0.0 MB", false},
            {"C古い部品", "古い部品の説明", kUnavailable, "0.0 MB", false},
            {"Dプリンタ", "プリンタの説明", "", "1.1 MB", false},
            {"Aファクス", "ファクスの説明", "", "0.1 MB", true},
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(c.entry);
            hands.press(list, c.entry, 30);
            EXPECT_EQ(hands.text(hands.page, IDC_TIP), c.tip);
            EXPECT_EQ(hands.text(hands.page, IDC_UNAVAILABLE), c.availability);
            EXPECT_EQ(hands.text(hands.page, IDC_ENTRY_SIZE), c.size);
            EXPECT_EQ(hands.enabled(hands.page, IDC_DETAILS), c.details);
        }
        // A Details command that comes anyway opens nothing for them.
        for (const char *entry : {"Bネット", "C古い部品", "Dプリンタ"}) {
            hands.press(list, entry, 30);
            pressButton(hands.page, IDC_DETAILS);
            hands.settle();
            EXPECT_TRUE(openDialogs(hands.sheet).empty()) << entry;
        }
    });
}

// Figures round up to the next tenth of a megabyte; sizes and the free space
// are 64-bit.
TEST_F(CustomPage, SizesShowInTenthsOfAMegabyteRoundedUp)
{
    Watchdog watchdog(30000, "the size figures");
    TestTree tree({
        leaf("A", "", "A", 2097151, 0),
        leaf("B", "", "B", 2097152, 0),
        leaf("C", "", "C", 2097153, 0),
        leaf("D", "", "D", 0, 0),
        leaf("E", "", "E", 1, 0),
        leaf("F", "", "F", 5368709120ull, 0),   // 5 GB
    });
    setupState.freeDiskBytes = 10737418240ull;   // 10 GB
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        EXPECT_EQ(hands.text(hands.page, IDC_FREE_SIZE), "10240.0 MB");
        const struct {
            const char *entry, *shown;
        } cases[] = {{"A", "2.0 MB"}, {"B", "2.0 MB"}, {"C", "2.1 MB"},
                     {"D", "0.0 MB"}, {"E", "0.1 MB"}, {"F", "5120.0 MB"}};
        for (const auto &c : cases) {
            SCOPED_TRACE(c.entry);
            hands.press(list, c.entry, 40);
            EXPECT_EQ(hands.text(hands.page, IDC_ENTRY_SIZE), c.shown);
            hands.press(list, c.entry, 4);
            EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), c.shown);
            EXPECT_TRUE(hands.nextEnabled());
            hands.press(list, c.entry, 4);
            EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "0.0 MB");
        }
    });
}

// Next follows the needed space: a selection that needs as much as is free
// disables it until the selection shrinks, also when the user comes back to
// the page.
TEST_F(CustomPage, NextIsDisabledWhileTheSelectionNeedsTheFreeSpace)
{
    Watchdog watchdog(30000, "Next and the free space");
    TestTree tree({
        leaf("X", "", "X一", 1048576, 0),
        leaf("Y", "", "Y二", 2097152, 0),
        leaf("Z", "", "Z三", 1048575, 0),
    });
    setupState.freeDiskBytes = 3145728;   // 3 MB
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        EXPECT_TRUE(hands.nextEnabled());
        hands.press(list, "X一", 2);
        EXPECT_TRUE(hands.nextEnabled());
        hands.press(list, "Y二", 2);   // exactly the free space
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "3.0 MB");
        EXPECT_FALSE(hands.nextEnabled());
        EXPECT_TRUE(hands.enabled(hands.sheet, kSheetBack));
        hands.press(list, "X一", 2);
        EXPECT_TRUE(hands.nextEnabled());
        hands.press(list, "Z三", 2);   // one byte short of it
        EXPECT_TRUE(hands.nextEnabled());
        hands.press(list, "X一", 2);
        EXPECT_FALSE(hands.nextEnabled());

        // Back and forward again: the page still holds Next back.
        EXPECT_NE(hands.sheetButton(PSBTN_BACK), hands.page);
        EXPECT_EQ(bench::blankShown(), 1);
        EXPECT_EQ(hands.sheetButton(PSBTN_NEXT), hands.page);
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "4.0 MB");
        EXPECT_FALSE(hands.nextEnabled());

        hands.press(list, "Y二", 2);
        EXPECT_TRUE(hands.nextEnabled());
        EXPECT_NE(hands.sheetButton(PSBTN_NEXT), hands.page);
        EXPECT_EQ(bench::blankShown(), 3);
    });
}

// With the standard setup chosen the page is skipped both ways.
TEST_F(CustomPage, TheStandardSetupSkipsThePage)
{
    Watchdog watchdog(30000, "skipping the custom page");
    std::unique_ptr<TestTree> tree(fourEntries());
    wizardState.standardChosen = true;
    runSheet(0, [&](Hands &hands) {
        EXPECT_EQ(bench::blankShown(), 1);
        HWND after = hands.sheetButton(PSBTN_NEXT);
        EXPECT_EQ(GetDlgItem(after, IDC_CHECK_LIST), nullptr);
        EXPECT_EQ(bench::blankShown(), 3);
        HWND before = hands.sheetButton(PSBTN_BACK);
        EXPECT_EQ(GetDlgItem(before, IDC_CHECK_LIST), nullptr);
        EXPECT_EQ(bench::blankShown(), 1);
    });
}

// No components at all: an empty list, and nothing to toggle or open.
TEST_F(CustomPage, AnEmptyTreeGivesAnEmptyListThatIgnoresEverything)
{
    Watchdog watchdog(30000, "an empty tree");
    componentTree = ComponentTree{};
    runSheet(1, [&](Hands &hands) {
        HWND list = Hands::list(hands.page);
        EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
        EXPECT_FALSE(hands.enabled(hands.page, IDC_DETAILS));
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        hands.spaceBar(list);
        pressButton(hands.page, IDC_DETAILS);
        hands.settle();
        EXPECT_TRUE(openDialogs(hands.sheet).empty());
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "0.0 MB");
        EXPECT_TRUE(hands.nextEnabled());
        EXPECT_NE(hands.sheetButton(PSBTN_NEXT), hands.page);
    });
}


// P with three children: P1 selected, P2 not, P3 not available.
TestTree *threeChildren()
{
    return new TestTree({
        leaf("Z", "", "Z別部品", 10, 0),
        leaf("P", "", "P親", 0, 0, 1, "親の説明"),
        leaf("P2", "P", "子二", 1048576, 0, 1, "子二の説明"),
        leaf("P1", "P", "子一", 2097152, 1, 1, "子一の説明"),
        leaf("P3", "P", "子三", 4096, 1, 0, "子三の説明"),
    });
}

// The details of a partly selected parent show its children as they are;
// of a selected parent every available child selected; of a parent that is
// not selected none.
TEST_F(CustomPage, DetailsShowTheChildrenAsTheParentsStateSays)
{
    const struct {
        int parent;
        int one, two;
        int onePicture, twoPicture;
        const char *needed;
    } cases[] = {
        {kStatePartly, kStateOn, kStateOff, IDB_CHECK_ON, IDB_CHECK_OFF, "0.0 MB"},
        {kStateOn, kStateOn, kStateOn, IDB_CHECK_ON, IDB_CHECK_ON, "1.0 MB"},
        {kStateOff, kStateOff, kStateOff, IDB_CHECK_OFF, IDB_CHECK_OFF, "0.0 MB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("parent state " + std::to_string(c.parent));
        Watchdog watchdog(30000, "opening the details");
        std::unique_ptr<TestTree> tree(threeChildren());
        (*tree)["P"].State = c.parent;
        setupState.freeDiskBytes = 7340032;   // 7 MB
        runSheet(1, [&](Hands &hands) {
                HWND details = hands.openDetails(hands.page, "P親");
            ASSERT_NE(details, nullptr);
            EXPECT_EQ(GetWindow(details, GW_OWNER), hands.sheet);
            EXPECT_FALSE(IsWindowEnabled(hands.sheet));
            HWND list = Hands::list(details);
            // Sorted by their text: 一 (88 EA), 三 (8E 4F), 二 (93 F1).
            EXPECT_EQ(listItems(list, false), (std::vector<std::string>{"子一", "子三", "子二"}));
            EXPECT_EQ(tree->state("P1"), c.one);
            EXPECT_EQ(tree->state("P2"), c.two);
            EXPECT_EQ(tree->state("P3"), kStateUnavailable);
            EXPECT_EQ(hands.picture(list, "子一"), c.onePicture);
            EXPECT_EQ(hands.picture(list, "子二"), c.twoPicture);
            EXPECT_EQ(hands.picture(list, "子三"), IDB_CHECK_UNAVAILABLE);
            EXPECT_EQ(hands.selection(list), 0);
            EXPECT_EQ(hands.text(details, IDC_TIP), "子一の説明");
            EXPECT_EQ(hands.text(details, IDC_ENTRY_SIZE), "2.0 MB");
            EXPECT_EQ(hands.text(details, IDC_FREE_SIZE), "7.0 MB");
            EXPECT_EQ(hands.text(details, IDC_NEEDED_SIZE), c.needed);
            EXPECT_FALSE(hands.enabled(details, IDC_DETAILS));
            hands.press(list, "子三", 40);
            EXPECT_EQ(hands.text(details, IDC_UNAVAILABLE), kUnavailable);
            EXPECT_EQ(hands.text(details, IDC_ENTRY_SIZE), "0.0 MB");
            EXPECT_TRUE(hands.cancel(details));
        });
    }
}

// OK confirms the children and sums them up for the parent: all available
// ones selected make it selected, some partly selected, none not selected.
TEST_F(CustomPage, OkInTheDetailsSumsTheChildrenUpIntoTheParent)
{
    const struct {
        const char *name;
        std::vector<const char *> toggled;   // pressed on their pictures
        int parent, picture, one, two;
        const char *needed;
    } cases[] = {
        {"all", {"子二"}, kStateOn, IDB_CHECK_ON, kStateOn, kStateOn, "1.0 MB"},
        {"some", {}, kStatePartly, IDB_CHECK_PARTLY, kStateOn, kStateOff, "0.0 MB"},
        {"some other", {"子一", "子二"}, kStatePartly, IDB_CHECK_PARTLY, kStateOff, kStateOn, "1.0 MB"},
        {"none", {"子一"}, kStateOff, IDB_CHECK_OFF, kStateOff, kStateOff, "0.0 MB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Watchdog watchdog(30000, "OK in the details");
        std::unique_ptr<TestTree> tree(threeChildren());
        runSheet(1, [&](Hands &hands) {
                HWND pageList = Hands::list(hands.page);
            HWND details = hands.openDetails(hands.page, "P親");
            ASSERT_NE(details, nullptr);
            for (const char *child : c.toggled)
                hands.press(Hands::list(details), child, 6);
            ASSERT_TRUE(hands.ok(details));
            EXPECT_EQ(tree->state("P"), c.parent);
            EXPECT_EQ(hands.picture(pageList, "P親"), c.picture);
            EXPECT_EQ(hands.selection(pageList), hands.indexOf(pageList, "P親"));
            for (auto child : {std::make_pair("P1", c.one), std::make_pair("P2", c.two)}) {
                EXPECT_EQ(tree->state(child.first), child.second) << child.first;
                EXPECT_EQ((*tree)[child.first].CommittedState, child.second) << child.first;
            }
            EXPECT_EQ((*tree)["P3"].CommittedState, kStateUnavailable);
            EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), c.needed);
        });
    }
}

// Cancel puts the children back as they were at the last OK, or at the
// build before any; the parent keeps its state.
TEST_F(CustomPage, CancelInTheDetailsReturnsToTheLastConfirmedStates)
{
    Watchdog watchdog(30000, "Cancel in the details");
    std::unique_ptr<TestTree> tree(threeChildren());
    runSheet(1, [&](Hands &hands) {
        HWND pageList = Hands::list(hands.page);
        hands.press(pageList, "P親", 40);

        HWND details = hands.openDetails(hands.page, "P親");
        ASSERT_NE(details, nullptr);
        hands.press(Hands::list(details), "子一", 6);
        hands.press(Hands::list(details), "子二", 6);
        EXPECT_EQ(hands.text(details, IDC_NEEDED_SIZE), "1.0 MB");
        ASSERT_TRUE(hands.cancel(details));
        EXPECT_EQ(tree->state("P1"), kStateOn);   // as built
        EXPECT_EQ(tree->state("P2"), kStateOff);
        EXPECT_EQ(tree->state("P"), kStatePartly);
        EXPECT_EQ(hands.picture(pageList, "P親"), IDB_CHECK_PARTLY);
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "0.0 MB");

        details = hands.openDetails(hands.page, "P親");
        ASSERT_NE(details, nullptr);
        hands.press(Hands::list(details), "子二", 6);
        ASSERT_TRUE(hands.ok(details));   // P1 and P2 confirmed selected
        EXPECT_EQ(tree->state("P"), kStateOn);

        details = hands.openDetails(hands.page, "P親");
        ASSERT_NE(details, nullptr);
        hands.press(Hands::list(details), "子一", 6);
        hands.doubleClick(Hands::list(details), hands.indexOf(Hands::list(details), "子二"), 60);
        EXPECT_EQ(tree->state("P1"), kStateOff);
        EXPECT_EQ(tree->state("P2"), kStateOff);
        ASSERT_TRUE(hands.cancel(details));
        EXPECT_EQ(tree->state("P1"), kStateOn);
        EXPECT_EQ(tree->state("P2"), kStateOn);
        EXPECT_EQ(tree->state("P"), kStateOn);
        EXPECT_EQ(hands.picture(pageList, "P親"), IDB_CHECK_ON);

        details = hands.openDetails(hands.page, "P親");
        ASSERT_NE(details, nullptr);
        EXPECT_EQ(hands.picture(Hands::list(details), "子一"), IDB_CHECK_ON);
        EXPECT_EQ(hands.picture(Hands::list(details), "子二"), IDB_CHECK_ON);
    });
}

// A details dialog opens a further one for a grandchild; each returns its
// sum to its opener, and every list keeps toggling afterwards.
TEST_F(CustomPage, DetailsNestTwoLevelsDeep)
{
    Watchdog watchdog(30000, "nested details");
    TestTree tree({
        leaf("P", "", "P親", 0, 0),
        leaf("Q", "P", "Q子", 0, 0, 1, "Qの説明"),
        leaf("G1", "Q", "G1孫", 2097153, 0, 1, "G1の説明"),
        leaf("G2", "Q", "G2孫", 1000, 1),
        leaf("R", "P", "R子", 3000, 1),
        leaf("S", "", "S別", 4000, 0),
    });
    ASSERT_EQ(tree.state("Q"), kStatePartly);
    ASSERT_EQ(tree.state("P"), kStatePartly);
    setupState.freeDiskBytes = 3145728;
    runSheet(1, [&](Hands &hands) {
        HWND pageList = Hands::list(hands.page);
        HWND outer = hands.openDetails(hands.page, "P親");
        ASSERT_NE(outer, nullptr);
        HWND outerList = Hands::list(outer);
        EXPECT_EQ(listItems(outerList, false), (std::vector<std::string>{"Q子", "R子"}));
        EXPECT_EQ(hands.picture(outerList, "Q子"), IDB_CHECK_PARTLY);
        hands.press(outerList, "Q子", 40);
        EXPECT_TRUE(hands.enabled(outer, IDC_DETAILS));

        HWND inner = hands.openDetails(outer, "Q子");
        ASSERT_NE(inner, nullptr);
        EXPECT_EQ(GetWindow(inner, GW_OWNER), outer);
        EXPECT_FALSE(IsWindowEnabled(outer));
        HWND innerList = Hands::list(inner);
        EXPECT_EQ(listItems(innerList, false), (std::vector<std::string>{"G1孫", "G2孫"}));
        EXPECT_EQ(hands.picture(innerList, "G1孫"), IDB_CHECK_OFF);
        EXPECT_EQ(hands.picture(innerList, "G2孫"), IDB_CHECK_ON);
        hands.press(innerList, "G1孫", 10);
        EXPECT_EQ(tree.state("G1"), kStateOn);
        EXPECT_EQ(hands.text(inner, IDC_NEEDED_SIZE), "2.1 MB");
        ASSERT_TRUE(hands.ok(inner));

        // Back in the outer dialog: Q sums up to selected, and its list
        // still toggles on a press on the picture.
        EXPECT_TRUE(IsWindowEnabled(outer));
        EXPECT_EQ(tree.state("Q"), kStateOn);
        EXPECT_EQ(hands.picture(outerList, "Q子"), IDB_CHECK_ON);
        EXPECT_EQ(hands.selection(outerList), hands.indexOf(outerList, "Q子"));
        EXPECT_EQ(hands.text(outer, IDC_NEEDED_SIZE), "2.1 MB");
        hands.press(outerList, "R子", 2);
        EXPECT_EQ(tree.state("R"), kStateOff);
        EXPECT_EQ(hands.picture(outerList, "R子"), IDB_CHECK_OFF);
        hands.spaceBar(outerList);
        hands.spaceBar(outerList);
        EXPECT_EQ(tree.state("R"), kStateOff);

        // A second visit to the inner dialog, left with Cancel.
        inner = hands.openDetails(outer, "Q子");
        ASSERT_NE(inner, nullptr);
        EXPECT_EQ(hands.picture(Hands::list(inner), "G1孫"), IDB_CHECK_ON);
        hands.press(Hands::list(inner), "G2孫", 10);
        ASSERT_TRUE(hands.cancel(inner));
        EXPECT_EQ(tree.state("G2"), kStateOn);
        EXPECT_EQ(tree.state("Q"), kStateOn);

        ASSERT_TRUE(hands.ok(outer));
        EXPECT_EQ(tree.state("P"), kStatePartly);   // Q selected, R not
        EXPECT_EQ(hands.picture(pageList, "P親"), IDB_CHECK_PARTLY);
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "2.1 MB");
        EXPECT_TRUE(hands.nextEnabled());

        // The page's list still toggles too.
        hands.press(pageList, "S別", 16);
        EXPECT_EQ(tree.state("S"), kStateOn);
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "2.1 MB");   // 2,101,249 bytes
        hands.press(pageList, "P親", 16);
        EXPECT_EQ(tree.state("P"), kStateOff);
        for (const char *section : {"Q", "G1", "G2", "R"})
            EXPECT_EQ(tree.state(section), kStateOff) << section;
    });
}

// The details dialog's own figures move the sheet's buttons while it is
// open; once it is gone the page's figure rules them again, also after
// Cancel.
TEST_F(CustomPage, TheButtonsFollowThePageAgainAfterTheDetails)
{
    Watchdog watchdog(30000, "the buttons after the details");
    std::unique_ptr<TestTree> tree(threeChildren());
    setupState.freeDiskBytes = 1048576;   // 1 MB
    runSheet(1, [&](Hands &hands) {
        HWND details = hands.openDetails(hands.page, "P親");
        ASSERT_NE(details, nullptr);
        hands.press(Hands::list(details), "子二", 6);
        EXPECT_EQ(hands.text(details, IDC_NEEDED_SIZE), "1.0 MB");
        ASSERT_TRUE(hands.cancel(details));
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "0.0 MB");
        EXPECT_TRUE(hands.nextEnabled());

        details = hands.openDetails(hands.page, "P親");
        ASSERT_NE(details, nullptr);
        hands.press(Hands::list(details), "子二", 6);
        ASSERT_TRUE(hands.ok(details));
        EXPECT_EQ(hands.text(hands.page, IDC_NEEDED_SIZE), "1.0 MB");
        EXPECT_FALSE(hands.nextEnabled());
    });
}

// The etched line above the buttons: button shadow over button highlight
// along the top edge of the hidden control 1020.
TEST_F(CustomPage, TheDetailsDialogDrawsItsSeparator)
{
    Watchdog watchdog(30000, "the separator");
    std::unique_ptr<TestTree> tree(threeChildren());
    runSheet(1, [&](Hands &hands) {
        HWND details = hands.openDetails(hands.page, "P親");
        ASSERT_NE(details, nullptr);
        HWND separator = GetDlgItem(details, IDC_SEPARATOR);
        EXPECT_FALSE(IsWindowVisible(separator));
        RECT line;
        GetWindowRect(separator, &line);
        MapWindowPoints(nullptr, details, (POINT *)&line, 2);
        InvalidateRect(details, nullptr, TRUE);
        hands.settle(details);
        int width = line.right - line.left;
        std::vector<DWORD> shown = Hands::capture(details, line.left, line.top - 1, width, 4);
        ASSERT_EQ(shown.size(), (size_t)width * 4);
        DWORD face = Hands::colour(COLOR_BTNFACE);
        for (int x : {0, width / 2, width - 1}) {
            EXPECT_EQ(shown[0 * width + x], face) << x;
            EXPECT_EQ(shown[1 * width + x], Hands::colour(COLOR_BTNSHADOW)) << x;
            EXPECT_EQ(shown[2 * width + x], Hands::colour(COLOR_BTNHIGHLIGHT)) << x;
            EXPECT_EQ(shown[3 * width + x], face) << x;
        }
    });
}


// ---- templates

struct Placed {
    int id;              // -1: found by its text (or as the icon when the text is empty)
    const char *text;
    int x, y, width, height;
};

// Each control sits where the dialog units say, with its text.
void expectLayout(HWND dialog, const std::vector<Placed> &controls)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (const Placed &c : controls) {
        SCOPED_TRACE(std::to_string(c.id) + " " + c.text);
        HWND control = nullptr;
        for (HWND child : children) {
            bool icon = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                        GetDlgCtrlID(child) == 0xFFFF;
            if (c.id != -1 ? GetDlgCtrlID(child) == c.id
                           : (c.text[0] == '\0' ? icon : GetDlgCtrlID(child) == 0xFFFF && windowText(child) == c.text))
                control = child;
        }
        ASSERT_NE(control, nullptr);
        if (c.id != -1) {
            EXPECT_EQ(windowText(control), c.text);
        }
        // The dialog manager converts the position and the size each on its own.
        RECT expected = {c.x, c.y, c.width, c.height};
        MapDialogRect(dialog, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT shown;
        GetWindowRect(control, &shown);
        MapWindowPoints(nullptr, dialog, (POINT *)&shown, 2);
        EXPECT_EQ(shown.left, expected.left);
        EXPECT_EQ(shown.top, expected.top);
        if (c.id == -1 && c.text[0] == '\0') {
            // An icon control takes the size of its icon.
            EXPECT_NE(SendMessageA(control, STM_GETICON, 0, 0), 0);
            continue;
        }
        EXPECT_EQ(shown.right, expected.right);
        if (GetDlgCtrlID(control) == IDC_CHECK_LIST) {
            // Without LBS_NOINTEGRALHEIGHT the list shows whole entries only.
            RECT client;
            GetClientRect(control, &client);
            EXPECT_EQ(client.bottom % 16, 0);
            EXPECT_LE(shown.bottom, expected.bottom);
            EXPECT_GT(shown.bottom, expected.bottom - 16);
        } else {
            EXPECT_EQ(shown.bottom, expected.bottom);
        }
    }
}

void expectDialogFont(HWND dialog)
{
    LOGFONTA font = {};
    GetObjectA((HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "ＭＳ Ｐゴシック");
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);
}

void expectCheckListStyle(HWND list)
{
    LONG style = GetWindowLongA(list, GWL_STYLE);
    for (LONG bit : {LBS_SORT, LBS_OWNERDRAWFIXED, LBS_HASSTRINGS, LBS_NOTIFY, LBS_DISABLENOSCROLL})
        EXPECT_EQ(style & bit, bit) << std::hex << bit;
    EXPECT_EQ(style & LBS_OWNERDRAWVARIABLE, 0);
}

const char kPrompt[] = "チェックボックスをクリックして、追加または削除するファイルを選択してください。";
const char kPromptDetails[] = "[詳細]を押すと､含まれるファイルを個別に設定できます。";

TEST_F(CustomPage, TheTemplatesPlaceTheirControlsInDialogUnits)
{
    Watchdog watchdog(30000, "the templates");
    std::unique_ptr<TestTree> tree(threeChildren());
    runSheet(1, [&](Hands &hands) {
        EXPECT_EQ(GetWindowLongA(hands.page, GWL_STYLE) & WS_CHILD, WS_CHILD);
        expectDialogFont(hands.page);
        expectCheckListStyle(Hands::list(hands.page));
        expectLayout(hands.page, {
            {-1, "", 2, 2, 18, 20},
            {-1, "カスタムセットアップ", 30, 0, 90, 11},
            {-1, (std::string(kPrompt) + kPromptDetails).c_str(), 30, 12, 228, 26},
            {-1, "ファイルの種類(&C):", 0, 43, 85, 12},
            {IDC_CHECK_LIST, "", 0, 58, 138, 49},
            {-1, "説明", 144, 48, 130, 94},
            {IDC_TIP, "親の説明", 150, 58, 118, 42},
            {IDC_UNAVAILABLE, "", 155, 106, 77, 9},
            {IDC_DETAILS, "詳細(&D)...", 218, 120, 50, 16},
            {-1, "ファイル容量:", 0, 114, 55, 9},
            {-1, "必要なディスク領域:", 0, 125, 74, 10},
            {-1, "空きディスク領域:", 0, 136, 74, 10},
            {IDC_ENTRY_SIZE, "3.0 MB", 76, 114, 50, 10},
            {IDC_NEEDED_SIZE, "0.0 MB", 76, 125, 50, 10},
            {IDC_FREE_SIZE, "100.0 MB", 76, 136, 50, 10},
        });
        for (int id : {IDC_ENTRY_SIZE, IDC_NEEDED_SIZE, IDC_FREE_SIZE})
            EXPECT_EQ(GetWindowLongA(GetDlgItem(hands.page, id), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT) << id;

        HWND details = hands.openDetails(hands.page, "P親");
        ASSERT_NE(details, nullptr);
        LONG style = GetWindowLongA(details, GWL_STYLE);
        EXPECT_EQ(style & (WS_POPUP | WS_CAPTION), WS_POPUP | WS_CAPTION);
        expectDialogFont(details);
        expectCheckListStyle(Hands::list(details));
        expectLayout(details, {
            {-1, (std::string(kPrompt) + "\r" + kPromptDetails).c_str(), 6, 8, 273, 20},
            {-1, "ファイルの種類(&C):", 6, 32, 85, 10},
            {IDC_CHECK_LIST, "", 6, 45, 150, 48},
            {-1, "説明", 164, 33, 130, 94},
            {IDC_TIP, "子一の説明", 170, 43, 118, 42},
            {IDC_UNAVAILABLE, "", 175, 91, 77, 9},
            {IDC_DETAILS, "詳細(&D)...", 238, 105, 50, 16},
            {-1, "ファイル容量:", 6, 99, 55, 9},
            {-1, "必要なディスク領域:", 6, 110, 74, 10},
            {-1, "空きディスク領域:", 6, 121, 74, 10},
            {IDC_ENTRY_SIZE, "2.0 MB", 82, 99, 50, 10},
            {IDC_NEEDED_SIZE, "0.0 MB", 82, 110, 50, 10},
            {IDC_FREE_SIZE, "100.0 MB", 82, 121, 50, 10},
            {IDC_SEPARATOR, "", 6, 135, 290, 1},
            {IDC_DETAILS_OK, "OK", 188, 140, 50, 16},
            {IDCANCEL, "キャンセル", 244, 140, 50, 16},
        });
        RECT client;
        GetClientRect(details, &client);
        RECT size = {0, 0, 300, 160};
        MapDialogRect(details, &size);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
    });
}

// ---- one entry painted into a bitmap of our own

class DrawnEntry : public CustomPage {
protected:
    static constexpr int kWidth = 120;
    static constexpr DWORD kUntouched = 0xFF00FF;

    void SetUp() override
    {
        CustomPage::SetUp();
        tree_.reset(new TestTree({leaf("A", "", "A部品", 1000, 1)}));
        owner_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        page_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PAGE_CUSTOM), owner_, customPageProc, 0);
        ASSERT_NE(page_, nullptr);
        list_ = GetDlgItem(page_, IDC_CHECK_LIST);
        screen_ = GetDC(nullptr);
        memory_ = CreateCompatibleDC(screen_);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -20;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        section_ = CreateDIBSection(screen_, &info, DIB_RGB_COLORS, (void **)&bits_, nullptr, 0);
        old_ = SelectObject(memory_, section_);
    }
    void TearDown() override
    {
        SelectObject(memory_, old_);
        DeleteObject(section_);
        DeleteDC(memory_);
        ReleaseDC(nullptr, screen_);
        DestroyWindow(page_);
        DestroyWindow(owner_);
        tree_.reset();
    }

    // Paints entry 0 (or none) into the untouched bitmap.
    void draw(int itemId, UINT action, UINT state, int height, bool withCheck)
    {
        for (int i = 0; i < kWidth * 20; ++i)
            bits_[i] = kUntouched;
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_LISTBOX;
        item.CtlID = IDC_CHECK_LIST;
        item.itemID = (UINT)itemId;
        item.itemAction = action;
        item.itemState = state;
        item.hwndItem = list_;
        item.hDC = memory_;
        item.rcItem = RECT{0, 0, kWidth, height};
        item.itemData = itemId < 0 ? 0 : (ULONG_PTR)SendMessageA(list_, LB_GETITEMDATA, itemId, 0);
        drawCheckItem(&item, withCheck);
        GdiFlush();
    }
    DWORD at(int x, int y) const { return bits_[y * kWidth + x] & 0xFFFFFF; }

    Watchdog watchdog_{30000, "drawing one entry"};
    std::unique_ptr<TestTree> tree_;
    HWND owner_ = nullptr, page_ = nullptr, list_ = nullptr;
    HDC screen_ = nullptr, memory_ = nullptr;
    HBITMAP section_ = nullptr;
    HGDIOBJ old_ = nullptr;
    DWORD *bits_ = nullptr;
};

TEST_F(DrawnEntry, PaintsBackgroundPictureTextAndFocusAsAsked)
{
    const DWORD highlight = Hands::colour(COLOR_HIGHLIGHT), window = Hands::colour(COLOR_WINDOW);
    const struct {
        const char *name;
        int itemId;
        UINT action, state;
        int height;
        bool withCheck;
        DWORD fill;      // kUntouched: no background painted
        bool picture, focus;
    } cases[] = {
        {"plain", 0, ODA_DRAWENTIRE, 0, 16, true, window, true, false},
        {"selected", 0, ODA_DRAWENTIRE, ODS_SELECTED, 16, true, highlight, true, false},
        {"selected with focus", 0, ODA_SELECT, ODS_SELECTED | ODS_FOCUS, 16, true, highlight, true, true},
        {"focus change only", 0, ODA_FOCUS, ODS_FOCUS, 16, true, kUntouched, false, true},
        {"no check", 0, ODA_DRAWENTIRE, 0, 16, false, window, false, false},
        {"no entry", -1, ODA_DRAWENTIRE, ODS_FOCUS, 16, true, kUntouched, false, false},
        {"lower entry", 0, ODA_DRAWENTIRE, 0, 10, true, window, true, false},
    };
    std::vector<DWORD> on = Hands::bitmapPixels(IDB_CHECK_ON);
    ASSERT_EQ(on.size(), 256u);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        draw(c.itemId, c.action, c.state, c.height, c.withCheck);
        int middle = c.height / 2;
        EXPECT_EQ(at(kWidth - 4, middle), c.fill);
        for (int y = c.height; y < 20; ++y)
            EXPECT_EQ(at(kWidth - 4, y), kUntouched) << "below the entry, row " << y;
        // The dotted focus rectangle runs along the entry's edge.
        EXPECT_EQ(at(kWidth / 2, 0) != c.fill || at(kWidth / 2 + 1, 0) != c.fill, c.focus);
        if (c.picture && c.height == 16) {
            bool same = true;
            for (int y = 1; y < 15; ++y)
                for (int x = 1; x < 16; ++x)
                    same = same && at(x, y) == on[y * 16 + x];
            EXPECT_TRUE(same) << "the picture of a selected component";
        } else if (c.picture) {
            // Squeezed into the lower entry: its box reaches the entry's last row.
            int dark = 0;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < 16; ++x)
                    dark += at(x, y) == 0;
            EXPECT_GT(dark, 10);
        } else if (c.fill != kUntouched) {
            for (int x = 0; x < 16; ++x)
                EXPECT_EQ(at(x, middle), c.fill) << "no picture, column " << x;
        }
        if (c.fill != kUntouched) {
            // The text starts 18 pixels in: nothing of it in columns 16 and 17.
            int inked = 0;
            for (int y = 1; y < c.height - 1; ++y) {
                EXPECT_EQ(at(16, y), c.fill);
                EXPECT_EQ(at(17, y), c.fill);
                for (int x = 18; x < 60; ++x)
                    inked += at(x, y) != c.fill;
            }
            EXPECT_GT(inked, 0) << "the text";
        }
    }
}

}  // namespace
