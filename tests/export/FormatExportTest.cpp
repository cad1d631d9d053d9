// The CSV, JSON and SQLite exports, driven by the walk over fixture tables
// and read back with a CSV reader, RapidJSON's parser and SQLite's C API.

#include "FormatReaders.h"
#include "WalkTestSupport.h"
#include "io/BlockOutput.h"
#include "export/CsvExport.h"
#include "export/JsonExport.h"
#include "export/SqliteExport.h"
#include "export/TextExport.h"
#include "export/XmlStream.h"
#include "find/FindQuery.h"
#include "fixtures/MemoryFile.h"
#include "fixtures/TableWriter.h"
#include "io/Cp1252.h"
#include "io/CsvField.h"

#include <gtest/gtest.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <cstdio>
#include <functional>

using namespace artisanscope;
using namespace artisanscope::fixtures;
using namespace artisanscope::testing;

namespace {

constexpr const char* kGenerator = "Artisanscope 1.1.0.0";

struct Mode {
    bool english = false;
    bool debug = false;
    std::string find;  // the find query, UTF-8
};

struct Exported {
    std::string csv, json, text;
    std::string database;  // path
    bool csvOk = false, jsonOk = false, sqliteOk = false;
};

// One load of the table into one writer, written as an export is: to a
// temporary file beside the target, put in place only after a successful
// load whose writer wrote everything. Returns whether the file is in place.
template <class MakeWriter>
bool ExportOnce(const Bytes& image, Mode mode, const std::string& target, OutputTarget kind, MakeWriter makeWriter) {
    RecordingLoad dialog(mode.english, mode.debug);
    OutputFile output(target, kind);
    if (!output.Create()) return false;
    const std::unique_ptr<ExportWriter> writer = makeWriter(output.file(), output.path());
    MpakMember member = MpakMember::Allocate(image.size());
    std::copy(image.begin(), image.end(), member.data());
    const FindQuery find = FindQuery::FromUtf8(mode.find);
    const LoadResult load = LoadRecipeTableImage(std::move(member), dialog.Options(writer.get(), &find));
    return load && writer->Ok() && output.Commit();
}

// The table exported in the three formats and as semicolon text.
Exported ExportAll(const Bytes& image, Mode mode, const TempDir& dir) {
    Exported out;
    out.database = dir / "out.sqlite";
    out.csvOk = ExportOnce(image, mode, dir / "out.csv", OutputTarget::AnyFile, [](std::FILE* file, const std::string&) {
        return std::make_unique<CsvExport>(file);
    });
    out.jsonOk = ExportOnce(image, mode, dir / "out.json", OutputTarget::AnyFile, [](std::FILE* file, const std::string&) {
        return std::make_unique<JsonExport>(file, kGenerator);
    });
    out.sqliteOk = ExportOnce(image, mode, out.database, OutputTarget::RegularFile, [](std::FILE*, const std::string& path) {
        return std::make_unique<SqliteExport>(path, kGenerator);
    });
    ExportOnce(image, mode, dir / "out.txt", OutputTarget::AnyFile, [](std::FILE* file, const std::string&) {
        return std::make_unique<TextExport>(file);
    });
    out.csv = ReadText(dir / "out.csv");
    out.json = ReadText(dir / "out.json");
    out.text = ReadText(dir / "out.txt");
    return out;
}

Exported ExportAll(const TablePlan& plan, Mode mode, const TempDir& dir) {
    return ExportAll(WriteRecipeTable(plan), mode, dir);
}

FormatRows CsvBody(const std::string& csv, FormatRow* header = nullptr) {
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF") << "UTF-8 byte-order mark";
    FormatRows rows = ParseCsv(csv.substr(3));
    if (rows.empty()) return rows;
    if (header != nullptr) *header = rows.front();
    rows.erase(rows.begin());
    return rows;
}

rapidjson::Document ParseJson(const std::string& json) {
    rapidjson::Document document;
    document.Parse<rapidjson::kParseValidateEncodingFlag>(json.c_str());
    EXPECT_FALSE(document.HasParseError()) << "JSON error " << document.GetParseError() << " at "
                                           << document.GetErrorOffset();
    return document;
}

}  // namespace

