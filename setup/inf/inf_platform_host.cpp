// The INF reader's heap and file access natively, for tests and fuzzing. A
// small header in front of each block remembers its size, as HeapSize does.
#include "setup/inf/inf_platform.h"

#include <stdio.h>
#include <stdlib.h>

namespace {
struct BlockHeader {
    size_t size;
    size_t padding;
};
}

void *infHeapAllocate(size_t size)
{
    BlockHeader *header = (BlockHeader *)malloc(sizeof(BlockHeader) + size);
    if (header == nullptr)
        return nullptr;
    header->size = size;
    return header + 1;
}

void *infHeapResize(void *block, size_t size)
{
    BlockHeader *header = (BlockHeader *)realloc((BlockHeader *)block - 1, sizeof(BlockHeader) + size);
    if (header == nullptr)
        return nullptr;
    header->size = size;
    return header + 1;
}

void infHeapRelease(void *block)
{
    if (block != nullptr)
        free((BlockHeader *)block - 1);
}

size_t infHeapSize(void *block)
{
    return ((BlockHeader *)block - 1)->size;
}

// Paths are built the Windows way; natively a backslash is the separator.
InfFile *infFileOpen(const char *path)
{
    char native[4096];
    size_t i = 0;
    for (; path[i] != '\0' && i + 1 < sizeof native; ++i)
        native[i] = path[i] == '\\' ? '/' : path[i];
    if (path[i] != '\0')
        return nullptr;
    native[i] = '\0';
    return (InfFile *)fopen(native, "rb");
}

long infFileSize(InfFile *file)
{
    FILE *f = (FILE *)file;
    if (fseek(f, 0, SEEK_END) != 0)
        return -1;
    long size = ftell(f);
    if (size < 0 || fseek(f, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

long infFileRead(InfFile *file, char *buffer, size_t size)
{
    FILE *f = (FILE *)file;
    size_t got = fread(buffer, 1, size, f);
    if (got == 0 && ferror(f))
        return -1;
    return (long)got;
}

void infFileClose(InfFile *file)
{
    fclose((FILE *)file);
}
