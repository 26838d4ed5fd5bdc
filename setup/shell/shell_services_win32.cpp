// The shell's services: error box, centring, message pump.
#include "setup/shell/shell_services.h"

#include "setup/shell/setup_state.h"
#include "setup/shell/messages.h"

HINSTANCE resourceInstance()
{
    return setupState.instance != NULL ? setupState.instance : GetModuleHandleA(NULL);
}

void loadString(UINT id, char *out, int size)
{
    if (size <= 0)
        return;
    out[0] = '\0';
    if (LoadStringA(resourceInstance(), id, out, size) <= 0)
        out[0] = '\0';
}

int errorBox(HWND owner, UINT stringId, UINT style)
{
    char text[kPathSize];
    loadString(stringId, text, sizeof text);
    return showMessage(owner, text, "ｴﾗｰ", style);
}

void centreWindow(HWND window)
{
    RECT desktop = setupState.desktopRect;
    if (desktop.right <= desktop.left || desktop.bottom <= desktop.top)
        GetWindowRect(GetDesktopWindow(), &desktop);
    RECT own;
    if (!GetWindowRect(window, &own))
        return;
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    SetWindowPos(window, NULL, (desktop.right - desktop.left - width) / 2, (desktop.bottom - desktop.top - height) / 2, 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void pumpMessages(HWND dialog)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave the quit for the main loop, which ends the program.
            PostQuitMessage((int)message.wParam);
            return;
        }
        if (dialog != NULL && IsDialogMessageA(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
