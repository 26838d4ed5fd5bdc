// The progress page: installs the selected components when it becomes
// active, with a bar, a way to stop between components, and the disk passes
// of the floppy kit; then moves on to the finish page by itself.
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
#include "setup/wizard/wizard.h"
#include "setup/wizard/wizard_pages.h"
#include "setup/wizard/wizard_state.h"
#include "setup/wizard/wizard_text.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

const uint64_t kDiskReserve = 2000000;   // bytes kept free beyond the selection
const int kMessageControl = 1028;
const char kDiskSizesInf[] = "UPGSIZE.INF";

bool running;   // a run is under way: a second start message is not a second run

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
    if (MessageBoxA(page, "中断しますか?", setupState.productCaption, MB_ICONWARNING | MB_YESNO) == IDYES) {
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
    int failuresBefore = engineState.fileFailures;
    int result = runComponent(record.Section, record.INF, 1);
    if (result == 0 || engineState.fileFailures != failuresBefore)
        record.RunOutcome = -1;
    else if (record.RunOutcome == 0)
        record.RunOutcome = 1;
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
    MessageBoxA(setupState.wizardWindow, text, setupState.productCaption, MB_ICONWARNING | MB_OK);
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
    if (measureFreeSpace() >= needed)
        return true;
    char kilobytes[24];
    formatDecimal(needed / 1024, kilobytes, sizeof kilobytes);
    char text[kPathSize];
    TextBuilder message = startText(text);
    addText(message, "空き容量が足りません。\n");
    addText(message, kilobytes);
    addText(message, "キロバイトの空き容量が必要です。\nセットアップを中断します。\n");
    MessageBoxA(setupState.wizardWindow, text, setupState.productCaption, MB_ICONINFORMATION | MB_OK);
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
        return;
    }
    if (setupState.floppyKit)
        return;
    char text[kPathSize];
    loadString(IDS_UPDATING_SHORTCUTS, text, sizeof text);
    SetDlgItemTextA(page, kMessageControl, text);
    HCURSOR previous = SetCursor(LoadCursor(NULL, IDC_WAIT));
    EnableWindow(setupState.wizardWindow, FALSE);
    if (runShortcutUpdate(page) == 0)
        setupState.restartNeeded = true;
    EnableWindow(setupState.wizardWindow, TRUE);
    SetCursor(previous);
    SetDlgItemTextA(page, kMessageControl, "");
    SetForegroundWindow(setupState.wizardWindow);
}

// The page leaves by itself: Cancel is over, Next takes the user to the
// finish page.
void moveOn(HWND page)
{
    HWND sheet = GetParent(page);
    EnableWindow(GetDlgItem(sheet, IDCANCEL), FALSE);
    PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
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

void run(HWND page)
{
    wizardState.setupResult = 0;
    wizardState.failedComponents = 0;
    FILETIME winTime = {0, 0}, systemTime = {0, 0}, wifemanTime = {0, 0};
    snapshotIniTimes(&winTime, &systemTime, &wifemanTime);

    if (!chooseComponents()) {
        // Nothing can be installed; the finish page says so and lets the
        // user leave.
        wizardState.setupResult = kSetupIncomplete;
        moveOn(page);
        return;
    }

    if (setupState.floppyKit) {
        int disks = countDisks();
        if (disks == 0) {
            wizardState.setupResult = kSetupIncomplete;
            moveOn(page);
            return;
        }
        for (int pass = 1; pass <= disks; ++pass) {
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

    if (wizardState.setupResult != 1 && countChangedIniTimes(&winTime, &systemTime, &wifemanTime) != 0)
        setupState.restartNeeded = true;
    if (!engineState.cancelRequested)
        setBar(100);
    moveOn(page);
}

void createBar(HWND page)
{
    RECT place;
    GetWindowRect(GetDlgItem(page, 1023), &place);
    MapWindowPoints(NULL, page, (POINT *)&place, 2);
    InitCommonControls();
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, page, NULL, setupState.instance,
                               NULL);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(bar, PBM_SETSTEP, 10, 0);
    SetFocus(bar);
    setupState.preparingProgress = bar;
    SendMessageA(bar, PBM_SETPOS, 0, 0);
}

}  // namespace

INT_PTR CALLBACK progressPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        createBar(page);
        // A stop asked for before the installation (at a disk prompt of the
        // start-up) is over; one asked for from here on counts.
        engineState.cancelRequested = false;
        return TRUE;
    case WM_DESTROY:
        // The bar goes with the page; the engine must not paint a window
        // that is gone.
        setupState.preparingProgress = NULL;
        break;
    case WM_PAINT:
        paintSidePanel(page, IDB_SIDE_PANEL, 1011);
        return FALSE;
    case kRunMessage:
        if (!running) {
            running = true;
            run(page);
            running = false;
        }
        return TRUE;
    case WM_NOTIFY:
        switch (((const NMHDR *)lParam)->code) {
        case PSN_SETACTIVE:
            postWizardButtons(page, 0);
            PostMessageA(page, kRunMessage, 0, 0);
            return reply(page, 0);
        case PSN_QUERYCANCEL:
            engineState.cancelRequested = true;
            return reply(page, TRUE);
        case PSN_WIZNEXT:
        case PSN_WIZBACK:
        case PSN_RESET:
        case PSN_KILLACTIVE:
            return reply(page, 0);
        }
        break;
    }
    return FALSE;
}
