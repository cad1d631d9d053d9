// The comparison of two recipe tables over fixture pairs: pairing, the kinds
// of difference, the report's order, its text and JSON forms.

#include "compare/DiffReportOutput.h"
#include "compare/RecipeDiff.h"
#include "find/RecipeFilter.h"
#include "compare/TableComparison.h"
#include "table/TreeFiller.h"
#include "fixtures/TableWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <memory>

using namespace artisanscope;
using namespace artisanscope::fixtures;

namespace {

struct Cat {
    std::string name;
    std::vector<PatternPlan> patterns;
};
struct Sk {
    std::string name;
    std::vector<Cat> categories;
};

// A table whose skills, categories and patterns each have records of their
// own, in the order given; realm is the realm they go in.
TablePlan Table(const std::vector<Sk>& skills, std::uint32_t version = 102, std::size_t realm = 0) {
    TablePlan plan;
    plan.version = version;
    RealmPlan& r = plan.realms[realm];
    for (const Sk& skill : skills) {
        SkillPlan s{.name = skill.name};
        for (const Cat& cat : skill.categories) {
            CategoryPlan c{.name = cat.name};
            for (const PatternPlan& p : cat.patterns) c.patterns.push_back(r.AddPattern(p));
            s.categories.push_back(r.AddCategory(c));
        }
        r.skills.push_back(s);
    }
    return plan;
}

PatternPlan Sword(std::uint16_t skill = 150) {
    return {.name = "Schwert", .skill = skill,
            .slots = {{.name = "Barren", .quantity = 2, .material = 8}, {.name = "Griff", .quantity = 1}}};
}

struct Loaded {
    std::uint32_t version;
    Bytes image;
};

struct CompareOptions {
    bool debug = false;
    bool english = false;
    std::string find;  // a find query; empty: none
};

// Walks a table the way the load does: version 101 with its own layout and
// without debug values or hiding, newer versions with the 102 layout.
DiffSide Collect(TextPool& pool, const TablePlan& plan, const CompareOptions& options) {
    const Bytes image = WriteRecipeTable(plan);
    const bool legacy = plan.version < kCurrentTableVersion;
    const RecipeTableView table(ByteView(image), legacy ? kLayout101 : kLayout102);
    const Language language = options.english ? Language::English : Language::German;
    const bool debugValues = options.debug && !legacy;
    RecipeDiffCollector collector(pool);
    RecipeTree tree;
    TreeFiller filler(tree, debugValues);
    collector.Begin({plan.version, language, options.debug, debugValues});
    RecipeSink* sinks[] = {&collector, &filler};
    WalkRecipes(table, {language, debugValues, !legacy && !options.debug}, sinks);
    collector.End();
    DiffSide side = collector.TakeSide();
    if (!options.find.empty()) {
        tree.Finish();
        RecipeFilter filter;
        EXPECT_TRUE(filter.Apply(tree, FindQuery::FromUtf8(options.find)));
        EXPECT_TRUE(RestrictToShownPatterns(side, filter));
    }
    return side;
}

DiffReport Compare(const TablePlan& oldPlan, const TablePlan& newPlan, const CompareOptions& options = {}) {
    auto pool = std::make_shared<TextPool>();
    DiffSide oldSide = Collect(*pool, oldPlan, options);
    DiffSide newSide = Collect(*pool, newPlan, options);
    return CompareRecipeTables(pool, std::move(oldSide), std::move(newSide),
                               {options.english ? Language::English : Language::German, options.debug});
}

std::string Text(const TablePlan& oldPlan, const TablePlan& newPlan, const CompareOptions& options = {}) {
    return DiffReportText(Compare(oldPlan, newPlan, options));
}

const std::string kHead = "Albion\n  Schmied\n    Waffen\n";

}  // namespace

