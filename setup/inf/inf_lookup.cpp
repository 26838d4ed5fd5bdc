// Lookups on an INF image: sections, lines, key values and line fields. Every
// walk steps by whole characters and stops at the image's 0x1A.
#include "setup/inf/inf.h"

#include "setup/inf/charset.h"
#include "setup/inf/text.h"
#include "runtime/bytes.h"

#include <string.h>

namespace {

const char kEndOfFile = 0x1A;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// True when the line holds at least n bytes before its NUL.
bool hasBytes(const char *line, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (line[i] == '\0')
            return false;
    return true;
}

bool sameName(const char *a, const char *b, size_t n)
{
    return equalNoCase(a, n, b, n);
}

// True when the byte at p is the second byte of a double-byte character
// that begins at or after start: an odd run of lead bytes stands before it.
bool isTrailByte(const char *start, const char *p)
{
    size_t leads = 0;
    for (const char *q = p; q > start && isLeadByte((unsigned char)q[-1]); --q)
        ++leads;
    return leads % 2 == 1;
}

// The line's ending NUL, or null when the walk meets the end mark first.
// Stepping by characters never passes a NUL, so the NUL is searched for as
// a byte; only a 0x1A needs a look back, since the second byte of a
// character is never taken for it.
const char *lineEnd(const char *line)
{
    const char *p = line;
    for (;;) {
        p = findByteOrEnd(p, kEndOfFile);
        if (*p == '\0')
            return p;
        if (!isTrailByte(line, p))
            return nullptr;
        ++p;
    }
}

// The last sections found, so that runs of lookups in one section ([Strings]
// while expanding, a component's keys one after the other) walk the image
// once. Images never change after they are built; freeInf forgets an image.
struct SectionMemo {
    const char *image;
    char name[48];
    InfLine first;
};
SectionMemo sectionMemo[8];
unsigned sectionMemoNext;

// Whether the last image searched has no 0x1A but its end mark, so that its
// header lines can be searched for directly (looked at once per image).
const char *plainImage;
bool plainImageIsPlain;

InfLine walkToSection(const char *p, const char *name);
InfLine searchSection(const char *text, size_t size, const char *name);

// Drops trailing blanks, tabs, CR, LF and double quotes, by whole characters.
void trimTail(char *text, size_t length)
{
    char *end = text + length;
    while (end > text) {
        char *last = (char *)charPrev(text, end);
        if (end - last != 1 || !(isSpace(*last) || *last == '"'))
            break;
        end = last;
    }
    *end = '\0';
}

}  // namespace

void forgetSections(InfImage *image)
{
    for (SectionMemo &memo : sectionMemo)
        if (memo.image == (const char *)image)
            memo.image = nullptr;
    if (plainImage == (const char *)image)
        plainImage = nullptr;
}

InfLine findSection(InfImage *image, const char *name)
{
    // A lookup given no image means the default INF: resolve it first, so
    // that the size, the plain-image check and the memo all concern the
    // image that is searched.
    if (image == nullptr)
        image = defaultInf;
    const char *text = infImageText(image);
    if (text == nullptr)
        return nullptr;
    size_t n = textLength(name);
    for (const SectionMemo &memo : sectionMemo)
        if (memo.image == text && n < sizeof memo.name && memcmp(memo.name, name, n + 1) == 0)
            return memo.first;
    // An image whose only 0x1A is its end mark (any real INF) can be searched
    // for header lines directly; the walk gives the same answer.
    size_t size = infImageSize(image);
    if (plainImage != text) {
        plainImage = text;
        plainImageIsPlain = size >= 3 && findByte(text, kEndOfFile, size - 1) == nullptr;
    }
    InfLine first = plainImageIsPlain ? searchSection(text, size, name) : walkToSection(text, name);
    if (n >= sizeof sectionMemo[0].name)
        return first;
    SectionMemo &memo = sectionMemo[sectionMemoNext++ % 8];
    memo.image = text;
    memcpy(memo.name, name, n + 1);
    memo.first = first;
    return first;
}

