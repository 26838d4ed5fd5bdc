// Recorded and unattended runs of the real setup program: a run walked by a
// user with /record writes its answers; /silent replays them with no window
// on a machine in the state the first run found, and changes exactly what
// the first run changed; every exit status an unattended run can end with;
// answer files that do not fit, refused with nothing changed; the install
// log a support reader gets; the command line's own refusals.
#include "setup/resources/resource.h"
#include "win/engine/engine_test_util.h"
#include "win/shell/osprin_run.h"
#include "win/wizard/wizard_kit.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

const char kMachineInf[] = "[MachineModels]\r\nデスクトップ甲,TOSKA\r\nノート乙,BRENA\r\n"
                           "[TOSKA]\r\nＴＯＳＫＡ１０（4410Q）,4410Q\r\n[BRENA]\r\nＢＲＥＮＡ５（5510B）,5510B\r\n";
const char kAnswers[] = "C:\\osprin-answers\\answers.ini";
const char kLog[] = "C:\\osprin-answers\\setup log.txt";
const char kRecordLog[] = "C:\\osprin-answers\\record.log";

// Exit statuses of an unattended run.
const int kCompleted = 0, kDiskFull = 112, kPartial = 1603, kUnfit = 1610, kAlreadyRunning = 1618,
          kRefused = 1620, kLogFailure = 1622, kBadCommandLine = 1639, kRestartStarted = 1641,
          kRestartPending = 3010;

// What a run changed that the test can see: every file below the kit's
// destination with its bytes, the registry values the components write,
// the catalogue's flags, CONFIG.SYS and the test's system.ini section.
std::map<std::string, std::string> machineState(const WizardKit &kit)
{
    std::map<std::string, std::string> state;
    std::vector<std::string> folders = {kit.destRoot};
    while (!folders.empty()) {
        std::string folder = folders.back();
        folders.pop_back();
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            std::string name = found.cFileName, path = folder + "\\" + name;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                folders.push_back(path);
            else
                state["file " + path] = readFile(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    for (const KitComponent &c : kit.components) {
        state["mark " + c.name] = kit.registryMark(c);
        HKEY key;
        std::string entry = kit.catalogueRoot() + "\\Setup\\OptionalComponents\\" + c.section();
        char flag[8] = "";
        DWORD size = sizeof flag;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, entry.c_str(), &key) == ERROR_SUCCESS) {
            RegQueryValueExA(key, "Installed", nullptr, nullptr, (BYTE *)flag, &size);
            RegCloseKey(key);
        }
        state["installed " + c.name] = flag;
    }
    state["CONFIG.SYS"] = readFile(kit.configSys);
    char section[1024] = "";
    GetPrivateProfileSectionA("WizardTest", section, sizeof section, "system.ini");
    state["system.ini"] = section;
    return state;
}

std::string describe(const std::map<std::string, std::string> &state)
{
    std::string text;
    for (const auto &entry : state)
        text += entry.first + " = " + entry.second.substr(0, 60) + "\n";
    return text;
}

