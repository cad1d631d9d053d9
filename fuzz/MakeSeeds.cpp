// Writes the seed corpora of the fuzz targets from the fixture library:
//   <out>/mpak_archive/   MPAK archives, valid and with each kind of fault
//   <out>/recipe_load/    one option byte (see RecipeLoadFuzzer.cpp) + a table image
//   <out>/recipe_formats/ the same, for the formats target
//   <out>/plan_file/      crafting plan files, well-formed and not
// Tables come in both layouts and in versions 0, 100, 101, 102 and 103, with
// illegal and shared category indices, materials of 256 and more, hidden
// patterns and string indices that point nowhere.

#include "fixtures/MpakWriter.h"
#include "fixtures/RandomTable.h"
#include "fixtures/TableWriter.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace artisanscope::fixtures;

void PutU32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) out.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// Realm 0: two skills (one with debug values), an empty skill slot in
// between, categories with shared patterns, every kind of ingredient slot.
RealmPlan RichRealm() {
    RealmPlan realm;
    PatternPlan plain{.name = "Schwert", .skill = 150, .lvl = 10, .data5 = 7};
    plain.slots = {{.name = "Barren", .quantity = 2, .material = 8}, {.name = "Leder", .quantity = 1}};
    PatternPlan byMaterial{.name = "ignored", .material = 50, .data1 = 4, .data2 = 5, .data3 = 6, .skill = 2000};
    byMaterial.slots = {{.name = "Holz", .quantity = 3, .material = 71}, {.name = "unused", .quantity = 0, .material = 9}};
    PatternPlan hidden{.name = "Geheim", .skill = 2001};
    hidden.slots = {{.name = "Stoff", .quantity = 65535, .material = 176}};
    PatternPlan emptyMaterial{.name = "x", .material = 3, .skill = 1};
    const std::uint16_t p1 = realm.AddPattern(plain);
    const std::uint16_t p2 = realm.AddPattern(byMaterial);
    const std::uint16_t p3 = realm.AddPattern(hidden);
    const std::uint16_t p4 = realm.AddPattern(emptyMaterial);
    const std::uint16_t c1 = realm.AddCategory({.name = "Klingen", .patterns = {p1, 0, p2, p3}});
    const std::uint16_t c2 = realm.AddCategory({.name = "R\xFC" "stung", .patterns = {p4, p1}});
    const std::uint16_t empty = realm.AddCategory({.name = "leer"});
    realm.skills = {{.name = "Waffenschmied", .data1 = 1, .data2 = 2, .data3 = 3, .categories = {c1, 0, 0, c2, empty}},
                    {.name = "", .categories = {c1}},
                    {.name = "Schneider", .categories = {0, 0, 0, 0, 0, c2, c1}}};
    return realm;
}

// Illegal indices (equal to the count, far above it), a count of 0 in
// another realm, materials beyond the name table, strings that point nowhere.
RealmPlan HostileRealm() {
    RealmPlan realm;
    PatternPlan wide{.name = "", .material = 300, .skill = 65535, .rawName = 0xFFFFFFFFu};
    wide.slots = {{.name = "A", .quantity = 1, .material = 256},
                  {.name = "B", .quantity = 2, .material = 65535},
                  {.name = "", .quantity = 3, .rawName = 0xFFFFu},
                  {.name = "C", .quantity = 4, .material = 3}};
    const std::uint16_t p = realm.AddPattern(wide);
    const std::uint16_t c = realm.AddCategory({.name = "", .patterns = {p, 40000, p}, .rawName = 0x7FFFFFFFu});
    realm.skills = {{.name = "S", .categories = {c, 2, 3, 65535, c}}, {.name = "", .categories = {c}, .rawName = 0xFFFFu}};
    return realm;
}

