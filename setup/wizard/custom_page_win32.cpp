// The custom setup page and the details dialog: owner-drawn check lists of
// the component tree, toggled by a click on the picture, a double-click or
// the space bar, with the sizes of the selection beside them.
#include "setup/wizard/custom_page.h"

#include "setup/components/components.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/wizard/wizard.h"
#include "setup/wizard/wizard_state.h"

#include <commctrl.h>

namespace {

const int kItemHeight = 16;    // every check-list entry, and its picture
const int kPictureSize = 16;   // the check pictures are 16 by 16
const int kTextIndent = 18;    // text starts right of the picture
const int kPictureEdge = 16;   // a press at most this far from the left edge hits the picture

// One block per open check list. The standard list procedure is saved here
// while a nested details dialog overwrites the program-wide slot; the index
// says which entry the nested dialog belongs to.
struct ListProcSave {
    WNDPROC standardProc;
    WORD detailsIndex;
};
const SIZE_T kListProcSaveSize = 72;
static_assert(sizeof(ListProcSave) <= kListProcSaveSize, "the block holds both fields");

// The list box's standard window procedure, one slot for every check list.
WNDPROC listProcSlot;

// What the details dialog shows and, after OK, what it decided.
char detailsParent[64];   // Section of the component whose children are shown
int detailsState;         // that component's State; on OK the children's aggregate

INT_PTR reply(HWND dialog, LONG_PTR result)
{
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

ListProcSave *saveBlockOf(HWND window)
{
    return (ListProcSave *)GetWindowLongPtrA(window, DWLP_USER);
}

// A fresh zero-filled block in window's user data; an older one is released
// first, so that an activation without a release in between leaks nothing.
ListProcSave *allocateSaveBlock(HWND window)
{
    ListProcSave *old = saveBlockOf(window);
    if (old != NULL)
        HeapFree(GetProcessHeap(), 0, old);
    void *block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kListProcSaveSize);
    SetWindowLongPtrA(window, DWLP_USER, (LONG_PTR)block);
    return (ListProcSave *)block;
}

void releaseSaveBlock(HWND window)
{
    ListProcSave *block = saveBlockOf(window);
    SetWindowLongPtrA(window, DWLP_USER, 0);
    if (block != NULL)
        HeapFree(GetProcessHeap(), 0, block);
}

// The record behind entry index of list, or null.
ComponentRecord *entryRecord(HWND list, LRESULT index)
{
    if (index < 0)
        return NULL;
    LRESULT data = SendMessageA(list, LB_GETITEMDATA, (WPARAM)index, 0);
    if (data == LB_ERR)
        return NULL;
    return (ComponentRecord *)data;
}

ComponentRecord *selectedRecord(HWND list, LRESULT *index)
{
    *index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    return entryRecord(list, *index);
}

int pictureFor(int state)
{
    switch (state) {
    case kStateOn:
        return IDB_CHECK_ON;
    case kStatePartly:
        return IDB_CHECK_PARTLY;
    case kStateOff:
        return IDB_CHECK_OFF;
    default:
        return IDB_CHECK_UNAVAILABLE;
    }
}

void notifyParent(HWND list, WORD code)
{
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), code), (LPARAM)list);
}

// A press on the picture toggles the entry, a press beside it only selects;
// the space bar toggles too. The list box moves its selection first.
LRESULT CALLBACK checkListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN: {
        LRESULT result = CallWindowProcA(listProcSlot, list, message, wParam, lParam);
        int x = (short)LOWORD(lParam);
        notifyParent(list, x <= kPictureEdge ? LBN_DBLCLK : LBN_SELCHANGE);
        return result;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE)
            notifyParent(list, LBN_DBLCLK);
        break;
    }
    return CallWindowProcA(listProcSlot, list, message, wParam, lParam);
}

