// The component catalogue read from the registry and the component INFs:
// the Win32 edge of the tree.
#include "setup/components/component_catalogue.h"

#include "setup/components/component_text.h"
#include "setup/components/registry_values.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/inf_platform.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"

#include <commctrl.h>
#include <string.h>

namespace {

uint64_t addSize(uint64_t a, uint64_t b)
{
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

// 50 to 100 while the components come in; full from the 80th on.
void showProgress(int accepted)
{
    if (setupState.preparingProgress == nullptr)
        return;
    int position = accepted > 80 ? 100 : 50 + (50 * accepted) / 80;
    SendMessageA(setupState.preparingProgress, PBM_SETPOS, (WPARAM)position, 0);
}

// Room for one more record and the end record behind it.
bool makeRoom(ComponentTree &tree)
{
    if (tree.count + 1 < tree.capacity)
        return true;
    int capacity = tree.capacity + kComponentBlock;
    void *grown = infHeapResize(tree.records, (size_t)capacity * sizeof(ComponentRecord));
    if (grown == nullptr)
        return false;
    tree.records = (ComponentRecord *)grown;
    memset(tree.records + tree.capacity, 0, (size_t)kComponentBlock * sizeof(ComponentRecord));
    tree.capacity = capacity;
    return true;
}

// The component INF of the build: loaded only when a component names
// another INF than the one before it, and held in the auxiliary slot,
// whose earlier content is put back at the end.
struct ComponentInfs {
    InfImage *image = nullptr;
    char name[kPathSize] = "";
    bool slotSaved = false;
    InfImage *savedSlot = nullptr;

    InfImage *load(const char *infName)
    {
        if (image != nullptr && compareNoCase(name, infName) == 0)
            return image;
        release();
        char path[kPathSize];
        if (!joinPath(path, setupState.sourceDir, infName))
            return nullptr;
        InfImage *opened = openInf(path);
        if (opened == nullptr || opened == INF_NONE)
            return nullptr;
        InfImage *before = setInfSlot(AUX_INF, opened);
        if (!slotSaved) {
            savedSlot = before;
            slotSaved = true;
        }
        image = opened;
        copyText(name, infName);
        return image;
    }

    void release()
    {
        if (image == nullptr)
            return;
        // The slot must never hold a released image. A slot that was never
        // filled (null) is given back as the empty mark.
        if (slotSaved)
            setInfSlot(AUX_INF, savedSlot != nullptr ? savedSlot : INF_NONE);
        freeInf(image);
        image = nullptr;
        name[0] = '\0';
    }

    ~ComponentInfs()
    {
        release();
    }
};

// One component's registry entry into the free record; false when the
// entry is to be left out.
bool readEntry(HKEY components, const char *valueName, ComponentRecord &record)
{
    // The key's own (default) value, which the usual INF line for making a
    // key leaves behind, names no component. Opening "" would hand back the
    // catalogue key itself, and closing that would end the enumeration.
    if (valueName[0] == '\0')
        return false;
    ComponentKey entry;
    if (RegOpenKeyA(components, valueName, &entry.key) != ERROR_SUCCESS)
        return false;
    if (entry.key == components) {
        entry.key = nullptr;   // the platform's own handle: not ours to close
        return false;
    }
    if (!readTextValue(entry.key, "INF", record.INF) || !readTextValue(entry.key, "Section", record.Section))
        return false;
    int32_t number;
    if (readNumberValue(entry.key, "Installed", number))
        record.Installed = number;
    record.Available = readNumberValue(entry.key, "Available", number) ? number : 1;
    // An empty Section names no INF section and would read as the end of
    // the array for everyone who walks it.
    return record.INF[0] != '\0' && record.Section[0] != '\0';
}

}  // namespace

uint64_t componentOwnSize(const char *section, InfImage *image)
{
    char lists[kPathSize];
    getProfileString(section, "CopyFiles", "", lists, image);
    uint64_t total = 0;
    char *rest = lists;
    while (*rest != '\0') {
        char name[kFieldSize];
        rest = takeField(rest, name);
        if (name[0] != '\0')
            total = addSize(total, sumSourceFileSizes(name, image, setupState.layoutInf));
    }
    return total;
}

int readComponentInf(ComponentRecord &record, InfImage *image)
{
    char text[kPathSize];
    getProfileString(record.Section, "OptionDesc", "", text, image);
    expandStrings(text, image);
    copyText(record.OptionDesc, text);
    getProfileString(record.Section, "Tip", "", text, image);
    expandStrings(text, image);
    copyText(record.Tip, text);
    getProfileString(record.Section, "Parent", "", text, image);
    // A cut Parent would name another component: such a record is left out.
    if (!copyText(record.Parent, text))
        return 0;
    getProfileString(record.Section, "InstallType", "", text, image);
    record.InstallType = (uint32_t)decimalNumber(text);
    if (setupState.floppyKit)
        record.Available = record.InstallType == kInstallNotOnFloppy ? 0 : 1;
    if (record.Available != 0)
        record.Size = componentOwnSize(record.Section, image);
    return 1;
}

int loadComponents(ComponentTree &tree)
{
    freeComponents(tree);
    tree.records = (ComponentRecord *)infHeapAllocate(kComponentBlock * sizeof(ComponentRecord));
    if (tree.records == nullptr)
        return 0;
    memset(tree.records, 0, kComponentBlock * sizeof(ComponentRecord));
    tree.capacity = kComponentBlock;

    char keyName[kPathSize];
    ComponentKey components;
    if (!componentKeyName(keyName, sizeof keyName, "") ||
        RegOpenKeyA(HKEY_LOCAL_MACHINE, keyName, &components.key) != ERROR_SUCCESS) {
        freeComponents(tree);
        return 0;
    }

    ComponentInfs infs;
    for (DWORD index = 0;; ++index) {
        char valueName[kComponentValueNameSize];
        BYTE data[kComponentValueDataSize];
        DWORD nameLength = sizeof valueName, dataLength = sizeof data, type = 0;
        if (RegEnumValueA(components.key, index, valueName, &nameLength, nullptr, &type, data, &dataLength) !=
            ERROR_SUCCESS)
            break;
        if (!makeRoom(tree))
            break;
        ComponentRecord &record = tree.records[tree.count];
        memset(&record, 0, sizeof record);
        if (!readEntry(components.key, valueName, record)) {
            memset(&record, 0, sizeof record);
            continue;
        }
        InfImage *image = infs.load(record.INF);
        if (image == nullptr) {
            infs.release();
            freeComponents(tree);
            return 0;
        }
        if (!readComponentInf(record, image)) {
            memset(&record, 0, sizeof record);
            continue;
        }
        ++tree.count;
        showProgress(tree.count);
    }
    infs.release();

    void *trimmed = infHeapResize(tree.records, (size_t)(tree.count + 1) * sizeof(ComponentRecord));
    if (trimmed != nullptr) {
        tree.records = (ComponentRecord *)trimmed;
        tree.capacity = tree.count + 1;
    }
    return 1;
}

int buildComponentTree(HWND owner)
{
    if (!loadComponents(componentTree)) {
        errorBox(owner, IDS_LIST_FAILED, MB_ICONHAND);
        return 0;
    }
    countChildren(componentTree);
    setInitialStates(componentTree);
    componentTree.standardSize = standardSetupSize(componentTree);
    setParentSizes(componentTree);
    return 1;
}
