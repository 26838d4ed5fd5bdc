// AddReg and DelReg lines, carried out through the platform's registry calls.
#include "setup/engine/registry.h"

#include "setup/engine/reg_root.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/install_log.h"

namespace {

// The name of a registry root for the log.
const char *logRootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (root == HKEY_CURRENT_USER)
        return "HKCU";
    if (root == HKEY_CLASSES_ROOT)
        return "HKCR";
    if (root == HKEY_USERS)
        return "HKU";
    if (root == HKEY_CURRENT_CONFIG)
        return "HKCC";
    if (root == HKEY_DYN_DATA)
        return "HKDD";
    return "?";
}

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

void writeString(HKEY root, const char *subkey, HKEY key, const char *valueName, const char *text)
{
    LONG status = RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE *)text, (DWORD)textLength(text));
    logLine("レジストリ ", logRootName(root), "\\", subkey, " \"", valueName,
            status == ERROR_SUCCESS ? "\" = " : "\" は書き込めません: ", text);
}

}  // namespace

int setRegString(HKEY root, const char *subkey, const char *valueName, const char *text, int overwrite)
{
    if (subkey[0] == '\0') {
        if (overwrite || !valuePresent(root, valueName))
            writeString(root, subkey, root, valueName, text);
        return 1;
    }
    if (!overwrite && valueName[0] == '\0') {
        OpenKey existing;
        if (RegOpenKeyA(root, subkey, &existing.key) == ERROR_SUCCESS)
            return 1;
    }
    OpenKey key;
    if (RegCreateKeyA(root, subkey, &key.key) != ERROR_SUCCESS) {
        logLine("レジストリ ", logRootName(root), "\\", subkey, ": キーを作れません");
        return 1;
    }
    if (overwrite || valueName[0] == '\0' || !valuePresent(key.key, valueName))
        writeString(root, subkey, key.key, valueName, text);
    else
        logLine("レジストリ ", logRootName(root), "\\", subkey, " \"", valueName, "\": 既にあるため、そのままにしました");
    return 1;
}

int deleteRegEntry(HKEY root, const char *subkey, const char *valueName)
{
    LONG status = ERROR_FILE_NOT_FOUND;
    if (valueName[0] != '\0') {
        if (subkey[0] == '\0') {
            status = RegDeleteValueA(root, valueName);
        } else {
            OpenKey key;
            if (RegOpenKeyA(root, subkey, &key.key) == ERROR_SUCCESS)
                status = RegDeleteValueA(key.key, valueName);
        }
    } else if (subkey[0] != '\0') {
        status = RegDeleteKeyA(root, subkey);
    }
    if (status == ERROR_SUCCESS)
        logLine("レジストリ ", logRootName(root), "\\", subkey, valueName[0] != '\0' ? " \"" : "",
                valueName, valueName[0] != '\0' ? "\" を削除しました" : " (キー) を削除しました");
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
