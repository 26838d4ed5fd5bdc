// The installation of the chosen components, as the progress page runs it
// and as an unattended run runs it without a window: the components of the
// run, the space, the disk passes of the floppy kit, the stop between
// components, the shortcut update and the restart that the run needs.
#include "setup/components/component_catalogue.h"
#include "setup/components/components.h"
#include "setup/engine/engine_state.h"
#include "setup/engine/install_driver.h"
#include "setup/engine/program_runner.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/sysconfig/ini_updates.h"
#include "setup/wizard/install_run.h"
#include "setup/wizard/wizard.h"
#include "setup/wizard/wizard_pages.h"
#include "setup/wizard/wizard_state.h"
#include "setup/wizard/wizard_text.h"
#include "setup/shell/install_log.h"
#include "setup/shell/messages.h"

#include <commctrl.h>

namespace {

const uint64_t kDiskReserve = 2000000;   // bytes kept free beyond the selection
const int kMessageControl = 1028;
const char kDiskSizesInf[] = "UPGSIZE.INF";

void setBar(int position)
{
    if (setupState.preparingProgress != NULL)
        SendMessageA(setupState.preparingProgress, PBM_SETPOS, (WPARAM)position, 0);
}

// After a component: when the user asked to stop, asks whether to. true
// when the run is to end.
bool userStops(HWND page)
{
    if (!engineState.cancelRequested)
        return false;
    // Unattended, only a person at the disk dialog can have asked to stop.
    if (showMessage(page, "中断しますか?", setupState.productCaption, MB_ICONWARNING | MB_YESNO, IDYES) == IDYES) {
        wizardState.setupResult = 1;
        return true;
    }
    engineState.cancelRequested = false;
    if (setupState.preparingProgress != NULL)
        SetFocus(setupState.preparingProgress);
    return false;
}

// One component of a pass. A component that the engine could not set up
// (its INF or a directive failed, or a file of it could not be installed or
// was given up) stays marked as such through the later passes.
void runOne(ComponentRecord &record)
{
    logLine("コンポーネント ", record.Section, " (", record.OptionDesc, ") を開始します");
    int failuresBefore = engineState.fileFailures;
    int result = runComponent(record.Section, record.INF, 1);
    if (result == 0 || engineState.fileFailures != failuresBefore) {
        record.RunOutcome = -1;
        logLine("コンポーネント ", record.Section, ": セットアップできませんでした",
                result == 0 ? " (INFファイルまたはセクションの処理に失敗)" : " (ファイルの失敗)");
    } else {
        if (record.RunOutcome == 0)
            record.RunOutcome = 1;
        logLine("コンポーネント ", record.Section, ": 完了");
    }
}

// Runs every selected component once, in tree order, with the bar before
// each; pass is 1..passCount (1 of 1 outside the floppy kit). false when
// the user stopped.
bool runPass(HWND page, int pass, int passCount)
{
    for (int index = 0; index < componentTree.count; ++index) {
        pumpMessages(page);
        setBar(progressPosition(pass, passCount, index, componentTree.count));
        ComponentRecord &record = componentTree.records[index];
        if (record.State == kStateOn)
            runOne(record);
        if (userStops(page))
            return false;
    }
    return true;
}

void tellIncomplete(const char *reason, const char *path)
{
    char text[kPathSize + 160];
    TextBuilder message = startText(text);
    addText(message, reason);
    addText(message, "\nファイル名: ");
    addText(message, path);
    showMessage(setupState.wizardWindow, text, setupState.productCaption, MB_ICONWARNING | MB_OK);
}

// The number of disks of the floppy kit, or 0 (after telling the user what
// is missing) when the kit's disk list cannot be read or lists no disk: a
// run of no pass would install nothing.
int countDisks()
{
    char path[kPathSize] = "";
    InfImage *image = INF_NONE;
    if (joinPath(path, sizeof path, setupState.sourceDir, kDiskSizesInf))
        image = openInf(path);
    if (image == INF_NONE || image == NULL) {
        tellIncomplete("以下のファイルが見つからないため、セットアップを中断します。", path);
        return 0;
    }
    int count = countSectionLines("SourceDisksNames", image);
    freeInf(image);
    if (count <= 0)
        tellIncomplete("以下のファイルにディスクの一覧 [SourceDisksNames] がないため、セットアップを中断します。", path);
    return count > 0 ? count : 0;
}

// The ordinary kit's space test: false (after telling the user) when the
// drive of Windows lacks room for the selection and the reserve.
bool enoughSpace()
{
    uint64_t needed = kDiskReserve;
    for (int i = 0; i < componentTree.count; ++i)
        if (componentTree.records[i].State == kStateOn)
            needed = addSaturated(needed, componentTree.records[i].Size);
    uint64_t free = measureFreeSpace();
    logLine("ディスク容量: 必要 ", LogNumber((long long)(needed / 1024)), " KB (予備を含む), 空き ",
            LogNumber((long long)(free / 1024)), " KB");
    if (free >= needed)
        return true;
    char kilobytes[24];
    formatDecimal(needed / 1024, kilobytes, sizeof kilobytes);
    char text[kPathSize];
    TextBuilder message = startText(text);
    addText(message, "空き容量が足りません。\n");
    addText(message, kilobytes);
    addText(message, "キロバイトの空き容量が必要です。\nセットアップを中断します。\n");
    showMessage(setupState.wizardWindow, text, setupState.productCaption, MB_ICONINFORMATION | MB_OK);
    return false;
}

// The group definitions that the components left in setup.ini become
// shortcuts; after a stop the file is only removed, in the floppy kit too
// (whose update is otherwise the main window's, after the wizard).
void updateShortcuts(HWND page)
{
    char setupIni[kPathSize];
    if (!joinPath(setupIni, sizeof setupIni, setupState.windowsDir, "setup.ini") ||
        GetFileAttributesA(setupIni) == INVALID_FILE_ATTRIBUTES)
        return;
    if (wizardState.setupResult == 1) {
        DeleteFileA(setupIni);
        logLine("setup.ini を削除しました (中断したセットアップのグループは作りません)");
        return;
    }
    if (setupState.floppyKit)
        return;
    char text[kPathSize];
    loadString(IDS_UPDATING_SHORTCUTS, text, sizeof text);
    if (page != NULL)
        SetDlgItemTextA(page, kMessageControl, text);
    HCURSOR previous = SetCursor(LoadCursor(NULL, IDC_WAIT));
    if (setupState.wizardWindow != NULL)
        EnableWindow(setupState.wizardWindow, FALSE);
    if (runShortcutUpdate(page != NULL ? page : setupState.mainWindow) == 0)
        setupState.restartNeeded = true;
    SetCursor(previous);
    if (setupState.wizardWindow != NULL) {
        EnableWindow(setupState.wizardWindow, TRUE);
        SetDlgItemTextA(page, kMessageControl, "");
        SetForegroundWindow(setupState.wizardWindow);
    }
}

// The components of the run: with standard setup what is present on the
// machine for the chosen model; with custom setup exactly what the user
// ticked on the custom page. false when the selection cannot be made.
bool chooseComponents()
{
    for (int i = 0; i < componentTree.count; ++i)
        componentTree.records[i].RunOutcome = 0;
    if (!wizardState.standardChosen)
        return componentTree.records != NULL;
    return applyDetectedSelection() != 0;
}

// What did not get set up, for the finish page.
void countFailures()
{
    wizardState.failedComponents = 0;
    for (int i = 0; i < componentTree.count; ++i)
        if (componentTree.records[i].RunOutcome < 0)
            ++wizardState.failedComponents;
}

}  // namespace

