// Small component trees for the tests, written as tables of rows.
#pragma once
#include "setup/components/components.h"
#include "setup/inf/inf_platform.h"
#include "setup/inf/text.h"

#include <string.h>

#include <initializer_list>
#include <string>

struct Row {
    const char *section;
    const char *parent;
    int32_t installed;
    int32_t available;
    uint32_t installType;
    uint64_t size;
};

// A tree allocated as the loader allocates it: count records and the end
// record, on the INF heap, so freeComponents releases it.
inline ComponentTree makeTree(std::initializer_list<Row> rows)
{
    ComponentTree tree{};
    tree.count = (int)rows.size();
    tree.capacity = tree.count + 1;
    size_t bytes = (size_t)tree.capacity * sizeof(ComponentRecord);
    tree.records = (ComponentRecord *)infHeapAllocate(bytes);
    memset(tree.records, 0, bytes);
    int i = 0;
    for (const Row &row : rows) {
        ComponentRecord &r = tree.records[i++];
        copyText(r.Section, row.section);
        copyText(r.Parent, row.parent);
        r.Installed = row.installed;
        r.Available = row.available;
        r.InstallType = row.installType;
        r.Size = row.size;
    }
    return tree;
}

// What buildComponentTree does after loading.
inline void buildTree(ComponentTree &tree)
{
    countChildren(tree);
    setInitialStates(tree);
    tree.standardSize = standardSetupSize(tree);
    setParentSizes(tree);
}

inline ComponentRecord &record(ComponentTree &tree, const char *section)
{
    for (int i = 0; i < tree.count; ++i)
        if (strcmp(tree.records[i].Section, section) == 0)
            return tree.records[i];
    return tree.records[tree.count];
}

// The State of every record, one character each: '-' for -1, else the digit.
inline std::string states(const ComponentTree &tree)
{
    std::string out;
    for (int i = 0; i < tree.count; ++i) {
        int s = tree.records[i].State;
        out += s == kStateUnavailable ? '-' : (char)('0' + (s >= 0 && s <= 9 ? s : 9));
    }
    return out;
}
