// Section lines, keyed lines, field cutting, %key% strings, directory ids and
// path helpers: everything of the INF engine that needs no window.
#include "setup/inf/inf_fields.h"

#include "setup/inf/charset.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "runtime/bytes.h"

#include <string.h>

size_t getProfileString(const char *section, const char *key, const char *defaultText, char *out, size_t size,
                        InfImage *image)
{
    if (size == 0)
        return 0;
    if (!getSectionKeyValue(image, section, key, out, size))
        copyTextN(out, size, defaultText);
    return textLength(out);
}

int countSectionLines(const char *section, InfImage *image)
{
    return countLines(findSection(image, section));
}

int getSectionLine(const char *section, int n, char *out, size_t size, InfImage *image, bool *cut)
{
    if (cut != nullptr)
        *cut = false;
    if (n < 1 || size == 0)
        return 0;
    InfLine line = findSection(image, section);
    for (int i = 1; i < n && line != nullptr; ++i)
        line = nextLine(line);
    if (line == nullptr)
        return 0;
    bool whole = copyTextN(out, size, line);
    if (cut != nullptr)
        *cut = !whole;
    return 1;
}

InfLine findLineByKey(InfLine firstLine, const char *name, int count)
{
    InfLine line = firstLine;
    for (int i = 0; i < count && line != nullptr; ++i, line = nextLine(line)) {
        char key[kPathSize] = "";
        if (getLineField(line, 0, key) && equalNoCase(key, textLength(key), name, textLength(name)))
            return line;
    }
    return nullptr;
}

static InfLine keyedLine(InfImage *image, const char *section, const char *key)
{
    InfLine first = findSection(image, section);
    return findLineByKey(first, key, countLines(first));
}

int findKeyedValue(InfImage *image, const char *section, const char *key, char *out, size_t size)
{
    if (size == 0)
        return 0;
    out[0] = '\0';
    InfLine line = keyedLine(image, section, key);
    if (line == nullptr)
        return 0;
    getLineField(line, 1, out, size);
    return 1;
}

int findKeyedLine(InfImage *image, const char *section, const char *key, char *rest, size_t restSize, char *out,
                  size_t size)
{
    if (restSize > 0)
        rest[0] = '\0';
    if (!findKeyedValue(image, section, key, out, size))
        return 0;
    char line[kFieldSize], first[kFieldSize];
    copyText(line, keyedLine(image, section, key));
    copyTextN(rest, restSize, takeField(line, first));
    return 1;
}

// ---- directory ids

namespace {

enum DirBase { WINDOWS_DIR, SYSTEM_DIR, DRIVE };

struct DirId {
    long id;
    DirBase base;
    const char *suffix;
};

// Also the order in which a [DestinationDirs] field is searched for ids.
const DirId kDirIds[] = {
    {10, WINDOWS_DIR, ""},        {11, SYSTEM_DIR, ""},      {12, SYSTEM_DIR, "\\IOSUBSYS"},
    {13, WINDOWS_DIR, "\\COMMAND"}, {17, WINDOWS_DIR, "\\INF"}, {18, WINDOWS_DIR, "\\HELP"},
    {20, WINDOWS_DIR, "\\FONTS"},   {21, SYSTEM_DIR, "\\VIEWERS"}, {22, SYSTEM_DIR, "\\VMM32"},
    {23, SYSTEM_DIR, "\\COLOR"},    {24, DRIVE, ""},
};

// The drive of the Windows directory: its first two characters.
void addDrive(TextBuilder &out)
{
    const char *dir = setupState.windowsDir;
    const char *end = charNext(charNext(dir));
    addText(out, dir, (size_t)(end - dir));
}

void addDirectory(TextBuilder &out, const DirId &entry)
{
    switch (entry.base) {
    case WINDOWS_DIR:
        addText(out, setupState.windowsDir);
        break;
    case SYSTEM_DIR:
        addText(out, setupState.systemDir);
        break;
    case DRIVE:
        addDrive(out);
        break;
    }
    addText(out, entry.suffix);
}


}  // namespace

