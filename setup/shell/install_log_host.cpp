// No install log natively: the portable code's tests run without one.
#include "setup/shell/install_log.h"

bool installLogOpen()
{
    return false;
}

void closeInstallLog() {}

void logParts(const char *const *, int) {}
