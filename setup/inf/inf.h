// The in-memory INF: a file read once into one normalised block of text, and
// the lookups that walk it. Lines are NUL-terminated; a section header is
// preceded by an extra NUL; the block ends with NUL, NUL, 0x1A.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct InfImage;             // the normalised block; never looked into directly
typedef const char *InfLine; // the first byte of one line inside an image

// openInf's answer for a file that cannot be opened, and the mark of an empty slot.
#define INF_NONE ((InfImage *)(intptr_t)-1)

// Images and the file each stay below 64 KB (16-bit positions).
const size_t kInfSizeLimit = 65536;
// The image buffer starts at, and grows by, this many bytes.
const size_t kInfGrowthStep = 27000;
// The file is read in chunks of this size.
const size_t kInfReadChunk = 1024;

// The image used by every lookup that is given no image: the first image
// opened while none was set; cleared when that image is released.
extern InfImage *defaultInf;

// path is a writable buffer of pathSize bytes: an empty path is replaced by
// "InstDap.inf". Returns the image, INF_NONE when the file cannot be opened,
// or null when it cannot be read (too large, seek failure, out of memory).
InfImage *openInf(char *path, size_t pathSize);
template <size_t N> inline InfImage *openInf(char (&path)[N]) { return openInf(path, N); }

// Told, for each line of an image as it is built, the offset in the image
// where the line starts and the line of the file (1-based) where it began,
// so that a tool can name file lines.
typedef void (*InfLineNote)(void *context, size_t offset, unsigned fileLine);

// Builds an image from bytes already in memory, by the same rules as openInf
// (used for INF text that does not come from a file, and by the tests).
InfImage *buildInfImage(const char *bytes, size_t length, InfLineNote note = nullptr, void *noteContext = nullptr);

// Releases an image; null releases the default INF.
void freeInf(InfImage *image);

// The first line of the named section, or null (also for an empty section).
InfLine findSection(InfImage *image, const char *name);
InfLine nextLine(InfLine line);
int countLines(InfLine line);

// cut, when given, tells whether the value was cut to fit the buffer: a
// caller that must take a value whole or refuse it looks at it.
int getKeyValue(InfLine firstLine, const char *key, char *out, size_t size, bool *cut = nullptr);
int getSectionKeyValue(InfImage *image, const char *section, const char *key, char *out, size_t size,
                       bool *cut = nullptr);
int getLineField(const char *line, int index, char *out, size_t size);

template <size_t N> inline int getKeyValue(InfLine firstLine, const char *key, char (&out)[N])
{
    return getKeyValue(firstLine, key, out, N);
}
template <size_t N>
inline int getSectionKeyValue(InfImage *image, const char *section, const char *key, char (&out)[N])
{
    return getSectionKeyValue(image, section, key, out, N);
}
template <size_t N> inline int getLineField(const char *line, int index, char (&out)[N])
{
    return getLineField(line, index, out, N);
}

// Drops what the lookups remember of an image (freeInf does this).
void forgetSections(InfImage *image);

// The size of an image in bytes, end marks included (0 for none); null
// means the default INF, as for the text.
size_t infImageSize(InfImage *image);
// The text of an image: its first byte (null: the default INF's).
const char *infImageText(InfImage *image);
