#include "WalkTestSupport.h"
#include "fixtures/RandomTable.h"

#include <gtest/gtest.h>

using namespace artisanscope;
using namespace artisanscope::fixtures;
using namespace artisanscope::testing;

namespace {

using Rows = std::vector<std::pair<int, std::string>>;

// The recipe of the examples: skill S (data 1 2 3) holding, at position 5,
// category K as index 3; K holds pattern P (skill 150, lvl 10, data 4 5 6,
// data5 7) with slot T x2 of material 8 and slot U x1 without material.
TablePlan ExampleTable(std::uint32_t version = 102) {
    TablePlan plan;
    plan.version = version;
    RealmPlan& albion = plan.realms[0];
    PatternPlan p{.name = "P", .data1 = 4, .data2 = 5, .data3 = 6, .skill = 150, .lvl = 10, .data5 = 7};
    p.slots = {{.name = "T", .quantity = 2, .material = 8}, {.name = "U", .quantity = 1}};
    const std::uint16_t pattern = albion.AddPattern(p);
    albion.AddCategory({.name = "unused1"});
    albion.AddCategory({.name = "unused2"});
    const std::uint16_t k = albion.AddCategory({.name = "K", .patterns = {pattern}});
    EXPECT_EQ(k, 3);
    albion.skills = {{.name = "S", .data1 = 1, .data2 = 2, .data3 = 3, .categories = {0, 0, 0, 0, 0, k}}};
    return plan;
}


}  // namespace

TEST(WalkTest, ExampleTreeInBothModes) {
    const Rows normal{{0, "Albion"}, {1, "S"}, {2, "K"}, {3, "P (150)"}, {4, "T: 2 Eisen"}, {4, "1 U"},
                      {0, "Midgard"}, {0, "Hibernia"}};
    EXPECT_EQ(LoadTable(ExampleTable()).rows, normal);
    const Rows debug{{0, "Albion"}, {1, "S 1 2 3"}, {2, "5 K cat=3"}, {3, "P (150) lvl=10 4 5 6-7"},
                     {4, "T: 2 Eisen"}, {4, "1 U"}, {0, "Midgard"}, {0, "Hibernia"}};
    EXPECT_EQ(LoadTable(ExampleTable(), {.debug = true}).rows, debug);
}

TEST(WalkTest, ExampleTextRows) {
    const LoadOutputs normal = LoadTable(ExampleTable());
    EXPECT_EQ(normal.text, std::string(kTextHeader) + "Albion;S;K;P;150;2;T;Eisen;1;;U\r\n");
    const LoadOutputs debug = LoadTable(ExampleTable(), {.debug = true});
    EXPECT_EQ(debug.text, std::string(kTextHeaderDebug) + "Albion;S;K;P;150;1;2;3;4;5;6;7;2;T;Eisen;1;;U\r\n");
    EXPECT_TRUE(normal.messages.empty());
}

TEST(WalkTest, EnglishChangesOnlyMaterialNames) {
    TablePlan plan = ExampleTable();
    plan.realms[0].patterns[1].material = 50;  // the pattern is now named by its material
    const LoadOutputs german = LoadTable(plan);
    const LoadOutputs english = LoadTable(plan, {.english = true});
    EXPECT_EQ(german.rows[3].second, "Bl\xE4tter (150)");
    EXPECT_EQ(english.rows[3].second, "Leaf (150)");
    EXPECT_EQ(english.rows[4].second, "T: 2 Iron");
    EXPECT_EQ(english.text, std::string(kTextHeader) + "Albion;S;K;Leaf;150;2;T;Iron;1;;U\r\n");
    for (std::size_t i : {0u, 1u, 2u, 5u}) EXPECT_EQ(german.rows[i], english.rows[i]);
}

// Skill values above 2000 hide a pattern, with its whole subtree, from the
// tree and both exports outside debug mode; 2000 itself is shown.
TEST(WalkTest, HidingRuleAt2000) {
    for (const std::uint16_t skill : {std::uint16_t{2000}, std::uint16_t{2001}, std::uint16_t{65535}}) {
        for (const bool debug : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "skill " << skill << " debug " << debug);
            TablePlan plan = ExampleTable();
            plan.realms[0].patterns[1].skill = skill;
            const LoadOutputs r = LoadTable(plan, {.debug = debug});
            const bool shown = debug || skill <= 2000;
            EXPECT_EQ(r.rows.size(), shown ? 8u : 5u);
            EXPECT_EQ(r.text.find("Albion;S;K;P;") != std::string::npos, shown);
            EXPECT_EQ(r.savedXml.find("<Pattern") != std::string::npos, shown);
            EXPECT_NE(r.savedXml.find("<Item name=\"K\""), std::string::npos) << "the category stays";
        }
    }
}

