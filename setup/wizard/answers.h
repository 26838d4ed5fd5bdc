// The wizard's side of recorded and unattended runs: what the pages chose,
// written to the answer file of /record, and the same choices taken from an
// answer file as the pages would have taken them.
#pragma once
#include "setup/shell/answer_file.h"

#include <stddef.h>

// Writes the user's choices to setupState.recordFile (when /record was
// given): the product, the nickname line, the model key, standard or
// custom setup with every component's tick, and the restart answer once
// wizardState.restartAnswer holds one. Called when the run reaches the
// progress page; false (and a log line) when the file cannot be written.
bool recordAnswers();
// The file again, with the restart answer, once the question has been
// answered; nothing when the run never reached the progress page.
void recordRestartAnswer();

// The nickname line and the model key as the nickname and model pages take
// them from the kit's MACHINE.INF; false with the reason (for the log) when
// the kit does not offer them.
bool takeMachineAnswers(const char *nicknameLine, const char *model, char *reason, size_t size);

// Standard setup: the standard set selected as the standard page selects
// it. Custom setup: every component's State from its tick, as the custom
// page leaves it. false with the reason when the file's components are not
// the tree's (one missing on either side, or an unavailable one ticked).
bool takeComponentAnswers(const SetupAnswers &answers, char *reason, size_t size);
