// The wizard's frame: the eight-page property sheet, the side panel that
// every page paints, and the size figures of the pages.
#include "setup/wizard/wizard.h"

#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/wizard/custom_page.h"
#include "setup/wizard/wizard_pages.h"
#include "setup/wizard/wizard_text.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

struct PageEntry {
    int templateId;
    DLGPROC procedure;
};

// The pages in the order the user meets them.
const PageEntry kPages[] = {
    {IDD_PAGE_WELCOME, welcomePageProc},   {IDD_PAGE_NICKNAME, nicknamePageProc},
    {IDD_PAGE_MODEL, modelPageProc},       {IDD_PAGE_CONFIRM, confirmPageProc},
    {IDD_PAGE_STANDARD, standardPageProc}, {IDD_PAGE_CUSTOM, customPageProc},
    {IDD_PAGE_PROGRESS, progressPageProc}, {IDD_PAGE_FINISH, finishPageProc},
};
const int kPageCount = sizeof kPages / sizeof kPages[0];

const COLORREF kSidePanelColour = 0x808000;   // red 0, green 128, blue 128

}  // namespace

INT_PTR runWizard(HWND owner, HINSTANCE instance)
{
    // The first page-description format, what Windows 95's common controls
    // know. The sheet steps through the array by each description's size,
    // so the array holds descriptions of exactly that format.
    PROPSHEETPAGEA_V1 pages[kPageCount];
    ZeroMemory(pages, sizeof pages);
    for (int i = 0; i < kPageCount; ++i) {
        pages[i].dwSize = sizeof pages[i];
        // The product caption is each page's title: a wizard shows the
        // current page's title in its title bar (Wine does, for a page
        // without a title it shows none), so this keeps the product's name
        // there on every page.
        pages[i].dwFlags = PSP_USETITLE;
        pages[i].hInstance = instance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(kPages[i].templateId);
        pages[i].pszTitle = setupState.productCaption;
        pages[i].pfnDlgProc = kPages[i].procedure;
        pages[i].lParam = 0;
    }
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.hwndParent = owner;
    header.hInstance = instance;
    header.pszCaption = setupState.productCaption;
    header.nPages = kPageCount;
    header.nStartPage = 0;
    header.ppsp = (LPCPROPSHEETPAGEA)pages;
    INT_PTR result = PropertySheetA(&header);
    setupState.wizardWindow = NULL;
    return result;
}

void postWizardButtons(HWND page, LPARAM flags)
{
    PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, flags);
}

void showSize(HWND window, uint64_t bytes, int id)
{
    char text[40];
    formatSize(bytes, text);
    SetDlgItemTextA(window, id, text);
    if (id == 1025)
        postWizardButtons(window, bytes < setupState.freeDiskBytes ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

void paintSidePanel(HWND page, int bitmapId, int controlId)
{
    HWND control = GetDlgItem(page, controlId);
    if (control == NULL)
        return;
    RECT controlRect;
    GetWindowRect(control, &controlRect);
    RECT update;
    // With erasing: the page's background is drawn now, before the picture,
    // and not again over it when the page paints.
    if (!GetUpdateRect(page, &update, TRUE))
        return;
    MapWindowPoints(page, NULL, (POINT *)&update, 2);
    RECT common;
    if (!IntersectRect(&common, &update, &controlRect))
        return;

    HBITMAP bitmap = LoadBitmapA(resourceInstance(), MAKEINTRESOURCEA(bitmapId));
    if (bitmap == NULL)
        return;
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);

    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (controlId == 1011) {
        HBRUSH brush = CreateSolidBrush(kSidePanelColour);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
    int x = 0;
    int width = client.right;
    if (info.bmWidth < client.right) {
        x = (client.right - info.bmWidth) / 2;
        width = info.bmWidth;
    }
    int height = info.bmHeight < client.bottom ? info.bmHeight : client.bottom;
    BitBlt(dc, x, 0, width, height, memory, 0, 0, controlId == 1011 ? SRCCOPY : SRCAND);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(control, dc);
    DeleteObject(bitmap);
    // The frame control draws only its border, so the picture stays.
    InvalidateRect(control, NULL, FALSE);
}
