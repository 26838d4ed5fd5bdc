// UpdateInis and UpdateIniFields lines, carried out through the platform's
// profile functions or routed to the boot files and device lines.
#include "setup/sysconfig/ini_updates.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/sysconfig/boot_files.h"
#include "setup/sysconfig/config_text.h"
#include "setup/sysconfig/profile_section.h"
#include "setup/shell/install_log.h"

namespace {

bool sameText(const char *a, const char *b)
{
    return compareNoCase(a, b) == 0;
}

// A copy of text without its quotes.
struct Unquoted {
    char text[kPathSize];
    explicit Unquoted(const char *source)
    {
        copyText(text, source);
        stripQuotes(text);
    }
};

bool namesFile(const char *path, const char *name)
{
    return sameText(fileNamePart(path), name);
}

// Edits of these files take effect only after Windows restarts.
void noteRestartFor(const char *file)
{
    if (namesFile(file, "win.ini") || namesFile(file, "system.ini") || namesFile(file, "wifeman.ini"))
        setupState.restartNeeded = true;
}

// The [386Enh] device lines of system.ini, where one key occurs many times.
// The file name is unquoted for the test on both routes: a quoted system.ini
// must not reach the single-key profile functions either.
bool isDeviceRoute(const char *file, const char *section, const char *key)
{
    return namesFile(Unquoted(file).text, "system.ini") && sameText(Unquoted(section).text, "386Enh") &&
           sameText(key, "device");
}

void writeGroupsEntry(const char *newEntry, InfImage *inf)
{
    char key[kPathSize], value[kPathSize];
    if (!splitEntry(newEntry, key, value))
        return;   // no "=": there is nothing to write
    expandStrings(key, inf);
    stripQuotes(key);
    expandStrings(value, inf);
    stripQuotes(value);
    WritePrivateProfileStringA("progman.groups", key, value, "setup.ini");
    logLine("INI setup.ini [progman.groups] ", key, "=", value);
}

void appendGroupLine(const char *section, const char *newEntry, InfImage *inf)
{
    char line[kPathSize];
    copyText(line, newEntry);
    unquoteGroupLine(line);
    expandStrings(line, inf);
    appendSectionLine(section, line, "setup.ini", textLength(line));
}

void updateProfileEntry(const char *fileField, const char *section, const char *newEntry, InfImage *inf, int mode)
{
    char file[kPathSize], entry[kPathSize], key[kPathSize], value[kPathSize];
    copyText(file, fileField);
    expandStrings(file, inf);
    copyText(entry, newEntry);
    dropEnclosingQuotes(entry);
    if (!splitEntry(entry, key, value))
        return;   // no "=": neither a key to write nor one to delete
    expandStrings(key, inf);
    stripQuotes(key);
    stripQuotes(value);

    if (isDeviceRoute(file, section, key)) {
        // Only ever an add, in both modes; the device lines mark the restart.
        updateDeviceLines(file, section, key, "", value, inf);
        return;
    }
    if (mode == INI_REMOVE_MODE) {
        WritePrivateProfileStringA(section, key[0] != '\0' ? key : nullptr, nullptr, file);
        logLine("INI ", file, " [", section, "] ", key[0] != '\0' ? key : "(セクション全体)", " を削除しました");
    } else {
        expandStrings(value, inf);
        WritePrivateProfileStringA(section, key, value, file);
        logLine("INI ", file, " [", section, "] ", key, "=", value);
    }
    noteRestartFor(file);
}

}  // namespace

int updateIniLine(const char *file, const char *section, const char *oldEntry, const char *newEntry, int flags,
                  InfImage *inf, int mode)
{
    (void)oldEntry;   // the old entry has no effect on any target
    (void)flags;
    Unquoted sectionName(section), entry(newEntry);
    switch (iniLineTarget(file, section, newEntry)) {
    case INI_TARGET_CONFIG_SYS:
        appendConfigSysLine(entry.text);
        break;
    case INI_TARGET_AUTOEXEC_REMOVE:
        removeAutoexecLines(sectionName.text);
        break;
    case INI_TARGET_GROUPS_ENTRY:
        writeGroupsEntry(newEntry, inf);
        break;
    case INI_TARGET_GROUP_LINE:
        appendGroupLine(sectionName.text, newEntry, inf);
        break;
    case INI_TARGET_PROFILE_ENTRY:
        updateProfileEntry(file, section, newEntry, inf, mode);
        break;
    case INI_TARGET_AUTOEXEC_NOTHING:
    case INI_TARGET_NO_ENTRY:
        break;
    }
    return 1;
}

int updateInis(const char *section, int lineCount, const char *, InfImage *image, int mode)
{
    forEachLine<5>(section, lineCount, image, [&](char (*fields)[kPathSize]) {
        for (int f = 0; f < 4; ++f)
            expandStrings(fields[f], image);
        updateIniLine(fields[0], fields[1], fields[2], fields[3], flagsDigit(fields[4]), image, mode);
    });
    return lineCount + 1;
}

