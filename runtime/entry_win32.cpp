// The programs' entry in place of the C runtime's start-up: it runs the
// constructors of globals, hands WinMain what the C runtime would hand it,
// and ends the process with WinMain's result.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

typedef void (*Constructor)(void);
// The linker's list of constructors: -1, the constructors, then 0.
extern "C" Constructor __CTOR_LIST__[];

// In the order gcc's own start-up runs them: from the last to the first.
static void runConstructors()
{
    size_t count = 0;
    while (__CTOR_LIST__[count + 1] != NULL)
        ++count;
    for (size_t i = count; i > 0; --i)
        __CTOR_LIST__[i]();
}

// The command line after the program's name (quoted or not) and the blanks
// after it, as the C runtime passes it. A quote is never a trail byte, but the
// quoted name is stepped by characters all the same.
static char *commandTail(char *line)
{
    char *p = line;
    if (*p == '"') {
        p = CharNextA(p);
        while (*p != '\0' && *p != '"')
            p = CharNextA(p);
        if (*p == '"')
            ++p;
    } else {
        while ((unsigned char)*p > ' ')
            ++p;
    }
    while (*p != '\0' && (unsigned char)*p <= ' ')
        ++p;
    return p;
}

// Windows 9x starts a program on a stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void kitEntry(void)
{
    runConstructors();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, commandTail(GetCommandLineA()), show));
}
