// The target directory of a file-list section, from [DestinationDirs]. A
// section without an entry there is a fault of the kit's INF, shown to the user.
#include "setup/inf/inf_fields.h"

#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/messages.h"

#include <windows.h>

// The directory bases are taken afresh before every lookup: the Windows
// directory from the platform, the system directory below it.
static void refreshDirectoryBases()
{
    char windows[kPathSize];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows)
        copyText(setupState.windowsDir, windows);
    TextBuilder system = startText(setupState.systemDir);
    addText(system, setupState.windowsDir);
    addText(system, "\\SYSTEM");
}

int resolveDestinationDir(const char *section, char *out, size_t size, InfImage *image)
{
    if (size == 0)
        return 0;
    out[0] = '\0';
    refreshDirectoryBases();
    InfLine first = findSection(image, "DestinationDirs");
    InfLine line = findLineByKey(first, section, countLines(first));
    if (line == nullptr) {
        char text[kPathSize + 64];
        TextBuilder message = startText(text);
        addText(message, section);
        addText(message, "の記述が見つかりません");
        showMessage(nullptr, text, "INFﾌｧｲﾙ", MB_OK);
        return 0;
    }
    return chooseDestinationDir(line, out, size);
}
