// The install engine's state: the flags that tie the progress page, the
// directive executors and the disk dialogs together. One instance, on the
// one GUI thread.
#pragma once
#include "setup/shell/setup_state.h"

struct EngineState {
    bool keepInstalling;     // install driver sets it before each section's copies; the copy
                             // engine clears it when the user gives a file or the run up
    bool cancelRequested;    // progress page (Cancel) and disk-change dialog set it; progress
                             // page and mergeFiles clear it
    int currentDiskPass;     // progress page: 0 outside the disk passes of a floppy kit, else 1..N
    int currentFileDisk;     // copy engine: the disk of the file being handled (disk dialog shows it)
    char lastComponentInf[kPathSize];   // install driver: the component INF in the auxInf slot
    int fileFailures;        // copy engine: files that could not be installed, or were given up,
                             // since the run began; the progress page compares it per component
};

extern EngineState engineState;
