// Text edits of the configuration updaters; see config_text.h.
#include "setup/sysconfig/config_text.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "runtime/bytes.h"

#include <string.h>

namespace {

// Output into a counted buffer that never writes past its end but keeps
// counting, so that one walk both measures and builds.
struct Output {
    char *out;
    size_t size;
    size_t used;
};

void put(Output &o, const char *bytes, size_t n)
{
    if (o.used < o.size) {
        size_t room = o.size - o.used;
        memcpy(o.out + o.used, bytes, n < room ? n : room);
    }
    o.used += n;
}

void put(Output &o, const char *text)
{
    put(o, text, textLength(text));
}

bool equalText(const char *a, size_t aLength, const char *b)
{
    return equalNoCase(a, aLength, b, textLength(b));
}

// ---- field lists

// A field of the current value as takeToken cuts it: its extent in the text
// and its unquoted text for comparing.
struct Field {
    char *rest;   // after the separator that ended the field, if any
    char unquoted[kPathSize + 2];
};

// The working text is at most kPathSize + 1 bytes, so a field always fits.
char *cutField(char *p, Field &field)
{
    field.unquoted[0] = '\0';
    field.rest = takeToken(p, field.unquoted);
    stripQuotes(field.unquoted);
    return field.rest;
}

bool fieldEquals(const Field &field, const char *text)
{
    return compareNoCase(field.unquoted, text) == 0;
}

}  // namespace

bool editFieldList(const char *current, const char *oldField, const char *newField, char *result, size_t size)
{
    if (size == 0)
        return false;
    TextBuilder out = startTextN(result, size);
    if (current[0] == '\0') {
        if (oldField[0] == '\0')
            addText(out, newField);
        return !out.cut;
    }
    if (oldField[0] == '\0' && newField[0] == '\0') {
        addText(out, current);
        return !out.cut;
    }

    // The walk works on the value without its ';' comment and trailing
    // blanks, as the first cut of takeToken leaves it. A value longer than
    // the work buffer could only come from a caller that ignored the 260-byte
    // read; refuse it rather than edit a cut list.
    char work[kPathSize + 2];
    if (!copyText(work, current))
        return false;
    stripComment(work);

    if (oldField[0] == '\0') {
        Field field;
        for (char *p = work; *p != '\0';) {
            char *rest = cutField(p, field);
            if (fieldEquals(field, newField)) {
                addText(out, current);   // already listed: nothing changes
                return !out.cut;
            }
            if (rest == p)
                break;
            p = rest;
        }
        addText(out, work);
        addText(out, " ");
        addText(out, newField);
        return !out.cut;
    }

    bool replaced = false;
    Field field;
    for (char *p = work; *p != '\0';) {
        char *rest = cutField(p, field);
        if (fieldEquals(field, oldField)) {
            // The separator after the field goes with it; a single blank
            // keeps the new field apart from what follows.
            replaced = true;
            if (newField[0] != '\0') {
                addText(out, newField);
                if (*rest != '\0')
                    addText(out, " ");
            }
        } else {
            addText(out, p, (size_t)(rest - p));
        }
        if (rest == p)
            break;
        p = rest;
    }
    if (!replaced) {
        out = startTextN(result, size);
        addText(out, current);
    }
    return !out.cut;
}

// ---- [386Enh] device lines

namespace {

// The key of a device-list line: the text before its first '='. A ';' before
// any '=' makes the line a comment, which has no key.
bool lineKey(const char *line, size_t &keyLength)
{
    for (const char *p = line; *p != '\0'; p = charNext(p)) {
        if (*p == ';')
            return false;
        if (*p == '=') {
            keyLength = (size_t)(p - line);
            return true;
        }
    }
    return false;
}

// Whether the line's key is key and its first value token is value, the
// token compared as it stands, quotes included. The work buffer holds more
// than the 259 bytes a value can have, so a token cut by it is always longer
// than any value and never matches by accident.
bool carries(const char *line, const char *key, const char *value)
{
    size_t keyLength = 0;
    if (!lineKey(line, keyLength) || !equalText(line, keyLength, key))
        return false;
    char work[kPathSize + 2], token[kPathSize + 2];
    copyText(work, line + keyLength + 1);
    token[0] = '\0';
    takeToken(work, token);
    return compareNoCase(token, value) == 0;
}

void putDeviceLine(Output &o, const char *value)
{
    put(o, "device=");
    put(o, value);
    put(o, "", 1);
}

}  // namespace

