#include "table/GrowableArray.h"
#include "RecordingLoad.h"
#include "table/RecipeTree.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using namespace artisanscope;

namespace {

// Every item reached from the root through Child(), as
// "depth parent row label", depth first.
std::vector<std::string> Walk(const RecipeTree& tree) {
    std::vector<std::string> out;
    auto visit = [&](auto&& self, TreeItem item, int depth) -> void {
        for (std::uint32_t row = 0; row < tree.ChildCount(item); ++row) {
            const TreeItem child = tree.Child(item, row);
            EXPECT_EQ(tree.Parent(child), item);
            EXPECT_EQ(tree.Row(child), row);
            out.push_back(std::to_string(depth) + " " + std::string(tree.Label(child)));
            self(self, child, depth + 1);
        }
    };
    visit(visit, kTreeRoot, 0);
    return out;
}

}  // namespace

TEST(RecipeTreeTest, ChildIndexFollowsInsertOrderUnderEachParent) {
    RecipeTree tree;
    // Inserted out of depth-first order: children of one parent are not
    // neighbours in item numbers.
    const TreeItem a = tree.InsertItem(kTreeRoot, "A");
    const TreeItem b = tree.InsertItem(kTreeRoot, "B");
    const TreeItem a1 = tree.InsertItem(a, "A1");
    tree.InsertItem(b, "B1");
    tree.InsertItem(a, "A2");
    tree.InsertItem(a1, "");
    EXPECT_EQ(tree.Child(a, 0), kNoTreeItem) << "no child index before Finish()";
    tree.Finish();
    EXPECT_EQ(tree.size(), 6u);
    EXPECT_EQ(Walk(tree), (std::vector<std::string>{"0 A", "1 A1", "2 ", "1 A2", "0 B", "1 B1"}));
    EXPECT_EQ(artisanscope::testing::RowsOf(tree), (std::vector<std::pair<int, std::string>>{
                               {0, "A"}, {1, "A1"}, {2, ""}, {1, "A2"}, {0, "B"}, {1, "B1"}}));

    // Out of range answers.
    EXPECT_EQ(tree.Child(a, 2), kNoTreeItem);
    EXPECT_EQ(tree.Child(99, 0), kNoTreeItem);
    EXPECT_EQ(tree.InsertItem(99, "orphan"), kNoTreeItem);
    EXPECT_EQ(tree.Label(kTreeRoot), "");
    EXPECT_EQ(tree.Label(99), "");
    EXPECT_FALSE(tree.Contains(7));

    // Inserting after Finish() needs another Finish().
    tree.InsertItem(b, "B2");
    EXPECT_EQ(tree.Child(b, 1), kNoTreeItem);
    tree.Finish();
    EXPECT_EQ(tree.Label(tree.Child(b, 1)), "B2");
}

TEST(RecipeTreeTest, RefillsSwapsAndCopiesKeepTheirOwnItems) {
    RecipeTree tree;
    for (int load = 0; load < 3; ++load) {
        tree.DeleteAllItems();
        EXPECT_EQ(tree.size(), 0u);
        TreeItem parent = kTreeRoot;
        for (int i = 0; i <= load * 1000; ++i) parent = tree.InsertItem(i % 7 == 0 ? kTreeRoot : parent, "item " + std::to_string(i));
        tree.Finish();
        EXPECT_EQ(tree.size(), static_cast<std::size_t>(load * 1000 + 1));
        EXPECT_EQ(tree.Label(tree.Child(kTreeRoot, 0)), "item 0");
    }

    const RecipeTree copy = tree;
    RecipeTree other;
    other.InsertItem(kTreeRoot, "other");
    other.Finish();
    tree.Swap(other);
    EXPECT_EQ(Walk(tree), std::vector<std::string>{"0 other"});
    EXPECT_EQ(Walk(other), Walk(copy));
    RecipeTree moved = std::move(other);
    EXPECT_EQ(moved.size(), 2001u);
    // The moved-from tree keeps its root: emptying it needs no memory.
    other.DeleteAllItems();
    EXPECT_EQ(other.size(), 0u);
    EXPECT_NE(other.InsertItem(kTreeRoot, "again"), kNoTreeItem);
}

