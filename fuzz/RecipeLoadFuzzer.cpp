// Fuzz targets: the whole load of a recipe table image, with the tree and an
// XML export attached, and again with a text export into memory, as a
// dialog would run them. The XML export is loaded as the stream users get,
// whose elements must match the tree, and in deep checks also as the
// TinyXML document, whose SaveFile must give the streamed bytes.
//
// Input: one option byte, then the image.
//   bits 0-1  version: 0 as in the image, 1 forces 101, 2 forces 102, 3 forces 103
//   bit 2     debug mode
//   bit 3     English material names
//   bit 4     no XML export
//   bit 5     no text export
//   bit 6     load again with the other language and compare the trees
//   bit 7     load again into the CSV, JSON and SQLite exports, then the
//             same with the query below
// Every input also filters the tree with a query cut from one of its labels
// and loads again into an export with that query.
// After each load the outputs are checked against each other and against the
// version rule; a broken invariant aborts like a crash.
//
// Every writer runs on every input that asks for it, with checks that cost
// little beside the load. The expensive cross-checks, TinyXML's document of
// the XML export (and the streamed bytes held against its SaveFile) and the
// SQLite export written and read back, run on one input in kDeepShare,
// chosen by a hash of the input so that a reproducer always runs the same
// checks.
//
// Built with ARTISANSCOPE_FUZZ_FORMATS, the same file is the target of the
// other expensive cross-check, the formats read back: every input is loaded
// into the CSV, JSON and (when deep) SQLite exports, plainly and with the
// query cut from the tree, and each export is read back and compared with the
// others and with the filtered tree.

#include "FormatReaders.h"
#include "RecordingLoad.h"
#include "archive/ByteView.h"
#include "archive/MpakArchive.h"
#include "export/CsvExport.h"
#include "export/JsonExport.h"
#include "load/LoadRecipeTable.h"
#include "find/RecipeFilter.h"
#include "table/RecipeTree.h"
#include "export/SqliteExport.h"
#include "export/TextExport.h"
#include "export/XmlStream.h"
#include "fixtures/MemoryFile.h"
#include "fixtures/XmlExport.h"
#include "io/Cp1252.h"

#include <tinyxml.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace artisanscope;

// One input in this many gets the expensive cross-checks.
constexpr std::uint32_t kDeepShare = 8;

// Whether this input gets the expensive cross-checks (FNV-1a of its bytes).
bool DeepChecks(std::span<const std::uint8_t> input) {
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t byte : input) hash = (hash ^ byte) * 16777619u;
    return hash % kDeepShare == 0;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "load invariant broken: %s\n", what);
    std::abort();
}

using FuzzLoad = artisanscope::testing::RecordingLoad;
using artisanscope::fixtures::MemoryFile;

struct Outcome {
    bool result = false;
    std::string text;
    std::vector<int> depth;  // per tree item, item 0 (the root) is -1
    std::array<std::size_t, 5> itemsAtDepth{};
    std::map<std::string, std::size_t> elements;  // XML element name -> count
    bool rootHasChildren = false;
    std::string savedXml;  // the XML document as TinyXML's SaveFile writes it
};

void CountElements(const TiXmlNode& node, std::map<std::string, std::size_t>& counts) {
    for (const TiXmlNode* child = node.FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child->ToElement() != nullptr) ++counts[child->Value()];
        CountElements(*child, counts);
    }
}

// Hands one load to several writers at once.
class AllWriters final : public ExportWriter {
public:
    explicit AllWriters(std::vector<ExportWriter*> writers) : writers_(std::move(writers)) {}
    void Begin(const ExportStart& start) override {
        for (ExportWriter* w : writers_) w->Begin(start);
    }
    void Realm(TreeItem item, std::size_t realm, std::string_view name) override {
        for (ExportWriter* w : writers_) w->Realm(item, realm, name);
    }
    void Skill(TreeItem item, const SkillRecord& skill, std::string_view name) override {
        for (ExportWriter* w : writers_) w->Skill(item, skill, name);
    }
    void IllegalCategory(TreeItem item, std::size_t position, std::uint32_t index, std::uint32_t count) override {
        for (ExportWriter* w : writers_) w->IllegalCategory(item, position, index, count);
    }
    void Category(TreeItem item, std::size_t position, std::uint32_t index, std::string_view name) override {
        for (ExportWriter* w : writers_) w->Category(item, position, index, name);
    }
    void Pattern(TreeItem item, const ResolvedPattern& pattern) override {
        for (ExportWriter* w : writers_) w->Pattern(item, pattern);
    }
    void End() override {
        for (ExportWriter* w : writers_) w->End();
    }
    bool Ok() const override {
        return std::all_of(writers_.begin(), writers_.end(), [](const ExportWriter* w) { return w->Ok(); });
    }

private:
    std::vector<ExportWriter*> writers_;
};