void installCheckList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_CHECK_LIST);
    listProcSlot = (WNDPROC)SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR)checkListProc);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    SetFocus(list);
    showEntryInfo(dialog, IDC_CHECK_LIST);
    showSize(dialog, setupState.freeDiskBytes, IDC_FREE_SIZE);
}

void addEntry(HWND list, ComponentRecord &record)
{
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)record.OptionDesc);
    if (index >= 0)
        SendMessageA(list, LB_SETITEMDATA, (WPARAM)index, (LPARAM)&record);
}

// 0 -> 1, 1 -> 0, 2 -> 0; an entry that is not available stays as it is.
int toggledState(int state)
{
    switch (state) {
    case kStateOff:
        return kStateOn;
    case kStateOn:
    case kStatePartly:
        return kStateOff;
    default:
        return state;
    }
}

// Both lists hold the children of one level: the top level on the custom
// page, the shown component in a details dialog. The toggled entry's own
// Parent names that level.
void toggleSelected(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_CHECK_LIST);
    LRESULT index;
    ComponentRecord *record = selectedRecord(list, &index);
    if (record == NULL)
        return;
    record->State = toggledState(record->State);
    SendMessageA(list, LB_SETCURSEL, (WPARAM)index, 0);
    if (record->ChildCount != 0)
        propagateStates(componentTree, record->Parent);
    showSize(dialog, newlySelectedSize(componentTree, record->Parent), IDC_NEEDED_SIZE);
}

// The check list's notifications and the Details button, alike in both dialogs.
void checkListCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_CHECK_LIST:
        if (HIWORD(wParam) == LBN_DBLCLK)
            toggleSelected(dialog);
        else if (HIWORD(wParam) == LBN_SELCHANGE)
            showEntryInfo(dialog, IDC_CHECK_LIST);
        break;
    case IDC_DETAILS:
        if (HIWORD(wParam) == BN_CLICKED)
            openDetails(dialog);
        break;
    }
}

// Owner-draw messages, alike in both dialogs.
bool checkListDrawing(UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_MEASUREITEM:
        ((MEASUREITEMSTRUCT *)lParam)->itemHeight = kItemHeight;
        return true;
    case WM_DRAWITEM:
        drawCheckItem((const DRAWITEMSTRUCT *)lParam, true);
        return true;
    }
    return false;
}

// --- Details dialog

void initDetails(HWND dialog)
{
    allocateSaveBlock(dialog);
    HWND list = GetDlgItem(dialog, IDC_CHECK_LIST);
    bool childWithChildren = false;
    for (int i = 0; i < componentTree.count; ++i) {
        ComponentRecord &record = componentTree.records[i];
        if (lstrcmpiA(record.Section, detailsParent) == 0)
            SetWindowTextA(dialog, record.OptionDesc);
        if (lstrcmpiA(record.Parent, detailsParent) != 0)
            continue;
        if (record.State != kStateUnavailable && (detailsState == kStateOff || detailsState == kStateOn))
            record.State = detailsState;
        addEntry(list, record);
        if (record.ChildCount != 0)
            childWithChildren = true;
    }
    if (childWithChildren)
        propagateStates(componentTree, detailsParent);
    installCheckList(dialog);
    showSize(dialog, newlySelectedSize(componentTree, detailsParent), IDC_NEEDED_SIZE);
}

// OK confirms the shown children and aggregates them for the opener: all of
// the available ones selected (or none available) gives 1, some gives 2.
void confirmDetails(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_CHECK_LIST);
    int allOn = kStateOn;
    int anyOn = kStateOff;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        ComponentRecord *record = entryRecord(list, i);
        if (record == NULL || record->State == kStateUnavailable)
            continue;
        record->CommittedState = record->State;
        allOn &= record->State;
        anyOn |= record->State;
    }
    detailsState = allOn != 0 ? kStateOn : anyOn != 0 ? kStatePartly : kStateOff;
    releaseSaveBlock(dialog);
    EndDialog(dialog, 1);
}