// A finished tree holds exactly its items: 26 bytes each, the invisible root
// included, plus the label bytes, with no spare capacity left from filling.
TEST(RecipeTreeTest, FinishedTreeHoldsNoSpareCapacity) {
    RecipeTree tree;
    std::size_t labelBytes = 0;
    const std::size_t items = 100000;
    for (std::size_t i = 0; i < items; ++i) {
        const std::string label = "label " + std::to_string(i);
        labelBytes += label.size();
        tree.InsertItem(i < 10 ? kTreeRoot : static_cast<TreeItem>(i % 10 + 1), label);
    }
    EXPECT_GT(tree.MemoryBytes(), (items + 1) * 18 + labelBytes) << "filling reserves ahead";
    tree.Finish();
    EXPECT_EQ(tree.MemoryBytes(), (items + 1) * 26 + labelBytes);
}

TEST(GrowableArrayTest, KeepsValuesThroughGrowthAndShrink) {
    GrowableArray<std::uint32_t> array;
    for (std::uint32_t i = 0; i < 100000; ++i) ASSERT_TRUE(array.PushBack(i * 3));
    const std::uint32_t more[] = {7, 8, 9};
    ASSERT_TRUE(array.Append(more));
    ASSERT_TRUE(array.Append({}));
    EXPECT_EQ(array.size(), 100003u);
    EXPECT_GE(array.capacity(), array.size());
    array.ShrinkToFit();
    EXPECT_EQ(array.capacity(), array.size());
    for (std::uint32_t i = 0; i < 100000; ++i) ASSERT_EQ(array[i], i * 3);
    EXPECT_EQ(array[100002], 9u);

    GrowableArray<std::uint32_t> copy = array;
    array.Clear();
    EXPECT_EQ(array.size(), 0u);
    EXPECT_EQ(array.capacity(), 100003u) << "Clear() keeps the block for the next fill";
    EXPECT_EQ(copy.size(), 100003u);
    EXPECT_EQ(copy[99999], 99999u * 3);

    ASSERT_TRUE(copy.Assign(4, 5));
    EXPECT_EQ(std::vector<std::uint32_t>(copy.view().begin(), copy.view().end()), (std::vector<std::uint32_t>{5, 5, 5, 5}));
    ASSERT_TRUE(copy.Assign(0, 5));
    EXPECT_EQ(copy.capacity(), 0u);
}

TEST(GrowableArrayTest, ImpossibleSizesFailWithoutChange) {
    GrowableArray<std::uint64_t> array;
    ASSERT_TRUE(array.PushBack(42));
    const std::size_t capacity = array.capacity();
    EXPECT_FALSE(array.Reserve(std::numeric_limits<std::size_t>::max()));
    EXPECT_FALSE(array.Reserve(std::numeric_limits<std::size_t>::max() / sizeof(std::uint64_t) + 1));
    EXPECT_FALSE(array.Assign(std::numeric_limits<std::size_t>::max() / 4, 1));
    EXPECT_EQ(array.size(), 1u);
    EXPECT_EQ(array.capacity(), capacity);
    EXPECT_EQ(array[0], 42u);
}

// Labels that would carry the label pool past its 32-bit offsets are refused
// before a byte is read, also where pool size plus label size wraps in
// size_t (the label bytes here do not exist).
TEST(RecipeTreeTest, LabelsBeyondThePoolAreRefused) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    for (const std::size_t size : {kMax, kMax - 1, kMax - 2, std::size_t{0xFFFFFFFFu} - 2}) {
        RecipeTree tree;
        const TreeItem first = tree.InsertItem(kTreeRoot, "abc");
        const char byte = 'x';
        EXPECT_EQ(tree.InsertItem(first, std::string_view(&byte, size)), kNoTreeItem) << size;
        EXPECT_EQ(tree.LabelBytes(), "abc");
    }
}

TEST(GrowableArrayTest, LargeBlockTakesItsAddressSpaceOnceAndGivesItBack) {
    GrowableArray<std::uint64_t> array;
    const std::size_t count = kHugePageAdviceBytes / sizeof(std::uint64_t) + 1;
    std::size_t moves = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t before = array.capacity();
        ASSERT_TRUE(array.PushBack(i ^ 0x5A5A));
        moves += array.capacity() != before;
    }
    if (kLargeReserveBytes != 0) {
        EXPECT_EQ(array.capacity(), kLargeReserveBytes / sizeof(std::uint64_t));
        // Growing on to the reserve's end needs no further reallocation.
        const std::size_t reallocations = moves;
        while (array.size() < array.capacity() / 8) ASSERT_TRUE(array.PushBack(7));
        EXPECT_EQ(moves, reallocations);
    }
    array.ShrinkToFit();
    EXPECT_EQ(array.capacity(), array.size());
    for (std::uint64_t i = 0; i < count; ++i) ASSERT_EQ(array[i], i ^ 0x5A5A);
}
