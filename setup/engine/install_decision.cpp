// Decisions on the version-checking installer's results; see install_decision.h.
#include "setup/engine/install_decision.h"

#include "setup/inf/charset.h"
#include "setup/inf/text.h"

InstallStep decideInstall(unsigned long result, bool forced)
{
    if (result & kVifCannotDelete)
        return INSTALL_SCHEDULE;
    if (result & kVifErrors)
        return INSTALL_FAIL;
    if (result & kVifConflicts)
        return forced ? INSTALL_FAIL : INSTALL_FORCE;
    if (result & kVifCannotReadSrc)
        return INSTALL_UNREADABLE;
    return INSTALL_COMPLETE;
}

bool deferredCopyName(const char *target, int n, char *out, size_t size)
{
    if (n < 0 || n > 999 || size == 0)
        return false;
    // The last '.' after the first character, within the file name: a '.' of
    // a directory name would put the copy into another folder. A name
    // without '.' gets the digits appended, each candidate made afresh from
    // the target (FOO000, FOO001, ...), never piled onto the one before.
    size_t keep = textLength(target);
    const char *dot = nullptr;
    for (const char *p = target; *p != '\0'; p = charNext(p)) {
        if (*p == '\\')
            dot = nullptr;
        else if (*p == '.' && p > target)
            dot = p;
    }
    if (dot != nullptr)
        keep = (size_t)(dot - target) + 1;
    char digits[4] = {(char)('0' + n / 100), (char)('0' + n / 10 % 10), (char)('0' + n % 10), '\0'};
    TextBuilder name = startTextN(out, size);
    addText(name, target, keep);
    addText(name, digits);
    return !name.cut;
}
