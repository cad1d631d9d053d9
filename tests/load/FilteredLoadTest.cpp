// The load with a find query: the writer receives exactly what the filtered
// tree shows, for random tables of every shape and version, in both modes.

#include "RecordingLoad.h"
#include "load/ExportWriter.h"
#include "load/LoadRecipeTable.h"
#include "find/RecipeFilter.h"
#include "table/TreeFiller.h"
#include "fixtures/RandomTable.h"
#include "io/Cp1252.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace artisanscope;
using namespace artisanscope::fixtures;
using Rows = std::vector<std::pair<int, std::string>>;

namespace {

// A writer that builds a tree of its own from what it is given, the way the
// dialog's tree is built from the whole walk.
class TreeWriter final : public ExportWriter {
public:
    TreeWriter(bool debug) : filler_(tree, debug) {}
    void Begin(const ExportStart&) override { ++begins; }
    void End() override { ++ends; }
    bool Ok() const override { return true; }
    void Realm(TreeItem item, std::size_t realm, std::string_view name) override { filler_.Realm(item, realm, name); }
    void Skill(TreeItem item, const SkillRecord& skill, std::string_view name) override { filler_.Skill(item, skill, name); }
    void IllegalCategory(TreeItem item, std::size_t position, std::uint32_t index, std::uint32_t count) override {
        filler_.IllegalCategory(item, position, index, count);
    }
    void Category(TreeItem item, std::size_t position, std::uint32_t index, std::string_view name) override {
        filler_.Category(item, position, index, name);
    }
    void Pattern(TreeItem item, const ResolvedPattern& pattern) override { filler_.Pattern(item, pattern); }

    RecipeTree tree;
    int begins = 0, ends = 0;

private:
    TreeFiller filler_;
};

Rows ShownRows(const RecipeFilter& filter) {
    Rows rows;
    auto visit = [&](auto&& self, TreeItem item, int depth) -> void {
        for (std::uint32_t row = 0; row < filter.ShownChildCount(item); ++row) {
            const TreeItem child = filter.ShownChild(item, row);
            rows.emplace_back(depth, std::string(filter.tree()->Label(child)));
            self(self, child, depth + 1);
        }
    };
    visit(visit, kTreeRoot, 0);
    return rows;
}

MpakMember Image(const Bytes& bytes) {
    MpakMember member = MpakMember::Allocate(bytes.size());
    std::copy(bytes.begin(), bytes.end(), member.data());
    return member;
}

}  // namespace

TEST(FilteredLoadTest, WriterGetsWhatTheFilteredTreeShows) {
    std::uint64_t state = 99;
    auto next = [&](std::size_t below) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>((state >> 33) % below);
    };
    int found = 0, foundByValue = 0;
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        const Bytes image = WriteRecipeTable(RandomTableOptions(seed));
        const bool debug = (seed & 1) != 0;
        const bool english = (seed & 2) != 0;
        const Language language = english ? Language::English : Language::German;

        // The whole tree, as the dialog shows it, and a query made of pieces
        // of its labels; every third query a level or material term instead,
        // taken from a random pattern or ingredient.
        artisanscope::testing::RecordingLoad whole(english, debug);
        whole.tree.DeleteAllItems();
        const LoadResult full = LoadRecipeTableImage(Image(image), whole.Options(nullptr));
        whole.tree.Finish();
        auto depth = [&](TreeItem item) {
            int d = -1;
            for (; item != kTreeRoot; item = whole.tree.Parent(item)) ++d;
            return d;
        };
        std::string query;
        TreeItem byValue = kNoTreeItem;  // a pattern the query must find
        const std::size_t terms = seed % 3 == 0 ? 1 : 1 + next(2);
        for (std::size_t t = 0; t < terms && whole.tree.size() > 0; ++t) {
            const auto item = static_cast<TreeItem>(1 + next(whole.tree.size()));
            const std::string_view label = whole.tree.Label(item);
            const std::uint16_t value = whole.tree.Value(item);
            if (seed % 3 == 0 && depth(item) == kPatternDepth) {
                query += "level:" + std::to_string(value) + "-" + std::to_string(value + next(50)) + " ";
                byValue = item;
            } else if (seed % 3 == 0 && depth(item) == kPatternDepth + 1 && value != 0) {
                query += "material:\"" + Cp1252ToUtf8(MaterialName(language, value).view()) + "\" ";
                byValue = whole.tree.Parent(item);
            } else if (seed % 3 != 0) {
                const std::size_t at = next(label.size() + 1);
                query += Cp1252ToUtf8(label.substr(at, 1 + next(4))) + " ";
            }
        }
        // The values the tree keeps are those its labels show outside debug
        // mode: the level in parentheses, the material's name at the end.
        for (TreeItem item = 1; item <= whole.tree.size() && !debug; ++item) {
            const std::string_view label = whole.tree.Label(item);
            const std::uint16_t value = whole.tree.Value(item);
            if (depth(item) == kPatternDepth) {
                EXPECT_TRUE(label.ends_with(" (" + std::to_string(value) + ")")) << label;
            } else if (value != 0) {
                EXPECT_TRUE(label.ends_with(MaterialName(language, value).view())) << label;
            } else {
                EXPECT_EQ(label.find(": "), std::string_view::npos) << label;
            }
        }
        RecipeFilter filter;
        ASSERT_TRUE(filter.Apply(whole.tree, FindQuery::FromUtf8(query)));
        if (byValue != kNoTreeItem) {
            EXPECT_TRUE(filter.IsShown(byValue)) << "query " << query;
            ++foundByValue;
        }

        // The caller's tree serves the filter when it starts empty; one that
        // holds items already, or none, leaves the load a tree of its own.
        enum class CallerTree { Empty, HoldingItems, None };
        for (const CallerTree caller : {CallerTree::Empty, CallerTree::HoldingItems, CallerTree::None}) {
            SCOPED_TRACE(static_cast<int>(caller));
            artisanscope::testing::RecordingLoad dialog(english, debug);
            TreeWriter writer(debug && RecipeTableView(ByteView(image), kLayout102).version() >= 102);
            dialog.tree.DeleteAllItems();
            if (caller == CallerTree::HoldingItems) dialog.tree.InsertItem(kTreeRoot, "earlier");
            const FindQuery find = FindQuery::FromUtf8(query);
            LoadOptions options = dialog.Options(&writer, &find);
            if (caller == CallerTree::None) options.tree = nullptr;
            const LoadResult filtered = LoadRecipeTableImage(Image(image), options);
            dialog.tree.Finish();
            writer.tree.Finish();
            ASSERT_EQ(static_cast<bool>(filtered), static_cast<bool>(full));
            if (caller == CallerTree::Empty) {
                EXPECT_EQ(dialog.Rows(), whole.Rows()) << "the dialog's tree is whole";
            }
            EXPECT_EQ(writer.begins, 1);
            EXPECT_EQ(writer.ends, full ? 1 : 0);
            if (!full) break;
            EXPECT_EQ(artisanscope::testing::RowsOf(writer.tree), ShownRows(filter)) << "query " << query;
            if (caller == CallerTree::Empty) found += writer.tree.size() > 0;
        }
    }
    EXPECT_GT(found, 100) << "most queries find something";
    EXPECT_GT(foundByValue, 30);
}
