// The setup program's entry: one instance at a time, the setup state, the
// main window over the whole desktop, and the message loop.
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/main_window.h"
#include "setup/shell/setup_state.h"

// The command line, without surrounding blanks and quotes, is the pattern
// of the setup INFs; an empty one means the kit's own.
static void setPattern(const char *commandLine)
{
    char pattern[kPathSize];
    copyText(pattern, commandLine != NULL ? commandLine : "");
    char *start = pattern;
    while (*start == ' ' || *start == '\t')
        ++start;
    stripQuotes(start);
    size_t length = textLength(start);
    while (length > 0 && (start[length - 1] == ' ' || start[length - 1] == '\t'))
        start[--length] = '\0';
    copyText(setupState.infPattern, start[0] != '\0' ? start : "OSPRIN*.INF");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    HWND running = FindWindowA(kMainWindowClass, NULL);
    if (running != NULL) {
        if (IsIconic(running))
            ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return 0;
    }

    setupState.instance = instance;
    setPattern(commandLine);
    GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
    GetSystemDirectoryA(setupState.systemDir, sizeof setupState.systemDir);
    DWORD length = GetModuleFileNameA(NULL, setupState.programDir, sizeof setupState.programDir);
    if (length == 0 || length >= sizeof setupState.programDir)
        setupState.programDir[0] = '\0';
    pathDirPart(setupState.programDir);

    if (!registerMainWindowClass(instance))
        return 0;
    GetWindowRect(GetDesktopWindow(), &setupState.desktopRect);
    const RECT &desktop = setupState.desktopRect;
    setupState.mainWindow =
        CreateWindowExA(0, kMainWindowClass, setupState.productCaption, WS_POPUP | WS_VISIBLE, desktop.left,
                        desktop.top, desktop.right - desktop.left, desktop.bottom - desktop.top, NULL, NULL,
                        instance, NULL);
    if (setupState.mainWindow == NULL)
        return 0;
    ShowWindow(setupState.mainWindow, show);
    UpdateWindow(setupState.mainWindow);
    PostMessageA(setupState.mainWindow, kShowPreparing, 0, (LPARAM)show);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
