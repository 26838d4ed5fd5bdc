// The installation of the chosen components: the progress page's run, also
// carried out without a window by an unattended run.
#pragma once
#include <windows.h>

// Fixes the components of the run (standard setup: what is present for the
// chosen model; custom setup: what is ticked), checks the space, runs every
// selected component in tree order (once per disk in a floppy kit), updates
// the shortcuts and notes whether Windows must restart. page is the
// progress page, whose bar is setupState.preparingProgress and whose control
// 1028 shows the shortcut note; null for an unattended run. Leaves
// wizardState.setupResult and failedComponents.
void runInstallation(HWND page);