// The one CSV field writer: the export's rule (code page 1252, blanks as
// they are) and the plan file's (UTF-8, blanks around a name quoted).
TEST(FormatExportTest, CsvFieldQuoting) {
    constexpr CsvFieldRule kPlanName{.fromCp1252 = false, .quoteOuterBlanks = true};
    const struct {
        std::string in, out;
        CsvFieldRule rule = {};
    } cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"semi;colon", "semi;colon"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"cr\rhere", "\"cr\rhere\""},
        {"lf\nhere", "\"lf\nhere\""},
        {"Gepr\xE4gt", "Gepr\xC3\xA4gt"},
        {"\x80 \x81 \x9F \xFF", "\xE2\x82\xAC \xEF\xBF\xBD \xC5\xB8 \xC3\xBF"},
        {"\xE4,\"\xF6\"", "\"\xC3\xA4,\"\"\xC3\xB6\"\"\""},
        {std::string("tab\tnul\0del\x7F", 12), std::string("tab\tnul\0del\x7F", 12)},
        {"last byte\xFF,", "\"last byte\xC3\xBF,\""},
        {" blanks around\t", " blanks around\t"},
        {"", "", kPlanName},
        {"Gro\xC3\x9F", "Gro\xC3\x9F", kPlanName},
        {"in side", "in side", kPlanName},
        {" leading", "\" leading\"", kPlanName},
        {"trailing\t", "\"trailing\t\"", kPlanName},
        {" ", "\" \"", kPlanName},
        {"cr\rhere", "\"cr\rhere\"", kPlanName},
        {"lf\nhere", "\"lf\nhere\"", kPlanName},
        {"\xC3\xA4,\"", "\"\xC3\xA4,\"\"\"", kPlanName},
    };
    for (const auto& c : cases) {
        std::string out = "x";
        AppendCsvField(out, c.in, c.rule);
        EXPECT_EQ(out, "x" + c.out) << c.in;
    }
}

TEST(FormatExportTest, CsvExampleInBothModes) {
    TempDir dir;
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(ExportAll(ExampleRecipe(), {}, dir).csv,
              bom + std::string(kCsvHeader) + "\r\n" + "Albion,S,K,P,150,1,2,T,Eisen,8\r\n" +
                  "Albion,S,K,P,150,2,1,,U,\r\n");
    TempDir dir2;
    EXPECT_EQ(ExportAll(ExampleRecipe(), {.english = true, .debug = true}, dir2).csv,
              bom + std::string(kCsvHeader) + std::string(kCsvDebugHeader) + "\r\n" +
                  "Albion,S,K,P,150,1,2,T,Iron,8,1,2,3,4,5,6,7\r\n" + "Albion,S,K,P,150,2,1,,U,,1,2,3,4,5,6,7\r\n");
}

TEST(FormatExportTest, JsonExampleText) {
    TempDir dir;
    const std::string json = ExportAll(ExampleRecipe(), {.debug = true}, dir).json;
    EXPECT_EQ(json, R"({
  "generator": "Artisanscope 1.1.0.0",
  "table_version": 102,
  "language": "de",
  "debug": true,
  "realms": [
    {
      "name": "Albion",
      "skills": [
        {
          "slot": 1,
          "name": "S",
          "data": [
            1,
            2,
            3
          ],
          "categories": [
            {
              "index": 1,
              "name": "K",
              "patterns": [
                {
                  "index": 1,
                  "name": "P",
                  "skill_level": 150,
                  "data": [
                    4,
                    5,
                    6,
                    7
                  ],
                  "ingredients": [
                    {
                      "slot": 1,
                      "quantity": 2,
                      "unit": "T",
                      "name": "Eisen",
                      "material_id": 8
                    },
                    {
                      "slot": 2,
                      "quantity": 1,
                      "unit": null,
                      "name": "U",
                      "material_id": null
                    }
                  ]
                }
              ]
            }
          ]
        }
      ]
    },
    {
      "name": "Midgard",
      "skills": []
    },
    {
      "name": "Hibernia",
      "skills": []
    }
  ]
}
)");
}