TEST(WalkTest, IllegalCategoryIndexIsTreeOnly) {
    TablePlan plan = ExampleTable();
    RealmPlan& albion = plan.realms[0];
    albion.categoryCount = 40;
    while (albion.categories.size() < 40) albion.AddCategory({.name = "C" + std::to_string(albion.categories.size())});
    albion.skills[0].categories = {0, 0, 0, 0, 0, 0, 0, 40, 39};
    for (const bool debug : {false, true}) {
        const LoadOutputs r = LoadTable(plan, {.debug = debug});
        ASSERT_EQ(r.rows.size(), 6u);
        EXPECT_EQ(r.rows[2], (std::pair<int, std::string>{2, "ILLEGAL INDEX 7 cat=40 max=40"}));
        EXPECT_EQ(r.rows[3].second, debug ? "8 C39 cat=39" : "C39") << "count - 1 is the highest legal index";
        EXPECT_EQ(r.savedXml.find("ILLEGAL"), std::string::npos);
        EXPECT_EQ(r.text, std::string(debug ? kTextHeaderDebug : kTextHeader));
        EXPECT_NE(r.savedXml.find("<Item name=\"C39\" />"), std::string::npos);
    }
    // A count of 0 makes every index illegal; a legal index whose record lies
    // outside the image is skipped.
    albion.categoryCount = 0;
    albion.skills[0].categories = {65535};
    EXPECT_EQ(LoadTable(plan).rows[2].second, "ILLEGAL INDEX 0 cat=65535 max=0");
    albion.categoryCount = 0xFFFFFFFFu;
    EXPECT_EQ(LoadTable(plan).rows.size(), 4u);
}

TEST(WalkTest, EmptyAndSharedStructure) {
    TablePlan plan = ExampleTable();
    RealmPlan& albion = plan.realms[0];
    const std::uint16_t empty = albion.AddCategory({.name = "Empty", .patterns = {0, 0}});
    albion.skills.push_back({.name = "", .categories = {3}});                   // empty slot: absent
    albion.skills.push_back({.name = "Second", .categories = {0, 3, empty}});  // K shared with S
    albion.skills.push_back({.name = "Nothing"});                               // no categories
    const Rows expected{{0, "Albion"}, {1, "S"}, {2, "K"}, {3, "P (150)"}, {4, "T: 2 Eisen"}, {4, "1 U"},
                        {1, "Second"}, {2, "K"}, {3, "P (150)"}, {4, "T: 2 Eisen"}, {4, "1 U"}, {2, "Empty"},
                        {1, "Nothing"}, {0, "Midgard"}, {0, "Hibernia"}};
    const LoadOutputs r = LoadTable(plan);
    EXPECT_EQ(r.rows, expected);
    EXPECT_EQ(r.text, std::string(kTextHeader) + "Albion;S;K;P;150;2;T;Eisen;1;;U\r\n" +
                          "Albion;Second;K;P;150;2;T;Eisen;1;;U\r\n");
    EXPECT_NE(r.savedXml.find("<Skill name=\"Nothing\" />"), std::string::npos);
    EXPECT_NE(r.savedXml.find("<Item name=\"Empty\" />"), std::string::npos);
}

TEST(WalkTest, SlotsAndMaterialNames) {
    TablePlan plan;
    RealmPlan& hib = plan.realms[2];
    PatternPlan p{.name = "ignored", .material = 3, .skill = 1};
    p.slots = {{.name = "X", .quantity = 0, .material = 8},  // empty despite its material
               {.name = "A", .quantity = 1, .material = 176},
               {.name = "B", .quantity = 65535, .material = 256},
               {.name = "C", .quantity = 2, .material = 65535}};
    PatternPlan bare{.name = "Bare;semi", .material = 0, .skill = 7};
    PatternPlan high{.name = "High", .material = 70000, .skill = 3};
    const std::uint16_t a = hib.AddPattern(p), b = hib.AddPattern(bare), c = hib.AddPattern(high);
    const std::uint16_t k = hib.AddCategory({.name = "K", .patterns = {a, b, c}});
    hib.skills = {{.name = "S", .categories = {k}}};
    const LoadOutputs r = LoadTable(plan);
    const Rows expected{{0, "Albion"}, {0, "Midgard"}, {0, "Hibernia"}, {1, "S"}, {2, "K"},
                        {3, "3 (1)"}, {4, "A: 1 176"}, {4, "B: 65535 256"}, {4, "C: 2 65535"},
                        {3, "Bare;semi (7)"}, {3, "70000 (3)"}};
    EXPECT_EQ(r.rows, expected);
    EXPECT_EQ(r.text, std::string(kTextHeader) + "Hibernia;S;K;3;1;1;A;176;65535;B;256;2;C;65535\r\n" +
                          "Hibernia;S;K;Bare;semi;7\r\n" + "Hibernia;S;K;70000;3\r\n");
    const LoadOutputs debug = LoadTable(plan, {.debug = true});
    EXPECT_NE(debug.text.find("\r\nHibernia;S;K;Bare;semi;7;0;0;0;0;0;0;0\r\n"), std::string::npos)
        << "a pattern without slots has twelve fields in debug mode";
}

