// Every message box of the setup program goes through here: shown to the
// user and written to the install log with its answer, or, in an unattended
// run (/silent), only written to the log with the answer the run takes.
#pragma once
#include <windows.h>

// As MessageBoxA. In an unattended run nothing is shown and the answer is
// silentAnswer, or when that is 0 the one that goes on without the user:
// Cancel where the box has it, else No, else OK.
int showMessage(HWND owner, const char *text, const char *caption, UINT style, int silentAnswer = 0);
