// The registry directives AddReg and DelReg, and the string writer that the
// program runner shares.
#pragma once
#include "setup/engine/executor.h"

#include <windows.h>

// Executors: every line of the section, in order; registry failures are
// passed over, so both return lineCount + 1. overwrite is the run's flag.
int addReg(const char *section, int lineCount, const char *infPath, InfImage *image, int overwrite);
int delReg(const char *section, int lineCount, const char *infPath, InfImage *image, int unused);

// Writes one REG_SZ value (its data without the closing NUL). Without
// overwrite an existing value is kept, and an existing subkey keeps its
// default value. An empty subkey means the root itself, an empty value name
// the default value. Returns 1.
int setRegString(HKEY root, const char *subkey, const char *valueName, const char *text, int overwrite);

// Deletes the named value (under the root itself for an empty subkey), or the
// subkey when no value is named. Returns 1.
int deleteRegEntry(HKEY root, const char *subkey, const char *valueName);
