// The program runner: "grpconv -o" started and waited for on a dialog timer,
// or left to the next start of Windows through RunOnce.
#include "setup/engine/program_runner.h"

#include "setup/engine/registry.h"
#include "setup/resources/resource.h"
#include "setup/shell/install_log.h"
#include "setup/shell/setup_state.h"

namespace {

const UINT_PTR kExitTimer = 1;
const UINT kExitPollMs = 1000;

struct RunnerState {
    PROCESS_INFORMATION process;
};

void releaseProcess(RunnerState &state)
{
    if (state.process.hProcess != nullptr)
        CloseHandle(state.process.hProcess);
    if (state.process.hThread != nullptr)
        CloseHandle(state.process.hThread);
    state.process = PROCESS_INFORMATION();
}

// The shortcuts are then made at the next start of Windows.
void registerForNextStart()
{
    setRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", setupState.setupClass,
                 "grpconv -o", 1);
}

bool startConverter(RunnerState &state)
{
    char commandLine[] = "grpconv -o";   // CreateProcessA may write into it
    STARTUPINFOA startup = STARTUPINFOA();
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
    startup.wShowWindow = SW_SHOWNORMAL;
    return CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &state.process) != FALSE;
}

void onStart(HWND dialog, RunnerState &state)
{
    SetWindowPos(dialog, HWND_BOTTOM, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE);
    if (!startConverter(state)) {
        registerForNextStart();
        EndDialog(dialog, 0);
        return;
    }
    if (SetTimer(dialog, kExitTimer, kExitPollMs, nullptr) == 0) {
        // Without a timer the exit could never be seen: wait here instead.
        WaitForSingleObject(state.process.hProcess, INFINITE);
        releaseProcess(state);
        EndDialog(dialog, 1);
    }
}

void onTick(HWND dialog, RunnerState &state)
{
    DWORD code = 0;
    // A failed query is only a missed tick: the next one asks again.
    if (!GetExitCodeProcess(state.process.hProcess, &code) || code == STILL_ACTIVE)
        return;
    KillTimer(dialog, kExitTimer);
    releaseProcess(state);
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK waitProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    RunnerState *state = (RunnerState *)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        onStart(dialog, *(RunnerState *)lParam);
        return FALSE;
    case WM_WINDOWPOSCHANGING:
        // The modal loop shows a dialog the first time its queue runs empty;
        // this one stays hidden and inactive throughout.
        ((WINDOWPOS *)lParam)->flags &= ~(UINT)SWP_SHOWWINDOW;
        ((WINDOWPOS *)lParam)->flags |= SWP_NOACTIVATE;
        return TRUE;
    case WM_TIMER:
        if (wParam == kExitTimer && state != nullptr)
            onTick(dialog, *state);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int runShortcutUpdate(HWND owner)
{
    HINSTANCE instance = setupState.instance != nullptr ? setupState.instance : GetModuleHandleA(nullptr);
    RunnerState state = RunnerState();
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SHORTCUT_WAIT), owner, waitProc, (LPARAM)&state);
    releaseProcess(state);
    if (result == -1) {
        // The wait could not be shown, so the converter never ran: leave it
        // to the next start rather than report shortcuts that were not made.
        registerForNextStart();
        result = 0;
    }
    logLine(result == 1 ? "ショートカットを更新しました (grpconv -o)"
                        : "ショートカットの更新は次の Windows の起動時に行われます (RunOnce)");
    return result == 1 ? 1 : 0;
}
