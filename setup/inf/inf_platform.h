// What the INF reader needs from the platform: heap blocks and a read-only
// file. Win32: HeapAlloc and CreateFileA; natively: malloc and stdio.
#pragma once
#include <stddef.h>

void *infHeapAllocate(size_t size);
void *infHeapResize(void *block, size_t size);   // null on failure; block stays valid
void infHeapRelease(void *block);
size_t infHeapSize(void *block);

struct InfFile;
// null when the file cannot be opened.
InfFile *infFileOpen(const char *path);
// The file's size, taken by seeking to its end and back; -1 on failure.
long infFileSize(InfFile *file);
// Bytes read (0 at the end of the file), -1 on failure.
long infFileRead(InfFile *file, char *buffer, size_t size);
void infFileClose(InfFile *file);