int resolveDirId(long number, char *out, size_t size)
{
    if (size == 0)
        return 0;
    out[0] = '\0';
    for (const DirId &entry : kDirIds) {
        if (entry.id == number) {
            TextBuilder builder = startTextN(out, size);
            addDirectory(builder, entry);
            return 1;
        }
    }
    return 0;
}

int chooseDestinationDir(const char *line, char *out, size_t size, long *chosenId)
{
    if (chosenId != nullptr)
        *chosenId = 0;
    if (size == 0)
        return 0;
    char where[kPathSize] = "", subdir[kPathSize] = "";
    getLineField(line, 1, where);
    getLineField(line, 2, subdir);
    TextBuilder builder = startTextN(out, size);
    if (where[0] == '\0') {
        addText(builder, setupState.windowsDir);
        return 0;
    }

    const DirId *chosen = nullptr;
    for (const DirId &entry : kDirIds) {
        char digits[8];
        digits[0] = (char)('0' + entry.id / 10);
        digits[1] = (char)('0' + entry.id % 10);
        digits[2] = '\0';
        if (findBytes(where, digits) != nullptr) {
            chosen = &entry;
            break;
        }
    }
    if (chosen == nullptr) {
        // No id: field 1 is a directory as written, and a subdirectory goes
        // below it like below any other directory.
        addText(builder, where);
    } else {
        if (chosenId != nullptr)
            *chosenId = chosen->id;
        addDirectory(builder, *chosen);
        if (chosen->base == DRIVE)
            addText(builder, "\\");
    }
    if (subdir[0] != '\0') {
        if (!endsWithBackslash(builder.text))
            addText(builder, "\\");
        addText(builder, subdir);
    }
    return 1;
}

// ---- %key% strings

