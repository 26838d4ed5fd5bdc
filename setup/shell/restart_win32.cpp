// The restart at the end of the program, and the user's word on it.
#include "setup/shell/main_window.h"

#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/install_log.h"
#include "setup/shell/shell_services.h"
#include "setup/wizard/answers.h"
#include "setup/wizard/wizard_state.h"
#include "setup/shell/messages.h"

void settleRestart()
{
    if (!setupState.restartNeeded)
        return;
    int answer = wizardState.restartAnswer;
    if (answer != IDYES && answer != IDNO) {
        char text[kPathSize];
        loadString(IDS_RESTART_QUESTION, text, sizeof text);
        answer = showMessage(setupState.mainWindow, text, setupState.productCaption, MB_YESNO | MB_ICONQUESTION);
        wizardState.restartAnswer = answer == IDYES ? IDYES : IDNO;
        recordRestartAnswer();
    }
    setupState.restartNeeded = answer == IDYES;
    logLine(answer == IDYES ? "再起動: Windows を再起動します"
                            : "再起動: 必要ですが行いません (次に Windows を起動したときに設定が有効になります)");
}

typedef BOOL(WINAPI *OpenProcessTokenFunction)(HANDLE, DWORD, PHANDLE);
typedef BOOL(WINAPI *LookupPrivilegeValueFunction)(LPCSTR, LPCSTR, PLUID);
typedef BOOL(WINAPI *AdjustTokenPrivilegesFunction)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES,
                                                    PDWORD);

// The NT family restarts only for a process that holds the shutdown
// privilege enabled. The security functions are looked up, not imported:
// Windows 95 has them only as stubs, and the program must load there.
bool enableShutdownPrivilege()
{
    HMODULE advapi = LoadLibraryA("advapi32.dll");
    if (advapi == NULL)
        return false;
    OpenProcessTokenFunction openToken = (OpenProcessTokenFunction)(void *)GetProcAddress(advapi, "OpenProcessToken");
    LookupPrivilegeValueFunction lookup =
        (LookupPrivilegeValueFunction)(void *)GetProcAddress(advapi, "LookupPrivilegeValueA");
    AdjustTokenPrivilegesFunction adjust =
        (AdjustTokenPrivilegesFunction)(void *)GetProcAddress(advapi, "AdjustTokenPrivileges");
    HANDLE token;
    bool enabled = false;
    if (openToken != NULL && lookup != NULL && adjust != NULL &&
        openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        // The call succeeds also when the token lacks the privilege; only
        // the last error tells.
        if (lookup(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
            SetLastError(ERROR_SUCCESS);
            enabled = adjust(token, FALSE, &privileges, 0, NULL, NULL) && GetLastError() == ERROR_SUCCESS;
        }
        CloseHandle(token);
    }
    FreeLibrary(advapi);
    return enabled;
}

bool requestRestart()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && !enableShutdownPrivilege())
        return false;
    return ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
}

bool restartWindows(bool (*request)())
{
    if (request()) {
        logLine("再起動を要求しました");
        return true;
    }
    // The replacements that wait for the restart are not lost, but nothing
    // happens until Windows starts again: the user must know.
    logLine("Windows が再起動を受け付けませんでした");
    showMessage(NULL, kRestartRefusedText, setupState.productCaption, MB_OK | MB_ICONINFORMATION);
    return false;
}
