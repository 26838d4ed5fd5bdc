// The install section driver. The order of the directives is a table for
// each kind of run, walked by one loop.
#include "setup/engine/install_driver.h"

#include "setup/engine/directives.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/install_log.h"

namespace {

enum Extra { NO_EXTRA, OVERWRITE_FLAG, ADD_MODE, REMOVE_MODE, ALWAYS_OVERWRITE };

enum Rule {
    MUST_SUCCEED,    // a result of 0 ends the section with 0
    STARTS_COPIES,   // as MUST_SUCCEED; keepInstalling is set to 1 first
    NEEDS_FILES,     // as MUST_SUCCEED; skipped, with the rest, when the files were given up
    RESULT_IGNORED,
};

struct Directive {
    const char *key;
    Executor run;
    Extra extra;
    Rule rule;
};

const Directive kFullRun[] = {
    {"DelFiles", delFiles, NO_EXTRA, MUST_SUCCEED},
    {"DelReg", delReg, NO_EXTRA, MUST_SUCCEED},
    {"CopyFiles", copyFiles, NO_EXTRA, STARTS_COPIES},
    {"MergeFiles", mergeFiles, NO_EXTRA, MUST_SUCCEED},
    {"AddReg", addReg, OVERWRITE_FLAG, NEEDS_FILES},
    {"UpdateInis", updateInis, ADD_MODE, MUST_SUCCEED},
    {"UpdateIniFields", updateIniFields, NO_EXTRA, RESULT_IGNORED},
};

// The second and later disks of a floppy kit only bring files.
const Directive kLaterDiskPass[] = {
    {"CopyFiles", copyFiles, NO_EXTRA, STARTS_COPIES},
    {"MergeFiles", mergeFiles, NO_EXTRA, MUST_SUCCEED},
};

const Directive kRemoval[] = {
    {"DelFiles", delFiles, NO_EXTRA, RESULT_IGNORED},
    {"DelReg", delReg, NO_EXTRA, RESULT_IGNORED},
    {"AddReg", addReg, ALWAYS_OVERWRITE, RESULT_IGNORED},
    {"UpdateInis", updateInis, REMOVE_MODE, RESULT_IGNORED},
};

int extraValue(Extra extra, int overwrite)
{
    switch (extra) {
    case OVERWRITE_FLAG: return overwrite;
    case ADD_MODE: return kIniAddMode;
    case REMOVE_MODE: return kIniRemoveMode;
    case ALWAYS_OVERWRITE: return 1;
    case NO_EXTRA: break;
    }
    return 0;
}

// Walks the directives of one table. 1, or 0 at the first directive that
// must succeed and does not.
template <size_t N>
int runDirectives(const Directive (&table)[N], const char *section, const char *infPath, InfImage *image,
                  int overwrite)
{
    for (const Directive &directive : table) {
        if (directive.rule == STARTS_COPIES)
            engineState.keepInstalling = true;
        if (directive.rule == NEEDS_FILES && !engineState.keepInstalling)
            return 1;
        // A longer list is refused, never cut into other section names.
        char list[kSectionListLimit + 1];
        bool cut = false;
        if (!getSectionKeyValue(image, section, directive.key, list, sizeof list, &cut) || list[0] == '\0')
            continue;
        int done = 0;
        if (!cut)
            done = runDirectiveList(list, directive.run, infPath, image, extraValue(directive.extra, overwrite));
        if (done == 0 && directive.rule != RESULT_IGNORED)
            return 0;
    }
    return 1;
}

}  // namespace

int runDirectiveList(char *list, Executor run, const char *infPath, InfImage *image, int extra)
{
    int done = 0;
    while (*list != '\0') {
        char name[kFieldSize] = "";
        list = takeField(list, name);
        if (textLength(name) > kSectionNameLimit)
            continue;
        int lineCount = countSectionLines(name, image);
        if (lineCount <= 0)
            continue;
        if (run(name, lineCount, infPath, image, extra) != 0)
            ++done;
        if (engineState.cancelRequested && !engineState.keepInstalling)
            break;
    }
    return done;
}

int runInstallSection(const char *section, const char *infPath, InfImage *image, int overwrite)
{
    if (engineState.currentDiskPass >= 2)
        return runDirectives(kLaterDiskPass, section, infPath, image, overwrite);
    return runDirectives(kFullRun, section, infPath, image, overwrite);
}

int runUninstallSection(const char *section, const char *infPath, InfImage *image)
{
    runDirectives(kRemoval, section, infPath, image, 1);
    return 1;
}

int runBaseWinOptions(int lineCount, const char *infPath, InfImage *image)
{
    if (setupState.foundInWindowsInf)
        return 1;
    int count = 0;
    for (int i = 1; i <= lineCount; ++i) {
        char section[kSectionNameLimit + 1];
        bool cut = false;
        if (!getSectionLine("BaseWinOptions", i, section, sizeof section, image, &cut) || cut)
            continue;
        logLine("起動時のセクション [", section, "] (", fileNamePart(infPath), ")");
        if (runInstallSection(section, infPath, image, 0) == 0) {
            logLine("起動時のセクション [", section, "] が失敗したため、残りの行は処理しません");
            return -1;
        }
        ++count;
    }
    return count;
}

int runComponent(const char *section, const char *infFileName, int state)
{
    if (infFileName == nullptr || infFileName[0] == '\0')
        return 0;
    char infPath[kPathSize];
    TextBuilder path = startText(infPath);
    addText(path, setupState.sourceDir);
    if (!endsWithBackslash(setupState.sourceDir))
        addText(path, "\\");
    addText(path, infFileName);
    if (path.cut)
        return 0;

    if (compareNoCase(infFileName, engineState.lastComponentInf) != 0 || infSlot(AUX_INF) == INF_NONE ||
        infSlot(AUX_INF) == nullptr) {
        freeAuxInf();
        // The name is kept only once its INF is in the slot: a later
        // component of an INF that failed to load tries it again (the user
        // may have pointed to another source in between), and no section is
        // ever run against an empty slot.
        engineState.lastComponentInf[0] = '\0';
        InfImage *image = openInf(infPath);
        if (image == INF_NONE || image == nullptr) {
            logLine("コンポーネントの INF を読み込めません: ", infPath);
            return 0;
        }
        setInfSlot(AUX_INF, image);
        copyText(engineState.lastComponentInf, infFileName);
    }
    InfImage *image = infSlot(AUX_INF);

    if (state == 1)
        return runInstallSection(section, infPath, image, 1);
    if (state == 0) {
        char removal[kSectionNameLimit + 1] = "";
        bool cut = false;
        if (!getSectionKeyValue(image, section, "Uninstall", removal, sizeof removal, &cut) || cut ||
            removal[0] == '\0')
            return 0;
        return runUninstallSection(removal, infPath, image);
    }
    return state;
}
