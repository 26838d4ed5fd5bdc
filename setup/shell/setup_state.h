// The setup program's one program-wide record. Each field says who writes it;
// everyone else only reads.
#pragma once
#include "setup/inf/inf.h"
#include "setup/shell/win_handles.h"

const size_t kPathSize = 260;   // the platform's path limit: every text buffer
const size_t kShortSize = 64;   // INF version values and component names

// The files copied to the temporary directory of a floppy kit, in order.
struct TempCopyList {
    char (*paths)[kPathSize];
    int count;
    int capacity;
};

struct SetupState {
    char infPattern[kPathSize];       // entry: the command line, or "OSPRIN*.INF"
    char windowsDir[kPathSize];       // entry; re-read before each [DestinationDirs] lookup
    char systemDir[kPathSize];        // entry; reset to windowsDir + "\SYSTEM" by the
                                      // [DestinationDirs] lookup
    char programDir[kPathSize];       // entry: the directory of the program file
    char sourceDir[kPathSize];        // INF discovery; the temporary directory for a floppy kit
    char kitSourceDir[kPathSize];     // INF discovery; the source prompts and file directives
    char setupInfName[kPathSize];     // INF discovery
    int setupInfCount;                // INF discovery
    InfImage *setupInf;               // INF slots (setInfSlot); INF_NONE when empty
    InfImage *layoutInf;
    InfImage *auxInf;
    char productCaption[kPathSize];   // INF discovery
    char setupClass[kShortSize];      // INF discovery
    char layoutFileName[kShortSize];  // INF discovery
    bool floppyKit;                   // INF discovery
    bool foundInWindowsInf;           // INF discovery
    bool restartNeeded;               // install engine and updaters; the finish page may clear it
    unsigned long long freeDiskBytes; // main window, before the wizard starts (64-bit)
    HINSTANCE instance;               // entry
    RECT desktopRect;                 // main window; kept up to date on display changes
    HWND mainWindow;                  // entry
    HWND logoWindow;                  // main window: the preparing dialog, or null
    HWND preparingProgress;           // the preparing dialog
    HWND wizardWindow;                // wizard, while it is shown
    TempCopyList tempCopies;          // main window, floppy kit only
    bool silent;                      // entry: an unattended run (/silent), which shows nothing
    char recordFile[kPathSize];       // entry: the answer file that /record writes, or empty
    int exitStatus;                   // the program's exit status: 0 but for a bad command line,
                                      // a log that cannot be opened, and unattended runs
};

extern SetupState setupState;
