// Registry reads of the component catalogue: bounded texts and numbers.
#pragma once
#include <windows.h>

#include <stddef.h>
#include <stdint.h>

// An open key, closed when it goes out of scope.
struct ComponentKey {
    HKEY key = nullptr;
    ComponentKey() = default;
    ComponentKey(const ComponentKey &) = delete;
    ComponentKey &operator=(const ComponentKey &) = delete;
    ~ComponentKey()
    {
        if (key != nullptr)
            RegCloseKey(key);
    }
};

// The key HKEY_LOCAL_MACHINE\SOFTWARE\QEL\<setupClass>\Setup\OptionalComponents,
// or the subkey of it that is given; false when the name does not fit.
bool componentKeyName(char *out, size_t size, const char *subkey);

// A string value (REG_SZ or REG_EXPAND_SZ) that fits size bytes with its
// terminator; false when it is missing, of another type or longer.
bool readTextValue(HKEY key, const char *name, char *out, size_t size);
template <size_t N> inline bool readTextValue(HKEY key, const char *name, char (&out)[N])
{
    return readTextValue(key, name, out, N);
}

// A number stored as decimal text of up to 65 bytes, or as a REG_DWORD;
// false when it is missing or neither.
bool readNumberValue(HKEY key, const char *name, int32_t &out);
