// The crafting plan: the index a load fills, resolution of entries after a
// reload or a patch, the totals in both languages, and the plan file.

#include "load/LoadRecipeTable.h"
#include "plan/CraftingPlan.h"
#include "plan/PatternIndex.h"
#include "plan/PlanFile.h"
#include "table/RecipeTree.h"
#include "fixtures/TableWriter.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <algorithm>
#include <limits>
#include <new>

namespace artisanscope {
namespace {

using fixtures::CategoryPlan;
using fixtures::PatternPlan;
using fixtures::TablePlan;

constexpr std::uint16_t kIron = 8, kSteel = 15, kEmbossed = 22, kLinen = 42;

// Albion: Waffenschmied > Schwerter with Kurzschwert, Breitschwert and a
// pattern named after steel, an illegal category position before it;
// Midgard: Schneider > Roben with Robe and a pattern whose slot texts sort
// differently folded and by bytes.
TablePlan PlanTable() {
    TablePlan table;
    fixtures::RealmPlan& albion = table.realms[0];
    const std::uint16_t shortSword = albion.AddPattern(
        {.name = "Kurzschwert", .skill = 15, .slots = {{"Metallbarren", 2, kIron}, {"Faden", 1, 0}}});
    const std::uint16_t broadSword = albion.AddPattern(
        {.name = "Breitschwert", .skill = 115, .slots = {{"Metallbarren", 4, kIron}, {"Lederstreifen", 1, kEmbossed}}});
    const std::uint16_t steel = albion.AddPattern({.name = "", .material = kSteel, .skill = 200,
                                                   .slots = {{"Schleifstein", 3, 0}}});
    const std::uint16_t swords = albion.AddCategory(CategoryPlan{.name = "Schwerter", .patterns = {shortSword, broadSword, steel}});
    albion.skills.push_back({.name = "Waffenschmied", .categories = {99, swords}});

    fixtures::RealmPlan& midgard = table.realms[1];
    const std::uint16_t robe = midgard.AddPattern(
        {.name = "Robe", .skill = 10, .slots = {{"Faden", 2, 0}, {"Stoffballen", 4, kLinen}}});
    const std::uint16_t mixed = midgard.AddPattern(
        {.name = "Gemisch", .skill = 20,
         .slots = {{"zinn", 1, 0}, {"\xC4ther", 1, 0}, {"Asche", 1, 0}, {"faden", 1, 0}, {"Faden", 1, 0}}});
    midgard.skills.push_back(
        {.name = "Schneider", .categories = {midgard.AddCategory(CategoryPlan{.name = "Roben", .patterns = {robe, mixed}})}});
    return table;
}

PatternIndex IndexOf(const TablePlan& table, Language language = Language::German, RecipeTree* tree = nullptr,
                     bool debug = false) {
    const fixtures::Bytes image = fixtures::WriteRecipeTable(table);
    MpakMember member = MpakMember::Allocate(image.size());
    std::copy(image.begin(), image.end(), member.data());
    PatternIndex index;
    LoadOptions options;
    options.language = language;
    options.tree = tree;
    options.alongside = &index;
    options.debug = debug;
    if (tree != nullptr) tree->DeleteAllItems();
    EXPECT_TRUE(LoadRecipeTableImage(std::move(member), options));
    if (tree != nullptr) tree->Finish();
    return index;
}

PatternKey Key(std::string realm, std::string pattern, std::optional<std::uint16_t> index = std::nullopt,
               std::string skill = "Waffenschmied", std::string category = "Schwerter") {
    return PatternKey{std::move(realm), std::move(skill), std::move(category), std::move(pattern), index};
}
PlanEntry Entry(PatternKey key, std::uint32_t count) { return PlanEntry{std::move(key), count}; }

const PatternKey kShort = Key("Albion", "Kurzschwert", 1);
const PatternKey kBroad = Key("Albion", "Breitschwert", 2);
const PatternKey kRobe = Key("Midgard", "Robe", 1, "Schneider", "Roben");

TEST(PlanTest, Totals) {
    struct Case {
        const char* what;
        Language language;
        Plan plan;
        std::string text;
    };
    const Case cases[] = {
        {"sums across patterns", Language::German, {Entry(kShort, 10), Entry(kBroad, 5)},
         "10 Faden\n 5 Lederstreifen: Gepr\xC3\xA4gt\n40 Metallbarren: Eisen\n"},
        {"a slot without material, a pattern named after its material", Language::German,
         {Entry(Key("Albion", "Stahl", 3), 2)}, "6 Schleifstein\n"},
        {"equal lines from two patterns add up", Language::German, {Entry(kShort, 1), Entry(kRobe, 1)},
         "3 Faden\n2 Metallbarren: Eisen\n4 Stoffballen: Leinen\n"},
        {"English names", Language::English, {Entry(kShort, 10), Entry(kBroad, 5)},
         "10 Faden\n 5 Lederstreifen: Embossed\n40 Metallbarren: Iron\n"},
        {"a German pattern name in English", Language::English, {Entry(Key("Albion", "Stahl", 3), 1)},
         "3 Schleifstein\n"},
        {"folded order, then bytes", Language::German,
         {Entry(Key("Midgard", "Gemisch", 2, "Schneider", "Roben"), 1)},
         "1 Asche\n1 \xC3\x84ther\n1 Faden\n1 faden\n1 zinn\n"},
        {"missing entries are counted, the rest summed", Language::German,
         {Entry(Key("Albion", "Zauberschwert", 9), 3), Entry(kRobe, 2), Entry(Key("Hibernia", "Robe"), 1)},
         "4 Faden\n8 Stoffballen: Leinen\n2 entries are missing from this table and left out\n"},
        {"the largest counts", Language::German, {Entry(kBroad, 9999), Entry(kBroad, 9999)},
         "19998 Lederstreifen: Gepr\xC3\xA4gt\n79992 Metallbarren: Eisen\n"},
        {"an empty plan", Language::German, {}, ""},
        {"a zero count lists its lines once", Language::German, {Entry(kShort, 0), Entry(kShort, 1)},
         "1 Faden\n2 Metallbarren: Eisen\n"},
    };
    const PatternIndex german = IndexOf(PlanTable(), Language::German);
    const PatternIndex english = IndexOf(PlanTable(), Language::English);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PatternIndex& index = c.language == Language::English ? english : german;
        const std::vector<PatternRef> resolved = ResolvePlan(c.plan, index);
        EXPECT_EQ(PlanTotalsText(SumPlan(c.plan, resolved, index), index), c.text);
    }
}

// Albion's swords with a second Kurzschwert, and a pattern in a skill and a
// category that, like it, have no names (the skill's cannot be read).
TablePlan TwinTable() {
    TablePlan table = PlanTable();
    fixtures::RealmPlan& albion = table.realms[0];
    const std::uint16_t twin = albion.AddPattern({.name = "Kurzschwert", .skill = 30, .slots = {{"Faden", 5, 0}}});
    for (CategoryPlan& category : albion.categories) {
        if (category.name == "Schwerter") category.patterns.push_back(twin);
    }
    const std::uint16_t nameless = albion.AddPattern({.name = "", .skill = 1});
    albion.skills.push_back({.categories = {albion.AddCategory(CategoryPlan{.name = "", .patterns = {nameless}})}});
    albion.skills.back().rawName = 0xFFF0;
    return table;
}

TEST(PlanTest, Resolution) {
    // After a patch: two new patterns in front of Albion's, so every old
    // pattern has a new table index, and index 2 is now another pattern.
    TablePlan patched = PlanTable();
    fixtures::RealmPlan& albion = patched.realms[0];
    albion.patterns.insert(albion.patterns.begin() + 1, {PatternPlan{.name = "Dolch"}, PatternPlan{.name = "Speer"}});
    albion.categories[1].patterns = {3, 4, 5};
    albion.categories.push_back(CategoryPlan{.name = "Dolche", .patterns = {1, 3}});
    albion.skills[0].categories.push_back(2);
    enum Table { kBefore, kAfterPatch, kTwins };
    struct Case {
        const char* what;
        Table table;
        PatternKey key;
        std::string pattern;
        std::optional<std::uint16_t> index;  // none: missing
    };
    const Case cases[] = {
        {"by realm and index", kBefore, kBroad, "Breitschwert", 2},
        {"by names when the index holds another pattern", kBefore, Key("Albion", "Breitschwert", 1), "Breitschwert", 2},
        {"by names without an index", kBefore, Key("Albion", "Kurzschwert"), "Kurzschwert", 1},
        {"the other language's name of a material pattern", kBefore, Key("Albion", "Steel", 3), "Stahl", 3},
        {"by names after a patch moved it", kAfterPatch, kBroad, "Breitschwert", 4},
        {"by index where the names agree in one of two categories", kAfterPatch,
         Key("Albion", "Kurzschwert", 3, "Waffenschmied", "Dolche"), "Kurzschwert", 3},
        {"by names in the second category", kAfterPatch, Key("Albion", "Kurzschwert", 1, "Waffenschmied", "Dolche"),
         "Kurzschwert", 3},
        {"another realm", kBefore, Key("Hibernia", "Kurzschwert", 1), "", std::nullopt},
        {"another skill", kBefore, Key("Albion", "Kurzschwert", 1, "Schneider"), "", std::nullopt},
        {"no such pattern", kAfterPatch, Key("Albion", "Zauberschwert", 2), "", std::nullopt},
        {"the category must agree at the index", kBefore, Key("Albion", "Kurzschwert", 1, "Waffenschmied", "Dolche"), "",
         std::nullopt},
        {"the category must agree by names", kBefore, Key("Albion", "Kurzschwert", std::nullopt, "Waffenschmied", "Dolche"),
         "", std::nullopt},
        {"by realm and index, the second of one name", kTwins, Key("Albion", "Kurzschwert", 4), "Kurzschwert", 4},
        {"by names, the first of one name", kTwins, Key("Albion", "Kurzschwert"), "Kurzschwert", 1},
        {"names that are empty in the table", kTwins, Key("Albion", "", 5, "", ""), "", 5},
        {"names left empty in the plan: realm and index", kBefore, Key("Albion", "", 2, "", ""), "Breitschwert", 2},
        {"an empty pattern name, another skill", kBefore, Key("Albion", "", 2, "Schneider", ""), "", std::nullopt},
    };
    const PatternIndex indexes[] = {IndexOf(PlanTable()), IndexOf(patched), IndexOf(TwinTable())};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PatternIndex& index = indexes[c.table];
        const PatternRef found = index.Find(c.key);
        if (!c.index) {
            EXPECT_EQ(found, kNoPattern);
            continue;
        }
        ASSERT_NE(found, kNoPattern);
        EXPECT_EQ(index.PatternName(found), c.pattern);
        EXPECT_EQ(index.KeyOf(found).index, c.index);
    }
}

