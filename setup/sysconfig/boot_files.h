// CONFIG.SYS, AUTOEXEC.BAT and the device lines of system.ini: the system
// files that profile entries cannot address. Both boot files are those in the
// root of the drive of the Windows system directory; neither is ever created.
#pragma once
#include "setup/inf/inf.h"

// Appends line and CR LF at the end of CONFIG.SYS, after a CR LF of its own
// when the file's last line has none. true when the write succeeded.
bool appendConfigSysLine(const char *line);

// Removes from AUTOEXEC.BAT every line equal to text (whole, without regard
// to case). The file is written only when a line was removed.
void removeAutoexecLines(const char *text);

// Adds, replaces or comments out the key= lines of a section of an INI file
// (the device lines of [386Enh]), writing the whole section back and marking
// a restart. false when memory could not be had; nothing is written then.
bool updateDeviceLines(const char *file, const char *section, const char *key, const char *oldValue,
                       const char *newValue, InfImage *inf);
