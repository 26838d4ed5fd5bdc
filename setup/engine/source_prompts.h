// Asking the user for the installation source: the disk of a floppy kit, by
// its tag file, and the directory of a source that is missing.
#pragma once
#include "setup/shell/setup_state.h"

#include <stddef.h>

// 1 when the disk in the drive of sourceDir (its first character) has the tag
// file DISK<diskNumber> whose text starts with that name, else 0.
int diskTagPresent(unsigned diskNumber, const char *sourceDir);

// The disk-change dialog (1030) for disk engineState.currentFileDisk, modal
// to wizardWindow. 1: try again (the drive letter, the first character of
// sourceDir, may have changed); 0: the user stopped the installation
// (cancelRequested is set).
int askForDisk(char (&sourceDir)[kPathSize]);

// The locate-source dialog (1015), modal to wizardWindow; infFileName names
// the INF the user is to look for (may be empty). 1: a directory was
// accepted, and sourceDir and kitSourceDir are both that directory; 0:
// cancelled, nothing changed.
int locateSource(const char *infFileName);
