// The setup INFs of the kit: discovery beside the program, the product
// choice (dialog 106), the version data, and the start-up sections.
#include "setup/shell/setup_infs.h"

#include "setup/engine/install_driver.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/shell/install_log.h"

#include <windows.h>
#include <commctrl.h>

static const char kDefaultCaption[] = "QEL ﾄﾞﾗｲﾊﾞｷｯﾄ";

// The name a setup INF goes by: its 8.3 name where the file system keeps
// one, so that the name fits the old profile and INF calls.
static const char *shortName(const WIN32_FIND_DATAA &found)
{
    return found.cAlternateFileName[0] != '\0' ? found.cAlternateFileName : found.cFileName;
}

static bool fileExists(const char *path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

// 1 for "$UPGKIT$", 2 for "$UPGKITFD$", 0 for any other file.
static int setupInfKind(const char *path)
{
    char signature[kShortSize];
    GetPrivateProfileStringA("version", "signature", "", signature, sizeof signature, path);
    if (lstrcmpiA(signature, "$UPGKIT$") == 0)
        return 1;
    if (lstrcmpiA(signature, "$UPGKITFD$") == 0)
        return 2;
    return 0;
}

bool isFloppySetupInf(const char *directory, const char *name)
{
    char path[kPathSize];
    return joinPath(path, directory, name) && setupInfKind(path) == 2;
}

void freeSetupInfList(char *list)
{
    if (list != NULL)
        HeapFree(GetProcessHeap(), 0, list);
}

int listSetupInfs(const char *directory, const char *pattern, char **list)
{
    *list = NULL;
    copyText(setupState.sourceDir, directory);
    copyText(setupState.kitSourceDir, directory);

    char search[kPathSize];
    TextBuilder path = startText(search);
    addText(path, directory);
    addText(path, pattern);
    if (path.cut)
        return 0;

    // The files are counted first: the list has room for each of them.
    WIN32_FIND_DATAA found;
    int files = 0;
    HANDLE handle = FindFirstFileA(search, &found);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    do
        ++files;
    while (FindNextFileA(handle, &found));
    FindClose(handle);

    size_t size = (size_t)files * (kPathSize + 1) + 2;
    char *names = (char *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    if (names == NULL)
        return 0;
    TextBuilder out = startTextN(names, size);
    int count = 0;
    handle = FindFirstFileA(search, &found);
    if (handle != INVALID_HANDLE_VALUE) {
        // The list never takes more files than it was sized for, should the
        // directory grow in between.
        for (int seen = 0; seen < files; ++seen) {
            char file[kPathSize];
            int kind = joinPath(file, directory, shortName(found)) ? setupInfKind(file) : 0;
            if (kind != 0) {
                if (count > 0)
                    addText(out, ",");
                addText(out, shortName(found));
                ++count;
            }
            if (!FindNextFileA(handle, &found))
                break;
        }
        FindClose(handle);
    }
    *list = names;
    return count;
}

// ---- the product choice

struct ProductChoice {
    char *names;   // the list with its commas turned into NULs
    int count;
};

static void addCaptions(HWND dialog, ProductChoice &choice)
{
    HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
    const char *name = choice.names;
    for (int i = 0; i < choice.count; ++i, name += lstrlenA(name) + 1) {
        char path[kPathSize];
        char setupClass[kShortSize];
        char caption[kPathSize];
        if (!joinPath(path, setupState.sourceDir, name))
            continue;
        GetPrivateProfileStringA("version", "SetupClass", "", setupClass, sizeof setupClass, path);
        if (setupClass[0] == '\0')
            continue;
        GetPrivateProfileStringA("Strings", setupClass, "", caption, sizeof caption, path);
        if (caption[0] == '\0')
            continue;
        LRESULT item = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)caption);
        if (item >= 0)
            SendMessageA(list, LB_SETITEMDATA, (WPARAM)item, (LPARAM)name);
    }
}

