// The install section driver: reads an install section's directives and runs
// the sections they list, in one fixed order, through their executors.
#pragma once
#include "setup/engine/engine_state.h"
#include "setup/engine/executor.h"

// Longest texts the driver accepts, in bytes: an install-section name (a line
// of [BaseWinOptions], one name of a list, an Uninstall value) and a
// directive's section list. Longer ones are refused, never cut: a cut name
// would name another section.
const size_t kSectionNameLimit = 63;
const size_t kSectionListLimit = 259;

// Runs the install sections named by lines 1..lineCount of [BaseWinOptions].
// The number that succeeded; -1 when one failed (the run stops there); 1,
// running nothing, when the setup INF came from the Windows INF directory.
int runBaseWinOptions(int lineCount, const char *infPath, InfImage *image);

// Runs one install section: 1, or 0 when a directive failed. overwrite
// reaches only AddReg.
int runInstallSection(const char *section, const char *infPath, InfImage *image, int overwrite);

// Hands each section of list (consumed in place) that has lines to run; the
// number that counted as done. Stops early when the user has stopped the
// installation and the section's copies were given up.
int runDirectiveList(char *list, Executor run, const char *infPath, InfImage *image, int extra);

// Runs the removal directives of one section; their results do not count. 1.
int runUninstallSection(const char *section, const char *infPath, InfImage *image);

// The progress page's entry for one component: its install section, the file
// name of its INF (in sourceDir) and its state (1 install, 0 remove). The
// section's result; 0 when there is nothing to run or the INF cannot be
// loaded; the state itself for any other state.
int runComponent(const char *section, const char *infFileName, int state);
