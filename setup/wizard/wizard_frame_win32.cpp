// The wizard's frame: the eight-page property sheet in its pages' font, the
// side panel that every page shows, and the size figures of the pages.
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

// ---- the sheet's font
//
// The sheet lays its pages out in dialog units of its own font, the font of
// its dialog template (not of the pages' templates). On Japanese Windows 95
// and 98 that is the same 9-point "ＭＳ Ｐゴシック" the pages use; where the
// system's dialog font differs (another face for "MS Shell Dlg", other
// metrics), the pages would be laid out narrower than their templates and
// cut at the right edge. So the sheet's template is given the pages' font
// before the sheet is made, which changes nothing where the two agree.

// A place in a dialog template (DLGTEMPLATE or DLGTEMPLATEEX, words of
// 16 bits) and the steps through its variable parts.
const WORD *skipNameOrId(const WORD *at)
{
    if (*at == 0xFFFF)
        return at + 2;
    while (*at != 0)
        ++at;
    return at + 1;
}

const WORD *alignToDword(const WORD *at)
{
    return (const WORD *)(((UINT_PTR)at + 3) & ~(UINT_PTR)3);
}

bool isExtended(const WORD *dialog)
{
    return dialog[1] == 0xFFFF;
}

DWORD templateStyle(const WORD *dialog)
{
    const WORD *style = isExtended(dialog) ? dialog + 6 : dialog;
    return MAKELONG(style[0], style[1]);
}

// The font part of a template with DS_SETFONT: its point size; the face
// name follows the size (and, in the extended form, weight, italic and
// character set). Null without DS_SETFONT.
const WORD *fontPart(const WORD *dialog)
{
    if (!(templateStyle(dialog) & DS_SETFONT))
        return NULL;
    const WORD *at = dialog + (isExtended(dialog) ? 13 : 9);
    at = skipNameOrId(at);   // menu
    at = skipNameOrId(at);   // window class
    at = skipNameOrId(at);   // caption
    return at;
}

const WORD *faceOf(const WORD *dialog, const WORD *font)
{
    return font + (isExtended(dialog) ? 3 : 1);
}

// Just past the last control of the template.
const WORD *templateEnd(const WORD *dialog, const WORD *firstItem)
{
    bool extended = isExtended(dialog);
    int count = dialog[extended ? 8 : 4];
    const WORD *at = firstItem;
    for (int i = 0; i < count; ++i) {
        at = alignToDword(at) + (extended ? 12 : 9);
        at = skipNameOrId(at);   // class
        at = skipNameOrId(at);   // text
        WORD extra = *at++;
        at = (const WORD *)((const BYTE *)at + extra);
    }
    return at;
}

bool writable(const void *start, const void *end)
{
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(start, &region, sizeof region) != sizeof region || region.State != MEM_COMMIT)
        return false;
    const DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (region.Protect & kWritable) != 0 && (region.Protect & PAGE_GUARD) == 0 &&
           (const BYTE *)end <= (const BYTE *)region.BaseAddress + region.RegionSize;
}

// Gives the sheet's template the point size and face of the page template.
// The template is changed in place, so only where the pages' face fits in
// the room of the sheet's own (the controls after it move up); otherwise,
// or where the template cannot be written, the sheet keeps its font.
void givePagesFont(void *sheetTemplate, const WORD *pageTemplate)
{
    const WORD *pageFont = fontPart(pageTemplate);
    WORD *sheet = (WORD *)sheetTemplate;
    WORD *sheetFont = (WORD *)fontPart(sheet);
    if (pageFont == NULL || sheetFont == NULL)
        return;
    const WORD *pageFace = faceOf(pageTemplate, pageFont);
    WORD *sheetFace = (WORD *)faceOf(sheet, sheetFont);
    const WORD *oldItems = alignToDword(skipNameOrId(sheetFace));
    const WORD *end = templateEnd(sheet, oldItems);
    const WORD *newFaceEnd = sheetFace + (skipNameOrId(pageFace) - pageFace);
    if (newFaceEnd > oldItems || !writable(sheet, end))
        return;
    sheetFont[0] = pageFont[0];
    CopyMemory(sheetFace, pageFace, (const BYTE *)skipNameOrId(pageFace) - (const BYTE *)pageFace);
    WORD *newItems = (WORD *)alignToDword(newFaceEnd);
    MoveMemory(newItems, oldItems, (const BYTE *)end - (const BYTE *)oldItems);
}

