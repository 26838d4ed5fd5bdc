// Arbitrary INF text as a component INF: the install driver runs its install
// sections (the first header names one) with executors that only check what
// they are handed, and the file-directive rules take every line apart.
#include "setup/engine/directives.h"
#include "setup/engine/file_directives.h"
#include "setup/engine/install_driver.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

InfImage *fuzzImage;
int calls;

// Every section an executor is handed exists, has lines, and has a name
// within the driver's limit; its file lines go through the file rules.
int check(const char *section, int lineCount, InfImage *image)
{
    if (lineCount < 1 || countSectionLines(section, image) != lineCount || strlen(section) > kSectionNameLimit)
        abort();
    ++calls;
    for (int i = 1; i <= lineCount && i <= 8; ++i) {
        char line[kPathSize];
        if (!getSectionLine(section, i, line, image))
            continue;
        char target[kPathSize];
        splitMergeLine(line, target);
        char name[kPathSize];
        copyText(name, line);
        compressName(name);
        LayoutEntry entry = findLayoutEntry(target[0] != '\0' ? target : name, image);
        if (entry.disk < 0 || strlen(entry.subdir) >= kPathSize)
            abort();
    }
    return calls % 3 != 0;
}

}  // namespace

int delFiles(const char *s, int n, const char *, InfImage *image, int) { return check(s, n, image); }
int delReg(const char *s, int n, const char *, InfImage *image, int) { return check(s, n, image); }
int copyFiles(const char *s, int n, const char *, InfImage *image, int)
{
    // Now and then the user gives the copies up, or stops the run.
    if (calls % 5 == 4)
        engineState.keepInstalling = false;
    if (calls % 7 == 6)
        engineState.cancelRequested = true;
    return check(s, n, image);
}
int mergeFiles(const char *s, int n, const char *, InfImage *image, int) { return check(s, n, image); }
int addReg(const char *s, int n, const char *, InfImage *image, int) { return check(s, n, image); }
int updateInis(const char *s, int n, const char *, InfImage *image, int) { return check(s, n, image); }
int updateIniFields(const char *s, int n, const char *, InfImage *image, int) { return check(s, n, image); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzImage = buildInfImage((const char *)data, size);
    if (fuzzImage == nullptr)
        return 0;
    engineState = EngineState();
    calls = 0;
    // The first header of the text, whatever it is, as the install section.
    char section[kPathSize] = "";
    const char *open = (const char *)memchr(data, '[', size);
    if (open != nullptr) {
        const char *close = (const char *)memchr(open, ']', size - (size_t)(open - (const char *)data));
        if (close != nullptr)
            copyTextN(section, sizeof section, open + 1, (size_t)(close - open - 1));
    }
    for (int pass = 0; pass <= 2; pass += 2) {
        engineState.currentDiskPass = pass;
        runInstallSection(section, "K.INF", fuzzImage, 1);
    }
    runUninstallSection(section, "K.INF", fuzzImage);
    int lines = countSectionLines("BaseWinOptions", fuzzImage);
    if (lines > 0)
        runBaseWinOptions(lines, "K.INF", fuzzImage);
    freeInf(fuzzImage);
    return 0;
}
