// Device key paths of the Plug-and-Play scans.
#include "detector/pnp_paths.h"
#include "runtime/bytes.h"

#include <string.h>

namespace {

// Joins up to three pieces into path; false (and an empty path) when they do
// not fit, so that a cut path never names some other key.
bool joinPath(char (&path)[kKeyPathSize], const char *a, const char *b, size_t bLength, const char *c)
{
    size_t aLength = byteLength(a), cLength = byteLength(c);
    path[0] = '\0';
    if (aLength + bLength + cLength >= kKeyPathSize)
        return false;
    memcpy(path, a, aLength);
    memcpy(path + aLength, b, bLength);
    memcpy(path + aLength + bLength, c, cLength);
    path[aLength + bLength + cLength] = '\0';
    return true;
}

}  // namespace

bool busEnumeratorPath(const char *subkey, char (&path)[kKeyPathSize])
{
    size_t length = byteLength(subkey);
    if (subkey[0] != 'Q' && length > 8) {
        path[0] = '\0';
        return false;
    }
    return joinPath(path, "Enum\\CQXPNP\\", subkey, length < 7 ? length : 7, "\\FFFFFFFF");
}

bool rootPortsPath(const char *subkey, char (&path)[kKeyPathSize])
{
    return joinPath(path, "Enum\\Root\\Ports\\", subkey, byteLength(subkey), "");
}

bool configNodePath(const char *node, char (&path)[kKeyPathSize])
{
    return joinPath(path, "Config Manager\\Enum\\", node, byteLength(node), "");
}

bool configDevicePath(const char *hardwareKey, char (&path)[kKeyPathSize])
{
    return joinPath(path, "Enum\\", hardwareKey, byteLength(hardwareKey), "");
}