size_t rewriteDeviceList(const char *list, size_t listLength, const char *key, const char *oldValue,
                         const char *newValue, char *out, size_t outSize)
{
    Output o = {out, outSize, 0};
    bool haveOld = oldValue[0] != '\0', haveNew = newValue[0] != '\0';
    bool found = false;
    size_t pos = 0;
    while (pos < listLength && list[pos] != '\0') {
        const char *line = list + pos;
        size_t length = textLength(line);
        if (haveOld && carries(line, key, oldValue)) {
            if (haveNew)
                putDeviceLine(o, newValue);
            put(o, ";");
        } else if (!haveOld && haveNew && carries(line, key, newValue)) {
            found = true;
        }
        put(o, line, length + 1);
        pos += length + 1;
    }
    if (!haveOld && haveNew && !found)
        putDeviceLine(o, newValue);
    // The list ends with a second NUL; an empty list is two NULs.
    if (o.used == 0)
        put(o, "", 1);
    put(o, "", 1);
    return o.used;
}

// ---- AUTOEXEC.BAT lines

size_t filterBatchLines(const char *text, size_t length, const char *drop, char *out, size_t outSize, int *dropped)
{
    Output o = {out, outSize, 0};
    size_t dropLength = textLength(drop);
    int count = 0;
    size_t pos = 0;
    while (pos < length) {
        // A line ends at LF, after a CR when there is one, as a text-mode
        // read sees it. The file is scanned by byte for LF: LF is never the
        // second byte of a double-byte character, and a file may hold NULs
        // that character stepping would stop at.
        const char *line = text + pos;
        const char *lf = findByte(line, '\n', length - pos);
        size_t content = lf != nullptr ? (size_t)(lf - line) : length - pos;
        size_t next = lf != nullptr ? pos + content + 1 : length;
        if (lf != nullptr && content > 0 && line[content - 1] == '\r')
            --content;
        // Equal lines have equal lengths; the length test also keeps a line
        // with a NUL in it from matching its first part.
        if (content == dropLength && equalNoCase(line, content, drop, dropLength)) {
            ++count;
        } else {
            put(o, line, content);
            put(o, "\r\n", 2);
        }
        pos = next;
    }
    if (dropped != nullptr)
        *dropped = count;
    return o.used;
}

// ---- entries and quotes

bool splitEntry(const char *entry, char *key, size_t keySize, char *value, size_t valueSize)
{
    const char *p = entry;
    while (*p != '\0' && *p != '=')
        p = charNext(p);
    if (*p != '=')
        return false;
    copyTextN(key, keySize, entry, (size_t)(p - entry));
    copyTextN(value, valueSize, p + 1);
    return true;
}

void dropEnclosingQuotes(char *text)
{
    size_t length = textLength(text);
    if (length < 2 || text[0] != '"')
        return;
    const char *last = charPrev(text, text + length);
    if (last != text + length - 1 || *last != '"')
        return;
    memmove(text, text + 1, length - 2);
    text[length - 2] = '\0';
}

void unquoteGroupLine(char *text)
{
    dropEnclosingQuotes(text);
    // In place: the text only ever gets shorter, so to never passes p.
    char *to = text;
    const char *p = text;
    while (*p != '\0') {
        if (p[0] == '"' && p[1] == '"')
            ++p;   // the doubled quote becomes one
        const char *next = charNext(p);
        while (p < next)
            *to++ = *p++;
    }
    *to = '\0';
}

IniLineTarget iniLineTarget(const char *file, const char *section, const char *newEntry)
{
    char fileName[kPathSize], sectionName[kPathSize], entry[kPathSize], key[kPathSize], value[kPathSize];
    copyText(fileName, file);
    stripQuotes(fileName);
    copyText(sectionName, section);
    stripQuotes(sectionName);
    copyText(entry, newEntry);
    stripQuotes(entry);
    const char *name = fileNamePart(fileName);

    // The boot files are those of the boot drive, wherever the line puts them.
    if (compareNoCase(name, "config.sys") == 0 && sectionName[0] == '\0')
        return INI_TARGET_CONFIG_SYS;
    if (compareNoCase(name, "autoexec.bat") == 0)
        return sectionName[0] != '\0' && entry[0] == '\0' ? INI_TARGET_AUTOEXEC_REMOVE : INI_TARGET_AUTOEXEC_NOTHING;
    // Only the bare name: a path to a setup.ini is an ordinary INI file.
    if (compareNoCase(file, "setup.ini") == 0) {
        if (compareNoCase(sectionName, "progman.groups") != 0)
            return INI_TARGET_GROUP_LINE;
        return splitEntry(newEntry, key, value) ? INI_TARGET_GROUPS_ENTRY : INI_TARGET_NO_ENTRY;
    }
    copyText(entry, newEntry);
    dropEnclosingQuotes(entry);
    return splitEntry(entry, key, value) ? INI_TARGET_PROFILE_ENTRY : INI_TARGET_NO_ENTRY;
}