// Cancel puts the shown children back as they were last confirmed; what a
// toggle pushed further down stays.
void cancelDetails(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_CHECK_LIST);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        ComponentRecord *record = entryRecord(list, i);
        if (record != NULL)
            record->State = record->CommittedState;
    }
    releaseSaveBlock(dialog);
    EndDialog(dialog, 0);
}

// The etched line above the buttons, along the top edge of the hidden 1020.
void paintSeparator(HWND dialog)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    if (dc == NULL)
        return;
    RECT line;
    HWND separator = GetDlgItem(dialog, IDC_SEPARATOR);
    if (separator != NULL && GetWindowRect(separator, &line)) {
        MapWindowPoints(NULL, dialog, (POINT *)&line, 2);
        RECT shadow = {line.left, line.top, line.right, line.top + 1};
        RECT highlight = {line.left, line.top + 1, line.right, line.top + 2};
        FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
        FillRect(dc, &highlight, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    }
    EndPaint(dialog, &paint);
}

INT_PTR CALLBACK detailsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        initDetails(dialog);
        return FALSE;   // the list has the focus
    case WM_PAINT:
        paintSeparator(dialog);
        return TRUE;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        return checkListDrawing(message, lParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_DETAILS_OK:
            confirmDetails(dialog);
            return TRUE;
        case IDCANCEL:
            cancelDetails(dialog);
            return TRUE;
        }
        checkListCommand(dialog, wParam);
        return TRUE;
    case WM_DESTROY:
        releaseSaveBlock(dialog);
        return FALSE;
    }
    return FALSE;
}

// --- Custom page

void initCustomPage(HWND page)
{
    HWND list = GetDlgItem(page, IDC_CHECK_LIST);
    for (int i = 0; i < componentTree.count; ++i) {
        ComponentRecord &record = componentTree.records[i];
        if (record.Parent[0] == '\0')
            addEntry(list, record);
    }
    installCheckList(page);
}

// The buttons follow the needed space also on a return to the page: a
// selection made before Back still counts.
INT_PTR activateCustomPage(HWND page)
{
    allocateSaveBlock(page);
    PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
    if (wizardState.standardChosen)
        return reply(page, -1);
    showSize(page, newlySelectedSize(componentTree, ""), IDC_NEEDED_SIZE);
    return reply(page, 0);
}

INT_PTR customPageNotify(HWND page, const NMHDR *header)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        return activateCustomPage(page);
    case PSN_WIZNEXT:
        propagateStates(componentTree, "");
        releaseSaveBlock(page);
        return reply(page, 0);
    case PSN_RESET:
    case PSN_KILLACTIVE:
        releaseSaveBlock(page);
        return reply(page, 0);
    case PSN_WIZBACK:
    case PSN_HELP:
    case PSN_APPLY:
        return reply(page, 0);
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK customPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        initCustomPage(page);
        return TRUE;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        return checkListDrawing(message, lParam);
    case WM_NOTIFY:
        return customPageNotify(page, (const NMHDR *)lParam);
    case WM_COMMAND:
        checkListCommand(page, wParam);
        return TRUE;
    case WM_DESTROY:
        releaseSaveBlock(page);
        return FALSE;
    }
    return FALSE;
}