TEST(PlanTest, IndexFollowsTheTree) {
    for (const bool debug : {false, true}) {
        SCOPED_TRACE(debug);
        RecipeTree tree;
        const PatternIndex index = IndexOf(PlanTable(), Language::German, &tree, debug);
        std::size_t patterns = 0;
        for (TreeItem item = 1; item <= tree.size(); ++item) {
            int depth = 0;
            for (TreeItem up = tree.Parent(item); up != kTreeRoot; up = tree.Parent(up)) ++depth;
            const PatternRef pattern = index.PatternAtItem(item);
            if (depth != kPatternDepth) {
                EXPECT_EQ(pattern, kNoPattern) << tree.Label(item);
                continue;
            }
            ASSERT_NE(pattern, kNoPattern) << tree.Label(item);
            EXPECT_TRUE(tree.Label(item).starts_with(std::string(index.PatternName(pattern)) + " (")) << tree.Label(item);
            ++patterns;
        }
        EXPECT_EQ(patterns, index.size());
    }
}

// Names that would carry the index's name pool past its 32-bit offsets are
// memory that ran out, also where three bytes a character wraps in size_t
// (the name bytes here do not exist).
TEST(PlanTest, NamesBeyondThePoolRunOutOfMemory) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    for (const std::size_t size : {kMax, kMax / 3 + 1, kMax / 3 + 2, std::size_t{0xFFFFFFFFu / 3 + 1}}) {
        PatternIndex index;
        index.Realm(1, 0, "Albion");
        const char byte = 'x';
        EXPECT_THROW(index.Skill(2, SkillRecord{}, std::string_view(&byte, size)), std::bad_alloc) << size;
        EXPECT_THROW(index.Category(3, 0, 1, std::string_view(&byte, size)), std::bad_alloc) << size;
    }
}

