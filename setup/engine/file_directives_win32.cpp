// The file directives: CopyFiles, MergeFiles and DelFiles. Every file goes
// through installFile; missing sources and floppy disks are asked for.
#include "setup/engine/file_directives.h"

#include "setup/engine/engine_state.h"
#include "setup/engine/file_install.h"
#include "setup/engine/source_prompts.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/shell_services.h"
#include "setup/shell/source_path.h"
#include "setup/sysconfig/ini_updates.h"
#include "setup/shell/messages.h"
#include "setup/shell/install_log.h"

#include <windows.h>

static_assert(kIniAddMode == INI_ADD_MODE && kIniRemoveMode == INI_REMOVE_MODE, "UpdateInis modes");

namespace {

bool exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void repaint(HWND window)
{
    if (window != NULL) {
        InvalidateRect(window, NULL, TRUE);
        UpdateWindow(window);
    }
}

// A message box of the install engine: the product's caption and the warning
// icon, modal to the wizard; the text is a string followed by a file name.
int engineMessage(UINT stringId, const char *name, UINT buttons)
{
    char text[2 * kPathSize];
    loadString(stringId, text, sizeof text);
    appendText(text, name);
    return showMessage(setupState.wizardWindow, text, setupState.productCaption, buttons | MB_ICONEXCLAMATION);
}

// Where the files of a line are taken from: the stored source path when the
// setup INF came from the Windows INF directory, else the kit's source.
void takeSourceDir(char (&base)[kPathSize])
{
    if (setupState.foundInWindowsInf)
        readSourcePath(base, sizeof base);
    else
        copyText(base, setupState.kitSourceDir);
}

// The base directory with the layout entry's subdirectory. false when the
// path does not fit.
bool sourceDirOf(char (&full)[kPathSize], const char *base, const LayoutEntry &entry)
{
    if (entry.subdir[0] == '\0')
        return copyText(full, base);
    return joinPath(full, base, entry.subdir);
}

// Where name lies on the medium: its disk becomes currentFileDisk, and
// sourceDir the base directory with the layout's subdirectory. false when
// the line is not for this disk pass (or its path does not fit).
bool placeOnMedium(const char *name, InfImage *layout, const char *base, char (&sourceDir)[kPathSize])
{
    LayoutEntry entry = findLayoutEntry(name, layout);
    engineState.currentFileDisk = entry.disk;
    if (!sourceDirOf(sourceDir, base, entry))
        return false;
    return entry.disk == 0 || entry.disk == engineState.currentDiskPass;
}

// Asks for the disk of the file being handled until its tag is in the drive.
// A drive letter the user typed is carried into the base directory and into
// where later lines look (the stored source path, or kitSourceDir). false:
// the user stopped the installation.
bool bringDisk(char (&full)[kPathSize], char (&base)[kPathSize])
{
    while (!diskTagPresent((unsigned)engineState.currentFileDisk, full)) {
        if (!askForDisk(full))
            return false;
    }
    // The stored path is the medium's own directory: the layout's
    // subdirectory is added again for every line.
    base[0] = full[0];
    if (setupState.foundInWindowsInf)
        writeSourcePath(base);
    else
        setupState.kitSourceDir[0] = full[0];
    repaint(setupState.wizardWindow);
    return true;
}

// The destination directory of a file-list section; made when missing (one
// level; a failure shows later, as files that cannot be installed). false
// when the section has no [DestinationDirs] line (the user has been told):
// its files have no place, and an empty directory would put them into, or
// delete them from, the root of the current drive.
bool destinationDir(const char *section, InfImage *image, char (&dir)[kPathSize], bool create)
{
    resolveDestinationDir(section, dir, image);
    if (dir[0] == '\0')
        return false;
    expandStrings(dir, image);
    if (create && !exists(dir))
        CreateDirectoryA(dir, NULL);
    return dir[0] != '\0';
}

// Fetches line i of a section; a line longer than a path is refused, not cut:
// a cut line would name another file.
bool fetchLine(const char *section, int i, char (&line)[kPathSize], InfImage *image)
{
    bool cut = false;
    return getSectionLine(section, i, line, sizeof line, image, &cut) && !cut;
}

void deleteIn(const char *dir, const char *name)
{
    char path[kPathSize];
    if (joinPath(path, dir, name))
        DeleteFileA(path);
}

// Empties the merge directory (entries whose names start with a dot are the
// directory's own), or makes it.
void prepareMergeDir(const char *mergeDir)
{
    char pattern[kPathSize];
    if (!exists(mergeDir)) {
        CreateDirectoryA(mergeDir, NULL);
        return;
    }
    if (!joinPath(pattern, mergeDir, "*.*"))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.cFileName[0] != '.')
            deleteIn(mergeDir, found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

int copyFiles(const char *section, int lineCount, const char *infPath, InfImage *image, int)
{
    const char *infFileName = fileNamePart(infPath);
    char destDir[kPathSize];
    if (!destinationDir(section, image, destDir, true))
        return 0;
    InfImage *layout = infSlot(LAYOUT_INF);

    for (int i = 1; i <= lineCount; ++i) {
        char base[kPathSize];
        takeSourceDir(base);
        for (;;) {
            pumpMessages(setupState.wizardWindow);
            char line[kPathSize];
            if (!fetchLine(section, i, line, image))
                break;
            char destName[kPathSize] = "";
            char sourceName[kPathSize];
            char *rest = takeField(line, destName);
            copyText(sourceName, *rest != '\0' ? rest : destName);
            if (destName[0] == '\0' || sourceName[0] == '\0')
                break;

            char sourceDir[kPathSize];
            if (!placeOnMedium(sourceName, layout, base, sourceDir))
                break;
            if (setupState.floppyKit && engineState.currentFileDisk != 0) {
                if (!bringDisk(sourceDir, base))
                    return 1;
                compressName(sourceName);
            }

            char sourcePath[kPathSize];
            if (!joinPath(sourcePath, sourceDir, sourceName) || !exists(sourcePath)) {
                if (engineMessage(IDS_SOURCE_MISSING, sourceName, MB_OKCANCEL) == IDOK &&
                    locateSource(infFileName)) {
                    // The line again, from the directory the user pointed to.
                    copyText(base, setupState.sourceDir);
                    continue;
                }
                engineState.keepInstalling = false;
                logLine("ファイル ", sourceName, ": 元のファイルが見つからないため、コンポーネントの残りとともに諦めました (",
                        sourceDir, ")");
            }
            if (!engineState.keepInstalling) {
                ++engineState.fileFailures;
                return i - 1;
            }

            int installed = installFile(sourceDir, sourceName, destDir, destName);
            if (installed != 1)
                ++engineState.fileFailures;
            if (installed == -1) {
                engineMessage(IDS_CANNOT_OVERWRITE, destName, MB_OK);
                repaint(setupState.preparingProgress);
                pumpMessages(setupState.preparingProgress);
                repaint(setupState.wizardWindow);
                pumpMessages(setupState.wizardWindow);
            }
            break;
        }
    }
    return lineCount;
}

int mergeFiles(const char *section, int lineCount, const char *, InfImage *image, int)
{
    char mergeDir[kPathSize];
    if (!mergeDirectory(mergeDir))
        return 0;
    prepareMergeDir(mergeDir);
    InfImage *layout = infSlot(LAYOUT_INF);

    for (int i = 1; i <= lineCount; ++i) {
        char base[kPathSize];
        takeSourceDir(base);
        pumpMessages(setupState.wizardWindow);
        if (engineState.cancelRequested) {
            if (showMessage(setupState.wizardWindow, "中断しますか?", setupState.productCaption,
                            MB_YESNO | MB_ICONEXCLAMATION, IDYES) == IDYES) {
                engineState.keepInstalling = false;
                return 1;
            }
            engineState.cancelRequested = false;
        }
        char line[kPathSize];
        char target[kPathSize];
        char *parts = fetchLine(section, i, line, image) ? splitMergeLine(line, target) : nullptr;
        if (parts == nullptr || target[0] == '\0')
            continue;

        char sourceDir[kPathSize];
        if (!placeOnMedium(target, layout, base, sourceDir))
            continue;

        while (*parts != '\0') {
            char part[kFieldSize] = "";
            parts = takeField(parts, part);
            if (part[0] == '\0')
                continue;
            if (setupState.floppyKit && engineState.currentFileDisk != 0 && !bringDisk(sourceDir, base)) {
                deleteIn(mergeDir, target);
                return 1;
            }
            repaint(setupState.wizardWindow);
            repaint(setupState.mainWindow);
            char partName[kPathSize];
            copyText(partName, part);
            installFile(sourceDir, part, mergeDir, partName);
            if (!appendFileTo(mergeDir, partName, mergeDir, target)) {
                ++engineState.fileFailures;
                logLine("ファイル ", target, ": 部分 ", part, " をつなげられないため、失敗しました");
                deleteIn(mergeDir, partName);
                deleteIn(mergeDir, target);
                return 1;
            }
            deleteIn(mergeDir, partName);
            // Each further part is on the next disk; a file on no particular
            // disk stays on none.
            if (engineState.currentFileDisk != 0)
                ++engineState.currentFileDisk;
        }

        char destDir[kPathSize];
        if (!destinationDir(section, image, destDir, true)) {
            deleteIn(mergeDir, target);
            return 0;
        }
        pumpMessages(setupState.wizardWindow);
        char destName[kPathSize];
        copyText(destName, target);
        int installed = installFile(mergeDir, target, destDir, destName);
        if (installed != 1)
            ++engineState.fileFailures;
        if (installed == -1)
            engineMessage(IDS_CANNOT_OVERWRITE, destName, MB_OK);
        deleteIn(mergeDir, target);
    }
    RemoveDirectoryA(mergeDir);
    return lineCount;
}

int delFiles(const char *section, int lineCount, const char *, InfImage *image, int)
{
    char dir[kPathSize];
    if (!destinationDir(section, image, dir, false))
        return 0;
    for (int i = 1; i <= lineCount; ++i) {
        char line[kPathSize];
        char name[kFieldSize] = "";
        char path[kPathSize];
        if (!fetchLine(section, i, line, image))
            continue;
        takeField(line, name);
        if (name[0] == '\0' || !joinPath(path, dir, name))
            continue;
        // A file in use: access denied for a loaded program, a sharing
        // violation for one that another program holds open. Both go at the
        // next start of Windows.
        unsigned long error = tryDeleteFile(path);
        if (error == 0)
            logLine("ファイル ", path, ": 削除しました");
        else if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            scheduleDelete(path);
        else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            logLine("ファイル ", path, ": 削除できません (エラー ", LogNumber((long long)error), ")");
    }
    return lineCount;
}

int appendFileTo(const char *sourceDir, const char *sourceName, const char *targetDir, const char *targetName)
{
    char sourcePath[kPathSize], targetPath[kPathSize];
    if (!joinPath(sourcePath, sourceDir, sourceName) || !joinPath(targetPath, targetDir, targetName))
        return 0;
    HANDLE target = CreateFileA(targetPath, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, NULL);
    if (target == INVALID_HANDLE_VALUE)
        return 0;
    SetFilePointer(target, 0, NULL, FILE_END);
    HANDLE source = CreateFileA(sourcePath, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (source == INVALID_HANDLE_VALUE) {
        CloseHandle(target);
        return 0;
    }
    const DWORD chunk = 65535;
    DWORD size = GetFileSize(source, NULL);
    void *buffer = HeapAlloc(GetProcessHeap(), 0, chunk);
    int result = buffer != NULL && size != INVALID_FILE_SIZE;
    // A part that cannot be read or written whole fails the merge: a merged
    // file with a piece missing must not be installed.
    for (DWORD left = size; result && left > 0;) {
        DWORD want = left < chunk ? left : chunk;
        DWORD got = 0, written = 0;
        if (!ReadFile(source, buffer, want, &got, NULL) || got == 0 ||
            !WriteFile(target, buffer, got, &written, NULL) || written != got)
            result = 0;
        left -= got;
    }
    if (buffer != NULL)
        HeapFree(GetProcessHeap(), 0, buffer);
    CloseHandle(source);
    CloseHandle(target);
    return result;
}
