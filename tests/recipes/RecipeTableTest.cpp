#include "recipes/RecipeTable.h"

#include "fixtures/TableWriter.h"

#include <gtest/gtest.h>

using namespace artisanscope;
using namespace artisanscope::fixtures;

namespace {

// One realm with one skill, one category and one pattern with two slots.
TablePlan SmallTable(std::uint32_t version) {
    TablePlan plan;
    plan.version = version;
    RealmPlan& realm = plan.realms[0];
    PatternPlan pattern{.name = "P", .material = 0, .data1 = 4, .data2 = 5, .data3 = 6, .skill = 150, .lvl = 10, .data5 = 7};
    pattern.slots = {{.name = "T", .quantity = 2, .material = 8}, {.name = "U", .quantity = 1}};
    const std::uint16_t p = realm.AddPattern(pattern);
    const std::uint16_t c = realm.AddCategory({.name = "K", .patterns = {p}});
    realm.skills = {{.name = "S", .data1 = 1, .data2 = 2, .data3 = 3, .categories = {0, 0, c}}};
    return plan;
}

}  // namespace

TEST(RecipeTableTest, VersionRule) {
    EXPECT_EQ(VersionRuleFor(0), VersionRule::Legacy);
    EXPECT_EQ(VersionRuleFor(101), VersionRule::Legacy);
    EXPECT_EQ(VersionRuleFor(102), VersionRule::Current);
    EXPECT_EQ(VersionRuleFor(103), VersionRule::Newer);
    EXPECT_EQ(VersionRuleFor(0xFFFFFFFFu), VersionRule::Newer);
}

TEST(RecipeTableTest, BothLayoutsDecodeTheSameModel) {
    for (const auto& [version, layout] : {std::pair{102u, &kLayout102}, std::pair{101u, &kLayout101}}) {
        SCOPED_TRACE(version);
        const Bytes image = WriteRecipeTable(SmallTable(version));
        const RecipeTableView table(ByteView(image), *layout);
        EXPECT_EQ(table.version(), version);
        const auto realm = table.Realm(0);
        ASSERT_TRUE(realm);
        EXPECT_EQ(realm->categoryCount, 2u);
        const auto skill = table.Skill(*realm, 0);
        ASSERT_TRUE(skill);
        EXPECT_EQ(table.String(skill->name), "S");
        EXPECT_EQ(skill->Category(2), 1);
        EXPECT_EQ(skill->Category(199), 0);
        EXPECT_EQ(skill->Category(200), std::nullopt) << "nothing beyond the 200 positions";
        EXPECT_EQ(table.Skill(*realm, 1)->name, 0) << "unused slots are empty";
        const auto category = table.Category(*realm, 1);
        ASSERT_TRUE(category);
        EXPECT_EQ(table.String(category->name), "K");
        const auto pattern = table.Pattern(*realm, *category->Pattern(0));
        ASSERT_TRUE(pattern);
        EXPECT_EQ(table.PatternName(*pattern, Language::German).view(), "P");
        EXPECT_EQ(pattern->skill, 150);
        EXPECT_EQ(pattern->slots[0].quantity, 2);
        EXPECT_EQ(pattern->slots[0].material, 8);
        EXPECT_EQ(table.String(pattern->slots[1].name), "U");
        if (version == 102) {
            EXPECT_EQ(skill->data3, 3);
            EXPECT_EQ(pattern->lvl, 10);
            EXPECT_EQ(pattern->data5, 7);
        } else {
            EXPECT_EQ(skill->data3, 0) << "version 101 has no debug values";
            EXPECT_EQ(pattern->lvl, 0);
        }
    }
}

TEST(RecipeTableTest, PatternNamedByMaterial) {
    TablePlan plan = SmallTable(102);
    plan.realms[0].patterns[1].material = 8;
    const Bytes image = WriteRecipeTable(plan);
    const RecipeTableView table(ByteView(image), kLayout102);
    const auto pattern = table.Pattern(*table.Realm(0), 1);
    EXPECT_EQ(table.PatternName(*pattern, Language::German).view(), "Eisen");
    EXPECT_EQ(table.PatternName(*pattern, Language::English).view(), "Iron");
}

// Everything that would lie outside the image is absent or empty, never read.
TEST(RecipeTableTest, OutOfImageReferences) {
    TableOffsets where;
    const Bytes image = WriteRecipeTable(SmallTable(102), &where);
    const RecipeTableView table(ByteView(image), kLayout102);
    const RealmEntry realm = *table.Realm(0);
    EXPECT_FALSE(table.Pattern(realm, 0xFFFF));
    EXPECT_FALSE(table.Category(realm, 0xFFFF));
    EXPECT_EQ(table.String(0xFFFFFFFFu), "");
    EXPECT_EQ(table.String(1000000), "");

    RealmEntry far = realm;
    far.skillTableOffset = 0xFFFFFFFFu;
    EXPECT_FALSE(table.Skill(far, 0));
    far.patternTableOffset = static_cast<std::uint32_t>(image.size() - 83);
    EXPECT_FALSE(table.Pattern(far, 0)) << "one byte short";
    far.patternTableOffset = static_cast<std::uint32_t>(image.size() - 84);
    EXPECT_TRUE(table.Pattern(far, 0)) << "exact fit";

    // A string whose NUL is missing: cut the image inside the last string.
    Bytes cut(image.begin(), image.end());
    Bytes noNul(image.begin(), image.begin() + where.stringPool + 2);  // "" then "S" without its NUL
    const RecipeTableView shortTable(ByteView(noNul), kLayout102);
    EXPECT_EQ(shortTable.String(0), "");
    EXPECT_EQ(shortTable.String(1), "") << "start inside, NUL outside";

    // Header shorter than its realm entries.
    const Bytes header(image.begin(), image.begin() + 40);
    const RecipeTableView headerOnly(ByteView(header), kLayout102);
    EXPECT_TRUE(headerOnly.Realm(0));
    EXPECT_FALSE(headerOnly.Realm(2));
    EXPECT_EQ(RecipeTableView(ByteView(), kLayout102).version(), 0u);
}