// A copy of a table whose only content is realm 0, with realm 0's skill table
// moved to the end and cut after its last used record; the other realms
// point outside the image. Seeds stay a few hundred bytes long.
Bytes Compact(const TablePlan& plan) {
    TableOffsets at;
    const Bytes full = WriteRecipeTable(plan, &at);
    const bool wide = plan.layout == TableLayoutKind::V102 ||
                      (plan.layout == TableLayoutKind::ByVersion && plan.version >= 102);
    const std::size_t skillSize = wide ? 408 : 406;
    const std::size_t used = plan.realms[0].skills.size();
    Bytes out(full.begin(), full.begin() + at.skillTable[0]);
    const std::size_t categories = out.size();
    out.insert(out.end(), full.begin() + at.categoryTable[0], full.begin() + at.skillTable[1]);
    const std::size_t patterns = categories + (at.patternTable[0] - at.categoryTable[0]);
    const std::size_t skills = out.size();
    out.insert(out.end(), full.begin() + at.skillTable[0], full.begin() + at.skillTable[0] + 402 + used * skillSize);
    PutU32(out, 16 + 8, static_cast<std::uint32_t>(patterns));
    PutU32(out, 16 + 12, static_cast<std::uint32_t>(categories));
    PutU32(out, 16 + 16, static_cast<std::uint32_t>(skills));
    for (std::size_t r = 1; r < 3; ++r) {
        for (std::size_t field = 8; field < 20; field += 4) PutU32(out, 16 + 20 * r + field, 0xFFFFFF00u);
    }
    return out;
}

TablePlan Table(std::uint32_t version, RealmPlan realm0, TableLayoutKind layout = TableLayoutKind::ByVersion) {
    TablePlan plan;
    plan.version = version;
    plan.layout = layout;
    plan.realms[0] = std::move(realm0);
    return plan;
}

class SeedWriter {
public:
    explicit SeedWriter(std::filesystem::path dir) : dir_(std::move(dir)) { std::filesystem::create_directories(dir_); }
    void Add(const std::string& name, const Bytes& bytes) {
        WriteFile((dir_ / (name + ".bin")).string(), bytes);
        ++count_;
    }
    std::size_t count() const { return count_; }

private:
    std::filesystem::path dir_;
    std::size_t count_ = 0;
};

void TableSeeds(SeedWriter& out) {
    struct Variant {
        const char* name;
        std::uint8_t options;
    };
    // Option bits: 1-3 version override, 4 debug, 8 English, 16 no XML,
    // 32 no text, 64 compare languages.
    const Variant variants[] = {{"plain", 0x00}, {"debug", 0x04}, {"english-compare", 0x48}, {"debug-text-only", 0x14},
                                {"tree-only", 0x30}, {"formats", 0x80}, {"formats-debug-english", 0x8C}};
    const std::pair<const char*, std::function<TablePlan()>> tables[] = {
        {"v102-rich", [] { return Table(102, RichRealm()); }},
        {"v101-rich", [] { return Table(101, RichRealm()); }},
        {"v103-rich", [] { return Table(103, RichRealm()); }},
        {"v100-refused", [] { return Table(100, RichRealm()); }},
        {"v0-refused", [] { return Table(0, RichRealm()); }},
        {"v102-hostile", [] { return Table(102, HostileRealm()); }},
        {"v101-hostile", [] { return Table(101, HostileRealm()); }},
        {"v101-in-wide-layout", [] { return Table(101, RichRealm(), TableLayoutKind::V102); }},
        {"v102-in-narrow-layout", [] { return Table(102, RichRealm(), TableLayoutKind::V101); }},
    };
    for (const auto& [tableName, make] : tables) {
        const Bytes image = Compact(make());
        for (const Variant& v : variants) {
            Bytes seed{v.options};
            seed.insert(seed.end(), image.begin(), image.end());
            out.Add(std::string(tableName) + "-" + v.name, seed);
        }
    }
    // All three realms, full size, shared between two realms and with a
    // category count of 0 in the last one.
    for (std::uint32_t version : {101u, 102u}) {
        TablePlan plan = Table(version, RichRealm());
        plan.realms[1] = HostileRealm();
        plan.realms[2] = RichRealm();
        plan.realms[2].categoryCount = 0;
        Bytes seed{0x00};
        const Bytes image = WriteRecipeTable(plan);
        seed.insert(seed.end(), image.begin(), image.end());
        out.Add("v" + std::to_string(version) + "-three-realms", seed);
    }
    out.Add("short-header", Bytes{0x02, 0x66, 0x00, 0x00, 0x00, 0x01});
    // Small random tables with names of any byte, each mode once.
    for (std::uint64_t seed = 1; seed <= 16; ++seed) {
        const RandomTableShape small{.maxSkills = 4, .maxCategories = 4, .maxPatterns = 6, .maxCategoryPositions = 4,
                                     .maxPatternPositions = 4};
        Bytes bytes{static_cast<std::uint8_t>(seed & 0x0C)};
        const Bytes image = WriteRecipeTable(RandomTableOptions(seed, small));
        bytes.insert(bytes.end(), image.begin(), image.end());
        out.Add("random-" + std::to_string(seed), bytes);
    }
}