TEST(DiffTest, IdenticalTablesGiveAnEmptyReport) {
    const TablePlan plan = Table({{"Schmied", {{"Waffen", {Sword(), {.name = "Axt", .skill = 20}}}}}});
    const DiffReport report = Compare(plan, plan);
    EXPECT_FALSE(report.HasDifferences());
    EXPECT_EQ(DiffReportText(report), "");
    rapidjson::Document json;
    json.Parse(DiffReportJson(report).c_str());
    ASSERT_FALSE(json.HasParseError());
    EXPECT_EQ(json["differences"].Size(), 0u);
    EXPECT_EQ(json["totals"]["changed"].GetUint(), 0u);
}

// Each kind of difference of one pattern, by what the new side's sword is.
TEST(DiffTest, EachKindOfChange) {
    struct Case {
        const char* what;
        PatternPlan sword;
        std::string line;
    };
    auto with = [](auto change) {
        PatternPlan p = Sword();
        change(p);
        return p;
    };
    const Case cases[] = {
        {"skill", Sword(160), "~ Schwert: skill 150 \xE2\x86\x92 160"},
        {"quantity", with([](PatternPlan& p) { p.slots[0].quantity = 3; }), "~ Schwert: Barren: Eisen 2 \xE2\x86\x92 3"},
        {"position", with([](PatternPlan& p) { std::swap(p.slots[0], p.slots[1]); }),
         "~ Schwert: Griff slot 2 \xE2\x86\x92 1; Barren: Eisen slot 1 \xE2\x86\x92 2"},
        {"empty slot in front", with([](PatternPlan& p) { p.slots.insert(p.slots.begin(), SlotPlan{.name = "x"}); }),
         "~ Schwert: Barren: Eisen slot 1 \xE2\x86\x92 2; Griff slot 2 \xE2\x86\x92 3"},
        {"slot text", with([](PatternPlan& p) { p.slots[1].name = "Heft"; }),
         "~ Schwert: + Heft 1; - Griff 1"},
        {"material", with([](PatternPlan& p) { p.slots[0].material = 15; }),
         "~ Schwert: + Barren: Stahl 2; - Barren: Eisen 2"},
        {"slot added", with([](PatternPlan& p) { p.slots.push_back({.quantity = 4, .material = 50}); }),
         "~ Schwert: + Bl\xC3\xA4tter 4"},
        {"slot removed", with([](PatternPlan& p) { p.slots.pop_back(); }), "~ Schwert: - Griff 1"},
        {"several", with([](PatternPlan& p) { p.skill = 151; p.slots[0].quantity = 1; p.slots[1].name = "Heft"; }),
         "~ Schwert: skill 150 \xE2\x86\x92 151; Barren: Eisen 2 \xE2\x86\x92 1; + Heft 1; - Griff 1"},
        {"debug value only", with([](PatternPlan& p) { p.lvl = 9; p.data5 = 3; }), ""},
    };
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {Sword()}}}}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string expected = c.line.empty() ? "" : kHead + "      " + c.line + "\n0 added, 0 removed, 1 changed\n";
        EXPECT_EQ(Text(oldPlan, Table({{"Schmied", {{"Waffen", {c.sword}}}}})), expected);
    }
}

// Debug values count in debug mode only, and only when both sides have them:
// a version-101 table has none.
TEST(DiffTest, DebugValuesInDebugMode) {
    PatternPlan changed = Sword();
    changed.lvl = 9;
    changed.data2 = 4;
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {Sword()}}}}});
    const TablePlan newPlan = Table({{"Schmied", {{"Waffen", {changed}}}}});
    EXPECT_EQ(Text(oldPlan, newPlan, {.debug = true}),
              kHead + "      ~ Schwert: data2 0 \xE2\x86\x92 4; lvl 0 \xE2\x86\x92 9\n0 added, 0 removed, 1 changed\n");
    TablePlan legacy = oldPlan;
    legacy.version = 101;
    EXPECT_EQ(Text(legacy, newPlan, {.debug = true}), "");
}

