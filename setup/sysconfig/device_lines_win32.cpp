// The device lines of [386Enh] in system.ini, where one key occurs many times
// and the single-key profile functions cannot be used.
#include "setup/sysconfig/boot_files.h"

#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "setup/sysconfig/config_text.h"
#include "setup/sysconfig/profile_section.h"
#include "setup/shell/install_log.h"

#include <windows.h>

bool updateDeviceLines(const char *file, const char *section, const char *key, const char *oldValue,
                       const char *newValue, InfImage *inf)
{
    char fileName[kPathSize], sectionName[kPathSize], keyText[kPathSize], oldText[kPathSize], newText[kPathSize];
    copyText(fileName, file);
    copyText(sectionName, section);
    copyText(keyText, key);
    copyText(oldText, oldValue);
    copyText(newText, newValue);
    stripQuotes(fileName);
    stripQuotes(sectionName);
    char *expanded[] = {keyText, oldText, newText};
    for (char *text : expanded) {
        expandStrings(text, kPathSize, inf);
        stripQuotes(text);
    }

    DWORD length = 0;
    char *lines = readProfileSection(sectionName, fileName, length);
    if (lines == nullptr)
        return false;
    // The new list is measured first, so that its block holds every added
    // line and comment mark whatever the section holds.
    size_t needed = rewriteDeviceList(lines, length, keyText, oldText, newText, nullptr, 0);
    char *rewritten = (char *)HeapAlloc(GetProcessHeap(), 0, needed);
    if (rewritten == nullptr) {
        releaseProfileSection(lines);
        return false;
    }
    rewriteDeviceList(lines, length, keyText, oldText, newText, rewritten, needed);
    releaseProfileSection(lines);
    WritePrivateProfileSectionA(sectionName, rewritten, fileName);
    HeapFree(GetProcessHeap(), 0, rewritten);
    logLine("INI ", fileName, " [", sectionName, "] ", keyText, " の行: ", oldText[0] != '\0' ? oldText : "(追加)",
            " → ", newText);
    setupState.restartNeeded = true;
    return true;
}
