// The bench inputs have the shape the figures claim, are the same bytes on
// every run, and the floor writes what it is asked to.

#include "BenchData.h"
#include "Floor.h"
#include "MappedFloor.h"
#include "TempDir.h"
#include "table/RecipeWalk.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace artisanscope;
using namespace artisanscope::bench;

namespace {

struct Counts {
    std::size_t skills = 0, categories = 0, illegal = 0, patterns = 0, ingredients = 0;
    std::size_t Items() const { return 3 + skills + categories + illegal + patterns + ingredients; }
};

class CountingSink final : public RecipeSink {
public:
    void Skill(TreeItem, const SkillRecord&, std::string_view) override { ++counts.skills; }
    void IllegalCategory(TreeItem, std::size_t, std::uint32_t, std::uint32_t) override { ++counts.illegal; }
    void Category(TreeItem, std::size_t, std::uint32_t, std::string_view) override { ++counts.categories; }
    void Pattern(TreeItem, const ResolvedPattern& pattern) override {
        ++counts.patterns;
        counts.ingredients += pattern.ingredientCount;
    }
    Counts counts;
};

Counts Walk(const fixtures::Bytes& image) {
    CountingSink sink;
    RecipeSink* sinks[] = {&sink};
    WalkRecipes(RecipeTableView(ByteView(image), kLayout102), WalkOptions{Language::German, false, true}, sinks);
    return sink.counts;
}

}  // namespace

TEST(BenchDataTest, MaximumTablesFillEveryPositionTheyClaim) {
    for (const std::size_t positions : {std::size_t{50}, std::size_t{200}}) {
        SCOPED_TRACE(positions);
        const fixtures::Bytes image = fixtures::WriteRecipeTable(MaximumTable(positions));
        const Counts counts = Walk(image);
        EXPECT_EQ(counts.skills, 57u);
        EXPECT_EQ(counts.categories, 57 * positions);
        EXPECT_EQ(counts.illegal, 0u);
        EXPECT_EQ(counts.patterns, 57 * positions * 50);
        EXPECT_EQ(counts.ingredients, 57 * positions * 50 * 8);
        EXPECT_EQ(counts.Items(), MaximumTreeItems(positions));
        EXPECT_LT(image.size(), 1u << 20) << "shared records keep the image small";
    }
}

TEST(BenchDataTest, RealisticTableLooksLikeALiveOne) {
    const fixtures::Bytes image = fixtures::WriteRecipeTable(RealisticTable());
    const Counts counts = Walk(image);
    EXPECT_EQ(counts.skills, 45u);
    EXPECT_EQ(counts.categories, 45u * 40);
    EXPECT_EQ(counts.patterns, 36000u);
    EXPECT_GE(counts.ingredients, 36000u * 3);
    EXPECT_LE(counts.ingredients, 36000u * 4);
    EXPECT_GT(image.size(), 3u << 20);
    EXPECT_EQ(image, fixtures::WriteRecipeTable(RealisticTable())) << "the same bytes on every run";
}

TEST(BenchDataTest, GameDirectoriesAreWrittenOnceAndFloorWritesTheAskedBytes) {
    artisanscope::testing::TempDir dir;
    const auto inputs = EnsureBenchData(dir.path());
    ASSERT_EQ(inputs.size(), 4u);
    EXPECT_EQ(inputs[0].name, "realistic");
    const auto written = std::filesystem::last_write_time(inputs[0].archive);
    const auto size = std::filesystem::file_size(inputs[0].archive);
    EXPECT_GT(size, 9u << 20) << "other members make the archive as large as a real one";
    EnsureBenchData(dir.path());
    EXPECT_EQ(std::filesystem::last_write_time(inputs[0].archive), written) << "current data is kept";

    for (const auto floor : {RunFloor, RunMappedFloor}) {
        for (const std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{3'000'001}}) {
            ASSERT_TRUE(floor(inputs[0].archive, "TDL.CRF", dir / "floor.txt", bytes));
            EXPECT_EQ(std::filesystem::file_size(dir / "floor.txt"), bytes);
        }
        EXPECT_FALSE(floor(inputs[0].archive, "missing.dat", dir / "floor.txt", 1));
        EXPECT_FALSE(floor(dir / "nothing.mpk", "tdl.crf", dir / "floor.txt", 1));
        EXPECT_FALSE(floor(inputs[0].archive, "tdl.crf", dir / "no/such/folder/floor.txt", 1));
    }
}