static INT_PTR CALLBACK productChoiceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        centreWindow(dialog);
        addCaptions(dialog, *(ProductChoice *)lParam);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        SetFocus(GetDlgItem(dialog, IDC_PRODUCT_LIST));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PRODUCT_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
            return TRUE;
        case IDOK: {
            HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
            LRESULT item = SendMessageA(list, LB_GETCURSEL, 0, 0);
            if (item == LB_ERR)
                return TRUE;
            copyText(setupState.setupInfName, (const char *)SendMessageA(list, LB_GETITEMDATA, (WPARAM)item, 0));
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int chooseProduct(const char *list)
{
    int length = lstrlenA(list);
    ProductChoice choice = {(char *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)length + 1), 1};
    if (choice.names == NULL)
        return 0;
    lstrcpyA(choice.names, list);
    // File names hold no commas, so every comma ends one (no trail byte of
    // a double-byte name is taken for one: the scan steps by character).
    for (char *p = choice.names; *p != '\0';) {
        if (*p == ',') {
            *p++ = '\0';   // charNext would stop at the NUL just written
            ++choice.count;
        } else {
            p = (char *)charNext(p);
        }
    }
    INT_PTR result = DialogBoxParamA(resourceInstance(), MAKEINTRESOURCEA(IDD_PRODUCT_CHOICE), setupState.mainWindow,
                                     productChoiceProc, (LPARAM)&choice);
    HeapFree(GetProcessHeap(), 0, choice.names);
    return result == 1 ? 1 : 0;
}

// ---- the chosen setup INF

int readVersionData()
{
    InfImage *setupInf = infSlot(SETUP_INF);
    getProfileString("version", "SetupClass", "", setupState.setupClass, setupInf);
    setupState.productCaption[0] = '\0';
    if (setupState.setupClass[0] != '\0')
        getProfileString("Strings", setupState.setupClass, "", setupState.productCaption, setupInf);
    if (setupState.productCaption[0] == '\0')
        copyText(setupState.productCaption, kDefaultCaption);
    getProfileString("version", "LayoutFile", "", setupState.layoutFileName, setupInf);
    freeAuxInf();

    if (setupState.layoutFileName[0] == '\0')
        return 1;
    char path[kPathSize];
    if (!joinPath(path, setupState.sourceDir, setupState.layoutFileName) || !fileExists(path))
        return 0;
    InfImage *layout = openInf(path);
    if (layout != INF_NONE && layout != NULL)
        setInfSlot(LAYOUT_INF, layout);
    return 1;
}

int checkLoadInfs()
{
    char name[kPathSize];
    for (int n = 1; getSectionLine("load_inf", n, name, infSlot(SETUP_INF)); ++n) {
        char path[kPathSize];
        if (!joinPath(path, setupState.sourceDir, name) || !fileExists(path))
            return 0;
    }
    return 1;
}

// The [BaseWinOptions] of one INF, when it has any.
static void runStartupSections(const char *infPath, InfImage *image)
{
    int lines = countSectionLines("BaseWinOptions", image);
    if (lines > 0)
        runBaseWinOptions(lines, infPath, image);
}

void baseWinOptionsStep()
{
    char path[kPathSize];
    if (joinPath(path, setupState.sourceDir, setupState.setupInfName))
        runStartupSections(path, infSlot(SETUP_INF));
}

void loadInfStep()
{
    int count = countSectionLines("load_inf", infSlot(SETUP_INF));
    for (int i = 0; i < count; ++i) {
        char name[kPathSize];
        char path[kPathSize];
        if (getSectionLine("load_inf", i + 1, name, infSlot(SETUP_INF)) &&
            joinPath(path, setupState.sourceDir, name) && fileExists(path)) {
            InfImage *image = openInf(path);
            if (image != INF_NONE && image != NULL) {
                logLine("[load_inf] の INF: ", path);
                setInfSlot(AUX_INF, image);
                runStartupSections(path, image);
                freeAuxInf();
            }
        }
        if (setupState.preparingProgress != NULL)
            SendMessageA(setupState.preparingProgress, PBM_SETPOS, (WPARAM)(i * 50 / count), 0);
    }
}

void modulesStep()
{
    // Each line is cut at its '=' as a module name; nothing uses the names.
    char line[kPathSize];
    for (int n = 1; getSectionLine("Modules", n, line, infSlot(SETUP_INF)); ++n) {
        for (char *p = line; *p != '\0'; p = (char *)charNext(p)) {
            if (*p == '=') {
                *p = '\0';
                break;
            }
        }
    }
}
