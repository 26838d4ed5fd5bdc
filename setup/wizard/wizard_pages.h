// What the wizard's pages share inside the wizard: their dialog procedures
// for the page table, the notification answer and the private messages.
#pragma once
#include <windows.h>

// The progress page's own message: it starts the run.
const UINT kRunMessage = WM_USER + 205;   // 1229

// setupResult beyond the three outcomes of a run: the run could not start
// because the kit lacks what it needs (no UPGSIZE.INF in a floppy kit, or
// the detected selection could not be made). Nothing was installed.
const int kSetupIncomplete = 3;

// Answers a notification: the value goes into DWLP_MSGRESULT, where the
// sheet reads it, and the procedure reports the message as handled.
inline INT_PTR reply(HWND dialog, LONG_PTR result)
{
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// Posts the wizard's button flags (PSWIZB_*) to the sheet that holds page.
void postWizardButtons(HWND page, LPARAM flags);

INT_PTR CALLBACK welcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK nicknamePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK modelPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK confirmPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK standardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK progressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK finishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