class Unattended : public testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryA("C:\\osprin-answers", nullptr);
        DeleteFileA(kAnswers);
        DeleteFileA(kLog);
        // Two families; model 5510B has C2 (standard) and C3 (not standard,
        // with a system.ini entry that needs the restart); C4 of 5510B is
        // not on the machine.
        kit.machineInf = kMachineInf;
        kit.components = {kitComponent("C1", "4410Q", "電話", 2, true, 3), kitComponent("C2", "5510B", "他機種", 2, true, 2),
                          kitComponent("C3", "5510B", "ファクス", 0, true, 2),
                          kitComponent("C4", "5510B", "ヘルプ", 2, false, 1)};
        kit.components[2].extraInis = "system.ini,WizardTest,,\"Touched=1\"\r\n";
        freshMachine();
    }
    void TearDown() override { removeTree("C:\\osprin-answers"); }

    // The machine as the first run found it, the kit written afresh.
    void freshMachine()
    {
        ASSERT_TRUE(writeFile(kit.configSys, "FILES=30\r\n"));
        WritePrivateProfileStringA("WizardTest", nullptr, nullptr, "system.ini");
        ASSERT_EQ(kit.write(), "");
        ASSERT_TRUE(writeFile(kit.dir + "\\OSPRIN.INF", setupInf));
        ASSERT_TRUE(CopyFileA(OSPRIN_EXE, (kit.dir + "\\Osprin.exe").c_str(), FALSE));
    }

    // An unattended run of the kit; its exit status. No window may show.
    int silent(const std::string &commandLine = std::string("/silent:") + kAnswers + " /log:\"" + kLog + "\"")
    {
        OsprinRun run(kit.dir, commandLine);
        EXPECT_TRUE(run.started());
        std::string shown;
        for (DWORD start = GetTickCount(); run.running() && GetTickCount() - start < 60000; Sleep(20))
            for (HWND window : windowsOf(run.id()))
                if (IsWindowVisible(window) && shown.empty())
                    shown = className(window) + " \"" + windowText(window) + "\"";
        EXPECT_EQ(shown, "") << "an unattended run shows no window";
        return run.exitCode(5000);
    }

    std::string log() const { return readFile(kLog); }

    // An interactive run with /record, walked as a user walks it: the second
    // nickname (model 5510B), standard setup or custom setup with C3
    // cleared and C4 ticked; the restart question, which only C3's
    // system.ini entry asks, answered with answer.
    void recordedRun(bool custom, int answer)
    {
        OsprinRun run(kit.dir, std::string("/record:") + kAnswers + " /log:" + kRecordLog);
        HWND sheet = run.wizard(kWizardCaption, 30000);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_WELCOME));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_NICKNAME));
        chooseEntry(sheet, 1031, 1);
        if (custom)
            PostMessageA(GetDlgItem(currentPage(sheet), 1005), BM_CLICK, 0, 0);
        ASSERT_TRUE(waitUntil([&] {
            return SendDlgItemMessageA(currentPage(sheet), custom ? 1005 : 1004, BM_GETCHECK, 0, 0) == BST_CHECKED;
        }));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_MODEL));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_CONFIRM));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, custom ? IDD_PAGE_CUSTOM : IDD_PAGE_STANDARD));
        if (custom) {
            HWND list = GetDlgItem(currentPage(sheet), 1006);
            for (const char *entry : {"ファクス", "ヘルプ"})
                ASSERT_TRUE(toggleCheckListEntry(list, entry)) << entry;
        }
        ASSERT_TRUE(waitForButtons(sheet, "BN"));
        pressSheet(sheet, PSBTN_NEXT);
        ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_FINISH, 30000));
        pressSheet(sheet, PSBTN_FINISH);
        if (!custom) {
            HWND question = run.messageBox(kWizardCaption);
            ASSERT_NE(question, nullptr) << "C3's system.ini entry asks for the restart";
            pressButton(question, answer);
        }
        EXPECT_EQ(run.exitCode(30000), 0) << "an interactive run keeps its exit status";
    }

    std::string answersFor(const char *setup, const char *components = "", const char *restart = "No")
    {
        return std::string("[Answers]\r\nSetupInf=OSPRIN.INF\r\nProduct=") + kWizardCaption +
               "\r\nNickname=ノート乙,BRENA\r\nModel=5510B\r\nSetup=" + setup + "\r\n" +
               (restart != nullptr ? std::string("Restart=") + restart + "\r\n" : "") + components;
    }

    WizardKit kit;
    std::string setupInf = "[version]\r\nsignature=\"$UPGKIT$\"\r\nSetupClass=WizardTest\r\nLayoutFile=LAYOUT.INF\r\n"
                           "[Strings]\r\nWizardTest=\"" +
                           std::string(kWizardCaption) + "\"\r\n";
    ScopedFileRestore keepFiles{{"C:\\CONFIG.SYS", windowsDirectory() + "\\system.ini",
                                 windowsDirectory() + "\\wininit.ini"}};
    ScopedRegistryTree keepMarks{HKEY_CURRENT_USER, kResultKey};
    Watchdog watchdog{240000, testing::UnitTest::GetInstance()->current_test_info()->name()};
};

