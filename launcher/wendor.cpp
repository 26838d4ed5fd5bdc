// Wendor: starts the board detector and then the telephone application from
// the FAX application's directory, as [QXFAX] Program of QXfax.ini names it.
// No window, no arguments, exit code 0.
#include <windows.h>

namespace {

const size_t kPathSize = 260;
const UINT kStarted = 31;   // WinExec returns more than 30 for a started program

// Starts directory (ending in a backslash) + file hidden; the result of
// WinExec, or 0 when the command line does not fit its 260 bytes (a longer
// one would name some other file once cut). A path with a blank is quoted so
// that no program named by the part before the blank can be started instead.
UINT startFrom(const char *directory, const char *file)
{
    char commandLine[kPathSize];
    bool quote = false;
    for (const char *p = directory; *p; p = CharNextA(p))
        quote = quote || *p == ' ';
    size_t length = (size_t)lstrlenA(directory) + (size_t)lstrlenA(file) + (quote ? 2 : 0);
    if (length >= sizeof commandLine)
        return 0;
    wsprintfA(commandLine, quote ? "\"%s%s\"" : "%s%s", directory, file);
    return WinExec(commandLine, SW_HIDE);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char directory[kPathSize];
    char root[4];
    GetPrivateProfileStringA("QXFAX", "Program", "", directory, sizeof directory, "QXfax.ini");
    if (directory[0] == '\0')
        return 0;

    // One trailing backslash goes; the last byte alone would take the second
    // byte of a double-byte character such as 0x83 0x5C for one.
    char *end = directory + lstrlenA(directory);
    char *last = CharPrevA(directory, end);
    if (*last == '\\')
        *last = '\0';
    // "C:" alone would mean the drive's current directory, not its root.
    if (lstrlenA(directory) == 2 && directory[1] == ':')
        SetCurrentDirectoryA(lstrcatA(lstrcpyA(root, directory), "\\"));
    else
        SetCurrentDirectoryA(directory);

    size_t length = (size_t)lstrlenA(directory);
    if (length + 1 >= sizeof directory)
        return 0;
    directory[length] = '\\';
    directory[length + 1] = '\0';

    if (startFrom(directory, "Tamsel.exe") >= kStarted)
        startFrom(directory, "Hestro.exe");
    return 0;
}