void ArchiveSeeds(SeedWriter& out) {
    const Bytes table = Compact(Table(102, RichRealm()));
    auto archive = [&](const std::function<void(MpakPlan&)>& change) {
        MpakPlan plan;
        plan.members = {{.name = "other.bin", .content = Text("other member")}, {.name = "tdl.crf", .content = table}};
        change(plan);
        return WriteMpak(plan);
    };
    out.Add("valid", archive([](MpakPlan&) {}));
    out.Add("stored-blocks", archive([](MpakPlan& s) { s.compressionLevel = 0; }));
    out.Add("prefix-block", archive([](MpakPlan& s) { s.prefixBlock = Bytes(37, 0xAB); }));
    out.Add("reserved-bytes", archive([](MpakPlan& s) {
                s.reservedHeaderByte = 0xFF;
                s.reservedSeed = 7;
            }));
    out.Add("upper-case-name", archive([](MpakPlan& s) { s.members[1].name = "TDL.CRF"; }));
    out.Add("name-without-nul", archive([](MpakPlan& s) {
                s.members[0].fillNameField = true;
                s.members[0].name = std::string(256, 'n');
            }));
    out.Add("member-crc", archive([](MpakPlan& s) { s.members[1].wrongCrc = true; }));
    out.Add("directory-crc", archive([](MpakPlan& s) { s.wrongDirectoryCrc = true; }));
    out.Add("entry-count-large", archive([](MpakPlan& s) { s.entryCount = 1000; }));
    out.Add("entry-count-negative", archive([](MpakPlan& s) { s.entryCount = -2; }));
    out.Add("inflated-size-short", archive([](MpakPlan& s) { s.members[1].inflatedSize = 100; }));
    out.Add("inflated-size-long", archive([](MpakPlan& s) { s.members[1].inflatedSize = 5000; }));
    out.Add("data-offset-outside", archive([](MpakPlan& s) { s.members[1].dataOffset = 0xFFFFFF00u; }));
    out.Add("broken-stream", archive([](MpakPlan& s) { s.members[1].rawStream = Bytes{0x78, 0x9C, 0xFF, 0x00, 0x13}; }));
    out.Add("stored-blocks-no-members", [] {
        MpakPlan plan;
        plan.compressionLevel = 0;
        plan.members = {{.name = "tdl.crf", .content = Text("tiny")}};
        return WriteMpak(plan);
    }());
    out.Add("many-entries", [] {
        MpakPlan plan;
        for (int i = 0; i < 240; ++i) plan.members.push_back({.name = "m" + std::to_string(i), .content = Text("x")});
        plan.members.push_back({.name = "tdl.crf", .content = Text("late")});
        return WriteMpak(plan);
    }());
    out.Add("header-only", Bytes{'M', 'P', 'A', 'K', 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
}

Bytes TextBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

void PlanFileSeeds(SeedWriter& out) {
    out.Add("written", TextBytes("\xEF\xBB\xBFrealm,skill,category,pattern,index,count\r\n"
                                 "Albion,Waffenschmied,Schwerter,Kurzschwert,1,10\r\n"
                                 "Albion,Waffenschmied,Schwerter,\"Schwert, \"\"gro\xC3\x9F\"\"\",,9999\r\n"));
    out.Add("lf-reordered", TextBytes("count,pattern,index,category,skill,realm\n3,Robe,,Roben,Schneider,Midgard\n"
                                      "\"4\n\",\"a\"\"b\",7,c,d,e\n"));
    out.Add("faults", TextBytes("realm,skill,category,pattern,index,count\nx,y,z,p,0,1\nx,y\nx,y,z,p,1,10000\n\"open"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path root(argv[1]);
        SeedWriter archives(root / "mpak_archive");
        SeedWriter tables(root / "recipe_load");
        SeedWriter plans(root / "plan_file");
        ArchiveSeeds(archives);
        TableSeeds(tables);
        PlanFileSeeds(plans);
        // The formats target reads the same inputs as the load target.
        std::filesystem::create_directories(root / "recipe_formats");
        std::filesystem::copy(root / "recipe_load", root / "recipe_formats",
                              std::filesystem::copy_options::overwrite_existing | std::filesystem::copy_options::recursive);
        std::printf("%zu archive seeds, %zu table seeds, %zu plan seeds in %s\n", archives.count(), tables.count(),
                    plans.count(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
