// The start-up chain of the main window: the preparing dialog, the setup INF
// and its start-up sections, the component tree, the wizard and the
// setup.ini follow-up. Each step posts the next one or closes the program.
#include "setup/shell/main_window.h"

#include "setup/components/component_catalogue.h"
#include "setup/engine/program_runner.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_infs.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/shell/source_path.h"
#include "setup/shell/install_log.h"
#include "setup/shell/messages.h"
#include "setup/shell/unattended.h"
#include "setup/wizard/wizard.h"

#include <commctrl.h>

void closeProgram()
{
    if (setupState.logoWindow != NULL) {
        DestroyWindow(setupState.logoWindow);
        setupState.logoWindow = NULL;
        setupState.preparingProgress = NULL;
    }
    // Start-up ended the program: an unattended run's script learns that the
    // kit was refused (unless it knows better already).
    if (setupState.silent && setupState.exitStatus == kExitCompleted)
        setupState.exitStatus = kExitKitRefused;
    logLine("セットアップを終了します (起動時の処理)");
    // A start-up section may have changed what takes effect only after a
    // restart: the user decides before the program ends.
    settleRestart();
    if (setupState.mainWindow != NULL)
        DestroyWindow(setupState.mainWindow);
}

// The preparing dialog: centred, titled with the product caption, with the
// progress bar exactly over its control 1034.
static INT_PTR CALLBACK preparingProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    centreWindow(dialog);
    SetWindowTextA(dialog, setupState.productCaption);
    InitCommonControls();
    RECT place = {};
    HWND placeholder = GetDlgItem(dialog, IDC_PREPARING_BAR);
    if (placeholder != NULL) {
        GetWindowRect(placeholder, &place);
        MapWindowPoints(NULL, dialog, (POINT *)&place, 2);
    }
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, dialog, NULL,
                               resourceInstance(), NULL);
    if (bar != NULL) {
        SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendMessageA(bar, PBM_SETSTEP, 10, 0);
        SendMessageA(bar, PBM_SETPOS, 0, 0);
        SetFocus(bar);
    }
    setupState.preparingProgress = bar;
    return FALSE;
}

static void showPreparing(HWND window)
{
    if (setupState.logoWindow == NULL && !setupState.silent) {
        setupState.logoWindow = CreateDialogParamA(resourceInstance(), MAKEINTRESOURCEA(IDD_PREPARING), window,
                                                   preparingProc, 0);
        if (setupState.logoWindow == NULL)
            showMessage(window, "Don't Create LOGO Window", "information", MB_OK | MB_ICONINFORMATION);
    }
    PostMessageA(window, kFindSetupInf, 0, 0);
}

// Opens sourceDir + setupInfName into the setup INF slot; false after
// message 2019.
static bool openSetupInf(HWND window)
{
    char path[kPathSize];
    InfImage *image = joinPath(path, setupState.sourceDir, setupState.setupInfName) ? openInf(path) : INF_NONE;
    if (image == INF_NONE || image == NULL) {
        errorBox(window, IDS_INF_OPEN_FAILED, MB_OK | MB_ICONSTOP);
        return false;
    }
    setInfSlot(SETUP_INF, image);
    logLine("セットアップ INF を読み込みました: ", path);
    return true;
}

static bool findSetupInf(HWND window)
{
    pumpMessages(setupState.logoWindow);
    char pattern[kPathSize];
    TextBuilder text = startText(pattern);
    addText(text, "\\");
    addText(text, setupState.infPattern);

    char *list = NULL;
    int count = listSetupInfs(setupState.programDir, pattern, &list);
    if (count == 0 && lstrcmpiA(setupState.programDir, setupState.windowsDir) == 0) {
        // A kit already copied to the machine: its INFs are in the Windows
        // INF directory.
        char infDir[kPathSize];
        freeSetupInfList(list);
        count = joinPath(infDir, setupState.windowsDir, "INF") ? listSetupInfs(infDir, pattern, &list) : 0;
        if (count > 0)
            setupState.foundInWindowsInf = true;
    }
    setupState.setupInfCount = count;
    bool chosen = true;
    if (count == 0) {
        errorBox(window, IDS_NO_SETUP_INF, MB_OK | MB_ICONSTOP);
        chosen = false;
    } else if (setupState.silent) {
        chosen = chooseAnsweredProduct(list, count);
    } else if (count > 1) {
        chosen = chooseProduct(list) == 1;
    } else {
        copyText(setupState.setupInfName, list);
    }
    logLine("セットアップ INF: ", LogNumber(count), " 個 (", list != NULL ? list : "", ")",
            setupState.foundInWindowsInf ? ", Windows の INF フォルダ" : "");
    freeSetupInfList(list);
    if (!chosen)
        return false;
    setupState.floppyKit = isFloppySetupInf(setupState.sourceDir, setupState.setupInfName);
    if (!openSetupInf(window))
        return false;
    if (!checkLoadInfs()) {
        errorBox(window, IDS_LOAD_INF_MISSING, MB_OK | MB_ICONSTOP);
        return false;
    }
    if (!readVersionData()) {
        errorBox(window, IDS_LAYOUT_MISSING, MB_OK | MB_ICONSTOP);
        return false;
    }
    logLine("製品: ", setupState.productCaption, " (", setupState.setupInfName, ", SetupClass ", setupState.setupClass,
            setupState.floppyKit ? ", フロッピーディスクのキット)" : ")");
    if (setupState.silent && !answeredProductFits())
        return false;
    storeSourcePath();
    if (setupState.logoWindow != NULL) {
        SetWindowTextA(setupState.logoWindow, setupState.productCaption);
        UpdateWindow(setupState.logoWindow);
    }
    SetWindowTextA(window, setupState.productCaption);
    UpdateWindow(window);
    return true;
}