enum class Output { None, Text, Xml };

// With streamed given, the streamed XML export rides on the same load: its
// bytes when the load succeeded (it must then have written everything),
// else nothing.
Outcome Load(std::span<const std::uint8_t> image, Output output, FuzzLoad& dialog,
             std::optional<std::string>* streamed = nullptr) {
    Outcome out;
    MpakMember member = MpakMember::Allocate(image.size());
    if (!member) Fail("allocation");
    std::copy(image.begin(), image.end(), member.data());

    char* textBuffer = nullptr;
    std::size_t textSize = 0;
    std::FILE* text = output == Output::Text ? open_memstream(&textBuffer, &textSize) : nullptr;
    if (output == Output::Text && text == nullptr) Fail("open_memstream");
    std::optional<TextExport> textExport;
    if (text != nullptr) textExport.emplace(text);
    std::optional<XmlDocumentWriter> xml;
    if (output == Output::Xml) xml.emplace(nullptr);  // kept in memory, checked below
    ExportWriter* writer = textExport ? static_cast<ExportWriter*>(&*textExport) : xml ? &*xml : nullptr;
    MemoryFile streamFile;
    std::optional<XmlStreamExport> stream;
    std::optional<AllWriters> both;
    if (streamed != nullptr) {
        if (streamFile.get() == nullptr) Fail("open_memstream");
        stream.emplace(streamFile.get());
        if (writer == nullptr) {
            writer = &*stream;
        } else {
            both.emplace(std::vector<ExportWriter*>{writer, &*stream});
            writer = &*both;
        }
    }

    dialog.tree.DeleteAllItems();
    out.result = static_cast<bool>(LoadRecipeTableImage(std::move(member), dialog.Options(writer)));
    dialog.tree.Finish();
    if (streamed != nullptr) {
        if (out.result && !stream->Ok()) Fail("streamed XML not written");
        *streamed = out.result ? std::optional<std::string>(streamFile.Take()) : std::nullopt;
    }
    if (text != nullptr) {
        textExport.reset();  // a refused load ends no writer: what it began is thrown away
        std::fclose(text);
        out.text.assign(textBuffer, textSize);
        std::free(textBuffer);
    }

    out.depth.assign(dialog.tree.size() + 1, -1);
    for (TreeItem item = 1; item <= dialog.tree.size(); ++item) {
        const TreeItem parent = dialog.tree.Parent(item);
        if (parent >= item) Fail("tree item inserted before its parent");
        const int d = out.depth[parent] + 1;
        if (d > 4) Fail("tree deeper than realm/skill/category/pattern/ingredient");
        out.depth[item] = d;
        ++out.itemsAtDepth[static_cast<std::size_t>(d)];
    }

    if (xml) {
        const TiXmlDocument& document = xml->document();
        const TiXmlNode* first = document.FirstChild();
        const TiXmlElement* root = document.RootElement();
        if (first == nullptr || first->ToDeclaration() == nullptr) Fail("XML declaration missing or not first");
        if (root == nullptr || std::string_view(root->Value()) != "Recipes") Fail("XML root missing");
        out.rootHasChildren = root->FirstChild() != nullptr;
        CountElements(*root, out.elements);
        MemoryFile saved;  // exercises attribute escaping of arbitrary table bytes
        if (saved.get() == nullptr) Fail("open_memstream");
        if (!document.SaveFile(saved.get())) Fail("SaveFile");
        out.savedXml = saved.Take();
        if (out.savedXml.empty()) Fail("XML prints as nothing");
    }
    return out;
}

