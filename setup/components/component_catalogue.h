// The Win32 edge of the component catalogue: the tree read from the registry
// and the component INFs, and the detection of what is already installed.
#pragma once
#include <windows.h>
#include "setup/components/components.h"
#include "setup/inf/inf.h"

// Reads the catalogue and builds the tree; shows string 2007 over owner and
// returns 0 when it cannot.
int buildComponentTree(HWND owner);
// 1, or 0 when the registry key cannot be opened or a component INF cannot
// be loaded.
int loadComponents(ComponentTree &tree);
// Fills OptionDesc, Tip, Parent, InstallType, Available (floppy kit) and Size.
// 0 when the component must be left out (its Parent does not fit the record).
int readComponentInf(ComponentRecord &record, InfImage *image);
// Total bytes of the section's CopyFiles lists.
uint64_t componentOwnSize(const char *section, InfImage *image);
// 1 when the component counts as present (may write "Installed"="1").
int isComponentInstalled(const char *section);
// Selects the present components of the chosen model; 1 (see the source for
// how a Section without "_" is treated).
int applyDetectedSelection();