TEST(WalkTest, UmlautBytesPassThrough) {
    TablePlan plan = ExampleTable();
    plan.realms[0].skills[0].name = "Schmied \xE4\xF6\xFC\x80";
    plan.realms[0].patterns[1].slots[0].material = 22;  // Geprägt
    const LoadOutputs r = LoadTable(plan);
    EXPECT_EQ(r.rows[1].second, "Schmied \xE4\xF6\xFC\x80");
    EXPECT_EQ(r.rows[4].second, "T: 2 Gepr\xE4gt");
    EXPECT_NE(r.text.find("Albion;Schmied \xE4\xF6\xFC\x80;K;P;150;2;T;Gepr\xE4gt;"), std::string::npos);
    EXPECT_NE(r.savedXml.find("name=\"Gepr\xE4gt\""), std::string::npos);
    EXPECT_NE(r.savedXml.find("name=\"Schmied \xE4\xF6\xFC\x80\""), std::string::npos);
}

TEST(WalkTest, SixteenBitValuesPrintUnsigned) {
    TablePlan plan = ExampleTable();
    plan.realms[0].skills[0].data1 = 65535;
    PatternPlan& p = plan.realms[0].patterns[1];
    p.skill = p.lvl = p.data1 = p.data5 = 65535;
    p.slots[1].quantity = 65535;
    const LoadOutputs r = LoadTable(plan, {.debug = true});
    EXPECT_EQ(r.rows[1].second, "S 65535 2 3");
    EXPECT_EQ(r.rows[3].second, "P (65535) lvl=65535 65535 5 6-65535");
    EXPECT_EQ(r.rows[5].second, "65535 U");
    EXPECT_NE(r.text.find("Albion;S;K;P;65535;65535;2;3;65535;5;6;65535;2;T;Eisen;65535;;U\r\n"), std::string::npos);
    EXPECT_NE(r.savedXml.find("<Pattern name=\"P\" skill=\"65535\" data1=\"65535\" data2=\"5\" data3=\"6\" data5=\"65535\">"),
              std::string::npos);
    EXPECT_NE(r.savedXml.find("<Ingredient name=\"U\" quantity=\"65535\" />"), std::string::npos);
}