TEST(DiffTest, AddedAndRemovedPatternsWhereTheyStood) {
    const PatternPlan axe{.name = "Axt", .skill = 20};
    const PatternPlan mace{.name = "Keule", .skill = 30};
    const PatternPlan bow{.name = "Bogen", .skill = 40};
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {axe, mace, Sword()}}}}});
    const TablePlan newPlan = Table({{"Schmied", {{"Waffen", {bow, axe, Sword(151)}}}}});
    EXPECT_EQ(Text(oldPlan, newPlan), kHead +
                                          "      + Bogen (40)\n"
                                          "      - Keule (30)\n"
                                          "      ~ Schwert: skill 150 \xE2\x86\x92 151\n"
                                          "1 added, 1 removed, 1 changed\n");
    EXPECT_EQ(Text(newPlan, oldPlan), kHead +
                                          "      - Bogen (40)\n"
                                          "      + Keule (30)\n"
                                          "      ~ Schwert: skill 151 \xE2\x86\x92 150\n"
                                          "1 added, 1 removed, 1 changed\n");
}

// The n-th pattern of a name in a category pairs with the n-th of that name
// on the other side, counted over every place the category is shown.
TEST(DiffTest, DuplicateNamesPairInOrder) {
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {Sword(1), Sword(2)}}, {"Waffen", {Sword(3)}}}}});
    const TablePlan newPlan = Table({{"Schmied", {{"Waffen", {Sword(1), Sword(5), Sword(3), Sword(4)}}}}});
    EXPECT_EQ(Text(oldPlan, newPlan), kHead +
                                          "      ~ Schwert #2: skill 2 \xE2\x86\x92 5\n"
                                          "      + Schwert #4 (4)\n"
                                          "1 added, 0 removed, 1 changed\n");
}

TEST(DiffTest, SkillAndCategoryOnOneSideOnly) {
    const PatternPlan axe{.name = "Axt", .skill = 20};
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {Sword()}}, {"R\xFCstung", {axe, axe}}}},
                                     {"Schneider", {{"Hemden", {axe}}, {"Hosen", {}}}}});
    const TablePlan newPlan = Table({{"Gerber", {{"Leder", {axe}}}},
                                     {"Schmied", {{"Schilde", {}}, {"Waffen", {Sword()}}}}});
    const DiffReport report = Compare(oldPlan, newPlan);
    EXPECT_EQ(DiffReportText(report),
              "Albion\n"
              "  + Gerber (1 pattern)\n"
              "  Schmied\n"
              "    + Schilde (0 patterns)\n"
              "    - R\xC3\xBCstung (2 patterns)\n"
              "  - Schneider (1 pattern)\n"
              "1 added, 3 removed, 0 changed\n");
    EXPECT_EQ(report.totals().added, 1u);
    EXPECT_EQ(report.totals().removed, 3u);
}

// A version-101 table against the same recipes in version 102: no
// difference; a real change still shows.
TEST(DiffTest, Version101Against102) {
    const std::vector<Sk> recipes = {{"Schmied", {{"Waffen", {Sword(), {.name = "Axt", .material = 8, .skill = 20}}}}}};
    EXPECT_EQ(Text(Table(recipes, 101), Table(recipes, 102)), "");
    EXPECT_EQ(Text(Table(recipes, 101), Table(recipes, 102), {.debug = true}), "");
    std::vector<Sk> changed = recipes;
    changed[0].categories[0].patterns[1].skill = 21;
    const DiffReport report = Compare(Table(recipes, 101), Table(changed, 103));
    EXPECT_EQ(DiffReportText(report), kHead + "      ~ Eisen: skill 20 \xE2\x86\x92 21\n0 added, 0 removed, 1 changed\n");
    EXPECT_EQ(report.oldSide().tableVersion, 101u);
    EXPECT_EQ(report.newSide().tableVersion, 103u);
}