int updateIniFields(const char *section, int lineCount, const char *, InfImage *image, int)
{
    forEachLine<6>(section, lineCount, image, [&](char (*fields)[kPathSize]) {
        for (int f = 0; f < 5; ++f)
            expandStrings(fields[f], image);
        (void)flagsDigit(fields[5]);   // read, and of no effect
        if (isDeviceRoute(fields[0], fields[1], Unquoted(fields[2]).text))
            updateDeviceLines(fields[0], fields[1], fields[2], fields[3], fields[4], image);
        else
            editIniFields(fields[0], fields[1], fields[2], fields[3], fields[4], image);
    });
    return lineCount + 1;
}

// The fields come expanded from the INF line. The result is written as it
// is: it holds the user's own value, whose %name% texts are not the INF's.
int editIniFields(const char *file, const char *section, const char *key, const char *oldField, const char *newField,
                  InfImage *)
{
    Unquoted fileName(file), sectionName(section), keyName(key), oldText(oldField), newText(newField);
    if (keyName.text[0] == '\0') {
        WritePrivateProfileStringA(sectionName.text, nullptr, nullptr, fileName.text);
        logLine("INI ", fileName.text, " [", sectionName.text, "] を削除しました");
        noteRestartFor(fileName.text);
        return 1;
    }
    // The value is read with a byte to spare: one longer than 259 bytes
    // would come back cut, and editing it would write the cut list back. Such
    // a value, like a result that does not fit, leaves the key as it is.
    char current[kPathSize + 1] = "", result[kPathSize];
    DWORD length = GetPrivateProfileStringA(sectionName.text, keyName.text, "", current, sizeof current, fileName.text);
    if (length >= kPathSize || !editFieldList(current, oldText.text, newText.text, result, sizeof result))
        return 1;
    if (result[0] == '\0') {
        bool keepEmpty = sameText(sectionName.text, "windows") && sameText(fileName.text, "win.ini");
        WritePrivateProfileStringA(sectionName.text, keyName.text, keepEmpty ? "" : nullptr, fileName.text);
        logLine("INI ", fileName.text, " [", sectionName.text, "] ", keyName.text,
                keepEmpty ? "= (空にしました)" : " を削除しました (項目がなくなったため)");
    } else {
        WritePrivateProfileStringA(sectionName.text, keyName.text, result, fileName.text);
        logLine("INI ", fileName.text, " [", sectionName.text, "] ", keyName.text, "=", result);
    }
    noteRestartFor(fileName.text);
    return 1;
}

bool appendSectionLine(const char *section, const char *text, const char *file, size_t textLength)
{
    DWORD length = 0;
    char *lines = readProfileSection(section, file, length);
    if (lines == nullptr)
        return false;
    size_t size = length + textLength + 2;
    char *list = (char *)HeapReAlloc(GetProcessHeap(), 0, lines, size);
    if (list == nullptr) {
        releaseProfileSection(lines);
        return false;
    }
    // The new line takes the place of the list's closing NUL.
    CopyMemory(list + length, text, textLength);
    list[length + textLength] = '\0';
    list[length + textLength + 1] = '\0';
    BOOL written = WritePrivateProfileSectionA(section, list, file);
    // wininit.ini's lines are told by their callers, as what they will do.
    if (!namesFile(file, "wininit.ini"))
        logLine("INI ", file, " [", section, written ? "] に追加: " : "] に追加できません: ", list + length);
    releaseProfileSection(list);
    return written != FALSE;
}

// ---- time stamps

namespace {

void takeFileTime(const char *name, FILETIME *slot)
{
    char path[kPathSize];
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    if (!addBackslash(path) || !appendText(path, name))
        return;
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    GetFileTime(file, nullptr, nullptr, slot);
    CloseHandle(file);
}

FILETIME laterTimes[3];

}  // namespace

void snapshotIniTimes(FILETIME *winTime, FILETIME *systemTime, FILETIME *wifemanTime)
{
    // The platform may still hold changes of a profile file in memory.
    WriteProfileStringA(nullptr, nullptr, nullptr);
    takeFileTime("win.ini", winTime);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
    takeFileTime("system.ini", systemTime);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "wifeman.ini");
    takeFileTime("wifeman.ini", wifemanTime);
}

int countChangedIniTimes(const FILETIME *winTime, const FILETIME *systemTime, const FILETIME *wifemanTime)
{
    snapshotIniTimes(&laterTimes[0], &laterTimes[1], &laterTimes[2]);
    const FILETIME *given[3] = {winTime, systemTime, wifemanTime};
    int changed = 0;
    for (int i = 0; i < 3; ++i)
        if (CompareFileTime(&laterTimes[i], given[i]) != 0)
            ++changed;
    return changed;
}
