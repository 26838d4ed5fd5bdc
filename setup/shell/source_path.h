// The kit's source path as remembered in the registry, under
// HKEY_LOCAL_MACHINE\SOFTWARE\QEL\<SetupClass>\Setup, value SourcePath.
#pragma once
#include <stddef.h>

// Stores kitSourceDir, unless the setup INF came from the Windows INF
// directory. Failures are ignored.
void storeSourcePath();
// The stored path, or kitSourceDir when none (or an empty one) is stored.
void readSourcePath(char *out, size_t size);
// Stores path as the source path.
void writeSourcePath(const char *path);
