// AddReg and DelReg lines, carried out through the platform's registry calls.
#include "setup/engine/registry.h"

#include "setup/engine/reg_root.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"

namespace {

// An open key, closed when it goes out of scope.
struct OpenKey {
    HKEY key = nullptr;
    OpenKey() = default;
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;
    ~OpenKey()
    {
        if (key != nullptr)
            RegCloseKey(key);
    }
};

HKEY rootKey(const char *field)
{
    switch (regRootFromField(field)) {
    case REG_ROOT_CLASSES:
        return HKEY_CLASSES_ROOT;
    case REG_ROOT_USER:
        return HKEY_CURRENT_USER;
    case REG_ROOT_MACHINE:
        return HKEY_LOCAL_MACHINE;
    case REG_ROOT_USERS:
        return HKEY_USERS;
    case REG_ROOT_NONE:
        break;
    }
    return nullptr;
}

// A value counts as present only when it can be read into 256 bytes; a
// longer one is overwritten even without overwrite.
bool valuePresent(HKEY key, const char *valueName)
{
    BYTE data[256];
    DWORD size = sizeof data;
    return RegQueryValueExA(key, valueName, nullptr, nullptr, data, &size) == ERROR_SUCCESS;
}

void writeString(HKEY key, const char *valueName, const char *text)
{
    RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE *)text, (DWORD)textLength(text));
}

}  // namespace

int setRegString(HKEY root, const char *subkey, const char *valueName, const char *text, int overwrite)
{
    if (subkey[0] == '\0') {
        if (overwrite || !valuePresent(root, valueName))
            writeString(root, valueName, text);
        return 1;
    }
    if (!overwrite && valueName[0] == '\0') {
        OpenKey existing;
        if (RegOpenKeyA(root, subkey, &existing.key) == ERROR_SUCCESS)
            return 1;
    }
    OpenKey key;
    if (RegCreateKeyA(root, subkey, &key.key) != ERROR_SUCCESS)
        return 1;
    if (overwrite || valueName[0] == '\0' || !valuePresent(key.key, valueName))
        writeString(key.key, valueName, text);
    return 1;
}

int deleteRegEntry(HKEY root, const char *subkey, const char *valueName)
{
    if (valueName[0] != '\0') {
        if (subkey[0] == '\0') {
            RegDeleteValueA(root, valueName);
        } else {
            OpenKey key;
            if (RegOpenKeyA(root, subkey, &key.key) == ERROR_SUCCESS)
                RegDeleteValueA(key.key, valueName);
        }
    } else if (subkey[0] != '\0') {
        RegDeleteKeyA(root, subkey);
    }
    return 1;
}

// A line whose root field names no root is skipped: the previous line's root
// is never carried over to it.
int addReg(const char *section, int lineCount, const char *, InfImage *image, int overwrite)
{
    forEachLine<5>(section, lineCount, image, [&](char (*fields)[kPathSize]) {
        HKEY root = rootKey(fields[0]);
        if (root == nullptr)
            return;
        expandStrings(fields[1], image);   // subkey
        stripQuotes(fields[2]);            // value name
        expandStrings(fields[2], image);
        (void)flagsDigit(fields[3]);       // read, and of no effect
        stripQuotes(fields[4]);            // value
        expandStrings(fields[4], image);
        setRegString(root, fields[1], fields[2], fields[4], overwrite);
    });
    return lineCount + 1;
}

int delReg(const char *section, int lineCount, const char *, InfImage *image, int)
{
    forEachLine<3>(section, lineCount, image, [&](char (*fields)[kPathSize]) {
        HKEY root = rootKey(fields[0]);
        if (root == nullptr)
            return;
        // The value name is taken as written: no quote removal, no strings.
        expandStrings(fields[1], image);
        deleteRegEntry(root, fields[1], fields[2]);
    });
    return lineCount + 1;
}