// The streamed XML export's load; its bytes when the load succeeded and the
// writer wrote everything.
std::optional<std::string> LoadStreamed(std::span<const std::uint8_t> image, FuzzLoad& dialog) {
    MpakMember member = MpakMember::Allocate(image.size());
    if (!member) Fail("allocation");
    std::copy(image.begin(), image.end(), member.data());
    MemoryFile file;
    if (file.get() == nullptr) Fail("open_memstream");
    XmlStreamExport xml(file.get());
    dialog.tree.DeleteAllItems();
    const bool loaded = static_cast<bool>(LoadRecipeTableImage(std::move(member), dialog.Options(&xml)));
    dialog.tree.Finish();
    if (!loaded) return std::nullopt;
    if (!xml.Ok()) Fail("streamed XML not written");
    return file.Take();
}

// The elements of a streamed XML export by name. Table text reaches it only
// in attribute values, where '<' is escaped: every "<Name" opens an element.
std::map<std::string, std::size_t> CountStreamedElements(std::string_view xml) {
    std::map<std::string, std::size_t> counts;
    for (const char* name : {"Realm", "Skill", "Item", "Pattern", "Ingredient"}) {
        const std::string tag = std::string("<") + name;
        std::size_t n = 0;
        for (std::size_t at = xml.find(tag); at != std::string_view::npos; at = xml.find(tag, at + tag.size())) {
            const std::size_t after = at + tag.size();
            if (after < xml.size() && (xml[after] == ' ' || xml[after] == '>' || xml[after] == '/')) ++n;
        }
        if (n > 0) counts[name] = n;
    }
    return counts;
}

std::size_t CountCrLf(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2)) ++n;
    return n;
}

// The XML export's elements, counted by name, against the tree's items.
void CheckXmlElements(const std::map<std::string, std::size_t>& elements, bool rootHasChildren, const Outcome& tree,
                      std::uint32_t version) {
    if (version < kCurrentTableVersion) {
        if (rootHasChildren) Fail("XML elements for a legacy table");
        return;
    }
    auto count = [&](const char* name) {
        const auto it = elements.find(name);
        return it == elements.end() ? std::size_t{0} : it->second;
    };
    if (count("Realm") != kRealmCount) Fail("XML realm count");
    if (count("Skill") != tree.itemsAtDepth[1]) Fail("XML skills differ from tree skills");
    if (count("Item") > tree.itemsAtDepth[2]) Fail("more XML items than tree categories");
    if (count("Pattern") != tree.itemsAtDepth[3]) Fail("XML patterns differ from tree patterns");
    if (count("Ingredient") != tree.itemsAtDepth[4]) Fail("XML ingredients differ from tree ingredients");
}

void CheckOutcome(const Outcome& out, const FuzzLoad& dialog, std::uint32_t version, bool debug, Output output) {
    const bool withXml = output == Output::Xml;
    const bool withText = output == Output::Text;
    const bool walked = version >= kLegacyTableVersion;
    if (out.result != walked) Fail("result does not follow the version rule");

    std::vector<std::string_view> expected;
    if (version < kCurrentTableVersion) {
        if (withXml) expected.push_back(kLegacyXmlMessage);
        if (version != kLegacyTableVersion) expected.push_back(kOldVersionMessage);
    } else if (version > kCurrentTableVersion) {
        expected.push_back(kNewerVersionMessage);
    }
    if (!std::equal(expected.begin(), expected.end(), dialog.messages.begin(), dialog.messages.end())) {
        Fail("messages differ from the version rule's");
    }

    if (!walked) {
        if (dialog.tree.size() != 0) Fail("refused table left tree items");
    } else {
        if (out.itemsAtDepth[0] != kRealmCount) Fail("not exactly three realms");
        for (std::size_t r = 0; r < kRealmCount; ++r) {
            const TreeItem realm = dialog.tree.Child(kTreeRoot, static_cast<std::uint32_t>(r));
            if (dialog.tree.Label(realm) != RealmName(r)) Fail("realm label");
        }
    }

    if (withText && !out.result) {
        if (!out.text.empty()) Fail("a refused load wrote text");
    } else if (withText) {
        // The header follows debug mode for every version: it is written
        // before the version rule is applied.
        const std::string_view header = debug ? kTextHeaderDebug : kTextHeader;
        if (!out.text.starts_with(header)) Fail("text header");
        const std::size_t patterns = out.itemsAtDepth[3];
        if (patterns == 0 && out.text != header) Fail("text rows without pattern items");
        if (CountCrLf(out.text) < 1 + patterns) Fail("fewer text rows than pattern items");
    }

    if (withXml) CheckXmlElements(out.elements, out.rootHasChildren, out, version);
}

