// A floppy kit's INFs copied to the temporary directory, so that start-up
// and the installation read them while the disks are swapped; the copies are
// deleted when the program ends.
#include "setup/shell/main_window.h"

#include "setup/engine/file_install.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/shell/messages.h"

void tempDirectory(char (&out)[MAX_PATH + 1])
{
    DWORD length = GetTempPathA(sizeof out, out);
    if (length == 0 || length >= sizeof out) {
        char temp[kPathSize];
        joinPath(temp, setupState.windowsDir, "TEMP");
        copyText(out, temp);
    }
    addBackslash(out);
    CreateDirectoryA(out, NULL);
}

static bool rememberCopy(const char *path)
{
    TempCopyList &list = setupState.tempCopies;
    if (list.count == list.capacity) {
        int capacity = list.capacity + 16;
        SIZE_T bytes = (SIZE_T)capacity * kPathSize;
        void *grown = list.paths == NULL ? HeapAlloc(GetProcessHeap(), 0, bytes)
                                         : HeapReAlloc(GetProcessHeap(), 0, list.paths, bytes);
        if (grown == NULL)
            return false;
        list.paths = (char(*)[kPathSize])grown;
        list.capacity = capacity;
    }
    copyText(list.paths[list.count++], path);
    return true;
}

void deleteTempCopies()
{
    TempCopyList &list = setupState.tempCopies;
    for (int i = 0; i < list.count; ++i)
        DeleteFileA(list.paths[i]);
    if (list.paths != NULL)
        HeapFree(GetProcessHeap(), 0, list.paths);
    list.paths = NULL;
    list.count = 0;
    list.capacity = 0;
}

static void copyFailed(UINT stringId, const char *name)
{
    char text[2 * kPathSize];
    loadString(stringId, text, sizeof text);
    appendText(text, name);
    showMessage(NULL, text, setupState.productCaption, MB_OK | MB_ICONWARNING);
}

bool copyInfsToTemp(const char *section)
{
    InfImage *setupInf = infSlot(SETUP_INF);
    int count = countSectionLines(section, setupInf);
    if (count == 0)
        return true;
    char temp[MAX_PATH + 1];
    tempDirectory(temp);
    for (int n = 1; n <= count; ++n) {
        char line[kPathSize];
        char target[kPathSize];
        char source[kPathSize];
        if (!getSectionLine(section, n, line, setupInf))
            continue;
        char *rest = takeField(line, target);
        copyText(source, *rest != '\0' ? rest : target);
        char sourcePath[kPathSize];
        if (target[0] == '\0' || !joinPath(sourcePath, setupState.kitSourceDir, source) ||
            GetFileAttributesA(sourcePath) == INVALID_FILE_ATTRIBUTES) {
            copyFailed(IDS_INF_INIT_FAILED, "");
            return false;
        }
        // Every copy is deleted when the program ends: a target that leads
        // out of the temporary directory would write, and later delete, a
        // file of the machine's own. Such a line is a copy that failed.
        char copied[kPathSize];
        if (!isPlainFileName(target) || installFile(setupState.kitSourceDir, source, temp, target) != 1 ||
            !joinPath(copied, temp, target) || !rememberCopy(copied)) {
            copyFailed(IDS_CANNOT_OVERWRITE, target);
            return false;
        }
    }
    return true;
}