namespace {

bool headerMatches(const char *header, const char *name, size_t n)
{
    return hasBytes(header + 1, n) && header[1 + n] == ']' && sameName(header + 1, name, n);
}

// The line after the matching header, or null for an empty section.
InfLine sectionAfter(const char *header)
{
    const char *end = lineEnd(header);
    if (end == nullptr || end[1] == '\0' || end[1] == kEndOfFile)
        return nullptr;
    return end + 1;
}

// Looks only at the '[' bytes of the image: one that follows a NUL (or
// starts the image) begins a line, so it is a header and never the second
// byte of a character.
InfLine searchSection(const char *text, size_t size, const char *name)
{
    size_t n = textLength(name);
    const char *end = text + size;
    for (const char *p = text; p < end;) {
        const char *q = findByte(p, '[', (size_t)(end - p));
        if (q == nullptr)
            return nullptr;
        if ((q == text || q[-1] == '\0') && headerMatches(q, name, n))
            return sectionAfter(q);
        p = q + 1;
    }
    return nullptr;
}

InfLine walkToSection(const char *p, const char *name)
{
    size_t n = textLength(name);
    while (*p != kEndOfFile) {
        if (*p == '[' && headerMatches(p, name, n))
            return sectionAfter(p);
        const char *end = lineEnd(p);
        if (end == nullptr)
            return nullptr;
        p = end;
        while (*p == '\0')
            ++p;
    }
    return nullptr;
}

}  // namespace

InfLine nextLine(InfLine line)
{
    if (line == nullptr)
        return nullptr;
    const char *end = lineEnd(line);
    if (end == nullptr || end[1] == '\0' || end[1] == kEndOfFile)
        return nullptr;
    return end + 1;
}

int countLines(InfLine line)
{
    int count = 0;
    for (; line != nullptr; line = nextLine(line))
        ++count;
    return count;
}

int getKeyValue(InfLine firstLine, const char *key, char *out, size_t size, bool *cut)
{
    if (cut != nullptr)
        *cut = false;
    if (size == 0)
        return 0;
    out[0] = '\0';
    size_t n = textLength(key);
    for (InfLine line = firstLine; line != nullptr; line = nextLine(line)) {
        if (!hasBytes(line, n))
            continue;
        const char *p = line + n;
        while (isSpace(*p))
            ++p;
        if (*p != '=' || !sameName(line, key, n))
            continue;

        const char *value = p + 1;
        bool inQuotes = false, isList = false;
        for (const char *q = value; *q != '\0'; q = charNext(q)) {
            if (*q == '"')
                inQuotes = !inQuotes;
            else if (!inQuotes && (*q == '=' || *q == ','))
                isList = true;
        }
        if (!isList)
            while (isSpace(*value) || *value == '"')
                ++value;
        bool whole = copyTextN(out, size, value);
        if (cut != nullptr)
            *cut = !whole;
        if (!isList)
            trimTail(out, textLength(out));
        return 1;
    }
    return 0;
}

int getSectionKeyValue(InfImage *image, const char *section, const char *key, char *out, size_t size, bool *cut)
{
    InfLine first = findSection(image, section);
    if (first == nullptr) {
        if (cut != nullptr)
            *cut = false;
        if (size > 0)
            out[0] = '\0';
        return 0;
    }
    return getKeyValue(first, key, out, size, cut);
}

int getLineField(const char *line, int index, char *out, size_t size)
{
    if (index < 0 || size == 0)
        return 0;

    // The first separator, quotes not considered, tells whether the line has a key.
    const char *separator = nullptr;
    bool quotedSeparator = false, inQuotes = false;
    for (const char *p = line; *p != '\0'; p = charNext(p)) {
        if (*p == '"')
            inQuotes = !inQuotes;
        if (*p == '=' || *p == ',') {
            separator = p;
            quotedSeparator = inQuotes;
            break;
        }
    }

    const char *start = line;
    if (index == 0) {
        if (separator == nullptr || *separator != '=')
            return 0;
    } else {
        if (separator != nullptr && *separator == '=' && !quotedSeparator)
            start = separator + 1;
        for (int skip = 1; skip < index; ++skip) {
            inQuotes = false;
            while (*start != '\0' && (inQuotes || (*start != '=' && *start != ','))) {
                if (*start == '"')
                    inQuotes = !inQuotes;
                start = charNext(start);
            }
            if (*start == '\0') {
                out[0] = '\0';
                return 0;
            }
            ++start;
        }
    }

    while (isSpace(*start))
        ++start;
    size_t length = 0;
    inQuotes = false;
    for (const char *p = start; *p != '\0';) {
        if (*p == '"') {
            inQuotes = !inQuotes;
            ++p;
            continue;
        }
        if (!inQuotes && (*p == '=' || *p == ','))
            break;
        const char *next = charNext(p);
        size_t width = (size_t)(next - p);
        if (length + width >= size)
            break;
        for (size_t i = 0; i < width; ++i)
            out[length++] = p[i];
        p = next;
    }
    out[length] = '\0';
    trimTail(out, length);
    return 1;
}