void openDetails(HWND owner)
{
    HWND list = GetDlgItem(owner, IDC_CHECK_LIST);
    LRESULT index;
    ComponentRecord *record = selectedRecord(list, &index);
    // Only an available entry with children has details (the button says so
    // too, but a command can come without it).
    if (record == NULL || record->ChildCount == 0 || record->State == kStateUnavailable || index > 0xFFFF)
        return;
    ListProcSave *block = saveBlockOf(owner);
    if (block == NULL)
        block = allocateSaveBlock(owner);
    if (block == NULL)
        return;
    detailsState = record->State;
    block->detailsIndex = (WORD)index;
    block->standardProc = listProcSlot;
    copyText(detailsParent, record->Section);

    INT_PTR result = DialogBoxParamA(resourceInstance(), MAKEINTRESOURCEA(IDD_DETAILS), owner, detailsProc, 0);

    // The nested dialogs overwrote the slot and the details values: work
    // from the block and the record's own fields from here on.
    block = saveBlockOf(owner);
    if (block == NULL)
        return;
    listProcSlot = block->standardProc;
    index = block->detailsIndex;
    record = entryRecord(list, index);
    if (record == NULL)
        return;
    if (result == 1)
        record->State = detailsState;
    // Also after Cancel: the dialog's own figures moved the wizard's buttons.
    showSize(owner, newlySelectedSize(componentTree, record->Parent), IDC_NEEDED_SIZE);
    SendMessageA(list, LB_SETCURSEL, (WPARAM)index, 0);
}

void drawCheckItem(const DRAWITEMSTRUCT *item, bool withCheck)
{
    if ((int)item->itemID < 0)
        return;
    HWND list = item->hwndItem;
    HDC dc = item->hDC;
    RECT box = item->rcItem;
    char text[kPathSize] = "";
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, item->itemID, 0);
    if (length >= 0 && length < (LRESULT)sizeof text)
        SendMessageA(list, LB_GETTEXT, item->itemID, (LPARAM)text);
    const ComponentRecord *record = (const ComponentRecord *)item->itemData;
    if ((LONG_PTR)item->itemData == LB_ERR)
        record = NULL;
    SIZE extent = {0, 0};
    int textLength = lstrlenA(text);
    GetTextExtentPoint32A(dc, text, textLength, &extent);

    if (item->itemAction != ODA_FOCUS) {
        bool selected = (item->itemState & ODS_SELECTED) != 0;
        FillRect(dc, &box, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        COLORREF oldText = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        COLORREF oldBack = SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        int oldMode = SetBkMode(dc, TRANSPARENT);
        int height = box.bottom - box.top;
        if (withCheck && record != NULL) {
            HBITMAP picture = LoadBitmapA(resourceInstance(), MAKEINTRESOURCEA(pictureFor(record->State)));
            HDC source = CreateCompatibleDC(dc);
            if (picture != NULL && source != NULL) {
                HGDIOBJ old = SelectObject(source, picture);
                StretchBlt(dc, box.left, box.top, kPictureSize, height < kPictureSize ? height : kPictureSize, source, 0,
                           0, kPictureSize, kPictureSize, SRCCOPY);
                SelectObject(source, old);
            }
            if (source != NULL)
                DeleteDC(source);
            if (picture != NULL)
                DeleteObject(picture);
        }
        TextOutA(dc, box.left + kTextIndent, box.top + (height - extent.cy) / 2, text, textLength);
        showEntryInfo(GetParent(list), (int)item->CtlID);
        SetTextColor(dc, oldText);
        SetBkColor(dc, oldBack);
        SetBkMode(dc, oldMode);
    }
    if (item->itemAction == ODA_FOCUS || (item->itemState & ODS_FOCUS) != 0)
        DrawFocusRect(dc, &box);
}

void showEntryInfo(HWND window, int listId)
{
    HWND list = GetDlgItem(window, listId);
    LRESULT index;
    const ComponentRecord *record = selectedRecord(list, &index);
    HWND details = GetDlgItem(window, IDC_DETAILS);
    if (record == NULL) {
        EnableWindow(details, FALSE);
        SetDlgItemTextA(window, IDC_TIP, "");
        SetDlgItemTextA(window, IDC_UNAVAILABLE, "");
        return;
    }
    EnableWindow(details, record->ChildCount != 0 && record->State != kStateUnavailable);
    SetDlgItemTextA(window, IDC_TIP, record->Tip);
    SetDlgItemTextA(window, IDC_UNAVAILABLE, record->State == kStateUnavailable ? "選択できません" : "");
    showSize(window, record->Size, IDC_ENTRY_SIZE);
}
