// Installing one file through the platform's version-checking installer, and
// the operations deferred to the next start of Windows through the
// [rename] section of wininit.ini.
#pragma once
#include <stddef.h>

// Installs sourceDir\sourceName as destDir\destName. destName (a buffer of
// destNameSize bytes) is turned to upper case when the file is new.
// 1: installed, or its replacement scheduled; 0: the source cannot be read;
// -1: it cannot be installed (the caller shows message 2012).
int installFile(const char *sourceDir, const char *sourceName, const char *destDir, char *destName,
                size_t destNameSize);
template <size_t N>
inline int installFile(const char *sourceDir, const char *sourceName, const char *destDir, char (&destName)[N])
{
    return installFile(sourceDir, sourceName, destDir, destName, N);
}

// Copies the source beside the target (FOO.000, FOO.001, ...) and records
// the move into place at restart. 1, or -1 when no copy could be made.
int scheduleReplace(const char *sourcePath, const char *targetPath);
// Records the deletion of path at restart; 1.
int scheduleDelete(const char *path);
// 0 when the file was deleted, else the platform's error code.
unsigned long tryDeleteFile(const char *path);
