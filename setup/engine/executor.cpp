// Field cutting shared by the executors of the install engine and the
// configuration updaters.
#include "setup/engine/executor.h"

#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"

bool cutLineFields(char *line, char (*fields)[kPathSize], int count)
{
    // Cut into a buffer as large as the line, so that a field too long for
    // its own buffer is seen whole and refused instead of silently cut.
    char field[kExecutorLineSize];
    char *rest = line;
    bool fits = true;
    for (int i = 0; i < count; ++i) {
        field[0] = '\0';
        rest = takeField(rest, field);
        if (!copyText(fields[i], field))
            fits = false;
    }
    return fits;
}

int flagsDigit(const char *field)
{
    return field[0] == '\0' ? 0 : field[0] - '0';
}