// A pattern the 2000 rule hides is absent on its side outside debug mode.
TEST(DiffTest, HiddenPatternCountsAsAbsent) {
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {Sword(2000)}}}}});
    const TablePlan newPlan = Table({{"Schmied", {{"Waffen", {Sword(2001)}}}}});
    EXPECT_EQ(Text(oldPlan, newPlan), kHead + "      - Schwert (2000)\n0 added, 1 removed, 0 changed\n");
    EXPECT_EQ(Text(oldPlan, newPlan, {.debug = true}),
              kHead + "      ~ Schwert: skill 2000 \xE2\x86\x92 2001\n0 added, 0 removed, 1 changed\n");
}

// Realms group separately; English names the materials.
TEST(DiffTest, RealmsAndLanguage) {
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {Sword()}}}}}, 102, 2);
    PatternPlan changed = Sword();
    changed.slots[0].quantity = 5;
    TablePlan newPlan = Table({{"Schmied", {{"Waffen", {changed}}}}}, 102, 2);
    newPlan.realms[1] = Table({{"Schmied", {{"Waffen", {Sword()}}}}}).realms[0];
    EXPECT_EQ(Text(oldPlan, newPlan, {.english = true}),
              "Midgard\n  + Schmied (1 pattern)\n"
              "Hibernia\n  Schmied\n    Waffen\n      ~ Schwert: Barren: Iron 2 \xE2\x86\x92 5\n"
              "1 added, 0 removed, 1 changed\n");
}

// With a find query, a pattern takes part when the filter shows it on either
// side; one-sided groups count only what the filter shows.
TEST(DiffTest, FilterShowsOnEitherSide) {
    const PatternPlan axe{.name = "Axt", .skill = 20};
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {Sword(), axe}}}}});
    PatternPlan slowerAxe = axe;
    slowerAxe.skill = 21;
    PatternPlan moreBars = Sword(150);
    moreBars.slots[0].quantity = 7;
    const TablePlan newPlan = Table({{"Schmied", {{"Waffen", {moreBars, slowerAxe, Sword(9)}}}},
                                     {"Gerber", {{"Leder", {axe, Sword()}}}}});
    // Matches the new sword's ingredient "Barren: 7 Eisen" only.
    EXPECT_EQ(Text(oldPlan, newPlan, {.find = "7 eisen"}),
              kHead + "      ~ Schwert: Barren: Eisen 2 \xE2\x86\x92 7\n0 added, 0 removed, 1 changed\n");
    EXPECT_EQ(Text(oldPlan, newPlan, {.find = "SCHWERT"}),
              kHead + "      ~ Schwert: Barren: Eisen 2 \xE2\x86\x92 7\n      + Schwert #2 (9)\n"
                      "  + Gerber (1 pattern)\n2 added, 0 removed, 1 changed\n");
    // A skill's name shows its whole subtree; "leder" is in new only.
    EXPECT_EQ(Text(oldPlan, newPlan, {.find = "leder"}), "Albion\n  + Gerber (2 patterns)\n2 added, 0 removed, 0 changed\n");
    EXPECT_EQ(Text(oldPlan, newPlan, {.find = "nirgends"}), "");
}