TEST(PlanTest, AddingCountsUpToTheLimit) {
    const PatternIndex index = IndexOf(PlanTable());
    Plan plan;
    std::vector<PatternRef> resolved;
    const PatternRef broad = index.Find(kBroad);
    EXPECT_EQ(AddToPlan(plan, resolved, index, broad), 0u);
    EXPECT_EQ(AddToPlan(plan, resolved, index, index.Find(kShort)), 1u);
    EXPECT_EQ(AddToPlan(plan, resolved, index, broad), 0u);
    EXPECT_EQ(plan, (Plan{Entry(kBroad, 2), Entry(kShort, 1)}));
    plan[0].count = kMaxPlanCount;
    AddToPlan(plan, resolved, index, broad);
    EXPECT_EQ(plan[0].count, kMaxPlanCount);
}

TEST(PlanTest, CsvAndJsonTotals) {
    const PatternIndex index = IndexOf(PlanTable(), Language::English);
    const Plan plan{Entry(kShort, 2), Entry(Key("Albion", "Zauberschwert"), 1)};
    const std::vector<PatternRef> resolved = ResolvePlan(plan, index);
    const PlanTotals totals = SumPlan(plan, resolved, index);
    EXPECT_EQ(PlanTotalsCsv(totals, index),
              "\xEF\xBB\xBFunit,ingredient,material_id,quantity\r\n,Faden,,2\r\nMetallbarren,Iron,8,4\r\n");
    rapidjson::Document json;
    json.Parse(PlanJson(plan, resolved, totals, index).c_str());
    ASSERT_FALSE(json.HasParseError());
    EXPECT_EQ(json["missing"].GetUint(), 1u);
    EXPECT_TRUE(json["entries"][0]["resolved"].GetBool());
    EXPECT_EQ(json["entries"][0]["index"].GetUint(), 1u);
    EXPECT_FALSE(json["entries"][1]["resolved"].GetBool());
    EXPECT_TRUE(json["entries"][1]["index"].IsNull());
    EXPECT_STREQ(json["totals"][1]["name"].GetString(), "Metallbarren: Iron");
    EXPECT_EQ(json["totals"][1]["quantity"].GetUint(), 4u);
    EXPECT_TRUE(json["totals"][0]["material_id"].IsNull());
}

