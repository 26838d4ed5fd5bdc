// The one shape of every directive executor, so that the install driver can
// keep its directives in a table, and the field cutting they all share.
#pragma once
#include "setup/inf/inf.h"
#include "setup/inf/inf_fields.h"
#include "setup/shell/setup_state.h"

// section: the listed section's name; lineCount: its lines (at least 1);
// infPath: the file the section comes from; image: the INF holding it;
// extra: the value of the directive kind (overwrite flag, INI mode, or unused).
// Non-zero means the section counts as done.
typedef int (*Executor)(const char *section, int lineCount, const char *infPath, InfImage *image, int extra);

// Room for a whole executor line: six fields of at most 259 bytes and their
// commas fit, so a line that getSectionLine cuts at this size still holds
// every field that fits its own buffer intact.
const size_t kExecutorLineSize = 6 * kPathSize;

// Cuts count comma-separated fields off line (in place) into fields. A field
// missing from the line is empty. false: a field is longer than 259 bytes;
// such a line is refused rather than carried out with a cut path or value.
bool cutLineFields(char *line, char (*fields)[kPathSize], int count);

// The digit of a flags field: its first character minus '0', 0 when empty.
int flagsDigit(const char *field);

// The one loop of every executor: lines 1 to lineCount of the section, each
// cut into N fields and handed to act(fields); a line that cannot be fetched,
// or whose fields do not fit, is skipped.
template <int N, typename Act> void forEachLine(const char *section, int lineCount, InfImage *image, Act act)
{
    for (int i = 1; i <= lineCount; ++i) {
        char line[kExecutorLineSize];
        char fields[N][kPathSize];
        if (getSectionLine(section, i, line, image) && cutLineFields(line, fields, N))
            act(fields);
    }
}
