// The wizard's program-wide state: what the user chose and how the run
// ended. One instance; each field says who writes it.
#pragma once
#include "setup/shell/setup_state.h"

struct WizardState {
    char familyKey[kShortSize];        // nickname page: the chosen nickname's family
    char shownFamilyKey[kShortSize];   // model page: the family its list shows
    char modelKey[kShortSize];         // model page (nickname page sets the default "4410Q")
    char modelDisplayName[kShortSize]; // nickname and model pages: the last text chosen
    char nicknameLine[kPathSize];      // nickname page: the machine list's line chosen ("" before)
    bool standardChosen;               // nickname page (radio pair): standard, not custom, setup
    int nicknameListOffset;            // nickname page: 8 in a floppy kit, else 0
    int modelListOffset;               // model page: likewise
    HFONT titleFont;                   // welcome page; released when the main window closes
    int setupResult;                   // progress page: 0 completed, 1 stopped by the user, 2 no space,
                                       // 3 nothing run: the kit lacks what the run needs
    int failedComponents;              // progress page: components of the run that were not set up
                                       // (their records' RunOutcome is -1)
    int restartAnswer;                 // finish page or the end of the program: IDYES or IDNO once the
                                       // restart question was answered, else 0; Windows restarts only
                                       // after a Yes
};

extern WizardState wizardState;
