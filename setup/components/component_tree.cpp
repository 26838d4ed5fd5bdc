// The tree operations on the flat component array. Each operation first
// works out, once, who is whose child (names compared without regard to
// case), and which records lie on a loop of Parent links; the walks then go
// through that structure with explicit stacks, each name visited once, so a
// catalogue of any depth neither hangs nor overflows the stack.
#include "setup/components/components.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_platform.h"
#include "setup/inf/text.h"

#include <string.h>

ComponentTree componentTree;

namespace {

// Sizes add up without wrapping: a sum that would pass 64 bits stays at the
// top, so a size never shrinks when a child is added.
uint64_t addSize(uint64_t a, uint64_t b)
{
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

bool sameName(const char *a, const char *b)
{
    return equalNoCase(a, textLength(a), b, textLength(b));
}

// Who is whose child. Records are grouped by Section: the first record of a
// name stands for the name (its "node"), and the children of a name are the
// records whose Parent is that name. Node n is the root of one walk when its
// name is no record's Section (the top level, or an orphan's missing parent).
struct Links {
    ComponentRecord *records;
    int n;
    int *node;         // the node of each record's Section; -1 for an empty Section
    int *parentNode;   // the node named by Parent; -1 at the top level or when no record has that name
    int *childStart;   // children of node v: childList[childStart[v] .. childStart[v + 1])
    int *childList;
    int *rootList;     // children of node n
    int rootCount;
    unsigned char *onLoop;   // per node: a loop of Parent links passes through it
    unsigned char *mark;     // per node, for one walk
    uint64_t *memo;          // per node, for one walk
    int *stack;
    int *position;
    int *applyStack;
    int *applyMark;
    int applyPass;
    void *block;
};

struct Carver {
    char *at;
    template <typename T> T *take(size_t count)
    {
        T *p = (T *)at;
        at += (count * sizeof(T) + 15) & ~(size_t)15;
        return p;
    }
};

struct NameIndex {
    int *table;
    size_t mask;
    uint64_t *hash;
    int *specials;
    int specialCount;
    int *nodes;       // every node, in order
    int nodeCount;
};

int findNode(const NameIndex &index, const ComponentRecord *records, const char *name)
{
    bool plain;
    uint64_t hash = foldedNameHash(name, plain);
    if (plain) {
        for (size_t slot = hash & index.mask; index.table[slot] >= 0; slot = (slot + 1) & index.mask) {
            int candidate = index.table[slot];
            if (index.hash[candidate] == hash && sameName(records[candidate].Section, name))
                return candidate;
        }
        for (int i = 0; i < index.specialCount; ++i)
            if (sameName(records[index.specials[i]].Section, name))
                return index.specials[i];
        return -1;
    }
    for (int i = 0; i < index.nodeCount; ++i)
        if (sameName(records[index.nodes[i]].Section, name))
            return index.nodes[i];
    return -1;
}

// Tarjan's strongly connected components, without recursion, over the
// nodes; an edge leads from a node to the node of each of its children.
// Every node of a component of two or more nodes, or with an edge to
// itself, is on a loop.
void findLoops(Links &links, int *index, int *low, int *sccStack, unsigned char *onStack)
{
    const int n = links.n;
    int counter = 0, sccTop = 0;
    for (int v = 0; v < n; ++v)
        index[v] = -1;
    for (int start = 0; start < n; ++start) {
        if (links.node[start] != start || index[start] >= 0)
            continue;
        int top = 0;
        links.stack[0] = start;
        links.position[0] = links.childStart[start];
        index[start] = low[start] = counter++;
        sccStack[sccTop++] = start;
        onStack[start] = 1;
        while (top >= 0) {
            int v = links.stack[top];
            bool descended = false;
            while (links.position[top] < links.childStart[v + 1]) {
                int w = links.node[links.childList[links.position[top]++]];
                if (w < 0)
                    continue;
                if (w == v)
                    links.onLoop[v] = 1;
                if (index[w] < 0) {
                    index[w] = low[w] = counter++;
                    sccStack[sccTop++] = w;
                    onStack[w] = 1;
                    ++top;
                    links.stack[top] = w;
                    links.position[top] = links.childStart[w];
                    descended = true;
                    break;
                }
                if (onStack[w] && index[w] < low[v])
                    low[v] = index[w];
            }
            if (descended)
                continue;
            if (low[v] == index[v]) {
                int size = 0, w;
                int first = sccTop;
                do {
                    w = sccStack[--sccTop];
                    onStack[w] = 0;
                    ++size;
                } while (w != v);
                if (size > 1)
                    for (int k = sccTop; k < first; ++k)
                        links.onLoop[sccStack[k]] = 1;
            }
            --top;
            if (top >= 0) {
                int parent = links.stack[top];
                if (low[v] < low[parent])
                    low[parent] = low[v];
            }
        }
    }
}

bool buildLinks(ComponentTree &tree, Links &links)
{
    memset(&links, 0, sizeof links);
    if (tree.records == nullptr || tree.count <= 0)
        return false;
    const int n = tree.count;
    size_t tableSize = 16;
    while (tableSize < (size_t)n * 2)
        tableSize *= 2;
    const size_t m = (size_t)n + 1;
    size_t bytes = 16 * 24 + m * (15 * sizeof(int) + 2 * sizeof(uint64_t) + 4) + tableSize * sizeof(int);
    links.block = infHeapAllocate(bytes);
    if (links.block == nullptr)
        return false;
    memset(links.block, 0, bytes);
    Carver carve{(char *)links.block};
    links.records = tree.records;
    links.n = n;
    links.node = carve.take<int>(m);
    links.parentNode = carve.take<int>(m);
    links.childStart = carve.take<int>(m + 1);
    links.childList = carve.take<int>(m);
    links.rootList = carve.take<int>(m);
    links.onLoop = carve.take<unsigned char>(m);
    links.mark = carve.take<unsigned char>(m);
    links.memo = carve.take<uint64_t>(m);
    links.stack = carve.take<int>(m);
    links.position = carve.take<int>(m);
    links.applyStack = carve.take<int>(m);
    links.applyMark = carve.take<int>(m);

    NameIndex index;
    index.table = carve.take<int>(tableSize);
    index.mask = tableSize - 1;
    index.hash = carve.take<uint64_t>(m);
    index.specials = carve.take<int>(m);
    index.specialCount = 0;
    index.nodes = carve.take<int>(m);
    index.nodeCount = 0;
    for (size_t i = 0; i < tableSize; ++i)
        index.table[i] = -1;

    ComponentRecord *records = tree.records;
    for (int i = 0; i < n; ++i) {
        const char *name = records[i].Section;
        if (name[0] == '\0') {
            links.node[i] = -1;
            continue;
        }
        int found = findNode(index, records, name);
        if (found >= 0) {
            links.node[i] = found;
            continue;
        }
        links.node[i] = i;
        bool plain;
        index.hash[i] = foldedNameHash(name, plain);
        index.nodes[index.nodeCount++] = i;
        if (plain) {
            size_t slot = index.hash[i] & index.mask;
            while (index.table[slot] >= 0)
                slot = (slot + 1) & index.mask;
            index.table[slot] = i;
        } else {
            index.specials[index.specialCount++] = i;
        }
    }
    for (int i = 0; i < n; ++i)
        links.parentNode[i] = records[i].Parent[0] == '\0' ? -1 : findNode(index, records, records[i].Parent);

    // Children grouped by node, each group in array order.
    int *counts = links.childStart;
    for (int i = 0; i < n; ++i)
        if (links.parentNode[i] >= 0)
            ++counts[links.parentNode[i] + 1];
    for (int v = 0; v < n; ++v)
        counts[v + 1] += counts[v];
    counts[n + 1] = counts[n];
    int *fill = links.position;
    for (int v = 0; v < n; ++v)
        fill[v] = links.childStart[v];
    for (int i = 0; i < n; ++i)
        if (links.parentNode[i] >= 0)
            links.childList[fill[links.parentNode[i]]++] = i;

    // The table's room is taken again for the loop search.
    int *lowWork = index.specials;
    int *sccWork = index.nodes;
    int *indexWork = links.applyStack;
    findLoops(links, indexWork, lowWork, sccWork, links.mark);
    memset(links.mark, 0, m);
    memset(links.applyStack, 0, m * sizeof(int));
    return true;
}

// The links of one operation, released when it returns.
struct OperationLinks {
    Links links;
    bool built;
    explicit OperationLinks(ComponentTree &tree) : built(buildLinks(tree, links)) {}
    ~OperationLinks()
    {
        infHeapRelease(links.block);
    }
    OperationLinks(const OperationLinks &) = delete;
    OperationLinks &operator=(const OperationLinks &) = delete;
};

// Runs body on the links of the tree; nothing happens, or none is the
// answer, when there is no tree (or no memory for the links).
template <typename Body> void withLinks(ComponentTree &tree, Body body)
{
    OperationLinks operation(tree);
    if (operation.built)
        body(operation.links);
}
template <typename Result, typename Body> Result withLinks(ComponentTree &tree, Result none, Body body)
{
    OperationLinks operation(tree);
    return operation.built ? body(operation.links) : none;
}

// The node of the walks below a name: the name's own node, or node n with
// the records whose Parent is that name and no record's Section.
int rootFor(Links &links, const char *name)
{
    if (name[0] != '\0') {
        for (int i = 0; i < links.n; ++i)
            if (links.node[i] == i && sameName(links.records[i].Section, name))
                return i;
    }
    links.rootCount = 0;
    for (int i = 0; i < links.n; ++i)
        if (links.parentNode[i] < 0 && sameName(links.records[i].Parent, name))
            links.rootList[links.rootCount++] = i;
    return links.n;
}

// A record with an empty Section is nobody's parent: its walk is empty.
int rootForRecord(Links &links, const ComponentRecord &parent)
{
    if (parent.Section[0] == '\0') {
        links.rootCount = 0;
        return links.n;
    }
    return rootFor(links, parent.Section);
}

const int *childrenOf(const Links &links, int v, int &count)
{
    if (v == links.n) {
        count = links.rootCount;
        return links.rootList;
    }
    count = links.childStart[v + 1] - links.childStart[v];
    return links.childList + links.childStart[v];
}

// A record on a loop counts as not available everywhere.
bool looped(const Links &links, int record)
{
    return links.node[record] >= 0 && links.onLoop[links.node[record]];
}

bool unavailable(const Links &links, int record)
{
    return links.records[record].Available == 0 || looped(links, record);
}

// Depth first below root, children in array order. enter(c) says whether
// to go into child record c's node (it may act on c first); leave(v, ...)
// runs when everything below node v is done. mark: 0 not seen, 1 on the way,
// 2 done; a node is gone into once.
template <typename Enter, typename Leave> void depthFirst(Links &links, int root, Enter enter, Leave leave)
{
    int top = 0;
    links.stack[0] = root;
    links.position[0] = 0;
    links.mark[root] = 1;
    while (top >= 0) {
        int v = links.stack[top];
        int count;
        const int *children = childrenOf(links, v, count);
        bool descended = false;
        while (links.position[top] < count) {
            int c = children[links.position[top]++];
            int w = links.node[c];
            if (w < 0 || !enter(c, w))
                continue;
            links.mark[w] = 1;
            ++top;
            links.stack[top] = w;
            links.position[top] = 0;
            descended = true;
            break;
        }
        if (descended)
            continue;
        leave(v, children, count);
        links.mark[v] = 2;
        --top;
    }
}

// Post-order over the nodes below root: compute(v) runs after every child
// node that needs(child) asks for is in memo. memo and mark may be shared by
// several walks of one operation.
template <typename Needs, typename Compute> uint64_t walkUp(Links &links, int root, Needs needs, Compute compute)
{
    if (links.mark[root] == 2)
        return links.memo[root];
    depthFirst(
        links, root, [&](int c, int w) { return needs(c) && links.mark[w] == 0; },
        [&](int v, const int *children, int count) { links.memo[v] = compute(v, children, count); });
    return links.memo[root];
}

// The value of a child for deriveState: its own children's aggregate (in
// memo) or its Installed flag.
bool deriveNeeds(const Links &links, int c)
{
    const ComponentRecord &r = links.records[c];
    return !unavailable(links, c) && r.ChildCount != 0 && links.node[c] >= 0;
}

uint64_t deriveCompute(Links &links, const int *children, int count)
{
    bool noneAvailable = true, anyPartial = false;
    int32_t allOn = 1, anyOn = 0;
    for (int k = 0; k < count; ++k) {
        int c = children[k];
        ComponentRecord &child = links.records[c];
        if (unavailable(links, c)) {
            child.State = child.CommittedState = child.InitialState = kStateUnavailable;
            continue;
        }
        noneAvailable = false;
        int32_t value;
        if (child.ChildCount != 0)
            value = links.node[c] >= 0 ? (int32_t)links.memo[links.node[c]] : kStateUnavailable;
        else
            value = child.Installed;
        child.State = child.CommittedState = child.InitialState = value;
        if (value == kStatePartly) {
            anyPartial = true;
        } else {
            anyOn |= value;
            allOn &= value;
        }
    }
    int32_t result;
    if (noneAvailable)
        result = kStateUnavailable;
    else if (anyPartial)
        result = kStatePartly;
    else if (allOn != 0)
        result = kStateOn;
    else if (anyOn == 0)
        result = kStateOff;
    else
        result = kStatePartly;
    return (uint64_t)(uint32_t)result;
}

int deriveFrom(Links &links, int root)
{
    return (int32_t)(uint32_t)walkUp(
        links, root, [&](int c) { return deriveNeeds(links, c); },
        [&](int, const int *children, int count) { return deriveCompute(links, children, count); });
}

uint64_t sizeFrom(Links &links, int root)
{
    auto needs = [&](int c) {
        return !unavailable(links, c) && links.records[c].ChildCount != 0 && links.node[c] >= 0;
    };
    auto compute = [&](int, const int *children, int count) {
        uint64_t total = 0;
        for (int k = 0; k < count; ++k) {
            int c = children[k];
            ComponentRecord &child = links.records[c];
            if (unavailable(links, c))
                continue;
            if (child.ChildCount != 0) {
                child.Size = links.node[c] >= 0 ? links.memo[links.node[c]] : 0;
            }
            total = addSize(total, child.Size);
        }
        return total;
    };
    return walkUp(links, root, needs, compute);
}

// Sets State of every available record below root; each node once.
void applyFrom(Links &links, int root, int state)
{
    ++links.applyPass;
    int top = 0;
    links.applyStack[top++] = root;
    links.applyMark[root] = links.applyPass;
    while (top > 0) {
        int v = links.applyStack[--top];
        int count;
        const int *children = childrenOf(links, v, count);
        for (int k = 0; k < count; ++k) {
            int c = children[k];
            ComponentRecord &child = links.records[c];
            if (child.State == kStateUnavailable || looped(links, c))
                continue;
            child.State = state;
            int w = links.node[c];
            if (child.ChildCount != 0 && w >= 0 && links.applyMark[w] != links.applyPass) {
                links.applyMark[w] = links.applyPass;
                links.applyStack[top++] = w;
            }
        }
    }
}

}  // namespace

void countChildren(ComponentTree &tree)
{
    withLinks(tree, [&](Links &links) {
        for (int i = 0; i < links.n; ++i) {
            ComponentRecord &record = tree.records[i];
            int v = links.node[i];
            record.ChildCount = v >= 0 ? (uint32_t)(links.childStart[v + 1] - links.childStart[v]) : 0;
            // A record on a loop of Parent links (its own parent or ancestor) has
            // no place in the tree: it is not available, and has no size.
            if (looped(links, i)) {
                record.Available = 0;
                record.Size = 0;
            }
        }
    });
}

int deriveState(ComponentTree &tree, ComponentRecord &parent)
{
    return withLinks(tree, kStateUnavailable, [&](Links &links) -> int {
        return deriveFrom(links, rootForRecord(links, parent));
    });
}

void setInitialStates(ComponentTree &tree)
{
    withLinks(tree, [&](Links &links) {
        for (int i = 0; i < links.n; ++i) {
            ComponentRecord &record = tree.records[i];
            int state;
            if (unavailable(links, i))
                state = kStateUnavailable;
            else if (record.ChildCount != 0)
                state = links.node[i] >= 0 ? deriveFrom(links, links.node[i]) : kStateUnavailable;
            else
                state = record.Installed;
            record.State = record.CommittedState = record.InitialState = state;
        }
    });
}

uint64_t childrenSize(ComponentTree &tree, ComponentRecord &parent)
{
    return withLinks(tree, (uint64_t)0, [&](Links &links) -> uint64_t {
        return sizeFrom(links, rootForRecord(links, parent));
    });
}

void setParentSizes(ComponentTree &tree)
{
    withLinks(tree, [&](Links &links) {
        for (int i = 0; i < links.n; ++i) {
            ComponentRecord &record = tree.records[i];
            if (!unavailable(links, i) && record.ChildCount != 0)
                record.Size = links.node[i] >= 0 ? sizeFrom(links, links.node[i]) : 0;
        }
    });
}

uint64_t standardSetupSize(ComponentTree &tree)
{
    uint64_t total = 0;
    for (int i = 0; tree.records != nullptr && i < tree.count; ++i) {
        const ComponentRecord &record = tree.records[i];
        if ((record.InstallType & kInstallStandard) != 0 && record.Installed != 1)
            total = addSize(total, record.Size);
    }
    return total;
}

void applyToSubtree(ComponentTree &tree, ComponentRecord &parent, int state)
{
    withLinks(tree, [&](Links &links) {
        applyFrom(links, rootForRecord(links, parent), state);
    });
}

void propagateStates(ComponentTree &tree, const char *parentSection)
{
    withLinks(tree, [&](Links &links) {
        // Pre-order, children in array order, as the wizard's lists expect: a
        // child parent that is on or off hands its state to everything below
        // it; a partly selected one is looked into. Each node is looked into once.
        auto enter = [&](int c, int w) {
            ComponentRecord &child = links.records[c];
            if (child.ChildCount == 0 || looped(links, c))
                return false;
            if (child.State == kStateOff || child.State == kStateOn) {
                applyFrom(links, w, child.State);
                return false;
            }
            return child.State == kStatePartly && links.mark[w] == 0;
        };
        depthFirst(links, rootFor(links, parentSection), enter, [](int, const int *, int) {});
    });
}

uint64_t newlySelectedSize(ComponentTree &tree, const char *parentSection)
{
    return withLinks(tree, (uint64_t)0, [&](Links &links) -> uint64_t {
        auto newlyOn = [&](const ComponentRecord &r) { return r.State == kStateOn && r.State != r.InitialState; };
        auto needs = [&](int c) {
            const ComponentRecord &r = links.records[c];
            if (looped(links, c) || links.node[c] < 0)
                return false;
            return r.State == kStatePartly || (newlyOn(r) && r.ChildCount != 0);
        };
        auto compute = [&](int, const int *children, int count) {
            uint64_t total = 0;
            for (int k = 0; k < count; ++k) {
                int c = children[k];
                const ComponentRecord &child = links.records[c];
                if (looped(links, c))
                    continue;
                uint64_t below = links.node[c] >= 0 ? links.memo[links.node[c]] : 0;
                uint64_t part = child.State == kStatePartly ? below : 0;
                if (newlyOn(child))
                    part = child.ChildCount != 0 ? below : child.Size;
                total = addSize(total, part);
            }
            return total;
        };
        return walkUp(links, rootFor(links, parentSection), needs, compute);
    });
}

void selectStandardSet(ComponentTree &tree)
{
    for (int i = 0; tree.records != nullptr && i < tree.count; ++i) {
        ComponentRecord &record = tree.records[i];
        if ((record.InstallType & kInstallStandard) != 0) {
            record.CommittedState = record.State;
            record.State = kStateOn;
        }
    }
}

void freeComponents(ComponentTree &tree)
{
    infHeapRelease(tree.records);
    tree.records = nullptr;
    tree.count = 0;
    tree.capacity = 0;
    tree.standardSize = 0;
}

void clearSelection()
{
    for (int i = 0; componentTree.records != nullptr && i < componentTree.count; ++i)
        componentTree.records[i].State = kStateOff;
}
