// The custom setup page (wizard page 6) and the details dialog with their
// owner-drawn check lists.
#pragma once
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
