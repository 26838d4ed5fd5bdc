// The setup program's entry: one instance at a time, the setup state, the
// main window over the whole desktop, and the message loop.
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/install_log.h"
#include "setup/shell/main_window.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/unattended.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    // The command line first: a line that cannot be taken ends the program
    // before anything else happens.
    setupState.instance = instance;
    DWORD length = GetModuleFileNameA(NULL, setupState.programDir, sizeof setupState.programDir);
    if (length == 0 || length >= sizeof setupState.programDir)
        setupState.programDir[0] = '\0';
    pathDirPart(setupState.programDir);
    if (!takeCommandLine(commandLine))
        return setupState.exitStatus;

    HWND running = FindWindowA(kMainWindowClass, NULL);
    if (running != NULL) {
        // One setup at a time. An unattended run says so to its script.
        if (setupState.silent)
            return kExitAlreadyRunning;
        if (IsIconic(running))
            ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return 0;
    }
    if (!openRun(commandLine)) {
        logLine("終了: 終了コード ", LogNumber(setupState.exitStatus));
        closeInstallLog();
        return setupState.exitStatus;
    }

    GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
    GetSystemDirectoryA(setupState.systemDir, sizeof setupState.systemDir);

    if (!registerMainWindowClass(instance))
        return 0;
    GetWindowRect(GetDesktopWindow(), &setupState.desktopRect);
    const RECT &desktop = setupState.desktopRect;
    // An unattended run keeps its main window hidden: it runs the start-up
    // chain, owns what is owned and keeps one setup at a time, unseen.
    setupState.mainWindow =
        CreateWindowExA(0, kMainWindowClass, setupState.productCaption, setupState.silent ? WS_POPUP : WS_POPUP | WS_VISIBLE,
                        desktop.left, desktop.top, desktop.right - desktop.left, desktop.bottom - desktop.top, NULL,
                        NULL, instance, NULL);
    if (setupState.mainWindow == NULL) {
        closeInstallLog();
        return 0;
    }
    if (!setupState.silent) {
        ShowWindow(setupState.mainWindow, show);
        UpdateWindow(setupState.mainWindow);
    }
    PostMessageA(setupState.mainWindow, kShowPreparing, 0, (LPARAM)show);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    logLine("終了: 終了コード ", LogNumber((long long)message.wParam));
    closeInstallLog();
    return (int)message.wParam;
}
