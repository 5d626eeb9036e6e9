// What a selection stands for: the tree's node, the list's selected rows, and which pane answers
// for each purpose.
#include "AppFakes.h"
#include "SelectionRules.h"

#include <gtest/gtest.h>

#include <map>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

TEST(SelectionRules, TreeNodeStandsForItsFolderOrWhatTheRecycleBinHolds) {
    // Entry 1 the bin; 2, 4 and 6 directly in it; 5 inside 4 (in the bin, but not directly); 3 at the top.
    const std::map<int, int> parents = {{1, 0}, {2, 1}, {3, 0}, {4, 1}, {5, 4}, {6, 1}};
    const auto parentOf = [&](int number) { return parents.at(number); };
    EXPECT_EQ(SelectionRules::TreeSelection(0, 6, parentOf), std::vector<int>{0});
    EXPECT_EQ(SelectionRules::TreeSelection(1, 6, parentOf), (std::vector<int>{2, 4, 6}));
    EXPECT_EQ(SelectionRules::TreeSelection(4, 6, parentOf), std::vector<int>{4});
    EXPECT_TRUE(SelectionRules::TreeSelection(1, 1, parentOf).empty());
}

TEST(SelectionRules, ListSelectionIsInRowOrder) {
    const ListSelectionRow rows[] = {{9, true}, {3, false}, {12, true}, {2, true}};
    EXPECT_EQ(SelectionRules::ListSelection(rows), (std::vector<int>{9, 12, 2}));
}

TEST(SelectionRules, ActivePaneAnswersExceptForEmptyingTheBin) {
    FakeTreePane tree;
    tree.selection = {5};
    FakeContentsPane list;
    list.selection = {7, 8};
    EXPECT_EQ(SelectionRules::Gather(SelectionPurpose::Delete, ActivePane::Tree, &tree, &list),
              std::vector<int>{5});
    EXPECT_EQ(SelectionRules::Gather(SelectionPurpose::Copy, ActivePane::List, &tree, &list),
              (std::vector<int>{7, 8}));
    EXPECT_TRUE(SelectionRules::Gather(SelectionPurpose::Export, ActivePane::None, &tree, &list).empty());
    // Emptying the recycle bin acts on the bin itself and asks no pane.
    const size_t asked = tree.gathered.size() + list.gathered.size();
    EXPECT_EQ(SelectionRules::Gather(SelectionPurpose::EmptyRecycleBin, ActivePane::List, &tree, &list),
              std::vector<int>{1});
    EXPECT_EQ(tree.gathered.size() + list.gathered.size(), asked);
    EXPECT_EQ(list.gathered.back(), SelectionPurpose::Copy);
}

} // namespace
