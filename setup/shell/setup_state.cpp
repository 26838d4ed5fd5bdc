// The setup state itself. The INF slots start empty.
#include "setup/shell/setup_state.h"

SetupState setupState = [] {
    SetupState state = SetupState();
    state.setupInf = INF_NONE;
    state.layoutInf = INF_NONE;
    state.auxInf = INF_NONE;
    return state;
}();
