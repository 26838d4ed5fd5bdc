// Services of the setup shell that every part of the setup program uses:
// the error box, centring a window on the desktop, and keeping windows alive
// during long steps.
#pragma once
#include <windows.h>

// Loads string stringId (at most 260 bytes) and shows it with the caption
// "ｴﾗｰ" and the given style. Returns the box's answer.
int errorBox(HWND owner, UINT stringId, UINT style);

// Moves window, without resizing it, to the middle of desktopRect.
void centreWindow(HWND window);

// Handles every pending message, each first offered to dialog (when given)
// as a dialog message, so that windows repaint and Cancel buttons work.
void pumpMessages(HWND dialog);

// Where the program's resources are: setupState.instance, or the program
// file itself before the entry has stored it.
HINSTANCE resourceInstance();

// The string resource id of this program (at most 260 bytes) into out;
// empty when it is missing.
void loadString(UINT id, char *out, int size);
