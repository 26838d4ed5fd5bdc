// The tree operations on small catalogues: derived states, sizes, the
// standard setup, the wizard's pushes and sums, and catalogues whose Parent
// links form loops or very deep chains.
#include "component_tree_util.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ComponentTree, DerivedStatesOfAParent)
{
    struct {
        const char *what;
        std::initializer_list<Row> rows;
        const char *states;   // after the build, in array order
    } cases[] = {
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

}  // namespace
