// The command line's words: switches out, the rest the pattern.
#include "setup/shell/command_line.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The end of the word that starts at p: blanks inside quotes belong to it.
const char *wordEnd(const char *p)
{
    bool quoted = false;
    while (*p != '\0' && (quoted || !isBlank(*p))) {
        if (*p == '"')
            quoted = !quoted;
        p = charNext(p);
    }
    return p;
}

// The ASCII name of a switch, compared without regard to case.
bool sameName(const char *name, size_t length, const char *wanted)
{
    size_t i = 0;
    for (; i < length && wanted[i] != '\0'; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
        if (c != wanted[i])
            return false;
    }
    return i == length && wanted[i] == '\0';
}

bool fail(CommandLine &out, CommandLineError error, const char *word, size_t length)
{
    out.error = error;
    copyTextN(out.offending, sizeof out.offending, word, length);
    return false;
}

// One switch word, from its "/" to its end.
bool takeSwitch(const char *word, const char *end, CommandLine &out)
{
    const char *colon = word;
    while (colon < end && *colon != ':')
        colon = charNext(colon);
    struct Switch {
        const char *name;
        char *file;
    } switches[] = {{"record", out.recordFile}, {"silent", out.silentFile}, {"log", out.logFile}};
    size_t wordLength = (size_t)(end - word);
    for (Switch &s : switches) {
        if (!sameName(word + 1, (size_t)(colon - word - 1), s.name))
            continue;
        if (s.file[0] != '\0')
            return fail(out, COMMAND_LINE_TWICE, word, (size_t)(colon - word));
        // The file, its quotes taken out: "/log:"C:\Setup logs\a.log"".
        char file[kCommandPathSize];
        TextBuilder built = startText(file);
        for (const char *p = colon < end ? colon + 1 : end; p < end;) {
            const char *next = charNext(p);
            if (*p != '"')
                addText(built, p, (size_t)(next - p));
            p = next;
        }
        if (file[0] == '\0')
            return fail(out, COMMAND_LINE_NO_FILE, word, (size_t)(colon - word));
        if (built.cut)
            return fail(out, COMMAND_LINE_TOO_LONG, word, wordLength);
        copyTextN(s.file, kCommandPathSize, file);
        return true;
    }
    return fail(out, COMMAND_LINE_UNKNOWN_SWITCH, word, wordLength);
}

}  // namespace

bool parseCommandLine(const char *text, CommandLine &out)
{
    out = CommandLine();
    if (text == nullptr)
        text = "";
    // The line without its switches: blanks stay where they were, so that a
    // line without switches gives the pattern it always gave.
    char rest[kCommandPathSize];
    TextBuilder kept = startText(rest);
    const char *p = text;
    while (*p != '\0') {
        if (isBlank(*p)) {
            addText(kept, p, 1);
            ++p;
            continue;
        }
        const char *end = wordEnd(p);
        // A switch may also stand quoted as a whole ("/log:C:\Setup logs\a.log"):
        // no pattern begins with "/", quoted or not.
        const char *word = *p == '"' && p[1] == '/' ? p + 1 : p;
        if (*word == '/') {
            if (!takeSwitch(word, end, out))
                return false;
        } else {
            addText(kept, p, (size_t)(end - p));
        }
        p = end;
    }
    if (kept.cut)
        return fail(out, COMMAND_LINE_TOO_LONG, text, textLength(text));
    if (out.recordFile[0] != '\0' && out.silentFile[0] != '\0')
        return fail(out, COMMAND_LINE_CONFLICT, "/silent", 7);

    char *start = rest;
    while (isBlank(*start))
        ++start;
    stripQuotes(start);
    size_t length = textLength(start);
    while (length > 0 && isBlank(start[length - 1]))
        start[--length] = '\0';
    copyText(out.pattern, start);
    out.error = COMMAND_LINE_OK;
    return true;
}
