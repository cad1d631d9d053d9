// Version-102 pattern records are decoded by a path with the layout folded
// in; it must read exactly what the general path reads with the same layout,
// field by field and at the image's end.

#include "fixtures/TableWriter.h"
#include "io/Decimal.h"
#include "recipes/RecipeTable.h"
#include "io/TextCursor.h"

#include <gtest/gtest.h>

#include <string>

using namespace artisanscope;
using namespace artisanscope::fixtures;

namespace {

std::string Named(const char* prefix, std::uint32_t n) {
    std::string name = prefix;
    name += std::to_string(n);
    return name;
}

// Every field of every record distinct, so that a field read from the wrong
// place shows.
TablePlan DistinctPatterns() {
    TablePlan plan;
    RealmPlan& realm = plan.realms[0];
    std::vector<std::uint16_t> patterns;
    for (std::uint16_t i = 0; i < 40; ++i) {
        PatternPlan pattern{.name = Named("P", i),
                            .material = i % 3 == 0 ? 0u : 7u + i,
                            .data1 = static_cast<std::uint16_t>(1000 + i),
                            .data2 = static_cast<std::uint16_t>(2000 + i),
                            .data3 = static_cast<std::uint16_t>(3000 + i),
                            .skill = static_cast<std::uint16_t>(65535 - i),
                            .lvl = static_cast<std::uint16_t>(4000 + i),
                            .data5 = static_cast<std::uint16_t>(5000 + i)};
        for (std::uint16_t k = 0; k < i % 9; ++k) {
            pattern.slots.push_back({.name = Named("S", k),
                                     .quantity = static_cast<std::uint16_t>(100 * i + k + 1),
                                     .material = static_cast<std::uint16_t>(k * 31 % 256)});
        }
        patterns.push_back(realm.AddPattern(std::move(pattern)));
    }
    realm.skills = {{.name = "S", .categories = {realm.AddCategory({.name = "K", .patterns = {patterns[0]}})}}};
    return plan;
}

void ExpectSame(const std::optional<PatternRecord>& a, const std::optional<PatternRecord>& b) {
    ASSERT_EQ(a.has_value(), b.has_value());
    if (!a) return;
    EXPECT_EQ(a->name, b->name);
    EXPECT_EQ(a->material, b->material);
    EXPECT_EQ(a->data1, b->data1);
    EXPECT_EQ(a->data2, b->data2);
    EXPECT_EQ(a->data3, b->data3);
    EXPECT_EQ(a->skill, b->skill);
    EXPECT_EQ(a->lvl, b->lvl);
    EXPECT_EQ(a->data5, b->data5);
    for (std::size_t k = 0; k < kIngredientSlots; ++k) {
        EXPECT_EQ(a->slots[k].name, b->slots[k].name) << k;
        EXPECT_EQ(a->slots[k].quantity, b->slots[k].quantity) << k;
        EXPECT_EQ(a->slots[k].material, b->slots[k].material) << k;
    }
}

}  // namespace

TEST(PatternDecodeTest, FoldedLayoutReadsWhatTheGeneralPathReads) {
    const TablePlan plan = DistinctPatterns();
    TableOffsets where;
    const Bytes image = WriteRecipeTable(plan, &where);
    TableLayout sameValues = kLayout102;
    sameValues.version = 0;  // the same fields under another version: the general path
    const RecipeTableView folded(ByteView(image), kLayout102);
    const RecipeTableView general(ByteView(image), sameValues);
    const RealmEntry realm = *folded.Realm(0);

    for (std::uint32_t i = 1; i < plan.realms[0].patterns.size(); ++i) {
        SCOPED_TRACE(i);
        const auto pattern = folded.Pattern(realm, i);
        ExpectSame(pattern, general.Pattern(realm, i));
        const PatternPlan& written = plan.realms[0].patterns[i];
        ASSERT_TRUE(pattern);
        EXPECT_EQ(pattern->data2, written.data2);
        EXPECT_EQ(pattern->skill, written.skill);
        EXPECT_EQ(pattern->data5, written.data5);
        EXPECT_EQ(folded.String(pattern->name), written.name);
        for (std::size_t k = 0; k < written.slots.size(); ++k) {
            EXPECT_EQ(pattern->slots[k].quantity, written.slots[k].quantity);
            EXPECT_EQ(pattern->slots[k].material, written.slots[k].material);
        }
    }

    // Cut anywhere across the last record: both paths agree on absence and
    // on every field.
    const std::uint32_t last = static_cast<std::uint32_t>(plan.realms[0].patterns.size() - 1);
    const std::size_t end = where.patternTable[0] + std::size_t{84} * (last + 1);
    for (std::size_t cut = end - 90; cut <= end; ++cut) {
        SCOPED_TRACE(cut);
        const ByteView shorter(std::span<const std::uint8_t>(image.data(), cut));
        const auto a = RecipeTableView(shorter, kLayout102).Pattern(realm, last);
        ExpectSame(a, RecipeTableView(shorter, sameValues).Pattern(realm, last));
        EXPECT_EQ(a.has_value(), cut == end);
    }
}

TEST(PatternDecodeTest, DecimalAppendsAfterExistingText) {
    const struct {
        std::uint32_t value;
        const char* expected;
    } cases[] = {{0, "x0"},           {7, "x7"},           {9, "x9"},
                   {10, "x10"},         {99, "x99"},         {100, "x100"},
                   {999, "x999"},       {1000, "x1000"},     {2000, "x2000"},
                   {9999, "x9999"},     {10000, "x10000"},   {65535, "x65535"},
                   {99999999, "x99999999"}, {100000000, "x100000000"},
                   {999999999, "x999999999"}, {1000000000, "x1000000000"},
                   {4294967295u, "x4294967295"}};
    for (const auto& c : cases) {
        std::string out = "x";
        AppendDecimal(out, c.value);
        EXPECT_EQ(out, c.expected);
    }
}

// A text cursor writes what fits and marks the rest: a piece that would
// cross the end of its room is left out whole, never cut.
TEST(PatternDecodeTest, TextCursorKeepsInsideItsRoom) {
    const struct {
        std::size_t room;
        const char* written;  // after "ab", '-', 12345
        bool overflowed;
    } cases[] = {{9, "ab-12345", false}, {8, "ab-12345", false}, {7, "ab-", true}, {3, "ab-", true},
                 {2, "ab", true},        {1, "-", true},         {0, "", true}};
    for (const auto& c : cases) {
        std::string room(c.room, '?');
        TextCursor cursor{std::span<char>(room)};
        cursor.Text("ab");
        cursor.Char('-');
        cursor.Decimal(12345);
        EXPECT_EQ(cursor.view(), c.written) << c.room;
        EXPECT_EQ(cursor.overflowed(), c.overflowed) << c.room;
    }
}
