// Lookups on an INF image: sections, lines, key values and line fields. Every
// walk steps by whole characters and stops at the image's 0x1A.
#include "setup/inf/inf.h"

#include "setup/inf/charset.h"
#include "setup/inf/text.h"

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

// Names are compared with the platform's case-insensitive comparison. Two
// names that start with different ASCII letters or digits cannot be equal
// under it, so most lines are passed over without the platform call.
bool sameName(const char *a, const char *b, size_t n)
{
    if (n > 0) {
        unsigned char x = (unsigned char)a[0], y = (unsigned char)b[0];
        bool alnumX = (x >= '0' && x <= '9') || ((x | 0x20) >= 'a' && (x | 0x20) <= 'z');
        bool alnumY = (y >= '0' && y <= '9') || ((y | 0x20) >= 'a' && (y | 0x20) <= 'z');
        if (alnumX && alnumY && (x | 0x20) != (y | 0x20))
            return false;
    }
    return equalNoCase(a, n, b, n);
}

// The line's ending NUL, or null when the walk meets the end mark first.
const char *lineEnd(const char *line)
{
    const char *p = line;
    while (*p != '\0') {
        if (*p == kEndOfFile)
            return nullptr;
        p = charNext(p);
    }
    return p;
}

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

InfLine findSection(InfImage *image, const char *name)
{
    const char *p = infImageText(image);
    if (p == nullptr)
        return nullptr;
    size_t n = textLength(name);
    while (*p != kEndOfFile) {
        if (*p == '[' && hasBytes(p + 1, n) && p[1 + n] == ']' && sameName(p + 1, name, n)) {
            const char *end = lineEnd(p);
            if (end == nullptr || end[1] == '\0' || end[1] == kEndOfFile)
                return nullptr;
            return end + 1;
        }
        const char *end = lineEnd(p);
        if (end == nullptr)
            return nullptr;
        p = end;
        while (*p == '\0')
            ++p;
    }
    return nullptr;
}

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

int getKeyValue(InfLine firstLine, const char *key, char *out, size_t size)
{
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
        if (isList) {
            copyTextN(out, size, value);
            return 1;
        }
        while (isSpace(*value) || *value == '"')
            ++value;
        copyTextN(out, size, value);
        trimTail(out, textLength(out));
        return 1;
    }
    return 0;
}

int getSectionKeyValue(InfImage *image, const char *section, const char *key, char *out, size_t size)
{
    InfLine first = findSection(image, section);
    if (first == nullptr) {
        if (size > 0)
            out[0] = '\0';
        return 0;
    }
    return getKeyValue(first, key, out, size);
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