static bool startupSections(HWND window)
{
    EnableWindow(window, FALSE);
    pumpMessages(setupState.logoWindow);
    logLine("起動時の処理: セットアップ INF の [BaseWinOptions]");
    baseWinOptionsStep();
    bool going = true;
    if (setupState.floppyKit) {
        // The disks are swapped during the installation: the INFs are read
        // from copies in the temporary directory from here on.
        going = copyInfsToTemp("inf.Copy") && copyInfsToTemp("load_inf");
        if (going) {
            char temp[MAX_PATH + 1];
            tempDirectory(temp);
            copyText(setupState.sourceDir, temp);
            InfImage *old = setInfSlot(SETUP_INF, INF_NONE);
            if (old != INF_NONE && old != NULL)
                freeInf(old);
            going = openSetupInf(window);
        }
    }
    EnableWindow(window, TRUE);
    return going;
}

static bool buildTree(HWND window)
{
    pumpMessages(window);
    bool built = buildComponentTree(window) != 0;
    if (built)
        logLine("コンポーネントの一覧: ", LogNumber(componentTree.count), " 個");
    if (setupState.logoWindow != NULL) {
        DestroyWindow(setupState.logoWindow);
        setupState.logoWindow = NULL;
        setupState.preparingProgress = NULL;
    }
    return built;
}

static bool setupIniExists()
{
    char path[kPathSize];
    return joinPath(path, setupState.windowsDir, "setup.ini") && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static void runWizardAndFollowUp(HWND window)
{
    InvalidateRect(window, NULL, TRUE);
    UpdateWindow(window);
    setupState.freeDiskBytes = measureFreeSpace();
    if (setupState.silent)
        runUnattended();
    else if (runWizard(window, setupState.instance) == -1)
        errorBox(window, IDS_DIALOG_FAILED, MB_OK | MB_ICONSTOP);
    if (setupIniExists()) {
        EnableWindow(window, FALSE);
        if (runShortcutUpdate(window) == 0)
            setupState.restartNeeded = true;
        EnableWindow(window, TRUE);
    }
    // Whatever closed the wizard (Finish, a Cancel before the installation,
    // a sheet that never came), a restart still pending is asked about.
    bool restartWanted = setupState.restartNeeded;
    settleRestart();
    if (restartWanted && !setupState.restartNeeded)
        settleExitStatus(true, false);
    if (!setupState.silent)
        ShowWindow(window, SW_SHOWMINNOACTIVE);
    setupState.wizardWindow = NULL;
    DestroyWindow(window);
}

void runStartupStep(HWND window, UINT step)
{
    HCURSOR previous = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    UINT next = 0;
    bool going = true;
    switch (step) {
    case kShowPreparing:
        showPreparing(window);
        break;
    case kFindSetupInf:
        going = findSetupInf(window);
        next = kBaseWinOptions;
        break;
    case kBaseWinOptions:
        going = startupSections(window);
        next = kLoadInfs;
        break;
    case kLoadInfs:
        pumpMessages(setupState.logoWindow);
        logLine("起動時の処理: [load_inf] の INF の [BaseWinOptions]");
        loadInfStep();
        next = kModules;
        break;
    case kModules:
        EnableWindow(window, FALSE);
        pumpMessages(setupState.logoWindow);
        modulesStep();
        EnableWindow(window, TRUE);
        next = kBuildTree;
        break;
    case kBuildTree:
        going = buildTree(window);
        next = kRunWizard;
        break;
    case kRunWizard:
        SetCursor(previous);
        runWizardAndFollowUp(window);
        return;
    }
    SetCursor(previous);
    if (!going)
        closeProgram();
    else if (next != 0)
        PostMessageA(window, next, 0, 0);
}
