// The wizard's property sheet driven as a user drives it, also from another
// process: its pages by template id, its buttons, the combo boxes of a page.
#pragma once
#include "support/win_support.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

const int kBackButton = 0x3023;
const int kNextButton = 0x3024;
const int kFinishButton = 0x3025;

inline HWND currentPage(HWND sheet)
{
    return (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
}

// The template id of the page the sheet shows.
inline int currentPageId(HWND sheet)
{
    HWND page = currentPage(sheet);
    if (page == nullptr)
        return 0;
    LRESULT index = SendMessageA(sheet, PSM_HWNDTOINDEX, (WPARAM)page, 0);
    return index < 0 ? 0 : (int)SendMessageA(sheet, PSM_INDEXTOID, (WPARAM)index, 0);
}

// The window of the page with template id, once the sheet has made it; null
// before.
inline HWND pageWindow(HWND sheet, int id)
{
    LRESULT index = SendMessageA(sheet, PSM_IDTOINDEX, 0, (LPARAM)id);
    return index < 0 ? nullptr : (HWND)SendMessageA(sheet, PSM_INDEXTOHWND, (WPARAM)index, 0);
}

inline bool waitForPage(HWND sheet, int id, DWORD timeoutMs = kAppear)
{
    return waitUntil([&] { return currentPageId(sheet) == id; }, timeoutMs);
}

// Which of Back, Next and Finish the user can press: "B", "N", "F" in that
// order ("BN" = back and next).
inline std::string buttons(HWND sheet)
{
    std::string shown;
    const std::pair<int, char> all[] = {{kBackButton, 'B'}, {kNextButton, 'N'}, {kFinishButton, 'F'}};
    for (const auto &button : all) {
        HWND window = GetDlgItem(sheet, button.first);
        if (window != nullptr && IsWindowVisible(window) && IsWindowEnabled(window))
            shown += button.second;
    }
    return shown;
}

inline bool waitForButtons(HWND sheet, const std::string &wanted)
{
    return waitUntil([&] { return buttons(sheet) == wanted; });
}

inline void pressSheet(HWND sheet, int button)
{
    PostMessageA(sheet, PSM_PRESSBUTTON, (WPARAM)button, 0);
}

inline std::string pageText(HWND sheet, int id)
{
    return itemText(currentPage(sheet), id);
}

// Chooses entry index of the page's combo box, as a click in its list does.
inline void chooseEntry(HWND sheet, int comboId, int index)
{
    HWND page = currentPage(sheet);
    HWND combo = GetDlgItem(page, comboId);
    SendMessageA(combo, CB_SETCURSEL, (WPARAM)index, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), (LPARAM)combo);
}

// Turns over the entry at index of a page's check list with the space bar,
// as the user does: the entry selected (and the page told, as a click
// tells it), then the key. false when there is no such entry.
inline bool toggleCheckListEntry(HWND list, int index)
{
    if (index < 0 || index >= (int)SendMessageA(list, LB_GETCOUNT, 0, 0))
        return false;
    SendMessageA(list, LB_SETCURSEL, (WPARAM)index, 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), (LPARAM)list);
    SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
    SendMessageA(list, WM_KEYUP, VK_SPACE, 0xC0390001);
    return true;
}

// The same for the entry with this text, found as listItems reads it (so
// also from another process).
inline bool toggleCheckListEntry(HWND list, const std::string &text)
{
    std::vector<std::string> items = listItems(list, false);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == text)
            return toggleCheckListEntry(list, (int)i);
    return false;
}

}  // namespace testsupport
