// The streamed XML export against TinyXML: the document built by XmlExport
// and saved with SaveFile is the reference, byte for byte.

#include "RecordingLoad.h"
#include "load/LoadRecipeTable.h"
#include "export/XmlStream.h"
#include "fixtures/RandomTable.h"
#include "fixtures/TableWriter.h"
#include "fixtures/MemoryFile.h"
#include "fixtures/XmlExport.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace artisanscope;
using namespace artisanscope::fixtures;

namespace {

struct Mode {
    bool english = false;
    bool debug = false;
};

// One load of image into a writer of the given kind, as an export runs it:
// the output counts only when the load succeeded and the writer wrote all.
template <class Writer>
std::string Exported(const Bytes& image, Mode mode) {
    artisanscope::testing::RecordingLoad dialog(mode.english, mode.debug);
    MemoryFile file;
    Writer writer(file.get());
    MpakMember member = MpakMember::Allocate(image.size());
    std::copy(image.begin(), image.end(), member.data());
    dialog.tree.DeleteAllItems();
    const bool loaded = static_cast<bool>(LoadRecipeTableImage(std::move(member), dialog.Options(&writer)));
    dialog.tree.Finish();
    const bool written = loaded && writer.Ok();
    const std::string bytes = file.Take();
    return written ? bytes : "(not written)";
}

// The reference: the TinyXML document built by XmlExport, saved with SaveFile.
std::string SavedByTinyXml(const Bytes& image, Mode mode) { return Exported<XmlDocumentWriter>(image, mode); }
std::string Streamed(const Bytes& image, Mode mode) { return Exported<XmlStreamExport>(image, mode); }

void ExpectSameInEveryMode(const TablePlan& plan) {
    const Bytes image = WriteRecipeTable(plan);
    for (const Mode mode : {Mode{false, false}, Mode{true, false}, Mode{false, true}, Mode{true, true}}) {
        SCOPED_TRACE(::testing::Message() << "english " << mode.english << " debug " << mode.debug);
        const std::string expected = SavedByTinyXml(image, mode);
        ASSERT_EQ(Streamed(image, mode), expected);
    }
}

// One realm holding a skill, category, pattern and two slots named by name.
TablePlan OneRecipe(const std::string& name, std::uint32_t version = 102) {
    TablePlan plan;
    plan.version = version;
    RealmPlan& realm = plan.realms[1];
    PatternPlan p{.name = name, .data1 = 4, .data2 = 5, .data3 = 6, .skill = 2001, .lvl = 10, .data5 = 65535};
    p.slots = {{.name = name, .quantity = 65535, .material = 8}, {.name = "U", .quantity = 0}, {.name = name, .quantity = 1}};
    const std::uint16_t pattern = realm.AddPattern(p);
    const std::uint16_t k = realm.AddCategory({.name = name, .patterns = {0, pattern, pattern}});
    realm.skills = {{.name = name, .data1 = 1, .data2 = 2, .data3 = 3, .categories = {k}}};
    return plan;
}

}  // namespace

TEST(XmlStreamTest, FixtureTablesMatchTinyXml) {
    TablePlan shapes;  // empty skill, empty categories, hidden patterns, illegal index, no-name materials
    {
        RealmPlan& albion = shapes.realms[0];
        const std::uint16_t shown = albion.AddPattern({.name = "shown", .skill = 2000, .slots = {{.name = "T", .quantity = 2, .material = 3}}});
        const std::uint16_t hidden = albion.AddPattern({.material = 300, .skill = 2001});
        const std::uint16_t allHidden = albion.AddCategory({.name = "all hidden", .patterns = {hidden}});
        const std::uint16_t mixed = albion.AddCategory({.name = "mixed", .patterns = {0, shown, hidden, 0}});
        albion.categoryCount = 3;
        albion.skills = {{.name = "no categories"}, {}, {.name = "s", .categories = {0, allHidden, 7, mixed, 3}}};
        shapes.realms[2].skills = {{.name = "last"}};
    }
    TablePlan large = RandomTableOptions(7, {.maxCategories = 40, .maxPatterns = 200, .maxCategoryPositions = 60,
                                          .maxPatternPositions = 50, .anyVersion = false});

    const struct {
        const char* what;
        TablePlan plan;
    } rows[] = {
        {"no realm has a skill", TablePlan{}},
        {"shapes the walk distinguishes", shapes},
        {"every byte in every name", OneRecipe(EveryNameByte())},
        {"both quotes", OneRecipe("a\"b'c")},
        {"single quote only", OneRecipe("it's")},
        {"entity pass-through", OneRecipe("&#x41;&#x3C<&#x")},
        {"pass-through at the end", OneRecipe("ab&#x")},
        {"markup and controls", OneRecipe("<a href=\"x\">&amp;\t\r\n\x1f\x7f\xff</a>")},
        {"version 103", OneRecipe("newer", 103)},
        {"version 101", OneRecipe("legacy", 101)},
        {"version 100", OneRecipe("refused", 100)},
        {"large enough for several blocks", large},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ExpectSameInEveryMode(row.plan);
    }
}

