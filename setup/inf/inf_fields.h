// Line fields, keyed lines, %key% strings, directory ids and path helpers on
// top of the in-memory INF.
#pragma once
#include "setup/inf/inf.h"

#include <stddef.h>
#include <stdint.h>

const size_t kFieldSize = 256;   // takeField and takeToken work on texts below this

// The three INF slots of the setup state. Each holds an image or INF_NONE.
enum InfSlot { SETUP_INF, LAYOUT_INF, AUX_INF };
// Puts an image (or INF_NONE) into a slot and returns what was there; null
// leaves the slot alone and returns null.
InfImage *setInfSlot(InfSlot slot, InfImage *image);
InfImage *infSlot(InfSlot slot);
void freeAllInfs();
void freeAuxInf();

// The value of a key in a section, or the default text; returns its length.
size_t getProfileString(const char *section, const char *key, const char *defaultText, char *out, size_t size,
                        InfImage *image);
int countSectionLines(const char *section, InfImage *image);
// 1 and a copy of the section's nth line (1-based), or 0; cut as for
// getKeyValue.
int getSectionLine(const char *section, int n, char *out, size_t size, InfImage *image, bool *cut = nullptr);
// The first of count lines from firstLine whose key equals name, or null.
InfLine findLineByKey(InfLine firstLine, const char *name, int count);
int findKeyedValue(InfImage *image, const char *section, const char *key, char *out, size_t size);
// As findKeyedValue; rest receives what follows the line's first
// comma-separated field (its key, '=' and first value), as takeField cuts it.
int findKeyedLine(InfImage *image, const char *section, const char *key, char *rest, size_t restSize, char *out,
                  size_t size);

// Told of a reference that stands for nothing: a name that is neither a
// directory id nor a [Strings] key of the image (or the number 0).
typedef void (*UnknownReferenceNote)(void *context, const char *name, size_t length);

// Replaces %key% references in place. The text is worked on in 260 bytes;
// what does not fit is cut at a character boundary. Returns text. note,
// when given, hears of each reference that expands to nothing because it
// names nothing (a kit checker reports them).
char *expandStrings(char *text, size_t size, InfImage *image, UnknownReferenceNote note = nullptr,
                    void *noteContext = nullptr);
// 1 and the directory of a directory id, or 0 when the number is none.
int resolveDirId(long number, char *out, size_t size);
// The directory chosen by a [DestinationDirs] line: 0 and the Windows
// directory when its field 1 is empty, else 1. chosenId, when given,
// receives the directory id taken (0 when field 1 holds none).
int chooseDestinationDir(const char *line, char *out, size_t size, long *chosenId = nullptr);
// The target directory of a file-list section (shows a message when the
// section has no [DestinationDirs] line). Windows only.
int resolveDestinationDir(const char *section, char *out, size_t size, InfImage *image);

// Cuts the first comma-separated field (quotes kept) into out and returns
// the rest; the text is cut at its ';' first, in place.
char *takeField(char *text, char *out, size_t size);
// As takeField, with a blank also ending the field.
char *takeToken(char *text, char *out, size_t size);
char *stripComment(char *text);
int stripQuotes(char *text);
// A decimal value as the C library's atoi reads it (blanks, a sign, the
// leading digits; 0 for none), its magnitude kept within 32 bits: a size
// field of [SourceDisksFiles].
long long decimalValue(const char *text);
uint32_t sumSourceFileSizes(const char *section, InfImage *image, InfImage *layoutImage);

char *pathDirPart(char *path);
const char *fileNamePart(const char *path);
// true for a file name that stays in the folder it is joined to: not empty,
// not "." or "..", and no drive, no backslash and no slash (second bytes of
// double-byte characters are no separators).
bool isPlainFileName(const char *name);
// true when the last character (not a second byte) is a backslash.
bool endsWithBackslash(const char *text);
// false (and the text unchanged) when there is no room for the backslash.
bool addBackslash(char *path, size_t size);
// dir + "\" + name, without doubling a backslash that dir ends with. false
// when it does not fit: a cut path would name another file.
bool joinPath(char *out, size_t size, const char *dir, const char *name);

template <size_t N>
inline size_t getProfileString(const char *section, const char *key, const char *defaultText, char (&out)[N],
                               InfImage *image)
{
    return getProfileString(section, key, defaultText, out, N, image);
}
template <size_t N> inline int getSectionLine(const char *section, int n, char (&out)[N], InfImage *image)
{
    return getSectionLine(section, n, out, N, image);
}
template <size_t N> inline int findKeyedValue(InfImage *image, const char *section, const char *key, char (&out)[N])
{
    return findKeyedValue(image, section, key, out, N);
}
template <size_t R, size_t N>
inline int findKeyedLine(InfImage *image, const char *section, const char *key, char (&rest)[R], char (&out)[N])
{
    return findKeyedLine(image, section, key, rest, R, out, N);
}
template <size_t N>
inline char *expandStrings(char (&text)[N], InfImage *image, UnknownReferenceNote note = nullptr,
                           void *noteContext = nullptr)
{
    return expandStrings(text, N, image, note, noteContext);
}
template <size_t N> inline int resolveDirId(long number, char (&out)[N])
{
    return resolveDirId(number, out, N);
}
template <size_t N> inline int resolveDestinationDir(const char *section, char (&out)[N], InfImage *image)
{
    return resolveDestinationDir(section, out, N, image);
}
template <size_t N> inline char *takeField(char *text, char (&out)[N])
{
    return takeField(text, out, N);
}
template <size_t N> inline char *takeToken(char *text, char (&out)[N])
{
    return takeToken(text, out, N);
}
template <size_t N> inline bool joinPath(char (&out)[N], const char *dir, const char *name)
{
    return joinPath(out, N, dir, name);
}
template <size_t N> inline bool addBackslash(char (&path)[N])
{
    return addBackslash(path, N);
}
