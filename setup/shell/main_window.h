// The setup program's full-desktop main window: its class, its painting and
// the private messages by which it runs start-up, one step posting the next.
#pragma once
#include <windows.h>

const char kMainWindowClass[] = "QELDriverKit";

// The start-up chain, in the order in which the steps run.
const UINT kShowPreparing = WM_USER + 200;   // the preparing dialog
const UINT kFindSetupInf = WM_USER + 206;    // find and choose the setup INF, read its version data
const UINT kBaseWinOptions = WM_USER + 201;  // [BaseWinOptions]; a floppy kit's temporary copies
const UINT kLoadInfs = WM_USER + 202;        // the [BaseWinOptions] of every [load_inf] INF
const UINT kModules = WM_USER + 207;         // [Modules]
const UINT kBuildTree = WM_USER + 203;       // the component tree
const UINT kRunWizard = WM_USER + 204;       // the wizard, the setup.ini follow-up, the end

// Registers the window class; false when the platform refuses.
bool registerMainWindowClass(HINSTANCE instance);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One step of the start-up chain (one of the messages above).
void runStartupStep(HWND window, UINT step);
// Destroys the preparing dialog and the main window; the main window's
// destruction ends the program.
void closeProgram();

// The floppy kit's copies of the files of one section of the setup INF
// (inf.Copy or load_inf) into the temporary directory. false after a
// message: the program closes.
bool copyInfsToTemp(const char *section);
// The temporary directory with its trailing backslash, created when missing.
void tempDirectory(char (&out)[MAX_PATH + 1]);
// Deletes the files of tempCopies and empties the list.
void deleteTempCopies();

// On every way out of the program while restartNeeded is set: keeps it only
// when the user said Yes, at the finish page or, never asked, now (2013).
// Nothing when no restart is needed.
void settleRestart();

// Told when Windows refuses the restart the user agreed to.
const char kRestartRefusedText[] = "Windowsを再起動できませんでした。\r"
                                   "セットアップを完了するには、Windowsを再起動してください。";
// Enables the shutdown privilege of the process (the NT family); false when
// the token does not hold it or the calls are missing.
bool enableShutdownPrivilege();
// Asks Windows to restart, on the NT family with the shutdown privilege
// first; false when the restart cannot be started.
bool requestRestart();
// Asks for the restart through request; when it is refused, tells the user
// (product caption, information icon) that Windows must be restarted to
// finish the setup. true when the restart was started.
bool restartWindows(bool (*request)() = requestRestart);