TEST(XmlStreamTest, RandomTablesMatchTinyXml) {
    for (std::uint64_t seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        const Bytes image = WriteRecipeTable(RandomTableOptions(seed));
        const Mode mode{(seed & 1) != 0, (seed & 2) != 0};
        ASSERT_EQ(Streamed(image, mode), SavedByTinyXml(image, mode));
    }
}

// Events fed by hand to both exporters: elements whose parent is not open
// are left out with their subtree, nothing is written before the start or
// after the end, and a value is printed from its bytes, not its address.
TEST(XmlStreamTest, HandFedEventsMatchTinyXml) {
    std::string reused;
    PatternRecord record{};
    record.skill = 7;
    ResolvedPattern pattern;
    pattern.record = &record;
    pattern.name = NameText::FromNumber(42);
    pattern.ingredientCount = 1;
    pattern.ingredients[0] = {.quantity = 3, .material = 9, .text = "bars", .materialName = NameText::FromNumber(9)};
    const SkillRecord skill{};
    std::vector<std::string> names;  // read in place, as from a table, while the cache grows
    for (int i = 0; i < 12000; ++i) names.push_back((i % 2 == 0 ? "'a" : "b&") + std::to_string(i));

    using Events = std::function<void(RecipeSink&)>;
    const struct {
        const char* what;
        bool begin;
        Events events;
    } rows[] = {
        {"no start", false, [&](RecipeSink& s) { s.Realm(1, 0, "Albion"); s.Skill(1, skill, "S"); }},
        {"children without parents", true,
         [&](RecipeSink& s) {
             s.Skill(1, skill, "orphan");
             s.Category(1, 0, 1, "orphan");
             s.Pattern(1, pattern);
             s.Realm(1, 0, "Albion");
             s.Category(1, 0, 1, "orphan");
             s.Pattern(1, pattern);
             s.Skill(1, skill, "S");
             s.Pattern(1, pattern);
             s.IllegalCategory(1, 1, 9, 2);
             s.Category(1, 2, 1, "K");
             s.IllegalCategory(1, 3, 9, 2);
             s.Pattern(1, pattern);
         }},
        {"names in place, again after the cache has grown", true,
         [&](RecipeSink& s) {
             s.Realm(1, 0, "Albion");
             for (int pass = 0; pass < 3; ++pass)
                 for (const std::string& name : names) s.Skill(1, skill, name);
         }},
        {"one buffer, changing bytes and many distinct names", true,
         [&](RecipeSink& s) {
             s.Realm(1, 0, "Albion");
             for (int i = 0; i < 20000; ++i) {
                 reused = (i % 3 == 0 ? "\"q" : "n<") + std::to_string(i % 9000);
                 s.Skill(1, skill, reused);
             }
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TiXmlDocument document;
        if (row.begin) BeginXmlDocument(document);
        XmlExport reference(document, false);
        row.events(reference);
        MemoryFile saved;
        document.SaveFile(saved.get());

        MemoryFile streamed;
        XmlStreamExport xml(streamed.get());
        if (row.begin) xml.Begin(ExportStart{});
        row.events(xml);
        xml.End();
        row.events(xml);  // after the end: nothing more
        xml.End();
        EXPECT_TRUE(xml.Ok());
        EXPECT_EQ(streamed.Take(), saved.Take());
    }
}

TEST(XmlStreamTest, WriteFailureIsReported) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr) GTEST_SKIP() << "no /dev/full";
    {
        XmlStreamExport xml(full);
        xml.Begin(ExportStart{});
        xml.Realm(1, 0, "Albion");
        xml.End();
        std::fflush(full);
        EXPECT_FALSE(xml.Ok());
    }
    std::fclose(full);
}
