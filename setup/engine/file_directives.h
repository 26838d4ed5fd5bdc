// The file directives CopyFiles, MergeFiles and DelFiles, and the rules they
// share: where a file lies on the installation medium (the layout INF) and
// the names under which a floppy kit stores compressed files.
#pragma once
#include "setup/engine/directives.h"

#include <stddef.h>

// Where a source file lies: its disk (0: on no particular disk) and the
// subdirectory of the medium that holds it (empty: the source directory).
struct LayoutEntry {
    int disk;
    char subdir[kPathSize];
};

// The [SourceDisksFiles] entry of name in layout. A name without an entry,
// or no layout INF at all (null or INF_NONE), gives disk 0 and no
// subdirectory.
LayoutEntry findLayoutEntry(const char *name, InfImage *layout);

// Turns a source name into the name under which a floppy kit stores it
// compressed (SETUP.EXE -> SETUP.EX_, README -> README._, A.H -> A.H_).
// false, and the name unchanged, when the longer name does not fit.
bool compressName(char *name, size_t size);
template <size_t N> inline bool compressName(char (&name)[N])
{
    return compressName(name, N);
}

// Cuts a MergeFiles line target=part1,part2,... at its first "=": the target
// name (trailing blanks dropped) into target, and the part list returned. null
// when the line has no "=", which has no parts.
char *splitMergeLine(char *line, char (&target)[kPathSize]);

// The merge directory: windowsDir + "\ospritemp".
bool mergeDirectory(char (&out)[kPathSize]);

// Appends the bytes of sourceDir\sourceName to targetDir\targetName (created
// when missing). 1, or 0 when a file cannot be opened or a byte cannot be
// read or written. Windows only.
int appendFileTo(const char *sourceDir, const char *sourceName, const char *targetDir, const char *targetName);