// The three formats and the semicolon text carry the same rows, in every
// mode and for both table versions.
TEST(FormatExportTest, AllFormatsAgree) {
    for (const std::uint32_t version : {102u, 101u}) {
        for (const bool debug : {false, true}) {
            for (const bool english : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "version " << version << " debug " << debug << " english " << english);
                TempDir dir;
                const Exported e = ExportAll(FormatTestTable(version), {.english = english, .debug = debug}, dir);
                ASSERT_TRUE(e.csvOk && e.jsonOk && e.sqliteOk);
                const bool debugColumns = debug && version == 102;

                FormatRow header;
                const FormatRows csv = CsvBody(e.csv, &header);
                EXPECT_EQ(header.size(), debugColumns ? 17u : 10u);
                std::string columns;
                for (const std::string& name : header) columns += (columns.empty() ? "" : ",") + name;
                EXPECT_EQ(QuerySqlite(e.database, "SELECT group_concat(name, ',') FROM pragma_table_info('recipes')"),
                          FormatRows{{columns}});
                const rapidjson::Document json = ParseJson(e.json);
                EXPECT_EQ(json["table_version"].GetUint(), version);
                EXPECT_EQ(json["debug"].GetBool(), debugColumns);
                EXPECT_STREQ(json["language"].GetString(), english ? "en" : "de");
                EXPECT_EQ(FlattenJson(json), csv);
                EXPECT_EQ(QuerySqlite(e.database, "SELECT * FROM recipes"), csv);

                // The text export cannot hold the CR LF inside Hibernia's
                // names; its other lines must match.
                std::vector<std::string> fromCsv = TextLinesFromCsv(csv, debugColumns);
                std::vector<std::string> text = TextLines(e.text);
                ASSERT_GE(text.size(), 2u);
                fromCsv.pop_back();
                text.resize(fromCsv.size());
                EXPECT_EQ(text, fromCsv);

                const bool hiddenShown = debug || version == 101;
                EXPECT_EQ(e.csv.find("Geheim") != std::string::npos, hiddenShown);
                EXPECT_EQ(csv.size(), hiddenShown ? 20u : 18u);
            }
        }
    }
}

