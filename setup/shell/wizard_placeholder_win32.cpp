// PLACEHOLDER until the setup wizard arrives: a wizard-mode property sheet
// with one empty page, captioned with the product caption, so that the
// start-up chain has a wizard to open and its tests a sheet to cancel.
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/wizard/wizard.h"

#include <commctrl.h>

// An empty page template, built in memory: the placeholder adds no
// resources of its own.
struct EmptyPage {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
};

static INT_PTR CALLBACK emptyPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_NOTIFY && ((NMHDR *)lParam)->code == PSN_SETACTIVE) {
        PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
        return TRUE;
    }
    if (message == WM_INITDIALOG) {
        setupState.wizardWindow = GetParent(page);
        centreWindow(setupState.wizardWindow);
        return TRUE;
    }
    return FALSE;
}

INT_PTR runWizard(HWND owner, HINSTANCE instance)
{
    static EmptyPage pageTemplate = {
        {DS_CONTROL | WS_CHILD | WS_DISABLED | WS_CAPTION, 0, 0, 0, 0, 280, 150}, 0, 0, 0};
    InitCommonControls();
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
    page.hInstance = instance;
    page.pResource = &pageTemplate.dialog;
    page.pfnDlgProc = emptyPageProc;
    page.pszTitle = setupState.productCaption;
    HPROPSHEETPAGE pages[1] = {CreatePropertySheetPageA(&page)};
    if (pages[0] == NULL)
        return -1;

    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_WIZARD;
    sheet.hwndParent = owner;
    sheet.hInstance = instance;
    sheet.pszCaption = setupState.productCaption;
    sheet.nPages = 1;
    sheet.phpage = pages;
    INT_PTR result = PropertySheetA(&sheet);
    setupState.wizardWindow = NULL;
    return result;
}
