// The root field of the registry directives.
#include "setup/engine/reg_root.h"

#include "setup/inf/charset.h"

RegRoot regRootFromField(const char *field)
{
    // charNext never steps over the NUL, so a short field ends on it.
    const char *third = charNext(charNext(field));
    switch (*third) {
    case 'C':
        return *charNext(third) == 'R' ? REG_ROOT_CLASSES : REG_ROOT_USER;
    case 'L':
        return REG_ROOT_MACHINE;
    case 'U':
        return REG_ROOT_USERS;
    default:
        return REG_ROOT_NONE;
    }
}