TEST(PlanTest, PlanFile) {
    const Plan plan{Entry(kBroad, 12), Entry(Key("Albion", "Schwert, \"gro\xC3\x9F\"", std::nullopt), 9999),
                    Entry(kRobe, 1), Entry(Key("Midgard", "Ro\rbe", 1, " Schneider", "Roben\n"), 2),
                    Entry(Key("Albion", "", 5, "", "in side\t"), 3)};
    const std::string written = PlanFileText(plan);
    EXPECT_EQ(written, "\xEF\xBB\xBFrealm,skill,category,pattern,index,count\r\n"
                       "Albion,Waffenschmied,Schwerter,Breitschwert,2,12\r\n"
                       "Albion,Waffenschmied,Schwerter,\"Schwert, \"\"gro\xC3\x9F\"\"\",,9999\r\n"
                       "Midgard,Schneider,Roben,Robe,1,1\r\n"
                       "Midgard,\" Schneider\",\"Roben\n\",\"Ro\rbe\",1,2\r\n"
                       "Albion,,\"in side\t\",,5,3\r\n");
    std::string lf = written.substr(3);
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    const PlanEntry kRobeUnindexed = Entry(Key("Midgard", "Robe", std::nullopt, "Schneider", "Roben"), 2);

    struct Case {
        const char* what;
        std::string bytes;
        Plan plan;
        std::string problems;  // DescribeProblems
    };
    const Case cases[] = {
        {"as written: byte-order mark, CR LF", written, plan, ""},
        {"without the mark, LF", lf, plan, ""},
        {"blank lines, a lone CR, no final line end",
         "realm,skill,category,pattern,index,count\n\nMidgard,Schneider,Roben,Robe,1,1\rMidgard,Schneider,Roben,Robe,,2",
         {Entry(kRobe, 1), Entry(Key("Midgard", "Robe", std::nullopt, "Schneider", "Roben"), 2)}, ""},
        {"columns in another order, spaces around numbers",
         "Count,Pattern,Category,Skill,Realm\r\n 3 ,Robe,Roben,Schneider,Midgard\r\n",
         {Entry(Key("Midgard", "Robe", std::nullopt, "Schneider", "Roben"), 3)}, ""},
        {"no header", "Midgard,Schneider,Roben,Robe,1,4\n", {Entry(kRobe, 4)}, ""},
        {"blanks around names and quotes, quoted blanks kept",
         " Midgard ,\tSchneider , \" Roben \" ,Robe\t,,2\nMidgard , \"Schneider\",Roben, Robe ,, 2 \n",
         {Entry(Key("Midgard", "Robe", std::nullopt, "Schneider", " Roben "), 2), kRobeUnindexed}, ""},
        {"empty names with an index, an empty pattern without",
         "Albion,,,,5,1\nAlbion,Waffenschmied,Schwerter,,,1\nAlbion,,,\"\",,1\n",
         {Entry(Key("Albion", "", 5, "", ""), 1)},
         "line 2: the realm or the pattern is empty\nline 3: the realm or the pattern is empty\n"},
        {"bad counts, a bad index, a short row",
         "realm,skill,category,pattern,index,count\n"
         "Midgard,Schneider,Roben,Robe,1,0\n"
         "Midgard,Schneider,Roben,Robe,1,10000\n"
         "\"Mid\ngard\",Schneider,Roben,Robe,1,zwei\n"
         "Midgard,Schneider,Roben,Robe,0,1\n"
         "Midgard,Schneider,Roben\n"
         "Midgard,Schneider,Roben,Robe,1,5\n"
         ",Schneider,Roben,Robe,1,5\n",
         {Entry(kRobe, 5)},
         "line 2: count '0' is not a number from 1 to 9999\n"
         "line 3: count '10000' is not a number from 1 to 9999\n"
         "line 4: count 'zwei' is not a number from 1 to 9999\n"
         "line 6: index '0' is not a number from 1 to 65535\n"
         "line 7: a short row: 3 fields, 6 expected\n"
         "line 9: the realm or the pattern is empty\n"},
        {"quotes", "a,b,c,\"d\"x,1,1\nMidgard,Schneider,Roben,Robe,1,1\n\"open,1", {Entry(kRobe, 1)},
         "line 1: text follows a closing quote\nline 3: a quoted field is not closed\n"},
        {"a header without count", "realm,skill,category,pattern\nMidgard,Schneider,Roben,Robe\n", {},
         "line 1: the header has no column 'count'\n"},
        {"empty", "", {}, ""},
        {"only the mark", "\xEF\xBB\xBF", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PlanFileRead read = ParsePlanFile(c.bytes);
        EXPECT_EQ(read.plan, c.plan);
        EXPECT_EQ(DescribeProblems(read), c.problems);
    }
    // Endless rows and fields are cut off, not held.
    std::string many = "Midgard,Schneider,Roben,Robe,1,1" + std::string(1000000, ',') + "\n";
    for (std::size_t row = 0; row < kMaxPlanEntries; ++row) many += "Midgard,Schneider,Roben,Robe,1,2\n";
    const PlanFileRead cut = ParsePlanFile(many);
    EXPECT_EQ(cut.plan.size(), kMaxPlanEntries);
    EXPECT_EQ(DescribeProblems(cut), "line 100001: more than 100000 entries: the rest is not read\n");
    // Every prefix of a file is read without harm.
    for (std::size_t n = 0; n <= written.size(); ++n) ParsePlanFile(std::string_view(written).substr(0, n));
}

TEST(PlanTest, PlanFileOnDisk) {
    const std::string path = ::testing::TempDir() + "plan-test.csv";
    const Plan plan{Entry(kBroad, 7)};
    ASSERT_TRUE(WritePlanFile(path, plan));
    EXPECT_EQ(ReadPlanFile(path).plan, plan);
    std::remove(path.c_str());
    const PlanFileRead absent = ReadPlanFile(path);
    EXPECT_FALSE(absent.ok());
    EXPECT_EQ(absent.failure, path + ": No such file or directory");
    EXPECT_FALSE(WritePlanFile("/nonexistent-folder/plan.csv", plan));
}

}  // namespace
}  // namespace artisanscope