// Under a find query the three formats hold what the filtered tree shows,
// and the same rows.
TEST(FormatExportTest, FilteredFormatsAgree) {
    // One category listed by two skills; "schmied schneider" shows its
    // first pattern under the first skill and its second under the second.
    TablePlan shared;
    RealmPlan& albion = shared.realms[0];
    PatternPlan hammer{.name = "Schneiderhammer", .skill = 10};
    hammer.slots = {{.name = "Griff", .quantity = 1}};
    const std::uint16_t tools = albion.AddCategory(
        {.name = "Werkzeug", .patterns = {albion.AddPattern(hammer), albion.AddPattern({.name = "Schmiedenadel", .skill = 20})}});
    albion.skills = {{.name = "Schmied", .categories = {tools}}, {.name = "Schneider", .categories = {tools}}};
    using Patterns = std::vector<std::string>;  // skill/category/pattern of each row
    const struct {
        TablePlan plan;
        std::string query;
        Patterns rows;
        int categoryRows;
    } cases[] = {
        {shared, "schmied schneider", {"Schmied/Werkzeug/Schneiderhammer", "Schneider/Werkzeug/Schmiedenadel"}, 2},
        {shared, "", {"Schmied/Werkzeug/Schneiderhammer", "Schmied/Werkzeug/Schmiedenadel",
                      "Schneider/Werkzeug/Schneiderhammer", "Schneider/Werkzeug/Schmiedenadel"}, 1},
        {shared, "nadel", {"Schmied/Werkzeug/Schmiedenadel", "Schneider/Werkzeug/Schmiedenadel"}, 1},
        {shared, "schneider", {"Schmied/Werkzeug/Schneiderhammer", "Schneider/Werkzeug/Schneiderhammer",
                               "Schneider/Werkzeug/Schmiedenadel"}, 2},
        {shared, "nichts", {}, 0},
        {FormatTestTable(), "zweiter leer", {"Zweiter \"Schmied\"/Waffen, schwer/Leer"}, 1},
        {FormatTestTable(), "Gepr\xC3\xA4gt",
         {"Waffenschmied/R\xC3\xBCstung \xE2\x82\xAC\xEF\xBF\xBD/Gepr\xC3\xA4gt",
          "Zweiter \"Schmied\"/R\xC3\xBCstung \xE2\x82\xAC\xEF\xBF\xBD/Gepr\xC3\xA4gt",
          "Zweiter \"Schmied\"/R\xC3\xBCstung \xE2\x82\xAC\xEF\xBF\xBD/Gepr\xC3\xA4gt"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        TempDir dir;
        const Exported e = ExportAll(c.plan, {.find = c.query}, dir);
        ASSERT_TRUE(e.csvOk && e.jsonOk && e.sqliteOk);
        const FormatRows csv = CsvBody(e.csv);
        Patterns rows;
        for (const FormatRow& row : csv) {
            if (row[5].empty() || row[5] == "1") rows.push_back(row[1] + "/" + row[2] + "/" + row[3]);
        }
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(FlattenJson(ParseJson(e.json)), csv);
        EXPECT_EQ(QuerySqlite(e.database, "SELECT * FROM recipes"), csv);
        EXPECT_EQ(QuerySqlite(e.database, "SELECT count(*) FROM categories"), FormatRows{{std::to_string(c.categoryRows)}});
        EXPECT_TRUE(QuerySqlite(e.database, "PRAGMA foreign_key_check").empty());
    }
}

// Categories and patterns are stored once however often they are shown; the
// lists keep every showing; every reference has its row.
TEST(FormatExportTest, SqliteTablesHoldEachRecordOnce) {
    for (const bool debug : {false, true}) {
        SCOPED_TRACE(debug ? "debug" : "normal");
        TempDir dir;
        const Exported e = ExportAll(FormatTestTable(), {.debug = debug}, dir);
        const auto q = [&](const std::string& sql) { return QuerySqlite(e.database, sql); };
        EXPECT_EQ(q("SELECT key, value FROM meta ORDER BY key"),
                  (FormatRows{{"debug", debug ? "1" : "0"}, {"generator", kGenerator}, {"language", "de"},
                              {"table_version", "102"}}));
        EXPECT_EQ(q("SELECT id, name FROM realms"), (FormatRows{{"0", "Albion"}, {"1", "Midgard"}, {"2", "Hibernia"}}));
        EXPECT_EQ(q("SELECT realm, slot, name, data1, data2, data3 FROM skills ORDER BY id"),
                  (debug ? FormatRows{{"0", "2", "Waffenschmied", "1", "2", "3"},
                                      {"0", "3", "Zweiter \"Schmied\"", "65535", "0", "0"}, {"2", "1", "Skill", "0", "0", "0"}}
                         : FormatRows{{"0", "2", "Waffenschmied", "", "", ""}, {"0", "3", "Zweiter \"Schmied\"", "", "", ""},
                                      {"2", "1", "Skill", "", "", ""}}));
        EXPECT_EQ(q("SELECT realm, table_index, name FROM categories ORDER BY id"),
                  (FormatRows{{"0", "1", "Waffen, schwer"}, {"0", "2", "R\xC3\xBCstung \xE2\x82\xAC\xEF\xBF\xBD"},
                              {"2", "1", "Cr\rLf"}}));
        EXPECT_EQ(q("SELECT skill, position, category FROM skill_categories ORDER BY skill, position"),
                  (FormatRows{{"1", "0", "1"}, {"1", "3", "2"}, {"2", "0", "2"}, {"2", "1", "1"}, {"2", "2", "2"},
                              {"3", "0", "3"}}));
        EXPECT_EQ(q("SELECT count(*) FROM patterns"), FormatRows{{debug ? "5" : "4"}});
        EXPECT_EQ(q("SELECT position, pattern FROM category_patterns WHERE category = 1 ORDER BY position"),
                  (debug ? FormatRows{{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "1"}}
                         : FormatRows{{"1", "1"}, {"2", "2"}, {"4", "1"}}));
        EXPECT_EQ(q("SELECT name, material_id, data5 FROM patterns WHERE name LIKE 'Gepr%'"),
                  (FormatRows{{"Gepr\xC3\xA4gt", "22", debug ? "0" : ""}}));
        EXPECT_EQ(q("SELECT slot, quantity, unit, name, material_id FROM ingredients WHERE pattern = 1"),
                  (FormatRows{{"1", "2", "Barren", "Eisen", "8"}, {"3", "1", "", "Griff; Leder", ""},
                              {"4", "3", "Klinge", "3", "3"}}));
        EXPECT_EQ(q("SELECT typeof(unit) FROM ingredients WHERE pattern = 1 AND slot = 3"), FormatRows{{"null"}});
        // Ids 1 to 255 and every id the table uses beyond them.
        EXPECT_EQ(q("SELECT count(*), min(id), max(id) FROM materials"),
                  (debug ? FormatRows{{"256", "1", "300"}} : FormatRows{{"255", "1", "255"}}));
        EXPECT_EQ(q("SELECT name_de, name_en FROM materials WHERE id IN (3, 8, 22) ORDER BY id"),
                  (FormatRows{{"3", "3"}, {"Eisen", "Iron"}, {"Gepr\xC3\xA4gt", "Embossed"}}));
        EXPECT_TRUE(q("PRAGMA foreign_key_check").empty());
        EXPECT_EQ(q("PRAGMA integrity_check"), FormatRows{{"ok"}});
        EXPECT_EQ(q("SELECT count(*) FROM sqlite_schema WHERE type = 'index' AND name NOT LIKE 'sqlite_%'"),
                  FormatRows{{"10"}});
    }
}

// A table whose string area lies outside it reads every name as empty text,
// which every format writes as such (SQLite's NOT NULL names included).
TEST(FormatExportTest, UnreadableNamesAreWrittenAsEmptyText) {
    Bytes image = WriteRecipeTable(FormatTestTable());
    for (std::size_t i = 0; i < 4; ++i) image[RecipeTableHeader::kStringOffsetTablePosOffset + i] = 0xF0;
    TempDir dir;
    const Exported e = ExportAll(image, {}, dir);
    EXPECT_TRUE(e.csvOk && e.jsonOk && e.sqliteOk);
    EXPECT_EQ(QuerySqlite(e.database, "SELECT DISTINCT name FROM skills"), (FormatRows{{""}}));
}

// The JSON export is, byte for byte, what RapidJSON's pretty writer (two
// spaces) prints of its own document: names with quotes, line breaks,
// umlauts and undefined bytes, patterns without slots, the debug values.
TEST(FormatExportTest, JsonIsRapidJsonsPrettyPrint) {
    for (const bool debug : {false, true}) {
        TempDir dir;
        const Exported e = ExportAll(FormatTestTable(), {.debug = debug}, dir);
        const rapidjson::Document document = ParseJson(e.json);
        rapidjson::StringBuffer printed;
        rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(printed);
        writer.SetIndent(' ', 2);
        document.Accept(writer);
        EXPECT_EQ(e.json, std::string(printed.GetString(), printed.GetSize()) + "\n") << debug;
    }
}

// A category's pattern list is stored in steps of several rows: lists that
// end inside a step, on its end and past it keep every position in order.
TEST(FormatExportTest, SqliteKeepsLongPatternLists) {
    for (const std::size_t length : {9u, 10u, 11u, 23u, 50u}) {
        TablePlan plan;
        RealmPlan& realm = plan.realms[0];
        CategoryPlan category{.name = "Lang"};
        for (std::size_t p = 0; p < length; ++p) {
            category.patterns.push_back(realm.AddPattern({.name = "P" + std::to_string(p), .skill = 1}));
        }
        realm.skills = {{.name = "S", .categories = {realm.AddCategory(category)}}};
        TempDir dir;
        const Exported e = ExportAll(plan, {}, dir);
        FormatRows expected;
        for (std::size_t p = 0; p < length; ++p) expected.push_back({std::to_string(p), "P" + std::to_string(p)});
        EXPECT_EQ(QuerySqlite(e.database, "SELECT l.position, p.name FROM category_patterns l "
                                          "JOIN patterns p ON p.id = l.pattern ORDER BY l.position"),
                  expected)
            << length;
    }
}

// Three hundred distinct ingredient texts, more than the walk remembers at
// once, each reach the row of their own pattern.
TEST(FormatExportTest, EveryIngredientKeepsItsOwnText) {
    TablePlan plan;
    RealmPlan& realm = plan.realms[0];
    SkillPlan skill{.name = "S"};
    for (std::size_t c = 0; c < 6; ++c) {
        CategoryPlan category{.name = "C" + std::to_string(c)};
        for (std::size_t p = 0; p < 50; ++p) {
            const std::string n = std::to_string(c * 50 + p);
            PatternPlan pattern{.name = "P" + n, .skill = 1};
            pattern.slots = {{.name = "T" + n, .quantity = 1}};
            category.patterns.push_back(realm.AddPattern(pattern));
        }
        skill.categories.push_back(realm.AddCategory(category));
    }
    realm.skills = {skill};
    TempDir dir;
    const FormatRows rows = CsvBody(ExportAll(plan, {}, dir).csv);
    ASSERT_EQ(rows.size(), 300u);
    for (const FormatRow& row : rows) EXPECT_EQ(row[8], "T" + row[3].substr(1)) << row[3];
}

// The two example queries of the README.
TEST(FormatExportTest, SqliteExampleQueries) {
    TempDir dir;
    const Exported e = ExportAll(FormatTestTable(), {}, dir);
    EXPECT_EQ(QuerySqlite(e.database,
                          "SELECT DISTINCT r.realm, r.skill, r.category, r.pattern, r.quantity FROM recipes r "
                          "JOIN materials m ON m.id = r.material_id WHERE m.name_de = 'Eisen' OR m.name_en = 'Eisen'"),
              (FormatRows{{"Albion", "Waffenschmied", "Waffen, schwer", "Schwert, \"lang\"; scharf", "2"},
                          {"Albion", "Zweiter \"Schmied\"", "Waffen, schwer", "Schwert, \"lang\"; scharf", "2"}}));
    EXPECT_EQ(QuerySqlite(e.database,
                          "SELECT i.slot, i.quantity, i.unit, i.name FROM patterns p JOIN ingredients i ON i.pattern = p.id "
                          "JOIN realms r ON r.id = p.realm WHERE r.name = 'Albion' AND p.name = 'Schwert, \"lang\"; scharf' "
                          "ORDER BY i.slot"),
              (FormatRows{{"1", "2", "Barren", "Eisen"}, {"3", "1", "", "Griff; Leder"}, {"4", "3", "Klinge", "3"}}));
}

// A failed write is reported by Ok(), never passed over.
TEST(FormatExportTest, WriteFailuresAreReported) {
    const Bytes image = WriteRecipeTable(FormatTestTable());
    const RecipeTableView table(ByteView(image), kLayout102);
    const ExportStart start{102, Language::German, false, false};
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    TempDir dir;
    CsvExport csv(full);
    JsonExport json(full, kGenerator);
    TextExport text(full);
    SqliteExport missingFolder(dir / "no/such/folder/out.sqlite", kGenerator);
    ExportWriter* writers[] = {&csv, &json, &text, &missingFolder};
    for (ExportWriter* w : writers) w->Begin(start);
    RecipeSink* sinks[] = {&csv, &json, &text, &missingFolder};
    WalkRecipes(table, WalkOptions{Language::German, false, true}, sinks);
    // The step and the reason: errno for a stream, SQLite's own words and code.
    const std::pair<WriteFailure::Step, std::string> expected[] = {
        {WriteFailure::Step::Write, "No space left on device"},
        {WriteFailure::Step::Write, "No space left on device"},
        {WriteFailure::Step::Write, "No space left on device"},
        {WriteFailure::Step::Create, "unable to open database file: No such file or directory (SQLite result code 14)"},
    };
    for (std::size_t i = 0; i < std::size(writers); ++i) {
        writers[i]->End();
        EXPECT_FALSE(writers[i]->Ok());
        EXPECT_EQ(writers[i]->Failure().step, expected[i].first) << i;
        EXPECT_EQ(writers[i]->Failure().Reason(), expected[i].second) << i;
    }
    std::fclose(full);
}

// A writer writes only until its End(): the export's file is closed by then,
// so what a writer destroyed without one gathered must stay unwritten.
TEST(FormatExportTest, WritersWriteNothingWhenDestroyedWithoutEnd) {
    const Bytes image = WriteRecipeTable(FormatTestTable());
    const RecipeTableView table(ByteView(image), kLayout102);
    const std::function<std::unique_ptr<ExportWriter>(std::FILE*)> makers[] = {
        [](std::FILE* f) { return std::make_unique<TextExport>(f); },
        [](std::FILE* f) { return std::make_unique<CsvExport>(f); },
        [](std::FILE* f) { return std::make_unique<JsonExport>(f, kGenerator); },
        [](std::FILE* f) { return std::make_unique<XmlStreamExport>(f); },
    };
    for (std::size_t i = 0; i < std::size(makers); ++i) {
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        {
            const std::unique_ptr<ExportWriter> writer = makers[i](file);
            writer->Begin(ExportStart{102, Language::German, false, false});
            RecipeSink* sinks[] = {writer.get()};
            WalkRecipes(table, WalkOptions{Language::German, false, true}, sinks);
        }
        EXPECT_EQ(std::ftell(file), 0) << i;
        std::fclose(file);
    }
}

// A failure in any block, the writing thread's or the last one, and a line
// that outgrows its claimed room each fail the output with their reason.
TEST(FormatExportTest, BufferedOutputReportsEveryKindOfFailure) {
    const struct {
        const char* device;
        std::size_t bytes;    // put through lines of 1000
        std::size_t claim;    // room claimed per line
        const char* reason;
    } cases[] = {
        {"/dev/full", 10, 1000, "No space left on device"},
        {"/dev/full", 3 * BlockOutput::kBlockBytes, 1000, "No space left on device"},
        {"/dev/null", 3 * BlockOutput::kBlockBytes, 999, "a line outgrew the room claimed for it"},
    };
    for (const auto& c : cases) {
        std::FILE* file = std::fopen(c.device, "wb");
        ASSERT_NE(file, nullptr);
        {
            BlockOutput out(file);
            for (std::size_t done = 0; done < c.bytes; done += 1000) {
                TextCursor line = out.Claim(c.claim);
                line.Text(std::string(1000, 'x'));
                out.Commit(line);
            }
            out.WriteBlock();
            EXPECT_FALSE(out.ok()) << c.device << c.bytes;
            EXPECT_EQ(out.failure().Reason(), c.reason) << c.device << c.bytes;
        }
        std::fclose(file);
    }
}

// Bytes put one at a time (RapidJSON's way), appended as strings and put
// through claimed lines (the other writers') reach the file in the order
// given, across block ends and hand-overs to the writing thread.
TEST(FormatExportTest, BufferedOutputKeepsTheOrderOfPutAndAppendedBytes) {
    struct Step {
        char put;            // count copies of it: one Put each when single, else one PutN
        std::size_t count;
        bool single;
        std::size_t append;  // then this many bytes "abc..." appended one by one, and Written()
        std::size_t line = 0;  // then a line of this many digits "0123...", claimed with room to spare
    } const steps[] = {
        {'x', 1, true, 0},   {'y', 5, false, 3},  {'z', 0, false, 10, 4},
        {'p', BlockOutput::kBlockBytes + 70'000, true, 1},  // past the string's first capacity
        {'q', 2 * BlockOutput::kBlockBytes, false, 0},  {'r', 7, true, BlockOutput::kBlockBytes},
        {'s', 3, true, 0, BlockOutput::kBlockBytes + 5}, {'t', 0, true, 0, 1}, {'u', 2, false, 2, 300'000},
    };
    MemoryFile file;
    std::string expected;
    {
        BlockOutput out(file.get());
        for (const Step& step : steps) {
            for (std::size_t i = 0; step.single && i < step.count; ++i) out.Put(step.put);
            if (!step.single) out.PutN(step.put, step.count);
            expected.append(step.count, step.put);
            for (std::size_t i = 0; i < step.append; ++i) {
                out.buffer() += static_cast<char>('a' + i % 26);
                expected += static_cast<char>('a' + i % 26);
            }
            out.Written();
            if (step.line > 0) {
                TextCursor line = out.Claim(step.line + 10);
                for (std::size_t i = 0; i < step.line; ++i) line.Char(static_cast<char>('0' + i % 10));
                out.Commit(line);
                for (std::size_t i = 0; i < step.line; ++i) expected += static_cast<char>('0' + i % 10);
            }
        }
        out.Flush();
        EXPECT_TRUE(out.ok());
    }
    const std::string written = file.Take();
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
}
