// The SourcePath value of the kit's setup key.
#include "setup/shell/source_path.h"

#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/install_log.h"

#include <windows.h>

static bool setupKeyName(char (&name)[kPathSize])
{
    TextBuilder key = startText(name);
    addText(key, "SOFTWARE\\QEL\\");
    addText(key, setupState.setupClass);
    addText(key, "\\Setup");
    return !key.cut;
}

void writeSourcePath(const char *path)
{
    char name[kPathSize];
    HKEY key;
    if (!setupKeyName(name) || RegCreateKeyA(HKEY_LOCAL_MACHINE, name, &key) != ERROR_SUCCESS)
        return;
    if (RegSetValueExA(key, "SourcePath", 0, REG_SZ, (const BYTE *)path, (DWORD)textLength(path) + 1) == ERROR_SUCCESS)
        logLine("レジストリ SourcePath = ", path);
    RegCloseKey(key);
}

void storeSourcePath()
{
    if (!setupState.foundInWindowsInf)
        writeSourcePath(setupState.kitSourceDir);
}

void readSourcePath(char *out, size_t size)
{
    char name[kPathSize];
    char value[kPathSize] = "";
    HKEY key;
    if (setupKeyName(name) && RegOpenKeyA(HKEY_LOCAL_MACHINE, name, &key) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD length = sizeof value - 1;
        if (RegQueryValueExA(key, "SourcePath", NULL, &type, (BYTE *)value, &length) != ERROR_SUCCESS ||
            type != REG_SZ)
            length = 0;
        value[length < sizeof value ? length : sizeof value - 1] = '\0';
        RegCloseKey(key);
    }
    copyTextN(out, size, value[0] != '\0' ? value : setupState.kitSourceDir);
}