// Record a standard and a custom run, replay each on the machine as it
// was: the same files, registry values and INI lines. The recorded restart
// answer decides the replay's restart.
TEST_F(Unattended, AReplayChangesWhatTheRecordedRunChanged)
{
    for (bool custom : {false, true}) {
        SCOPED_TRACE(custom ? "custom setup" : "standard setup");
        freshMachine();
        const std::map<std::string, std::string> before = machineState(kit);
        recordedRun(custom, IDNO);
        const std::map<std::string, std::string> interactive = machineState(kit);
        EXPECT_NE(interactive, before);
        // The interactive run's log: the message shown, with the user's
        // answer, and what the answer decided.
        const std::string recordLog = readFile(kRecordLog);
        EXPECT_NE(recordLog.find("対話型のセットアップ"), std::string::npos) << recordLog;
        if (!custom) {
            EXPECT_NE(recordLog.find("メッセージ 「" + std::string(kWizardCaption) +
                                     "」: 新しい設定を有効にするには、コンピュータを再起動する必要があります。 / "
                                     "再起動しますか?\r\n"),
                      std::string::npos)
                << recordLog;
            EXPECT_NE(recordLog.find("  → 応答: いいえ\r\n"), std::string::npos) << recordLog;
        }
        EXPECT_NE(recordLog.find("応答ファイルに記録しました: " + std::string(kAnswers)), std::string::npos);
        std::string answers = readFile(kAnswers);
        // Custom setup: C3 cleared, so no restart was asked about.
        EXPECT_EQ(answers, custom ? answersFor("Custom",
                                               "[Components]\r\nC1_4410Q=1\r\nC2_5510B=1\r\nC3_5510B=0\r\n"
                                               "C4_5510B=1\r\n",
                                               nullptr)
                                  : answersFor("Standard"));

        freshMachine();
        EXPECT_EQ(machineState(kit), before);
        EXPECT_EQ(silent(), custom ? kCompleted : kRestartPending)
            << "standard: the recorded No leaves the restart to the user\n"
            << log();
        EXPECT_EQ(machineState(kit), interactive) << "replay:\n"
                                                  << describe(machineState(kit)) << "interactive:\n"
                                                  << describe(interactive);
    }
}

// The run stopped before the progress page writes no answers.
TEST_F(Unattended, ARunStoppedBeforeTheProgressPageRecordsNothing)
{
    OsprinRun run(kit.dir, std::string("/record:") + kAnswers);
    HWND sheet = run.wizard(kWizardCaption, 30000);
    ASSERT_NE(sheet, nullptr);
    pressSheet(sheet, PSBTN_NEXT);
    ASSERT_TRUE(waitForPage(sheet, IDD_PAGE_NICKNAME));
    pressSheet(sheet, PSBTN_CANCEL);
    EXPECT_EQ(run.exitCode(30000), 0);
    EXPECT_FALSE(fileExists(kAnswers));
}

struct StatusCase {
    const char *what;
    int status;
};

class UnattendedStatus : public Unattended, public testing::WithParamInterface<StatusCase> {};

