// The wizard state itself: empty until the pages fill it.
#include "setup/wizard/wizard_state.h"

WizardState wizardState;
