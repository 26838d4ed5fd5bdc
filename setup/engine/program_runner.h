// The program runner: the platform's group converter turns the group
// definitions of setup.ini into shortcuts.
#pragma once
#include <windows.h>

// Starts "grpconv -o" and waits for it in the invisible modal dialog 1029,
// owned by owner, so that the owner keeps repainting. 1 when the converter
// ran and ended; 0 when it could not be started and was registered under
// RunOnce (named by the setup class) for the next start of Windows instead.
int runShortcutUpdate(HWND owner);