int CALLBACK sheetCallback(HWND, UINT message, LPARAM lParam)
{
    if (message != PSCB_PRECREATE || lParam == 0)
        return 0;
    HINSTANCE instance = resourceInstance();
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(kPages[0].templateId), (LPCSTR)RT_DIALOG);
    HGLOBAL loaded = found != NULL ? LoadResource(instance, found) : NULL;
    const WORD *page = loaded != NULL ? (const WORD *)LockResource(loaded) : NULL;
    if (page != NULL)
        givePagesFont((void *)lParam, page);
    return 0;
}

// ---- the side panel: one picture, the panel's colour with the bitmap at
// its top, made once for the panel's size and held by each page's panel
// control, which draws it itself whenever it paints.

struct PanelPicture {
    int bitmapId, controlId, width, height;
    HBITMAP picture;
};
PanelPicture panelPictures[4];

HBITMAP composePanel(HWND control, int bitmapId, int controlId, int width, int height)
{
    HBITMAP bitmap = LoadBitmapA(resourceInstance(), MAKEINTRESOURCEA(bitmapId));
    if (bitmap == NULL)
        return NULL;
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    HDC dc = GetDC(control);
    HBITMAP picture = CreateCompatibleBitmap(dc, width, height);
    HDC target = CreateCompatibleDC(dc);
    HDC source = CreateCompatibleDC(dc);
    if (picture != NULL && target != NULL && source != NULL) {
        HGDIOBJ previousTarget = SelectObject(target, picture);
        HGDIOBJ previousSource = SelectObject(source, bitmap);
        RECT all = {0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(controlId == 1011 ? kSidePanelColour : GetSysColor(COLOR_3DFACE));
        FillRect(target, &all, brush);
        DeleteObject(brush);
        // Narrower than the panel: centred at its own width; lower: at the
        // top at its own height; otherwise cut to the panel's size.
        int x = info.bmWidth < width ? (width - info.bmWidth) / 2 : 0;
        int shownWidth = info.bmWidth < width ? info.bmWidth : width;
        int shownHeight = info.bmHeight < height ? info.bmHeight : height;
        BitBlt(target, x, 0, shownWidth, shownHeight, source, 0, 0, controlId == 1011 ? SRCCOPY : SRCAND);
        SelectObject(source, previousSource);
        SelectObject(target, previousTarget);
    }
    if (source != NULL)
        DeleteDC(source);
    if (target != NULL)
        DeleteDC(target);
    ReleaseDC(control, dc);
    DeleteObject(bitmap);
    return picture;
}

void releasePanelPictures()
{
    for (PanelPicture &slot : panelPictures) {
        if (slot.picture != NULL)
            DeleteObject(slot.picture);
        slot = PanelPicture();
    }
}

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
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.pfnCallback = sheetCallback;
    header.hwndParent = owner;
    header.hInstance = instance;
    header.pszCaption = setupState.productCaption;
    header.nPages = kPageCount;
    header.nStartPage = 0;
    header.ppsp = (LPCPROPSHEETPAGEA)pages;
    INT_PTR result = PropertySheetA(&header);
    setupState.wizardWindow = NULL;
    releasePanelPictures();
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
    RECT client;
    GetClientRect(control, &client);
    PanelPicture *slot = NULL;
    for (PanelPicture &candidate : panelPictures) {
        if (candidate.picture != NULL && candidate.bitmapId == bitmapId && candidate.controlId == controlId &&
            candidate.width == client.right && candidate.height == client.bottom) {
            slot = &candidate;
            break;
        }
        if (candidate.picture == NULL && slot == NULL)
            slot = &candidate;
    }
    if (slot == NULL)
        return;
    if (slot->picture == NULL) {
        slot->picture = composePanel(control, bitmapId, controlId, client.right, client.bottom);
        if (slot->picture == NULL)
            return;
        slot->bitmapId = bitmapId;
        slot->controlId = controlId;
        slot->width = client.right;
        slot->height = client.bottom;
    }
    if ((HBITMAP)SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0) != slot->picture)
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)slot->picture);
}