void runInstallation(HWND page)
{
    wizardState.setupResult = 0;
    wizardState.failedComponents = 0;
    FILETIME winTime = {0, 0}, systemTime = {0, 0}, wifemanTime = {0, 0};
    snapshotIniTimes(&winTime, &systemTime, &wifemanTime);
    logLine("インストールを開始します: ", wizardState.standardChosen ? "標準セットアップ" : "カスタムセットアップ",
            ", 機種 ", wizardState.modelKey);

    if (!chooseComponents()) {
        // Nothing can be installed; the finish page says so and lets the
        // user leave.
        wizardState.setupResult = kSetupIncomplete;
        logLine("インストールする部品を決められません");
        return;
    }
    for (int i = 0; i < componentTree.count; ++i)
        if (componentTree.records[i].State == kStateOn)
            logLine("選択: ", componentTree.records[i].Section, " (", componentTree.records[i].OptionDesc, ")");

    if (setupState.floppyKit) {
        int disks = countDisks();
        if (disks == 0) {
            wizardState.setupResult = kSetupIncomplete;
            return;
        }
        for (int pass = 1; pass <= disks; ++pass) {
            logLine("ディスク ", LogNumber(pass), " / ", LogNumber(disks), " の処理");
            engineState.currentDiskPass = pass;
            if (!runPass(page, pass, disks))
                break;
        }
        engineState.currentDiskPass = 0;
    } else {
        if (!enoughSpace())
            wizardState.setupResult = 2;
        if (wizardState.setupResult == 0) {
            engineState.currentDiskPass = 0;
            runPass(page, 1, 1);
        }
    }
    updateShortcuts(page);
    countFailures();

    if (wizardState.setupResult != 1 && countChangedIniTimes(&winTime, &systemTime, &wifemanTime) != 0) {
        setupState.restartNeeded = true;
        logLine("win.ini, system.ini または wifeman.ini が変わりました: 再起動が必要です");
    }
    if (!engineState.cancelRequested)
        setBar(100);
    static const char *const kResults[] = {"完了", "ユーザーによる中断", "空き容量の不足による中断",
                                           "必要なファイルがないための中断"};
    int result = wizardState.setupResult;
    logLine("インストールの結果: ", result >= 0 && result <= 3 ? kResults[result] : "?",
            wizardState.failedComponents > 0 ? ", セットアップできなかったコンポーネント " : "",
            wizardState.failedComponents > 0 ? (const char *)LogNumber(wizardState.failedComponents) : "",
            setupState.restartNeeded ? ", 再起動が必要" : "");
}
