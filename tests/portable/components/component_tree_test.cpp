// The tree operations on small catalogues: derived states, sizes, the
// standard setup, the wizard's pushes and sums, and catalogues whose Parent
// links form loops or very deep chains.
#include "component_tree_util.h"

#include "setup/components/component_text.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <vector>

namespace {

TEST(ComponentTree, DerivedStatesOfAParent)
{
    const TreeCase cases[] = {
        {"one child on, one off", {{"P", "", 0, 1, 0, 0}, {"A", "P", 1, 1, 0, 0}, {"B", "P", 0, 1, 0, 0}}, "210"},
        {"all available children on",
         {{"P", "", 0, 1, 0, 0}, {"A", "P", 1, 1, 0, 0}, {"B", "P", 1, 1, 0, 0}, {"C", "P", 0, 0, 0, 0}},
         "111-"},
        {"all children off", {{"P", "", 1, 1, 0, 0}, {"A", "P", 0, 1, 0, 0}, {"B", "P", 0, 1, 0, 0}}, "000"},
        {"no available child", {{"P", "", 1, 1, 0, 0}, {"A", "P", 1, 0, 0, 0}}, "--"},
        {"a partly selected child",
         {{"P", "", 0, 1, 0, 0}, {"Q", "P", 0, 1, 0, 0}, {"A", "Q", 1, 1, 0, 0}, {"B", "Q", 0, 1, 0, 0},
          {"C", "P", 1, 1, 0, 0}},
         "22101"},
        // Its only child's children are all unavailable: that child is -1,
        // which leaves all-on alone.
        {"only child with no available children",
         {{"P", "", 0, 1, 0, 0}, {"Q", "P", 0, 1, 0, 0}, {"A", "Q", 1, 0, 0, 0}}, "1--"},
        {"such a child beside one that is off",
         {{"P", "", 0, 1, 0, 0}, {"Q", "P", 0, 1, 0, 0}, {"A", "Q", 1, 0, 0, 0}, {"B", "P", 0, 1, 0, 0}},
         "2--0"},
        {"names compared without regard to case",
         {{"Parent", "", 0, 1, 0, 0}, {"a", "PARENT", 1, 1, 0, 0}, {"b", "parent", 1, 1, 0, 0}}, "111"},
        {"an unavailable parent", {{"P", "", 0, 0, 0, 0}, {"A", "P", 1, 1, 0, 0}}, "-1"},
    };
    for (const auto &c : cases) {
        ComponentTree tree = makeTree(c.rows);
        buildTree(tree);
        EXPECT_EQ(states(tree), c.states) << c.what;
        for (int i = 0; i < tree.count; ++i) {
            EXPECT_EQ(tree.records[i].InitialState, tree.records[i].State) << c.what;
            EXPECT_EQ(tree.records[i].CommittedState, tree.records[i].State) << c.what;
        }
        freeComponents(tree);
    }
}

TEST(ComponentTree, SizesAndStandardSetup)
{
    ComponentTree tree = makeTree({
        {"P", "", 0, 1, kInstallStandard, 1000},   // own lists: counted by the standard setup
        {"A", "P", 0, 1, kInstallStandard, 10},
        {"B", "P", 1, 1, kInstallStandard, 20},    // installed: not in the standard size
        {"C", "P", 0, 0, 0, 40},                   // unavailable: adds nothing to P
        {"Q", "P", 0, 1, 0, 0},
        {"D", "Q", 0, 1, 0, 300},
    });
    buildTree(tree);
    EXPECT_EQ(record(tree, "P").Size, 330u);
    EXPECT_EQ(record(tree, "Q").Size, 300u);
    EXPECT_EQ(tree.standardSize, 1010u);
    EXPECT_EQ(record(tree, "P").ChildCount, 4u);
    EXPECT_EQ(record(tree, "Q").ChildCount, 1u);
    freeComponents(tree);
    freeComponents(tree);
    EXPECT_EQ(tree.records, nullptr);
    EXPECT_EQ(tree.count, 0);
}

// A tree for the wizard's operations: P { A, Q { B, C }, D (unavailable) }, and
// a top-level E. A is installed, the rest not.
ComponentTree wizardTree()
{
    ComponentTree tree = makeTree({
        {"P", "", 0, 1, 0, 0},
        {"A", "P", 1, 1, kInstallStandard, 1},
        {"Q", "P", 0, 1, 0, 0},
        {"B", "Q", 0, 1, kInstallStandard, 20},
        {"C", "Q", 0, 1, 0, 300},
        {"D", "P", 0, 0, kInstallStandard, 4000},
        {"E", "", 0, 1, 0, 50000},
    });
    buildTree(tree);
    return tree;
}

TEST(ComponentTree, ApplyAndPropagate)
{
    ComponentTree tree = wizardTree();
    ASSERT_EQ(states(tree), "21000-0");
    applyToSubtree(tree, record(tree, "P"), kStateOn);
    EXPECT_EQ(states(tree), "21111-0") << "every available record below P; P itself and D alone";
    applyToSubtree(tree, record(tree, "Q"), kStateOff);
    EXPECT_EQ(states(tree), "21100-0");
    EXPECT_EQ(record(tree, "A").InitialState, 1) << "only State changes";

    // The custom page sets a child parent's state and pushes it down.
    struct {
        const char *what;
        int q;          // Q's state before the push
        const char *before;
        const char *section;   // pushed below this name
        const char *after;
    } cases[] = {
        {"Q on hands itself down", kStateOn, "21100-0", "P", "21111-0"},
        {"Q off", kStateOff, "21111-0", "P", "21000-0"},
        {"Q partly is looked into, nothing to push", kStatePartly, "21210-0", "P", "21210-0"},
        {"from the top level, through P", kStateOn, "21100-0", "", "21111-0"},
        {"Q itself has no child parents", kStateOn, "21100-0", "Q", "21100-0"},
    };
    for (const auto &c : cases) {
        const char *want = c.before;
        for (int i = 0; i < tree.count; ++i)
            tree.records[i].State = want[i] == '-' ? kStateUnavailable : want[i] - '0';
        record(tree, "Q").State = c.q;
        propagateStates(tree, c.section);
        EXPECT_EQ(states(tree), c.after) << c.what;
    }
    // From the top: P partly, so its child parents are visited in turn.
    for (int i = 0; i < tree.count; ++i)
        tree.records[i].State = "20110-0"[i] == '-' ? kStateUnavailable : "20110-0"[i] - '0';
    propagateStates(tree, "");
    EXPECT_EQ(states(tree), "20111-0");
    freeComponents(tree);
}

TEST(ComponentTree, NewlySelectedSize)
{
    ComponentTree tree = wizardTree();
    EXPECT_EQ(newlySelectedSize(tree, ""), 0u) << "the initial state";
    struct {
        const char *what;
        const char *states;
        uint64_t top, belowP;
    } cases[] = {
        {"all selected: A was already", "11111-1", 20 + 300 + 50000, 320},
        {"Q newly on counts its selected children", "21111-0", 320, 320},
        {"Q partly: only its selected child", "21210-0", 20, 20},
        {"deselecting counts nothing", "00000-0", 0, 0},
        {"a parent marked on counts nothing of its own", "21100-0", 0, 0},
        {"P off, Q on below it: P is not looked into", "01111-0", 0, 320},
    };
    for (const auto &c : cases) {
        for (int i = 0; i < tree.count; ++i)
            tree.records[i].State = c.states[i] == '-' ? kStateUnavailable : c.states[i] - '0';
        EXPECT_EQ(newlySelectedSize(tree, ""), c.top) << c.what;
        EXPECT_EQ(newlySelectedSize(tree, "p"), c.belowP) << c.what;
    }
    freeComponents(tree);
}

TEST(ComponentTree, StandardSetAndClearing)
{
    ComponentTree tree = wizardTree();
    record(tree, "A").State = kStateOff;
    selectStandardSet(tree);
    EXPECT_EQ(states(tree), "21010" "1" "0") << "unavailable standard members included";
    EXPECT_EQ(record(tree, "A").CommittedState, kStateOff) << "the state before is kept";
    EXPECT_EQ(record(tree, "D").CommittedState, kStateUnavailable);
    EXPECT_EQ(record(tree, "C").CommittedState, kStateOff) << "not a member: untouched";
    componentTree = tree;
    clearSelection();
    EXPECT_EQ(states(tree), "0000000");
    componentTree = ComponentTree();
    clearSelection();   // no tree: nothing to do
    freeComponents(tree);
}

// A record on a loop of Parent links has no place in the tree; everything
// else keeps its place, also below and beside the loop.
TEST(ComponentTree, LoopsOfParentLinks)
{
    const TreeCase cases[] = {
        {"its own parent", {{"A", "a", 1, 1, 0, 10}, {"B", "", 1, 1, 0, 10}}, "-1"},
        {"two in a ring under a parent",
         {{"P", "", 0, 1, 0, 0}, {"A", "B", 1, 1, 0, 10}, {"B", "A", 1, 1, 0, 10}, {"C", "P", 0, 1, 0, 10},
          {"L", "A", 1, 1, 0, 10}},
         "0--01"},
        {"a ring of three, one of them also a child of a real parent",
         {{"P", "", 0, 1, 0, 0}, {"A", "C", 1, 1, 0, 10}, {"B", "A", 1, 1, 0, 10}, {"C", "B", 1, 1, 0, 10},
          {"K", "P", 1, 1, 0, 10}},
         "1---1"},
        // A second record of a looped name is on the loop too: walking into
        // it would go round the loop.
        {"a duplicate of a looped name at the top",
         {{"A", "B", 1, 1, 0, 10}, {"B", "A", 1, 1, 0, 10}, {"A", "", 1, 1, 0, 10}, {"T", "", 1, 1, 0, 10}},
         "---1"},
    };
    for (const auto &c : cases) {
        ComponentTree tree = makeTree(c.rows);
        buildTree(tree);
        EXPECT_EQ(states(tree), c.states) << c.what;
        for (int i = 0; i < tree.count; ++i) {
            ComponentRecord &r = tree.records[i];
            if (r.State == kStateUnavailable) {
                EXPECT_EQ(r.Available, 0) << c.what << " " << r.Section;
                EXPECT_EQ(r.Size, 0u) << c.what << " " << r.Section;
            }
        }
        // Every walk ends, whatever the states say.
        for (int i = 0; i < tree.count; ++i)
            tree.records[i].State = kStatePartly;
        selectStandardSet(tree);
        EXPECT_EQ(newlySelectedSize(tree, ""), 0u) << c.what;
        propagateStates(tree, "");
        propagateStates(tree, "A");
        applyToSubtree(tree, tree.records[0], kStateOn);
        deriveState(tree, tree.records[0]);
        childrenSize(tree, tree.records[0]);
        freeComponents(tree);
    }
}

TEST(ComponentTree, DeepChainAsLongAsTheCatalogue)
{
    // c00000 <- c00001 <- ... <- c09999: one chain, the deepest a catalogue of
    // 10,000 components can hold; then the same chain closed into a ring.
    const int count = 10000;
    for (bool ring : {false, true}) {
        ComponentTree tree = makeTree({});
        freeComponents(tree);
        tree.count = count;
        tree.capacity = count + 1;
        tree.records = (ComponentRecord *)infHeapAllocate((size_t)(count + 1) * sizeof(ComponentRecord));
        memset(tree.records, 0, (size_t)(count + 1) * sizeof(ComponentRecord));
        for (int i = 0; i < count; ++i) {
            ComponentRecord &r = tree.records[i];
            snprintf(r.Section, sizeof r.Section, "c%05d", i);
            if (i > 0 || ring)
                snprintf(r.Parent, sizeof r.Parent, "C%05d", (i + count - 1) % count);
            r.Available = 1;
            r.Installed = i == count - 1 ? 1 : 0;
            r.Size = 7;
            r.InstallType = kInstallStandard;
        }
        buildTree(tree);
        ComponentRecord &top = tree.records[0];
        if (!ring) {
            EXPECT_EQ(top.State, kStateOn);
            EXPECT_EQ(tree.records[count - 2].State, kStateOn);
            EXPECT_EQ(top.Size, 7u) << "only the last holds files of its own below";
            EXPECT_EQ(tree.records[count - 1].ChildCount, 0u);
            for (int i = 0; i < count; ++i)
                tree.records[i].State = i % 2 ? kStatePartly : kStateOn;
            tree.records[0].State = kStatePartly;
            tree.records[count - 1].State = kStateOn;
            for (int i = 0; i < count; ++i)
                tree.records[i].InitialState = kStateOff;
            EXPECT_EQ(newlySelectedSize(tree, ""), 7u);
            propagateStates(tree, "");
            EXPECT_EQ(tree.records[count - 1].State, kStateOn);
            applyToSubtree(tree, top, kStateOff);
            EXPECT_EQ(tree.records[count - 1].State, kStateOff);
            EXPECT_EQ(deriveState(tree, top), kStateOn);
        } else {
            EXPECT_EQ(top.State, kStateUnavailable);
            EXPECT_EQ(tree.records[count - 1].Available, 0);
            EXPECT_EQ(newlySelectedSize(tree, ""), 0u);
        }
        // Only the last is installed; a looped record has no size.
        EXPECT_EQ(tree.standardSize, ring ? 0u : 7u * (count - 1));
        freeComponents(tree);
    }
}

TEST(ComponentTree, DuplicateSectionsShareTheirChildren)
{
    // Two records named G: each has the children of the name, once.
    ComponentTree tree = makeTree({
        {"G", "", 0, 1, 0, 0},
        {"g", "", 0, 1, 0, 0},
        {"A", "G", 1, 1, 0, 5},
        {"B", "G", 0, 1, 0, 60},
    });
    buildTree(tree);
    EXPECT_EQ(tree.records[0].ChildCount, 2u);
    EXPECT_EQ(tree.records[1].ChildCount, 2u);
    EXPECT_EQ(states(tree), "2210");
    EXPECT_EQ(tree.records[1].Size, 65u);
    freeComponents(tree);

    // Layers of two records of one name, each layer the parent of the next:
    // a walk that looked into a name once per record would take 2^40 steps.
    const int layers = 40;
    ComponentTree wide = makeTree({});
    freeComponents(wide);
    wide.count = layers * 2;
    wide.capacity = wide.count + 1;
    wide.records = (ComponentRecord *)infHeapAllocate((size_t)wide.capacity * sizeof(ComponentRecord));
    memset(wide.records, 0, (size_t)wide.capacity * sizeof(ComponentRecord));
    for (int i = 0; i < wide.count; ++i) {
        ComponentRecord &r = wide.records[i];
        snprintf(r.Section, sizeof r.Section, "L%d", i / 2);
        if (i >= 2)
            snprintf(r.Parent, sizeof r.Parent, "L%d", i / 2 - 1);
        r.Available = 1;
        r.Installed = 1;
        r.Size = 1;
    }
    buildTree(wide);
    EXPECT_EQ(wide.records[0].State, kStateOn);
    // The size doubles with every layer; it stops at the top of 64 bits
    // rather than wrap.
    EXPECT_EQ(wide.records[0].Size, uint64_t(1) << 39);
    for (int i = 0; i < wide.count; ++i)
        wide.records[i].State = kStatePartly;
    EXPECT_EQ(newlySelectedSize(wide, ""), 0u);
    propagateStates(wide, "");
    freeComponents(wide);
}

TEST(ComponentText, ModelPartsAndNumbers)
{
    struct {
        const char *section;
        size_t size;
        int result;
        const char *part;
    } parts[] = {
        {"Base_4410Q/Drv", 12, 1, "4410Q"},
        {"Base_4410Q", 12, 1, "4410Q"},
        {"Base_", 12, 1, ""},
        {"Base_/x", 12, 1, ""},
        {"NoModel", 12, 0, ""},
        {"", 12, 0, ""},
        {"A_B_C/D/E", 12, 1, "B_C"},
        {"Base_ABCDEFGHIJK/x", 12, 1, "ABCDEFGHIJK"},
        {"Base_ABCDEFGHIJKL/x", 12, -1, ""},
        {"Base_4410Q", 5, -1, ""},
        {"Base_4410Q", 0, -1, nullptr},
        // 0x5F is a second byte of some double-byte characters: not a '_'.
        {"\x83\x5f" "x", 12, 0, ""},
        {"\x83\x5f_\x83\x5f/", 12, 1, "\x83\x5f"},
    };
    for (const auto &c : parts) {
        char out[16] = "junk";
        EXPECT_EQ(modelPartOf(c.section, out, c.size), c.result) << c.section;
        if (c.part != nullptr)
            EXPECT_STREQ(out, c.part) << c.section;
        else
            EXPECT_STREQ(out, "junk") << "no room: untouched";
    }
    struct {
        const char *text;
        int32_t value;
    } numbers[] = {{"", 0}, {"16", 16}, {" 2", 2}, {"1abc", 1}, {"-1", -1}, {"+7", 7}, {"x1", 0},
                   {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN}};
    for (const auto &c : numbers)
        EXPECT_EQ(decimalNumber(c.text), c.value) << c.text;
}

}  // namespace
