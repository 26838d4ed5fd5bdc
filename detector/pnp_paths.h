// Device key paths of the three Plug-and-Play scans, built from the names
// the registry enumeration gives. Portable.
#pragma once
#include <stddef.h>

const size_t kKeyPathSize = 260;
const size_t kHardwareKeySize = 128;   // HardWareKey: at most 127 characters

// Bus enumerator: only subkeys whose name begins with 'Q' (the vendor code
// QEL) or has at most 8 characters are devices. The path is
// "Enum\CQXPNP\" + the first seven characters of the name + "\FFFFFFFF"; a
// shorter name is taken whole, so the path still names the instance key
// instead of running into the template's padding. false: not a device.
bool busEnumeratorPath(const char *subkey, char (&path)[kKeyPathSize]);

// Root ports: "Enum\Root\Ports\" + the name.
bool rootPortsPath(const char *subkey, char (&path)[kKeyPathSize]);

// Configuration manager: "Config Manager\Enum\" + the node name (dynamic
// data hive), and the device key "Enum\" + the node's HardWareKey (local
// machine). The path takes the whole value (up to 127 characters), so a long
// key is looked up as it stands, never cut to point at another device.
bool configNodePath(const char *node, char (&path)[kKeyPathSize]);
bool configDevicePath(const char *hardwareKey, char (&path)[kKeyPathSize]);
