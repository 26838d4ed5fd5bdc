// The install section driver. The order of the directives is a table for
// each kind of run (directive_table.h), walked by one loop.
#include "setup/engine/install_driver.h"

#include "setup/engine/directive_table.h"
#include "setup/engine/directives.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/install_log.h"

namespace {

// The executor of each directive kind, in the order of DirectiveKind.
const Executor kExecutors[] = {delFiles, delReg, copyFiles, mergeFiles, addReg, updateInis, updateIniFields};
static_assert(sizeof kExecutors / sizeof kExecutors[0] == UPDATE_INI_FIELDS + 1, "one executor per kind");

int extraValue(DirectiveExtra extra, int overwrite)
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
int runDirectives(const DirectiveStep (&table)[N], const char *section, const char *infPath, InfImage *image,
                  int overwrite)
{
    for (const DirectiveStep &directive : table) {
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
            done = runDirectiveList(list, kExecutors[directive.kind], infPath, image,
                                    extraValue(directive.extra, overwrite));
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