// Switching the language may change pattern and ingredient labels only.
void CheckLanguageSwitch(const FuzzLoad& a, const Outcome& oa, const FuzzLoad& b, const Outcome& ob) {
    if (oa.result != ob.result || a.tree.size() != b.tree.size()) Fail("language changed the tree's shape");
    for (TreeItem item = 1; item <= a.tree.size(); ++item) {
        if (a.tree.Parent(item) != b.tree.Parent(item)) Fail("language changed the tree's shape");
        if (oa.depth[item] <= 2 && a.tree.Label(item) != b.tree.Label(item)) {
            Fail("language changed a realm, skill or category label");
        }
    }
}

// Where the database of one run is written: memory-backed when the system
// has it, one file per fuzzing process.
std::string DatabasePath() {
    struct stat folder {};
    const std::string base = ::stat("/dev/shm", &folder) == 0 && S_ISDIR(folder.st_mode) ? "/dev/shm" : "/tmp";
    return base + "/fuzz-recipe-load-" + std::to_string(::getpid()) + ".sqlite";
}

// Counts the patterns that reach it; names may hold any byte, line ends too.
struct PatternCounter final : ExportWriter {
    void Begin(const ExportStart&) override {}
    void End() override {}
    bool Ok() const override { return true; }
    void Pattern(TreeItem, const ResolvedPattern&) override { ++patterns; }
    std::size_t patterns = 0;
};

// What a load with a find query gave: its result, its tree's size and the
// patterns its writers got.
struct FilteredLoad {
    bool loaded = false;
    std::size_t treeSize = 0;
    std::size_t patterns = 0;
};

// The three formats of one load with a find query (UTF-8; empty: none): each
// writer must write everything. With readBack, the expensive cross-check:
// each is read back and must hold one row per ingredient the filtered tree
// shows, or per shown pattern without any, and all must hold the same. The
// database, whose schema alone costs more than the other checks, is written
// (and read back) only when deep.
FilteredLoad CheckFormats(std::span<const std::uint8_t> image, bool english, bool debug, std::string_view query,
                          bool deep, bool readBack) {
    const FindQuery find = FindQuery::FromUtf8(query);
    using namespace artisanscope::testing;
    FuzzLoad dialog(english, debug);
    MpakMember member = MpakMember::Allocate(image.size());
    if (!member) Fail("allocation");
    std::copy(image.begin(), image.end(), member.data());
    char* csvBuffer = nullptr;
    char* jsonBuffer = nullptr;
    std::size_t csvSize = 0, jsonSize = 0;
    std::FILE* csvFile = open_memstream(&csvBuffer, &csvSize);
    std::FILE* jsonFile = open_memstream(&jsonBuffer, &jsonSize);
    if (csvFile == nullptr || jsonFile == nullptr) Fail("open_memstream");
    const std::string database = deep ? DatabasePath() : std::string();
    if (deep) std::remove(database.c_str());
    bool loaded = false, ok = false;
    PatternCounter counter;
    {
        CsvExport csv(csvFile);
        JsonExport json(jsonFile, "Artisanscope fuzz");
        std::optional<SqliteExport> sqlite;
        std::vector<ExportWriter*> writers{&csv, &json, &counter};
        if (deep) writers.push_back(&sqlite.emplace(database, "Artisanscope fuzz"));
        AllWriters all(std::move(writers));
        dialog.tree.DeleteAllItems();
        loaded = static_cast<bool>(LoadRecipeTableImage(std::move(member), dialog.Options(&all, &find)));
        dialog.tree.Finish();
        ok = all.Ok();
    }
    const FilteredLoad result{loaded, dialog.tree.size(), counter.patterns};
    std::fclose(csvFile);
    std::fclose(jsonFile);
    const std::string csvText(csvBuffer, csvSize), jsonText(jsonBuffer, jsonSize);
    std::free(csvBuffer);
    std::free(jsonBuffer);
    if (!loaded) {
        if (deep) std::remove(database.c_str());
        return result;
    }
    if (!ok) Fail("a format writer failed in memory");
    if (!csvText.starts_with("\xEF\xBB\xBF")) Fail("CSV byte-order mark");
    if (!jsonText.ends_with("}\n")) Fail("JSON document not closed");
    if (!readBack) {
        if (deep) std::remove(database.c_str());
        return result;
    }

    // Rows the filtered tree asks for: one per shown ingredient, one per
    // shown pattern without any.
    RecipeFilter filter;
    if (!filter.Apply(dialog.tree, find)) Fail("filter failed");
    std::size_t expectedRows = 0;
    for (TreeItem item = 1; item <= dialog.tree.size(); ++item) {
        if (filter.IsShown(item) && filter.Depth(item) == kPatternDepth) {
            expectedRows += std::max<std::size_t>(1, filter.ShownChildCount(item));
        }
    }

    FormatRows csv;
    try {
        csv = ParseCsv(csvText.substr(3));
    } catch (const std::exception&) {
        Fail("CSV does not read back");
    }
    if (csv.empty()) Fail("CSV header row");
    const std::size_t columns = csv.front().size();
    csv.erase(csv.begin());
    if (csv.size() != expectedRows) Fail("CSV rows differ from the tree's patterns and ingredients");
    for (const FormatRow& row : csv) {
        if (row.size() != columns) Fail("CSV row width");
    }

    rapidjson::Document document;
    document.Parse<rapidjson::kParseValidateEncodingFlag>(jsonText.c_str(), jsonText.size());
    if (document.HasParseError()) Fail("JSON does not parse");
    if (FlattenJson(document) != csv) Fail("JSON differs from CSV");

    if (!deep) return result;
    FormatRows recipes;
    try {
        recipes = QuerySqlite(database, "SELECT * FROM recipes");
        if (!QuerySqlite(database, "PRAGMA foreign_key_check").empty()) Fail("SQLite foreign keys");
    } catch (const std::exception&) {
        Fail("SQLite database does not read back");
    }
    std::remove(database.c_str());
    if (recipes != csv) Fail("SQLite recipes differ from CSV");
    return result;
}