TEST(DiffTest, JsonCarriesKeysAndValues) {
    PatternPlan changed = Sword(160);
    changed.slots[1].name = "Griff \"lang\"";
    const TablePlan oldPlan = Table({{"Schmied", {{"Waffen", {Sword()}}}}, {"Schneider", {{"Hemden", {}}}}});
    const TablePlan newPlan = Table({{"Schmied", {{"Waffen", {changed, {.name = "Axt", .skill = 20}}}}}});
    const DiffReport report = Compare(oldPlan, newPlan, {.debug = true});
    rapidjson::Document json;
    json.Parse(DiffReportJson(report).c_str());
    ASSERT_FALSE(json.HasParseError());
    EXPECT_EQ(json["old_table_version"].GetUint(), 102u);
    EXPECT_STREQ(json["language"].GetString(), "de");
    EXPECT_TRUE(json["debug"].GetBool());
    const auto& list = json["differences"];
    ASSERT_EQ(list.Size(), 3u);
    const auto& change = list[0];
    EXPECT_STREQ(change["change"].GetString(), "changed");
    EXPECT_STREQ(change["realm"].GetString(), "Albion");
    EXPECT_STREQ(change["skill"].GetString(), "Schmied");
    EXPECT_STREQ(change["category"].GetString(), "Waffen");
    EXPECT_STREQ(change["pattern"].GetString(), "Schwert");
    EXPECT_EQ(change["occurrence"].GetUint(), 1u);
    EXPECT_EQ(change["old"]["skill_level"].GetUint(), 150u);
    EXPECT_EQ(change["new"]["skill_level"].GetUint(), 160u);
    const auto& slot = change["old"]["ingredients"][0];
    EXPECT_EQ(slot["slot"].GetUint(), 1u);
    EXPECT_STREQ(slot["unit"].GetString(), "Barren");
    EXPECT_STREQ(slot["name"].GetString(), "Eisen");
    EXPECT_EQ(slot["material_id"].GetUint(), 8u);
    EXPECT_TRUE(change["new"]["ingredients"][1]["unit"].IsNull());
    EXPECT_STREQ(change["new"]["ingredients"][1]["name"].GetString(), "Griff \"lang\"");
    EXPECT_EQ(change["new"]["data"].Size(), 4u);
    EXPECT_EQ(change["differences"].Size(), 3u);
    EXPECT_STREQ(list[1]["change"].GetString(), "added");
    EXPECT_FALSE(list[1].HasMember("old"));
    EXPECT_STREQ(list[2]["level"].GetString(), "skill");
    EXPECT_EQ(list[2]["patterns"].GetUint(), 0u);
    EXPECT_EQ(json["totals"]["added"].GetUint(), 1u);
    EXPECT_EQ(json["totals"]["changed"].GetUint(), 1u);
}

// Each side goes through the one load, with the rules of its own version.
TEST(DiffTest, ArchivesThroughTheLoad) {
    artisanscope::testing::TempDir dir;
    const std::vector<Sk> recipes = {{"Schmied", {{"Waffen", {Sword()}}}}};
    const auto game = [&](const std::string& name, std::uint32_t version, const std::vector<Sk>& skills) {
        WriteGameDirectory(dir / name, WriteRecipeTable(Table(skills, version)));
        return dir / name + "/data/ifd.mpk";
    };
    const std::string v101 = game("v101", 101, recipes);
    const std::string v102 = game("v102", 102, recipes);
    const std::string v103 = game("v103", 103, {{"Schmied", {{"Waffen", {Sword(151)}}}}});
    const std::string v100 = game("v100", 100, recipes);
    std::vector<std::string> messages;
    const ComparisonMessages record = [&](std::string_view text) { messages.emplace_back(text); };

    ComparisonResult same = CompareArchives(v101, v102, {}, record);
    ASSERT_TRUE(same.report);
    EXPECT_FALSE(same.report->HasDifferences());
    EXPECT_TRUE(messages.empty());

    ComparisonResult newer = CompareArchives(v102, v103, {.debug = true}, record);
    ASSERT_TRUE(newer.report);
    EXPECT_EQ(newer.report->totals().changed, 1u);
    EXPECT_EQ(messages, std::vector<std::string>{std::string(kNewerVersionMessage)});

    messages.clear();
    const ComparisonResult refused = CompareArchives(v100, dir / "missing/data/ifd.mpk", {}, record);
    EXPECT_FALSE(refused.report);
    EXPECT_EQ(refused.oldLoad.status, LoadStatus::VersionRefused);
    EXPECT_EQ(refused.newLoad.status, LoadStatus::ArchiveUnreadable);
    EXPECT_EQ(messages, std::vector<std::string>{std::string(kOldVersionMessage)});

    CompareSettings find;
    find.find = FindQuery::FromUtf8("axt");
    const ComparisonResult filtered = CompareArchives(v102, v103, find, record);
    ASSERT_TRUE(filtered.report);
    EXPECT_FALSE(filtered.report->HasDifferences());
}