// Every way an unattended run ends, with the value a script reads.
TEST_P(UnattendedStatus, TellsTheScriptHowTheRunEnded)
{
    const StatusCase &c = GetParam();
    std::string answers = answersFor("Standard");
    SessionWatch session;
    switch (c.status) {
    case kCompleted:
        kit.components[2].extraInis = "";   // nothing that needs a restart
        freshMachine();
        break;
    case kRestartStarted:
        answers = answersFor("Standard", "", "Yes");
        break;
    case kPartial:
        kit.components[1].missingLast = true;
        freshMachine();
        break;
    case kDiskFull:
        // More than any disk holds: ten components of 28 times 4 GB.
        for (int i = 0; i < 10; ++i) {
            KitComponent huge = kitComponent(("H" + std::to_string(i)).c_str(), "5510B", "大きい", 2, true, 1);
            huge.fileSize = 4000000000u;
            huge.copyLists = 28;
            kit.components.push_back(huge);
        }
        freshMachine();
        break;
    case kRefused:
        ASSERT_TRUE(writeFile(kit.dir + "\\OSPRIN.INF", setupInf + "[load_inf]\r\nNOTHERE.INF\r\n"));
        break;
    case kUnfit:
        answers = "";   // no answer file at all
        break;
    }
    if (!answers.empty()) {
        ASSERT_TRUE(writeFile(kAnswers, answers));
    }
    const std::map<std::string, std::string> before = machineState(kit);
    EXPECT_EQ(silent(), c.status) << log();
    EXPECT_EQ(waitUntil([&] { return session.asked(); }, c.status == kRestartStarted ? 5000 : 500),
              c.status == kRestartStarted)
        << "Windows restarts only on the file's Yes";
    std::string text = log();
    switch (c.status) {
    case kCompleted:
    case kRestartStarted:
    case kRestartPending:
        EXPECT_TRUE(kit.installedAll(kit.components[1]) && kit.installedAll(kit.components[2]));
        EXPECT_TRUE(kit.installedNone(kit.components[0]) && kit.installedNone(kit.components[3]));
        break;
    case kPartial:
        EXPECT_NE(text.find("コンポーネント C2_5510B: セットアップできませんでした"), std::string::npos) << text;
        EXPECT_NE(text.find("元のファイルが見つからないため"), std::string::npos) << text;
        EXPECT_NE(text.find("(無人セットアップのため表示せず)"), std::string::npos) << "the prompt, not shown";
        EXPECT_TRUE(kit.installedAll(kit.components[2]));
        break;
    case kDiskFull:
        EXPECT_NE(text.find("空き容量が足りません。"), std::string::npos) << text;
        EXPECT_EQ(machineState(kit), before);
        break;
    case kRefused:
        EXPECT_NE(text.find("INFファイルが見つかりませんでした。"), std::string::npos) << "message 2010\n" << text;
        EXPECT_EQ(machineState(kit), before);
        break;
    case kUnfit:
        EXPECT_NE(text.find("応答ファイルを開けません"), std::string::npos) << text;
        EXPECT_EQ(machineState(kit), before);
        break;
    }
    EXPECT_NE(text.find("終了: 終了コード " + std::to_string(c.status)), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Statuses, UnattendedStatus,
                         testing::Values(StatusCase{"completed", kCompleted},
                                         StatusCase{"restart needed, answered No", kRestartPending},
                                         StatusCase{"restart answered Yes", kRestartStarted},
                                         StatusCase{"a component not set up", kPartial},
                                         StatusCase{"no disk space", kDiskFull},
                                         StatusCase{"the kit refused at start-up", kRefused},
                                         StatusCase{"no answer file", kUnfit}),
                         [](const testing::TestParamInfo<StatusCase> &info) { return std::to_string(info.index); });

// Answer files that are not answer files, or that do not fit the kit: the
// run installs nothing, and the log says why.
TEST_F(Unattended, AnAnswerFileThatDoesNotFitChangesNothing)
{
    const std::string good = answersFor("Standard");
    auto with = [&](const std::string &from, const std::string &to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        const char *what;
        std::string text;
        const char *logged;
    } cases[] = {
        {"bytes that are not text", good + "Restart=\x83\r\n", "code page 932"},
        {"not an INI file", "MZ\x90\x00 this is a program", "形式が正しくありません"},
        {"a key twice", good + "Model=4410Q\r\n", "stands twice"},
        {"an over-long value", with("ノート乙,BRENA", std::string(300, 'x')), "too long"},
        {"another kit's setup INF", with("OSPRIN.INF", "OTHER.INF"), "セットアップ INF がありません"},
        {"another product", with(kWizardCaption, "別の製品"), "製品名が違います"},
        {"a nickname the kit does not offer", with("ノート乙,BRENA", "ノート丙,BRENA"), "愛称"},
        {"a model of another family", with("5510B", "4410Q"), "機種"},
        {"a component the kit does not have",
         with("Setup=Standard", "Setup=Custom") + "[Components]\r\nC1_4410Q=1\r\nC2_5510B=1\r\nC3_5510B=1\r\n"
                                                  "C4_5510B=1\r\nC9_5510B=1\r\n",
         "キットにないコンポーネント"},
        {"a component of the kit missing",
         with("Setup=Standard", "Setup=Custom") + "[Components]\r\nC1_4410Q=1\r\nC2_5510B=1\r\nC3_5510B=1\r\n",
         "応答ファイルにないコンポーネント"},
    };
    const std::map<std::string, std::string> before = machineState(kit);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(writeFile(kAnswers, c.text));
        EXPECT_EQ(silent(), kUnfit);
        EXPECT_EQ(machineState(kit), before) << "nothing installed";
        EXPECT_NE(log().find(c.logged), std::string::npos) << log();
    }
}

