// Finding the kit's setup INFs, the choice between several products, the
// chosen INF's version data, and the start-up sections it names
// ([BaseWinOptions], [load_inf], [Modules]).
#pragma once
#include <stddef.h>

// The setup INFs (signature "$UPGKIT$" or "$UPGKITFD$") among the files of
// directory matching pattern ("\" + file pattern): their number. *list
// receives a heap block (261 bytes per matching file and 2) with their file
// names, short names where there are any, comma-separated in the order of
// enumeration; release it with freeSetupInfList. Sets sourceDir and
// kitSourceDir to the directory.
int listSetupInfs(const char *directory, const char *pattern, char **list);
void freeSetupInfList(char *list);
// true when the file name of directory is a floppy kit's setup INF
// ("$UPGKITFD$"): the chosen INF alone decides the kind of kit, whatever
// other products lie beside it.
bool isFloppySetupInf(const char *directory, const char *name);

// Dialog 106 over the main window, offering the captions of the INFs of list
// sorted; 1 with setupInfName set to the file of the chosen caption, or 0.
int chooseProduct(const char *list);

// setupClass, productCaption and layoutFileName from the setup INF; loads
// the layout INF. 0 when the named layout file is missing.
int readVersionData();
// 0 when a file named by [load_inf] is missing beside the setup INF.
int checkLoadInfs();

// The start-up sections: the install sections named by [BaseWinOptions] of
// the setup INF, those of each [load_inf] INF (moving the preparing bar from
// 0 to 50), and the lines of [Modules], which are read but not acted on.
void baseWinOptionsStep();
void loadInfStep();
void modulesStep();
