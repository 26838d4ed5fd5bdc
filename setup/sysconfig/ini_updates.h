// The INI directives UpdateInis and UpdateIniFields, the section append used
// by the deferred operations, and the time stamps of the system INI files.
#pragma once
#include "setup/engine/executor.h"

#include <windows.h>

// The extra value of the UpdateInis executor.
enum IniMode { INI_ADD_MODE = 1, INI_REMOVE_MODE = 2 };

// Executors; no line makes them fail, so both return lineCount + 1.
int updateInis(const char *section, int lineCount, const char *infPath, InfImage *image, int mode);
int updateIniFields(const char *section, int lineCount, const char *infPath, InfImage *image, int unused);

// One UpdateInis line, its fields cut and expanded: routed to CONFIG.SYS,
// AUTOEXEC.BAT, setup.ini's groups, the [386Enh] device lines or an ordinary
// profile entry. Returns 1.
int updateIniLine(const char *file, const char *section, const char *oldEntry, const char *newEntry, int flags,
                  InfImage *inf, int mode);

// One UpdateIniFields line on an ordinary INI file. Returns 1.
int editIniFields(const char *file, const char *section, const char *key, const char *oldField, const char *newField,
                  InfImage *inf);

// Appends text (textLength bytes) as the last line of section in file.
// false when memory could not be had or the section could not be written.
bool appendSectionLine(const char *section, const char *text, const char *file, size_t textLength);

// Last-write times of win.ini, system.ini and wifeman.ini in the Windows
// directory, each flushed first; a file that cannot be opened leaves its slot.
void snapshotIniTimes(FILETIME *winTime, FILETIME *systemTime, FILETIME *wifemanTime);
// How many of the three differ now from the given times (0 to 3).
int countChangedIniTimes(const FILETIME *winTime, const FILETIME *systemTime, const FILETIME *wifemanTime);