// The log of an unattended run: its header, the start-up, each component,
// each file with what became of it (a file in use waits for the restart),
// registry values, INI and boot-file lines, the prompts that were not
// shown, the restart decision, the exit status; CP932, CR LF.
TEST_F(Unattended, TheLogTellsWhatEachStepDid)
{
    // C2's first file exists and another program holds it: its replacement
    // waits for the restart. C3 misses a file: given up, not prompted for.
    kit.components[2].missingLast = true;
    freshMachine();
    CreateDirectoryA(kit.destination(kit.components[1]).c_str(), nullptr);
    const std::string held = kit.destination(kit.components[1]) + "\\" + kit.components[1].fileName(1);
    ASSERT_TRUE(writeFile(held, "the old one"));
    Holder holder(held);
    ASSERT_TRUE(holder.holding());
    ASSERT_TRUE(writeFile(kAnswers, answersFor("Standard")));
    EXPECT_EQ(silent(), kPartial);
    holder.release();

    const std::string text = log();
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_EQ(text[at - 1], '\r') << "CR LF at " << at;
    const bool nt = chosenWindowsVersion() == "win10";
    const std::vector<std::string> expected = {
        "Osprin セットアップ ログ",
        "開始: ",
        nt ? "(NT 系)" : "(Windows 95/98 系)",
        "キットのフォルダ: " + kit.dir,
        "無人セットアップ (応答ファイルから)",
        "製品: " + std::string(kWizardCaption) + " (OSPRIN.INF",
        "コンポーネントの一覧: 4 個",
        "愛称: ノート乙,BRENA, 機種: 5510B ＢＲＥＮＡ５（5510B）",
        "検出: C2_5510B はあります (レジストリ Installed=\"1\")",
        "選択: C2_5510B (他機種)",
        "ファイル " + kit.destination(kit.components[1]) + "\\C2F002.TXT: コピーしました (新しいファイル) ← " + kit.dir +
            "\\C2F002.TXT",
        "ファイル " + held + ": 既存のファイルを削除できない (使用中) ため、再起動時に置き換えます",
        nt ? "再起動時の置き換え (MoveFileEx): " + held : "再起動時の置き換え (wininit.ini): ",
        "レジストリ HKCU\\" + std::string(kResultKey) + " \"C2\" = C2_5510B",
        "CONFIG.SYS に追加: REM C2_5510B",
        "(無人セットアップのため表示せず)",
        "C3MISS.TXT: 元のファイルが見つからないため",
        "コンポーネント C3_5510B: セットアップできませんでした (ファイルの失敗)",
        "コンポーネント C2_5510B: 完了",
        "インストールの結果: 完了, セットアップできなかったコンポーネント 1, 再起動が必要",
        "再起動: 必要ですが行いません",
        "終了: 終了コード 1603",
    };
    for (const std::string &line : expected)
        EXPECT_NE(text.find(line), std::string::npos) << "missing: " << line << "\n" << text;
    EXPECT_EQ(text.find("INI system.ini [WizardTest] Touched=1"), std::string::npos)
        << "C3 stopped at its missing file, before its INI lines";
}

// The command line's own refusals: an unknown switch, a switch without its
// file and a log that cannot be opened end the program before anything is
// changed; a box tells an interactive user (never an unattended run about
// its log), and the exit status tells a script.
TEST_F(Unattended, ACommandLineThatCannotBeTakenChangesNothing)
{
    struct Case {
        const char *what;
        std::string line;
        int status;
        const char *box;   // the start of the box's text, or null: no box
    } cases[] = {
        {"an unknown switch", "/quiet", kBadCommandLine, "このスイッチは使えません: /quiet\r\r使い方: Osprin.exe"},
        {"a switch without its file", "/log", kBadCommandLine, "スイッチにファイル名がありません: /log\r\r使い方: "},
        {"/record with /silent", std::string("/record:a.ini /silent:") + kAnswers, kBadCommandLine,
         "/record と /silent は一緒に指定できません"},
        {"a log that cannot be opened", "/log:C:\\no-such-folder\\x.log", kLogFailure,
         "ログファイルを開けません。セットアップを終了します。\rC:\\no-such-folder\\x.log"},
        {"unattended, a log that cannot be opened", std::string("/silent:") + kAnswers + " /log:C:\\no-such-folder\\x.log",
         kLogFailure, nullptr},
    };
    ASSERT_TRUE(writeFile(kAnswers, answersFor("Standard")));
    const std::map<std::string, std::string> before = machineState(kit);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OsprinRun run(kit.dir, c.line);
        if (c.box != nullptr) {
            HWND box = run.messageBox("ｴﾗｰ");
            ASSERT_NE(box, nullptr);
            BoxView view = viewBox(box);
            EXPECT_EQ(view.text.substr(0, strlen(c.box)), c.box) << view.text;
            EXPECT_EQ(view.icon, IDI_HAND);
            EXPECT_EQ(FindWindowA("QELDriverKit", nullptr), nullptr) << "no main window before the line is taken";
            pressButton(box, IDOK);
        } else {
            EXPECT_EQ(run.messageBox("ｴﾗｰ", 1000), nullptr);
        }
        EXPECT_EQ(run.exitCode(), c.status);
        EXPECT_EQ(machineState(kit), before);
    }
}

// One setup at a time: an unattended run while another setup program runs
// ends at once and says so.
TEST_F(Unattended, AnotherSetupProgramRunning)
{
    ASSERT_TRUE(writeFile(kAnswers, answersFor("Standard")));
    OsprinRun first(kit.dir);
    HWND sheet = first.wizard(kWizardCaption, 30000);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(silent(std::string("/silent:") + kAnswers), kAlreadyRunning);
    pressSheet(sheet, PSBTN_CANCEL);
    EXPECT_EQ(first.exitCode(30000), 0);
}

}  // namespace
