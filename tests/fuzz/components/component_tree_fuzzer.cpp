// Arbitrary catalogues through every tree operation. Names come from a small
// set (with case variants, a double-byte name and one with a control
// character), so that parents, orphans, duplicate Sections and loops of
// Parent links all turn up. Checked: against a plain recursive model of the
// operations where such a model terminates (no loops), and everywhere that a
// parent's derived state agrees with its children, that records on loops are
// unavailable, that sizes never shrink when a child is added, that
// newlySelectedSize is 0 in the initial state, and that the end record stays
// untouched.
#include "setup/components/components.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_platform.h"
#include "setup/inf/text.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

const char *const kNames[] = {"", "A", "a", "B", "b", "C", "D", "E", "F", "G", "Base_4410Q/Drv", "\x83\x5f",
                              "\x83\x5f_X", "A\x01"};
const int kNameCount = (int)(sizeof kNames / sizeof kNames[0]);

struct Input {
    const uint8_t *data;
    size_t size;
    size_t at;
    uint8_t byte()
    {
        return at < size ? data[at++] : 0;
    }
    bool done() const
    {
        return at >= size;
    }
};

bool same(const char *a, const char *b)
{
    return equalNoCase(a, textLength(a), b, textLength(b));
}

int lastOperation = -1;

void fail(int line)
{
    fprintf(stderr, "component_tree_fuzzer: check at line %d failed (operation %d)\n", line, lastOperation);
    abort();
}
#define check(condition) ((condition) ? (void)0 : fail(__LINE__))

// ---- the plain recursive model, for catalogues without loops

struct Model {
    std::vector<ComponentRecord> r;
    bool isChild(const ComponentRecord &c, const char *name) const
    {
        return same(c.Parent, name);
    }
    int derive(const char *name)
    {
        bool none = true, partial = false;
        int32_t allOn = 1, anyOn = 0;
        for (ComponentRecord &c : r) {
            if (!isChild(c, name))
                continue;
            if (c.Available == 0) {
                c.State = c.CommittedState = c.InitialState = -1;
                continue;
            }
            none = false;
            int32_t v = c.ChildCount != 0 ? (c.Section[0] != '\0' ? derive(c.Section) : -1) : c.Installed;
            c.State = c.CommittedState = c.InitialState = v;
            if (v == 2)
                partial = true;
            else {
                anyOn |= v;
                allOn &= v;
            }
        }
        return none ? -1 : partial ? 2 : allOn != 0 ? 1 : anyOn == 0 ? 0 : 2;
    }
    void initial()
    {
        for (ComponentRecord &c : r) {
            int s = c.Available == 0 ? -1 : c.ChildCount != 0 ? (c.Section[0] ? derive(c.Section) : -1) : c.Installed;
            c.State = c.CommittedState = c.InitialState = s;
        }
    }
    uint64_t add(uint64_t a, uint64_t b)
    {
        return a > UINT64_MAX - b ? UINT64_MAX : a + b;
    }
    uint64_t size(const char *name)
    {
        uint64_t total = 0;
        for (ComponentRecord &c : r) {
            if (!isChild(c, name) || c.Available == 0)
                continue;
            if (c.ChildCount != 0)
                c.Size = c.Section[0] ? size(c.Section) : 0;
            total = add(total, c.Size);
        }
        return total;
    }
    void parentSizes()
    {
        for (ComponentRecord &c : r)
            if (c.Available != 0 && c.ChildCount != 0)
                c.Size = c.Section[0] ? size(c.Section) : 0;
    }
    void apply(const char *name, int state)
    {
        for (ComponentRecord &c : r)
            if (isChild(c, name) && c.State != -1) {
                c.State = state;
                if (c.ChildCount != 0 && c.Section[0])
                    apply(c.Section, state);
            }
    }
    void propagate(const char *name)
    {
        for (ComponentRecord &c : r) {
            if (!isChild(c, name) || c.ChildCount == 0 || !c.Section[0])
                continue;
            if (c.State == 0 || c.State == 1)
                apply(c.Section, c.State);
            else if (c.State == 2)
                propagate(c.Section);
        }
    }
    uint64_t newly(const char *name)
    {
        uint64_t total = 0;
        for (ComponentRecord &c : r) {
            if (!isChild(c, name))
                continue;
            uint64_t part = (c.State == 2 && c.Section[0]) ? newly(c.Section) : 0;
            if (c.State == 1 && c.State != c.InitialState)
                part = c.ChildCount != 0 ? (c.Section[0] ? newly(c.Section) : 0) : c.Size;
            total = add(total, part);
        }
        return total;
    }
};

