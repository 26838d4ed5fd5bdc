// The install engine's one state record; everything starts at 0 or empty.
#include "setup/engine/engine_state.h"

EngineState engineState = EngineState();
