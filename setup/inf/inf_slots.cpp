// The three INF slots of the setup state.
#include "setup/inf/inf_fields.h"

#include "setup/shell/setup_state.h"

static InfImage *&slotOf(InfSlot slot)
{
    switch (slot) {
    case SETUP_INF:
        return setupState.setupInf;
    case LAYOUT_INF:
        return setupState.layoutInf;
    case AUX_INF:
    default:
        return setupState.auxInf;
    }
}

InfImage *setInfSlot(InfSlot slot, InfImage *image)
{
    // A failed openInf (null) never replaces a stored image.
    if (image == nullptr)
        return nullptr;
    InfImage *previous = slotOf(slot);
    slotOf(slot) = image;
    return previous;
}

InfImage *infSlot(InfSlot slot)
{
    return slotOf(slot);
}

static void releaseSlot(InfSlot slot)
{
    InfImage *&held = slotOf(slot);
    if (held != INF_NONE) {
        freeInf(held);
        held = INF_NONE;
    }
}

void freeAllInfs()
{
    releaseSlot(LAYOUT_INF);
    releaseSlot(SETUP_INF);
    releaseSlot(AUX_INF);
}

void freeAuxInf()
{
    releaseSlot(AUX_INF);
}
