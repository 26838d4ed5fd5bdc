// Bounded registry reads of the component catalogue.
#include "setup/components/registry_values.h"

#include "setup/components/component_text.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"

#include <string.h>

bool componentKeyName(char *out, size_t size, const char *subkey)
{
    TextBuilder name = startTextN(out, size);
    addText(name, "SOFTWARE\\QEL\\");
    addText(name, setupState.setupClass);
    addText(name, "\\Setup\\OptionalComponents");
    if (subkey[0] != '\0') {
        addText(name, "\\");
        addText(name, subkey);
    }
    return !name.cut;
}

bool readTextValue(HKEY key, const char *name, char *out, size_t size)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    DWORD type = 0;
    DWORD length = (DWORD)size;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE *)out, &length) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        out[0] = '\0';
        return false;
    }
    // The stored text need not end with its terminator; one that fills the
    // buffer without one does not fit.
    if (length == 0 || out[length - 1] != '\0') {
        if (length >= size) {
            out[0] = '\0';
            return false;
        }
        out[length] = '\0';
    }
    return true;
}

bool readNumberValue(HKEY key, const char *name, int32_t &out)
{
    char data[65 + 1];
    DWORD type = 0;
    DWORD length = sizeof data - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE *)data, &length) != ERROR_SUCCESS)
        return false;
    if (type == REG_DWORD && length == sizeof(DWORD)) {
        DWORD number;
        memcpy(&number, data, sizeof number);
        out = (int32_t)number;
        return true;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    data[length] = '\0';
    out = decimalNumber(data);
    return true;
}