// A name is on a loop when following children from it comes back to it.
bool reaches(const std::vector<ComponentRecord> &r, const char *from, const char *to, std::vector<char> &seen)
{
    for (size_t i = 0; i < r.size(); ++i) {
        if (!r[i].Section[0] || !same(r[i].Parent, from))
            continue;
        if (same(r[i].Section, to))
            return true;
        if (seen[i])
            continue;
        seen[i] = 1;
        if (reaches(r, r[i].Section, to, seen))
            return true;
    }
    return false;
}

std::vector<bool> loopMembers(const ComponentTree &tree)
{
    std::vector<ComponentRecord> r(tree.records, tree.records + tree.count);
    std::vector<bool> on(r.size());
    for (size_t i = 0; i < r.size(); ++i) {
        std::vector<char> seen(r.size());
        on[i] = r[i].Section[0] != '\0' && reaches(r, r[i].Section, r[i].Section, seen);
    }
    return on;
}

bool sameRecords(const ComponentTree &tree, const Model &model)
{
    return memcmp(tree.records, model.r.data(), model.r.size() * sizeof(ComponentRecord)) == 0;
}

bool endRecordClear(const ComponentTree &tree)
{
    static const ComponentRecord zero = {};
    return memcmp(&tree.records[tree.count], &zero, sizeof zero) == 0;
}

ComponentTree allocate(int count)
{
    ComponentTree tree{};
    tree.count = count;
    tree.capacity = count + 1;
    tree.records = (ComponentRecord *)infHeapAllocate((size_t)(count + 1) * sizeof(ComponentRecord));
    memset(tree.records, 0, (size_t)(count + 1) * sizeof(ComponentRecord));
    return tree;
}

void readRecords(Input &in, ComponentTree &tree)
{
    for (int i = 0; i < tree.count; ++i) {
        ComponentRecord &c = tree.records[i];
        uint8_t names = in.byte();
        copyText(c.Section, kNames[1 + names % (kNameCount - 1)]);
        copyText(c.Parent, kNames[(names >> 4) % kNameCount]);
        uint8_t flags = in.byte();
        static const int32_t kInstalled[] = {0, 1, 0, 1, 2, -1, 5, INT32_MIN};
        c.Installed = kInstalled[flags & 7];
        c.Available = (flags & 0x18) == 0x18 ? 0 : ((flags & 0x18) == 0x10 ? 7 : 1);
        c.InstallType = (flags & 0x20) ? kInstallStandard : ((flags & 0x40) ? 16 : 0);
        uint8_t size = in.byte();
        c.Size = (size & 0x80) ? UINT64_MAX - size : (uint64_t)size * 1000;
    }
}