// A query cut from one of the tree's labels, in UTF-8 (empty for an empty
// tree); two queries in three also ask for a level or a material.
std::string QueryCutFrom(std::span<const std::uint8_t> image, const RecipeTree& tree) {
    std::string query;
    if (tree.size() > 0) {
        const std::string_view label = tree.Label(static_cast<TreeItem>(1 + image.size() % tree.size()));
        query = Cp1252ToUtf8(label.substr(label.size() / 3, 1 + image.size() % 5));
    }
    if (image.size() % 3 == 1) query += " level:" + std::to_string(image.size() % 400) + "-";
    if (image.size() % 3 == 2) query += (image.size() & 4) != 0 ? " material:eisen" : " material:\"Fine Alloy\"";
    return query;
}

// The shown set of a query cut from one of the tree's labels, with a level
// or a material term or without, must be a tree of its own (every shown
// item's parent shown, rows that lead back to the item), and an export with
// that query must get every shown pattern: the formats' load when shared is
// given, else a load of its own.
void CheckFind(std::span<const std::uint8_t> image, bool english, bool debug, const FuzzLoad& dialog, bool loaded,
               const FilteredLoad* shared) {
    const RecipeTree& tree = dialog.tree;
    const FindQuery find = FindQuery::FromUtf8(QueryCutFrom(image, tree));
    RecipeFilter filter;
    if (!filter.Apply(tree, find)) Fail("filter failed");
    for (TreeItem item = 1; item <= tree.size(); ++item) {
        if (!filter.IsShown(item)) continue;
        if (!filter.IsShown(tree.Parent(item))) Fail("shown item under a hidden parent");
        if (filter.ShownChild(tree.Parent(item), filter.ShownRow(item)) != item) Fail("shown row leads elsewhere");
    }
    FilteredLoad load;
    if (shared != nullptr) {
        load = *shared;
    } else {
        MpakMember member = MpakMember::Allocate(image.size());
        if (!member) Fail("allocation");
        std::copy(image.begin(), image.end(), member.data());
        PatternCounter counter;
        FuzzLoad filtered(english, debug);
        filtered.tree.DeleteAllItems();
        load.loaded = static_cast<bool>(LoadRecipeTableImage(std::move(member), filtered.Options(&counter, &find)));
        filtered.tree.Finish();
        load.treeSize = filtered.tree.size();
        load.patterns = counter.patterns;
    }
    if (load.loaded != loaded || load.treeSize != tree.size()) Fail("the find query changed the load");
    if (load.loaded && load.patterns != filter.ShownPatternCount()) {
        Fail("filtered export does not hold the shown patterns");
    }
}

