// Which components are already on the machine: a search file named by the
// component's INF, or the registry flag an earlier run left behind; and the
// selection of the install run made from that and the chosen model.
#include "setup/components/component_catalogue.h"

#include "setup/components/component_text.h"
#include "setup/components/registry_values.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"

#include <string.h>
#include "setup/wizard/wizard_state.h"
#include "setup/shell/install_log.h"

namespace {

bool isDotEntry(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// True when a file or folder matches the pattern: a component may be known
// by a folder of its own as well as by a file.
bool anyFileMatches(const char *pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool file = false;
    do {
        // "*" also matches "." and "..": an empty folder holds no search file.
        file = !isDotEntry(found.cFileName);
    } while (!file && FindNextFileA(search, &found));
    FindClose(search);
    return file;
}

// The search path of the component's INF section: directory id,
// subdirectory (may be empty), file name; false when a piece is missing.
bool searchPath(const char *section, InfImage *image, char (&path)[kPathSize])
{
    char subdir[kPathSize], id[kPathSize];
    if (!findKeyedLine(image, section, "SearchDir", subdir, id))
        return false;
    expandStrings(subdir, image);
    char dir[kPathSize];
    if (!resolveDirId(decimalNumber(id), dir))
        return false;
    char file[kPathSize];
    if (!findKeyedValue(image, section, "SearchFile", file))
        return false;
    TextBuilder out = startText(path);
    addText(out, dir);
    addText(out, "\\");
    if (subdir[0] != '\0') {
        addText(out, subdir);
        addText(out, "\\");
    }
    addText(out, file);
    // A cut path would name another file.
    return !out.cut;
}

bool flagSet(HKEY key)
{
    // "1" with its terminator, or a little more; REG_DWORD 1 as well.
    char flag[3 + 1];
    DWORD type = 0;
    DWORD length = sizeof flag;
    if (RegQueryValueExA(key, "Installed", nullptr, &type, (BYTE *)flag, &length) != ERROR_SUCCESS)
        return false;
    if (type == REG_DWORD && length == sizeof(DWORD)) {
        DWORD number;
        memcpy(&number, flag, sizeof number);
        return number == 1;
    }
    return (type == REG_SZ || type == REG_EXPAND_SZ) && length >= 1 && length <= 3 && flag[0] == '1';
}

}  // namespace

int isComponentInstalled(const char *section)
{
    char keyName[kPathSize];
    ComponentKey key;
    if (section[0] == '\0' || !componentKeyName(keyName, sizeof keyName, section) ||
        RegOpenKeyA(HKEY_LOCAL_MACHINE, keyName, &key.key) != ERROR_SUCCESS)
        return 0;
    char infName[kPathSize];
    if (!readTextValue(key.key, "INF", infName))
        return 0;
    char infPath[kPathSize];
    if (!joinPath(infPath, setupState.sourceDir, infName))
        return 0;
    InfImage *image = openInf(infPath);
    if (image == nullptr || image == INF_NONE)
        return 0;
    char path[kPathSize];
    bool complete = searchPath(section, image, path);
    freeInf(image);
    if (!complete)
        return 0;
    if (anyFileMatches(path)) {
        bool written = RegSetValueExA(key.key, "Installed", 0, REG_SZ, (const BYTE *)"1", 2) == ERROR_SUCCESS;
        logLine("検出: ", section, written ? " はあります (" : " はありますが、記録できません (", path,
                written ? "; レジストリ Installed=\"1\")" : ")");
        return written ? 1 : 0;
    }
    int flag = flagSet(key.key) ? 1 : 0;
    logLine("検出: ", section, flag ? " はあります (レジストリ Installed=\"1\")" : " はありません (", flag ? "" : path,
            flag ? "" : ")");
    return flag;
}

int applyDetectedSelection()
{
    clearSelection();
    for (int i = 0; componentTree.records != nullptr && i < componentTree.count; ++i) {
        ComponentRecord &record = componentTree.records[i];
        if (isComponentInstalled(record.Section) != 1)
            continue;
        // A present component without a model part is not selected, and the
        // components after it are still looked at: stopping here would leave
        // the install run with nothing to do. A component that is not
        // available is never selected: its files are not in this kit.
        char part[kModelPartSize];
        if (modelPartOf(record.Section, part, sizeof part) != 1 || part[0] == '\0' || record.Available == 0)
            continue;
        if (compareNoCase(part, wizardState.modelKey) == 0)
            record.State = kStateOn;
    }
    return 1;
}
