// The custom setup page (wizard page 6) and the details dialog with their
// owner-drawn check lists.
#pragma once

// Controls of the custom page 114 and the details dialog 105 (the resource
// compiler reads this part too).
#define IDC_CHECK_LIST 1006       // the check list
#define IDC_DETAILS 1019          // "詳細(&D)..."
#define IDC_SEPARATOR 1020        // details dialog: where the etched line goes
#define IDC_DETAILS_OK 1021       // details dialog: "OK"
#define IDC_TIP 1022              // the Tip of the selected entry
#define IDC_ENTRY_SIZE 1024       // "ファイル容量:"
#define IDC_NEEDED_SIZE 1025      // "必要なディスク領域:"
#define IDC_FREE_SIZE 1026        // "空きディスク領域:"
#define IDC_UNAVAILABLE 1027      // "選択できません" for an entry that is not available

#ifndef RC_INVOKED
#include <windows.h>

// The dialog procedure of the custom setup page (dialog 114).
INT_PTR CALLBACK customPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The Details command of the custom page or of a details dialog: runs the
// details dialog for the selected entry and folds its result back in.
void openDetails(HWND owner);
// Paints one check-list entry.
void drawCheckItem(const DRAWITEMSTRUCT *item, bool withCheck);
// Refreshes the Details button, tip, availability text and size of the
// selected entry of list listId in window.
void showEntryInfo(HWND window, int listId);
#endif
