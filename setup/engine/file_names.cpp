// The portable rules of the file directives: layout entries, compressed
// names, MergeFiles lines.
#include "setup/engine/file_directives.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"

LayoutEntry findLayoutEntry(const char *name, InfImage *layout)
{
    LayoutEntry entry = LayoutEntry();
    if (layout == nullptr || layout == INF_NONE)
        return entry;
    char value[kPathSize] = "";
    if (getProfileString("SourceDisksFiles", name, "", value, layout) == 0)
        return entry;
    char field[kFieldSize] = "";
    char *rest = takeField(value, field);
    // The leading digits; a number past any real disk set is kept from
    // growing without end.
    for (const char *p = field; *p >= '0' && *p <= '9' && entry.disk < 100000; ++p)
        entry.disk = entry.disk * 10 + (*p - '0');
    field[0] = '\0';
    takeField(rest, field);
    copyText(entry.subdir, field);
    return entry;
}

bool compressName(char *name, size_t size)
{
    // The extension is the text from the first dot; a name that starts with
    // a dot is all extension.
    char *dot = name;
    while (*dot != '\0' && *dot != '.')
        dot = (char *)charNext(dot);
    size_t extension = textLength(dot);
    if (extension == 1 || extension >= 5)
        return true;
    if (extension == 4) {
        char *last = dot;
        for (char *p = dot; *p != '\0'; p = (char *)charNext(p))
            last = p;
        last[0] = '_';
        last[1] = '\0';
        return true;
    }
    const char *suffix = extension == 0 ? "._" : "_";
    if (textLength(name) + textLength(suffix) >= size)
        return false;
    return appendTextN(name, size, suffix);
}

char *splitMergeLine(char *line, char (&target)[kPathSize])
{
    char *p = line;
    while (*p != '\0' && *p != '=')
        p = (char *)charNext(p);
    if (*p != '=') {
        target[0] = '\0';
        return nullptr;
    }
    copyTextN(target, sizeof target, line, (size_t)(p - line));
    size_t length = textLength(target);
    // Trail bytes are never blanks, so they can be taken off byte by byte.
    while (length > 0 && target[length - 1] == ' ')
        target[--length] = '\0';
    return p + 1;
}

bool mergeDirectory(char (&out)[kPathSize])
{
    return joinPath(out, setupState.windowsDir, "ospritemp");
}