namespace {

bool allDigits(const char *name, size_t length)
{
    if (length == 0)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

void addReference(TextBuilder &out, const char *name, size_t length, InfImage *image, UnknownReferenceNote note,
                  void *noteContext)
{
    char value[kPathSize];
    if (allDigits(name, length)) {
        long number = 0;
        for (size_t i = 0; i < length && number < 1000000; ++i)
            number = number * 10 + (name[i] - '0');
        // %0% is neither a directory id nor a key: it stands for nothing.
        if (number == 0) {
            if (note != nullptr)
                note(noteContext, name, length);
            return;
        }
        if (resolveDirId(number, value)) {
            addText(out, value);
            return;
        }
    }
    char key[kPathSize];
    copyTextN(key, sizeof key, name, length);
    if (!getSectionKeyValue(image, "Strings", key, value, sizeof value) && note != nullptr)
        note(noteContext, name, length);
    addText(out, value);
}

}  // namespace

char *expandStrings(char *text, size_t size, InfImage *image, UnknownReferenceNote note, void *noteContext)
{
    if (size == 0)
        return text;
    char work[kPathSize], result[kPathSize];
    copyTextN(work, sizeof work, text, size);
    TextBuilder out = startText(result);
    const char *p = work;
    while (*p != '\0') {
        if (*p != '%') {
            const char *next = charNext(p);
            addText(out, p, (size_t)(next - p));
            p = next;
            continue;
        }
        if (p[1] == '%') {
            addText(out, "%");
            p += 2;
            continue;
        }
        const char *name = p + 1;
        const char *close = name;
        while (*close != '\0' && *close != '%')
            close = charNext(close);
        if (*close == '\0') {
            addText(out, name);
            break;
        }
        addReference(out, name, (size_t)(close - name), image, note, noteContext);
        p = close + 1;
        // The character after a reference is copied as text, even a '%'.
        if (*p != '\0') {
            const char *next = charNext(p);
            addText(out, p, (size_t)(next - p));
            p = next;
        }
    }
    copyTextN(text, size, result);
    return text;
}

// ---- field cutting

char *stripComment(char *text)
{
    char *p = text;
    while (*p != '\0' && *p != ';')
        p = (char *)charNext(p);
    *p = '\0';
    size_t length = (size_t)(p - text);
    // Trail bytes are never 0x20, so the blanks can be taken off byte by byte.
    while (length > 1 && text[length - 1] == ' ')
        text[--length] = '\0';
    return text;
}

static char *cutField(char *text, char *out, size_t size, bool blankEnds)
{
    // Nothing but a comment is an empty field, as nothing at all is: the
    // caller always gets a text back.
    stripComment(text);
    if (*text == '\0') {
        if (size > 0)
            out[0] = '\0';
        return text;
    }
    char *p = text;
    int quotes = 0;
    while (*p != '\0') {
        if (*p == '"')
            ++quotes;
        else if (quotes % 2 == 0 && (*p == ',' || (blankEnds && *p == ' ')))
            break;
        p = (char *)charNext(p);
    }
    copyTextN(out, size, text, (size_t)(p - text));
    return *p != '\0' ? p + 1 : p;
}

char *takeField(char *text, char *out, size_t size)
{
    return cutField(text, out, size, false);
}

char *takeToken(char *text, char *out, size_t size)
{
    return cutField(text, out, size, true);
}

int stripQuotes(char *text)
{
    char *start = text;
    while (*start == '"')
        ++start;
    char *end = start;
    while (*end != '\0' && *end != '"')
        end = (char *)charNext(end);
    size_t length = (size_t)(end - start);
    memmove(text, start, length);
    text[length] = '\0';
    return 1;
}

// ---- sizes

long long decimalValue(const char *text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if (value < 0xFFFFFFFFLL)
            value = value * 10 + (*text - '0');
    if (value > 0xFFFFFFFFLL)
        value = 0xFFFFFFFFLL;
    return negative ? -value : value;
}

uint32_t sumSourceFileSizes(const char *section, InfImage *image, InfImage *layoutImage)
{
    InfImage *sizes = (layoutImage != nullptr && layoutImage != INF_NONE) ? layoutImage : image;
    InfLine disksFiles = findSection(sizes, "SourceDisksFiles");
    int disksFilesCount = countLines(disksFiles);
    unsigned long long total = 0;
    for (InfLine line = findSection(image, section); line != nullptr; line = nextLine(line)) {
        const char *name = line;
        for (const char *p = charNext(line); *p != '\0'; p = charNext(p)) {
            if (*p == ',') {
                name = p + 1;
                break;
            }
        }
        InfLine entry = findLineByKey(disksFiles, name, disksFilesCount);
        char size[kPathSize] = "";
        if (entry != nullptr && getLineField(entry, 3, size) && size[0] != '\0') {
            // A negative size is a broken layout line; it must not make the
            // total smaller than the files that are really there.
            long long value = decimalValue(size);
            if (value > 0)
                total += (unsigned long long)value;
        }
    }
    return total > 0xFFFFFFFFULL ? 0xFFFFFFFFu : (uint32_t)total;
}

// ---- paths

char *pathDirPart(char *path)
{
    char *cut = path;
    for (char *p = path; *p != '\0'; p = (char *)charNext(p))
        if (*p == '\\' || *p == ':')
            cut = p;
    *cut = '\0';
    return path;
}

const char *fileNamePart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p != '\0'; p = charNext(p))
        if (*p == '\\')
            name = p + 1;
    return name;
}

bool isPlainFileName(const char *name)
{
    if (name[0] == '\0' || sameBytes(name, ".") || sameBytes(name, ".."))
        return false;
    for (const char *p = name; *p != '\0'; p = charNext(p))
        if (*p == '\\' || *p == '/' || *p == ':')
            return false;
    return true;
}

bool endsWithBackslash(const char *text)
{
    size_t length = textLength(text);
    if (length == 0)
        return false;
    const char *last = charPrev(text, text + length);
    return text + length - last == 1 && *last == '\\';
}

bool addBackslash(char *path, size_t size)
{
    if (endsWithBackslash(path))
        return true;
    size_t length = textLength(path);
    if (length + 2 > size)
        return false;
    path[length] = '\\';
    path[length + 1] = '\0';
    return true;
}

bool joinPath(char *out, size_t size, const char *dir, const char *name)
{
    TextBuilder path = startTextN(out, size);
    addText(path, dir);
    if (!endsWithBackslash(dir))
        addText(path, "\\");
    addText(path, name);
    return !path.cut;
}