// One input: the option byte and the image, its version forced as asked.
struct FuzzInput {
    std::uint8_t options = 0;
    std::vector<std::uint8_t> image;
    bool debug = false;
    bool english = false;
    bool deep = false;
};

FuzzInput ReadInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in;
    in.options = data[0];
    in.image.assign(data + 1, data + size);
    static constexpr std::array<std::uint32_t, 4> kForcedVersion{0, 101, 102, 103};
    if ((in.options & 3) != 0 && in.image.size() >= 4) {
        const std::uint32_t v = kForcedVersion[in.options & 3];
        for (std::size_t i = 0; i < 4; ++i) in.image[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    in.debug = in.options & 4;
    in.english = in.options & 8;
    in.deep = DeepChecks(std::span<const std::uint8_t>(data, size));
    return in;
}

}  // namespace

#ifdef ARTISANSCOPE_FUZZ_FORMATS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const FuzzInput in = ReadInput(data, size);
    FuzzLoad dialog(in.english, in.debug);
    Load(in.image, Output::None, dialog);
    CheckFormats(in.image, in.english, in.debug, {}, in.deep, true);
    CheckFormats(in.image, in.english, in.debug, QueryCutFrom(in.image, dialog.tree), in.deep, true);
    return 0;
}

#else

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const FuzzInput in = ReadInput(data, size);
    const std::uint8_t options = in.options;
    const std::vector<std::uint8_t>& image = in.image;
    const bool debug = in.debug;
    const bool english = in.english;
    const bool deep = in.deep;
    const bool withXml = !(options & 16);
    const bool withText = !(options & 32);
    const std::uint32_t version = ByteView(image).U32leAt(0).value_or(0);

    // TinyXML's document only in a deep check; otherwise the text export, if
    // asked for, rides on the first load.
    const bool withDocument = withXml && deep;
    const Output first = withDocument ? Output::Xml : withText ? Output::Text : Output::None;
    // Without the document, and for a table the XML export takes (legacy
    // ones it refuses with a message of its own), the streamed XML export
    // rides on the first load too; else the stream gets a load of its own,
    // which must give the same tree.
    const bool rideStream = withXml && !withDocument && version >= kCurrentTableVersion;
    FuzzLoad dialog(english, debug);
    std::optional<std::string> streamed;
    const Outcome outcome = Load(image, first, dialog, rideStream ? &streamed : nullptr);
    CheckOutcome(outcome, dialog, version, debug, first);

    if (withXml) {
        if (!rideStream) {
            FuzzLoad streamDialog(english, debug);
            streamed = LoadStreamed(image, streamDialog);
            if (streamed.has_value() != outcome.result || streamDialog.tree.size() != dialog.tree.size()) {
                Fail("the streamed XML export changed the load");
            }
        }
        if (streamed.has_value() != outcome.result) Fail("streamed XML without a load, or a load without it");
        if (streamed) {
            if (withDocument && *streamed != outcome.savedXml) Fail("streamed XML differs from TinyXML's SaveFile");
            const auto elements = CountStreamedElements(*streamed);
            CheckXmlElements(elements, !elements.empty(), outcome, version);
        }
    }

    if (withDocument && withText) {
        FuzzLoad textDialog(english, debug);
        const Outcome textOutcome = Load(image, Output::Text, textDialog);
        CheckOutcome(textOutcome, textDialog, version, debug, Output::Text);
        if (textOutcome.result != outcome.result || textDialog.tree.size() != dialog.tree.size()) {
            Fail("the export changed the load");
        }
    }

    if (options & 64) {
        FuzzLoad other(!english, debug);
        const Outcome otherOutcome = Load(image, first, other);
        CheckLanguageSwitch(dialog, outcome, other, otherOutcome);
    }
    // The formats' load with the query cut from the tree serves the find
    // check too.
    std::optional<FilteredLoad> filtered;
    if (options & 128) {
        CheckFormats(image, english, debug, {}, deep, false);
        filtered = CheckFormats(image, english, debug, QueryCutFrom(image, dialog.tree), deep, false);
    }
    CheckFind(image, english, debug, dialog, outcome.result, filtered ? &*filtered : nullptr);
    return 0;
}

#endif
