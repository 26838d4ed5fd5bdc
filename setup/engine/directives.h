// The executors of the install directives, as the install driver sees them:
// each lives with its own part of the engine (files, registry, INI files).
// Declared here without platform headers so that the driver stays portable.
#pragma once
#include "setup/engine/executor.h"

// The extra value of UpdateInis (the INI updaters' IniMode).
const int kIniAddMode = 1;
const int kIniRemoveMode = 2;

int delFiles(const char *section, int lineCount, const char *infPath, InfImage *image, int unused);
int delReg(const char *section, int lineCount, const char *infPath, InfImage *image, int unused);
int copyFiles(const char *section, int lineCount, const char *infPath, InfImage *image, int unused);
int mergeFiles(const char *section, int lineCount, const char *infPath, InfImage *image, int unused);
int addReg(const char *section, int lineCount, const char *infPath, InfImage *image, int overwrite);
int updateInis(const char *section, int lineCount, const char *infPath, InfImage *image, int mode);
int updateIniFields(const char *section, int lineCount, const char *infPath, InfImage *image, int unused);
