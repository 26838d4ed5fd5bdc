// Recorded and unattended runs: the command line's switches, the install
// log's header, the answer file of /silent taken in place of the product
// choice and the wizard, and the exit status that tells a script how an
// unattended run ended.
#pragma once
#include <windows.h>

// Exit statuses, with the values that deployment tools already read from
// installers (the platform's error codes of the same meaning).
enum : int {
    kExitCompleted = 0,           // completed; no restart needed (every interactive run)
    kExitDiskFull = 112,          // stopped for lack of disk space (ERROR_DISK_FULL)
    kExitStopped = 1602,          // stopped at the disk dialog by the person at it (ERROR_INSTALL_USEREXIT)
    kExitPartial = 1603,          // completed, but some components were not set up (ERROR_INSTALL_FAILURE)
    kExitAnswersUnfit = 1610,     // the answer file is missing, unreadable or does not fit the kit
                                  // (ERROR_BAD_CONFIGURATION)
    kExitAlreadyRunning = 1618,   // another setup program runs (ERROR_INSTALL_ALREADY_RUNNING)
    kExitKitRefused = 1620,       // the kit was refused; the log names the message (ERROR_INSTALL_PACKAGE_INVALID)
    kExitLogFailure = 1622,       // the log cannot be opened (ERROR_INSTALL_LOG_FAILURE)
    kExitBadCommandLine = 1639,   // an unknown switch or one without its file (ERROR_INVALID_COMMAND_LINE)
    kExitRestartStarted = 1641,   // completed; Windows is restarting (ERROR_SUCCESS_REBOOT_INITIATED)
    kExitRestartPending = 3010,   // completed; a restart is needed and was not carried out
                                  // (ERROR_SUCCESS_REBOOT_REQUIRED)
};

// The entry's first step: the pattern and the switches. false, after a box
// that names what is wrong and shows the usage, when the line cannot be
// taken; the program then ends with setupState.exitStatus.
bool takeCommandLine(const char *commandLine);
// The entry's second step, once no other setup program runs: the log
// opened and its header written, /record's file tried, and for /silent the
// answer file read and checked. false when the program is to end at once
// with setupState.exitStatus; nothing has been changed then (the user was
// told in a box, or an unattended run's log says why).
bool openRun(const char *commandLine);

// Unattended: the setup INF of the answer file among list (the INFs found),
// in place of the product choice. false (logged, exit status set) when the
// kit has no setup INF of that name.
bool chooseAnsweredProduct(const char *list, int count);
// Unattended: false (logged, exit status set) when the chosen INF's caption
// is not the answer file's product.
bool answeredProductFits();

// Unattended: what the wizard does, from the answer file: the nickname,
// model and components taken as the pages would take them, the
// installation, and the restart answer. Sets the exit status.
void runUnattended();

// The exit status once the restart was decided (started: Windows accepted
// the restart request).
void settleExitStatus(bool restartAsked, bool started);
