// The three Plug-and-Play registry scans: the maker's bus enumerator, the
// root port enumerator and the configuration manager's live device nodes.
#include "detector/detector.h"
#include "detector/pnp_paths.h"
#include "runtime/bytes.h"

#include <string.h>

namespace {

const size_t kClassSize = 260;

// Closes a registry key when it goes out of scope.
class RegKey {
public:
    RegKey() : key_(NULL) {}
    ~RegKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    RegKey(const RegKey &) = delete;
    RegKey &operator=(const RegKey &) = delete;
    bool open(HKEY hive, const char *path) { return RegOpenKeyExA(hive, path, 0, KEY_READ, &key_) == ERROR_SUCCESS; }
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

// Reads a text value into buffer. Fails when the value is missing, not text,
// or does not fit with its terminator; a value stored without a terminator
// gets one, never read or written past the buffer.
template <size_t N> bool readText(HKEY key, const char *name, char (&buffer)[N])
{
    DWORD type = 0;
    DWORD size = N;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)buffer, &size) != ERROR_SUCCESS || type != REG_SZ) {
        buffer[0] = '\0';
        return false;
    }
    if (size == N && buffer[N - 1] != '\0') {
        buffer[0] = '\0';
        return false;
    }
    buffer[size < N ? size : N - 1] = '\0';
    return true;
}

// The device key at path (local machine) qualifies when its Class is exactly
// requiredClass and it names a port; the slot gets its port name and
// hardware ID.
int checkDeviceKey(const char *path, int slot, const char *requiredClass)
{
    RegKey device;
    if (!device.open(HKEY_LOCAL_MACHINE, path))
        return 0;
    char deviceClass[kClassSize];
    if (!readText(device.get(), "Class", deviceClass) || !sameBytes(deviceClass, requiredClass))
        return 0;
    CandidateSlot &candidate = detector.slots[slot];
    if (!readText(device.get(), "PORTNAME", candidate.portName))
        return 0;
    return readText(device.get(), "HardwareID", candidate.hardwareId) ? 1 : 0;
}

enum ScanKind { kBusEnumerator, kRootPorts, kConfigManager };

struct Scan {
    ScanKind kind;
    HKEY hive;
    const char *rootKey;
    DWORD subkeySize;   // the subkey name buffer
    const char *requiredClass;
};

const BoardList &listOf(ScanKind kind)
{
    switch (kind) {
    case kBusEnumerator: return detector.boardLists.b;
    case kRootPorts: return detector.boardLists.n;
    default: return detector.boardLists.c;
    }
}

// The board code for a hardware ID. A bus-enumerator entry with code 'C' is
// that kind of board on the maker's own bus: it is recorded in TOSKA at once
// and counts as board '1'.
char classifyHardwareId(ScanKind kind, const char *hardwareId)
{
    char code = matchBoardList(listOf(kind), hardwareId);
    if (kind == kBusEnumerator && code == 'C') {
        WritePrivateProfileStringA("LINE", "TOSKA", "1", kSettingsFile);
        return '1';
    }
    return code;
}

// The device key path of one subkey of the scan's root; false when the
// subkey is not a device the scan looks at.
bool devicePath(const Scan &scan, const char *subkey, char (&path)[kKeyPathSize])
{
    switch (scan.kind) {
    case kBusEnumerator:
        return busEnumeratorPath(subkey, path);
    case kRootPorts:
        return rootPortsPath(subkey, path);
    case kConfigManager: {
        char nodePath[kKeyPathSize];
        RegKey node;
        if (!configNodePath(subkey, nodePath) || !node.open(HKEY_DYN_DATA, nodePath))
            return false;
        char hardwareKey[kHardwareKeySize];
        if (!readText(node.get(), "HardWareKey", hardwareKey))
            return false;
        const BoardList &list = detector.boardLists.c;
        bool listed = false;
        for (int i = 0; i < list.count && !listed; ++i)
            listed = containsText(hardwareKey, list.entries[i].pattern) != 0;
        return listed && configDevicePath(hardwareKey, path);
    }
    }
    return false;
}

int runScan(const Scan &scan, int *slotOut)
{
    if (listOf(scan.kind).count == 0)
        return 0;
    int slotCount = 0;
    *slotOut = 0;
    memset(detector.slots, 0, sizeof detector.slots);

    RegKey root;
    if (!root.open(scan.hive, scan.rootKey))
        return 0;
    char subkey[12];
    for (DWORD index = 0;; ++index) {
        DWORD size = scan.subkeySize;
        LONG status = RegEnumKeyExA(root.get(), index, subkey, &size, NULL, NULL, NULL, NULL);
        // A name too long for the buffer is no device of ours; skip it and go on.
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        // Eleven slots are all there are: the scan ends when they are used up.
        if (slotCount == kSlotCount)
            break;
        char path[kKeyPathSize];
        if (!devicePath(scan, subkey, path) || !checkDeviceKey(path, slotCount + 1, scan.requiredClass))
            continue;
        ++slotCount;
        *slotOut = slotCount;
        HANDLE port = openPort(detector.slots[slotCount].portName);
        if (port == INVALID_HANDLE_VALUE)
            continue;
        CloseHandle(port);
        detector.boardCode = classifyHardwareId(scan.kind, detector.slots[slotCount].hardwareId);
        if (detector.boardCode != '0')
            return 1;
    }
    return 0;
}

}  // namespace

int scanPnpEnumerator(int *slotOut)
{
    static const Scan scan = {kBusEnumerator, HKEY_LOCAL_MACHINE, "Enum\\CQXPNP", 12, "Modem"};
    return runScan(scan, slotOut);
}

int scanRootPorts(int *slotOut)
{
    static const Scan scan = {kRootPorts, HKEY_LOCAL_MACHINE, "Enum\\Root\\Ports", 12, "Ports"};
    return runScan(scan, slotOut);
}

int scanConfigManager(int *slotOut)
{
    static const Scan scan = {kConfigManager, HKEY_DYN_DATA, "Config Manager\\Enum", 9, "Modem"};
    return runScan(scan, slotOut);
}