// A parent's state after the build agrees with its children's.
void checkDerived(const ComponentTree &tree, const std::vector<bool> &loop)
{
    for (int i = 0; i < tree.count; ++i) {
        const ComponentRecord &p = tree.records[i];
        if (loop[i])
            check(p.Available == 0 && p.State == -1 && p.Size == 0);
        if (p.Available == 0) {
            check(p.State == -1);
            continue;
        }
        if (p.ChildCount == 0) {
            check(p.State == p.Installed);
            continue;
        }
        bool none = true, partial = false;
        int32_t allOn = 1, anyOn = 0;
        uint32_t children = 0;
        for (int k = 0; k < tree.count; ++k) {
            const ComponentRecord &c = tree.records[k];
            if (!same(c.Parent, p.Section))
                continue;
            ++children;
            if (c.Available == 0)
                continue;
            none = false;
            if (c.State == 2)
                partial = true;
            else {
                anyOn |= c.State;
                allOn &= c.State;
            }
        }
        check(children == p.ChildCount);
        int want = none ? -1 : partial ? 2 : allOn != 0 ? 1 : anyOn == 0 ? 0 : 2;
        check(p.State == want);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, size, 0};
    int count = in.byte() % 25;
    if (count == 0)
        return 0;
    ComponentTree tree = allocate(count);
    readRecords(in, tree);

    std::vector<bool> loop = loopMembers(tree);
    bool anyLoop = false;
    for (bool on : loop)
        anyLoop = anyLoop || on;

    // With two records of one name, the recursive model may look into that
    // name twice while propagating, between other pushes; the operations look
    // into each name once. Only there may the two differ.
    bool duplicates = false;
    for (int i = 0; i < count; ++i)
        for (int k = 0; k < i; ++k)
            duplicates = duplicates || same(tree.records[i].Section, tree.records[k].Section);

    Model model;
    model.r.assign(tree.records, tree.records + count);
    countChildren(tree);
    for (int i = 0; i < count; ++i) {
        ComponentRecord &c = model.r[i];
        c.ChildCount = 0;
        if (c.Section[0])
            for (const ComponentRecord &k : model.r)
                c.ChildCount += same(k.Parent, c.Section) ? 1 : 0;
        if (loop[i]) {
            c.Available = 0;
            c.Size = 0;
        }
    }
    check(sameRecords(tree, model));
    std::vector<ComponentRecord> loaded(tree.records, tree.records + count);

    setInitialStates(tree);
    tree.standardSize = standardSetupSize(tree);
    setParentSizes(tree);
    checkDerived(tree, loop);
    if (!anyLoop) {
        model.initial();
        model.parentSizes();
        check(sameRecords(tree, model));
    }
    check(newlySelectedSize(tree, "") == 0);
    for (int i = 0; i < count; ++i)
        check(newlySelectedSize(tree, tree.records[i].Section) == 0);

    // Sizes never shrink when an available leaf joins a parent that has children.
    {
        int target = -1;
        for (int i = 0; i < count && target < 0; ++i)
            if (tree.records[i].ChildCount != 0 && !loop[i])
                target = i;
        ComponentTree grown = allocate(count + 1);
        memcpy(grown.records, loaded.data(), (size_t)count * sizeof(ComponentRecord));
        ComponentRecord &leaf = grown.records[count];
        copyText(leaf.Section, "NewLeaf");
        copyText(leaf.Parent, target >= 0 ? tree.records[target].Section : "");
        leaf.Available = 1;
        leaf.Size = 12345;
        countChildren(grown);
        setInitialStates(grown);
        check(standardSetupSize(grown) >= tree.standardSize);
        setParentSizes(grown);
        for (int i = 0; i < count; ++i)
            if (tree.records[i].ChildCount != 0)
                check(grown.records[i].Size >= tree.records[i].Size);
        freeComponents(grown);
    }

    // The wizard's operations, in the order the input asks for.
    std::vector<uint64_t> results;
    // A few dozen steps say as much as thousands, in a fraction of the time.
    for (int step = 0; step < 40 && !in.done(); ++step) {
        uint8_t op = in.byte();
        uint8_t arg = in.byte();
        ComponentRecord &target = tree.records[arg % count];
        const char *name = (arg & 0x80) ? "" : kNames[arg % kNameCount];
        int state = (int)(arg >> 5) % 4 - 1;
        char section[64];
        copyText(section, target.Section);
        lastOperation = op % 8;
        switch (op % 8) {
        case 0:
            applyToSubtree(tree, target, state);
            if (!anyLoop)
                model.apply(section, state);
            break;
        case 1:
            propagateStates(tree, name);
            if (duplicates)
                model.r.assign(tree.records, tree.records + count);
            else if (!anyLoop)
                model.propagate(name);
            break;
        case 2: {
            uint64_t got = newlySelectedSize(tree, name);
            if (!anyLoop)
                check(got == model.newly(name));
            break;
        }
        case 3:
            selectStandardSet(tree);
            for (ComponentRecord &c : model.r)
                if (c.InstallType & kInstallStandard) {
                    c.CommittedState = c.State;
                    c.State = 1;
                }
            break;
        case 4:
            target.State = state;
            model.r[arg % count].State = state;
            break;
        case 5: {
            int got = deriveState(tree, target);
            if (!anyLoop)
                check(got == (section[0] ? model.derive(section) : -1));
            break;
        }
        case 6: {
            uint64_t got = childrenSize(tree, target);
            if (!anyLoop)
                check(got == (section[0] ? model.size(section) : 0));
            break;
        }
        case 7: {
            char part[12];
            size_t room = 1 + arg % sizeof part;
            int r = modelPartOf(target.Section, part, room);
            check(r >= -1 && r <= 1 && textLength(part) < room);
            if (r == 1)
                check(strstr(target.Section, part) != nullptr);
            break;
        }
        }
        if (!anyLoop)
            check(sameRecords(tree, model));
        check(endRecordClear(tree));
    }
    componentTree = tree;
    clearSelection();
    for (int i = 0; i < count; ++i)
        check(tree.records[i].State == 0);
    componentTree = ComponentTree();
    freeComponents(tree);
    return 0;
}