TEST(WalkTest, VersionRule) {
    struct Case {
        std::uint32_t version;
        bool ok;
        std::vector<std::string> messages;  // with an XML document attached
        std::size_t rows;
        bool bodyRows;      // text rows after the header
        bool xmlElements;   // elements below the root
    } cases[] = {
        {102, true, {}, 8, true, true},
        {103, true, {std::string(kNewerVersionMessage)}, 8, true, true},
        {101, true, {std::string(kLegacyXmlMessage)}, 6 + 2, true, false},
        {100, false, {std::string(kLegacyXmlMessage), std::string(kOldVersionMessage)}, 0, false, false},
        {0, false, {std::string(kLegacyXmlMessage), std::string(kOldVersionMessage)}, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        for (const bool debug : {false, true}) {
            const LoadOutputs r = LoadTable(ExampleTable(c.version), {.debug = debug});
            EXPECT_EQ(r.ok, c.ok);
            EXPECT_EQ(r.messages, c.messages);
            EXPECT_EQ(r.rows.size(), c.rows);
            if (!c.ok) {
                // A refused table writes no export at all.
                EXPECT_EQ(r.text, "");
                EXPECT_EQ(r.savedXml, "");
                continue;
            }
            const std::string header(debug ? kTextHeaderDebug : kTextHeader);
            ASSERT_EQ(r.text.substr(0, header.size()), header) << "header is chosen by debug mode alone";
            EXPECT_EQ(r.text.size() > header.size(), c.bodyRows);
            EXPECT_EQ(r.savedXml.find("<Realm") != std::string::npos, c.xmlElements);
            EXPECT_NE(r.savedXml.find("<Recipes"), std::string::npos) << "declaration and root come first";
        }
        // Without an XML document the legacy walk has nothing to warn about.
        const LoadOutputs noXml = LoadTable(ExampleTable(c.version), {.xml = false});
        EXPECT_EQ(noXml.messages.size(), c.version == 102 || c.version == 101 ? 0u : 1u);
    }
}

TEST(WalkTest, LegacyTableMatchesNormalWalkAndIgnoresDebug) {
    TablePlan plan;
    RealmPlan& albion = plan.realms[0];
    PatternPlan p{.name = "P", .skill = 5};
    p.slots = {{.name = "A", .quantity = 2, .material = 7}, {.name = "B", .quantity = 1}};
    PatternPlan hidden{.name = "H", .skill = 2001};
    const std::uint16_t pi = albion.AddPattern(p), hi = albion.AddPattern(hidden);
    const std::uint16_t g = albion.AddCategory({.name = "G", .patterns = {pi, hi}});
    albion.skills = {{.name = "K", .data1 = 9, .categories = {g, 99}}};
    plan.version = 101;
    for (const bool debug : {false, true}) {
        const LoadOutputs r = LoadTable(plan, {.debug = debug, .xml = false});
        const Rows expected{{0, "Albion"}, {1, "K"}, {2, "G"}, {3, "P (5)"}, {4, "A: 2 Bronze"}, {4, "1 B"},
                            {3, "H (2001)"}, {2, "ILLEGAL INDEX 1 cat=99 max=2"}, {0, "Midgard"}, {0, "Hibernia"}};
        EXPECT_EQ(r.rows, expected);
        EXPECT_EQ(r.text, std::string(debug ? kTextHeaderDebug : kTextHeader) + "Albion;K;G;P;5;2;A;Bronze;1;;B\r\n" +
                              "Albion;K;G;H;2001\r\n");
    }
}

TEST(WalkTest, MissingTableLeavesEverythingEmpty) {
    TempDir dir;
    fixtures::MpakPlan archive;
    archive.members = {{.name = "other.crf", .content = {1, 2, 3}}};
    fixtures::WriteFile(dir / "ifd.mpk", fixtures::WriteMpak(archive));
    RecordingLoad dialog;
    dialog.tree.InsertItem(kTreeRoot, "stale");
    std::FILE* text = std::tmpfile();
    TextExport writer(text);
    EXPECT_EQ(LoadRecipeTable(dir / "ifd.mpk", dialog.Options(&writer)).status, LoadStatus::ArchiveUnreadable);
    writer.End();
    EXPECT_EQ(dialog.tree.size(), 0u);
    EXPECT_EQ(ReadAll(text), "") << "the writer is never begun";
    EXPECT_EQ(LoadRecipeTable("", dialog.Options(nullptr)).status, LoadStatus::ArchiveUnreadable);
    std::fclose(text);

    // The same archive with the table loads through the file.
    fixtures::WriteGameDirectory(dir.path(), fixtures::WriteRecipeTable(ExampleTable()));
    EXPECT_TRUE(LoadRecipeTable(dir / "data/ifd.mpk", dialog.Options(nullptr)));
    EXPECT_EQ(dialog.tree.size(), 8u);
}

// Every event carries the number a tree filled from the same walk gives its
// item: one for a realm, skill, illegal category or category, one for a
// pattern and the next ones for its ingredients; for tables of every shape
// and version, in both modes.
TEST(WalkTest, EventsCarryTheirTreeItems) {
    struct Event {
        TreeItem item;
        int depth;
        std::size_t ingredients;
    };
    struct Recorder final : RecipeSink {
        void Realm(TreeItem item, std::size_t, std::string_view) override { events.push_back({item, 0, 0}); }
        void Skill(TreeItem item, const SkillRecord&, std::string_view) override { events.push_back({item, 1, 0}); }
        void IllegalCategory(TreeItem item, std::size_t, std::uint32_t, std::uint32_t) override {
            events.push_back({item, 2, 0});
        }
        void Category(TreeItem item, std::size_t, std::uint32_t, std::string_view) override {
            events.push_back({item, 2, 0});
        }
        void Pattern(TreeItem item, const ResolvedPattern& pattern) override {
            events.push_back({item, kPatternDepth, pattern.ingredientCount});
        }
        std::vector<Event> events;
    };
    for (std::uint64_t seed = 1; seed <= 120; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        const Bytes image = WriteRecipeTable(RandomTableOptions(seed));
        RecordingLoad load(false, (seed & 1) != 0);
        Recorder recorder;
        artisanscope::LoadOptions options = load.Options();
        options.alongside = &recorder;
        MpakMember member = MpakMember::Allocate(image.size());
        std::copy(image.begin(), image.end(), member.data());
        if (!LoadRecipeTableImage(std::move(member), options)) continue;
        load.tree.Finish();
        TreeItem next = 1;
        for (const Event& event : recorder.events) {
            ASSERT_EQ(event.item, next);
            int depth = -1;
            for (TreeItem up = event.item; up != kTreeRoot; up = load.tree.Parent(up)) ++depth;
            EXPECT_EQ(depth, event.depth) << load.tree.Label(event.item);
            if (event.depth == kPatternDepth) {
                EXPECT_EQ(load.tree.ChildCount(event.item), event.ingredients);
            }
            next = event.item + 1 + static_cast<TreeItem>(event.ingredients);
        }
        EXPECT_EQ(next - 1, load.tree.size());
    }
}
