// The real setup program from its start to its end on a kit made by the
// test: the start-up chain opens the wizard, a user (this test, from
// another process) walks it to the finish page, the progress page installs
// the components of the chosen model, the restart question is answered,
// and the program ends; then what it left on disk and in the registry.
#include "setup/resources/resource.h"
#include "win/shell/osprin_run.h"
#include "win/wizard/wizard_kit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testsupport;

namespace {

// The side panel of the sheet's page, also after the whole sheet was
// painted anew at another process's request (as a screen picture asks).
void expectSidePanelOf(HWND sheet)
{
    SCOPED_TRACE("page " + std::to_string(currentPageId(sheet)));
    expectSidePanel(currentPage(sheet), [&] {
        RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    });
}

TEST(OsprinWizard, TheProgramInstallsTheChosenModelsComponents)
{
    Watchdog watchdog(120000, "the program's wizard");
    ScopedFileRestore keepFiles({"C:\\CONFIG.SYS", windowsDirectory() + "\\system.ini"});
    ScopedRegistryTree keepMarks(HKEY_CURRENT_USER, kResultKey);
    ASSERT_TRUE(writeFile("C:\\CONFIG.SYS", "FILES=30\r\n"));
    WritePrivateProfileStringA("WizardTest", nullptr, nullptr, "system.ini");

    WizardKit kit;
    kit.machineInf = "[MachineModels]\r\nデスクトップ甲,TOSKA\r\nノート乙,BRENA\r\n"
                     "[TOSKA]\r\nＴＯＳＫＡ１０（4410Q）,4410Q\r\n[BRENA]\r\nＢＲＥＮＡ５（5510B）,5510B\r\n";
    kit.components = {kitComponent("C1", "4410Q", "電話", 2, true, 3), kitComponent("C2", "5510B", "他機種", 2, true, 2),
                      kitComponent("C3", "5510B", "ファクス", 0, true, 2)};
    kit.components[2].extraInis = "system.ini,WizardTest,,\"Touched=1\"\r\n";
    ASSERT_EQ(kit.write(), "");
    ASSERT_TRUE(writeFile(kit.dir + "\\OSPRIN.INF", "[version]\r\nsignature=\"$UPGKIT$\"\r\nSetupClass=WizardTest\r\n"
                                                    "LayoutFile=LAYOUT.INF\r\n[Strings]\r\nWizardTest=\"" +
                                                        std::string(kWizardCaption) + "\"\r\n"));
    ASSERT_TRUE(CopyFileA(OSPRIN_EXE, (kit.dir + "\\Osprin.exe").c_str(), FALSE));

    {
        OsprinRun run(kit.dir);
        ASSERT_TRUE(run.started());
        HWND sheet = run.wizard(kWizardCaption, 30000);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_WELCOME));
        EXPECT_TRUE(waitForButtons(sheet, "N"));
        expectSidePanelOf(sheet);
        EXPECT_EQ(pageText(sheet, 1013), kWizardCaption);
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_NICKNAME));
        expectSidePanelOf(sheet);
        HWND nicknames = GetDlgItem(currentPage(sheet), 1031);
        EXPECT_EQ(listItems(nicknames, true), (std::vector<std::string>{"デスクトップ甲", "ノート乙"}));
        chooseEntry(sheet, 1031, 1);
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_MODEL));
        expectSidePanelOf(sheet);
        EXPECT_TRUE(waitUntil([&] {
            return listItems(GetDlgItem(currentPage(sheet), 1031), true) ==
                   std::vector<std::string>{"ＢＲＥＮＡ５（5510B）"};
        }));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_CONFIRM));
        expectSidePanelOf(sheet);
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1033) == "機種名[型名] ： ＢＲＥＮＡ５（5510B）"; }))
            << pageText(sheet, 1033);
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_STANDARD));
        expectSidePanelOf(sheet);
        EXPECT_EQ(listItems(GetDlgItem(currentPage(sheet), 1006), false),
                  (std::vector<std::string>{"他機種", "電話"}));
        ASSERT_TRUE(waitForButtons(sheet, "BN"));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
        EXPECT_TRUE(waitUntil([&] { return pageText(sheet, 1035) == "セットアップが完了しました。"; }))
            << pageText(sheet, 1035);
        pressSheet(sheet, PSBTN_FINISH);
        // The INI entry of a component asks for the restart; No keeps
        // Windows running.
        HWND question = run.messageBox(kWizardCaption);
        ASSERT_NE(question, nullptr);
        BoxView view = viewBox(question);
        EXPECT_EQ(view.icon, IDI_QUESTION);
        EXPECT_TRUE(view.yes && view.no);
        pressButton(question, IDNO);
        EXPECT_EQ(run.exitCode(30000), 0);
    }
    // Model 5510B: its two present components, nothing of the other model.
    EXPECT_TRUE(kit.installedAll(kit.components[1]));
    EXPECT_TRUE(kit.installedAll(kit.components[2]));
    EXPECT_EQ(kit.registryMark(kit.components[2]), kit.components[2].section());
    EXPECT_TRUE(kit.installedNone(kit.components[0]));
    char touched[8] = "";
    GetPrivateProfileStringA("WizardTest", "Touched", "", touched, sizeof touched, "system.ini");
    EXPECT_STREQ(touched, "1");
}

}  // namespace
