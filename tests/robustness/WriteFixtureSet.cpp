// Writes game folders, good and broken, for runs of the command-line job
// under a memory checker: <out>/<name>/data/ifd.mpk (or whatever stands in
// its place). Prints one line per folder: its name and the exit status a
// correct job gives for it (0 loaded and written, 1 failed).

#include "fixtures/MpakWriter.h"
#include "fixtures/TableWriter.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace artisanscope::fixtures;
namespace fs = std::filesystem;

TablePlan Rich(std::uint32_t version) {
    TablePlan plan;
    plan.version = version;
    for (std::size_t r = 0; r < 3; ++r) {
        RealmPlan& realm = plan.realms[r];
        PatternPlan sword{.name = "Schwert", .data1 = 4, .data2 = 5, .data3 = 6, .skill = 150, .lvl = 10, .data5 = 7};
        sword.slots = {{.name = "Barren", .quantity = 2, .material = 8}, {.name = "Leder", .quantity = 1}};
        PatternPlan leaf{.name = "", .material = 50, .skill = 2001};
        leaf.slots = {{.name = "Holz", .quantity = 3, .material = 71}, {.name = "x", .quantity = 1, .material = 300}};
        const std::uint16_t p1 = realm.AddPattern(sword);
        const std::uint16_t p2 = realm.AddPattern(leaf);
        const std::uint16_t c1 = realm.AddCategory({.name = "Klingen", .patterns = {p1, 0, p2}});
        const std::uint16_t c2 = realm.AddCategory({.name = "R\xFCstung", .patterns = {p2, p1}});
        realm.skills = {{.name = "Waffenschmied", .data1 = 1, .categories = {c1, 0, c2, 99}},
                        {.name = ""},
                        {.name = "Schneider", .categories = {c2, c1}}};
    }
    return plan;
}

// Indices and strings that point outside the image, materials beyond the
// name table, a zero category count.
Bytes Hostile() {
    TablePlan plan = Rich(102);
    RealmPlan& realm = plan.realms[1];
    PatternPlan wide{.name = "", .material = 0xFFFFFFFFu, .skill = 65535, .rawName = 0xFFFFFFFFu};
    wide.slots = {{.name = "", .quantity = 1, .material = 65535, .rawName = 0x7FFFFFFFu}};
    const std::uint16_t p = realm.AddPattern(wide);
    const std::uint16_t c = realm.AddCategory({.name = "", .patterns = {p, 60000}, .rawName = 0xFFFFFFF0u});
    realm.skills.push_back({.name = "", .categories = {c, 65535}, .rawName = 0xFFFFu});
    plan.realms[2].categoryCount = 0;
    return WriteRecipeTable(plan);
}

Bytes Archive(const Bytes& table, const std::function<void(MpakPlan&)>& change = {}) {
    MpakPlan plan;
    plan.members = {{.name = "readme.txt", .content = {'h', 'i'}}, {.name = "tdl.crf", .content = table}};
    if (change) change(plan);
    return WriteMpak(plan);
}

struct Fixture {
    const char* name;
    int status;
    std::function<void(const fs::path& archive)> write;  // archive: <folder>/data/ifd.mpk
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const auto put = [](const Bytes& bytes) {
        return [bytes](const fs::path& archive) { WriteFile(archive.string(), bytes); };
    };
    const Fixture fixtures[] = {
        {"valid-v102", 0, put(Archive(WriteRecipeTable(Rich(102))))},
        {"valid-v101", 0, put(Archive(WriteRecipeTable(Rich(101))))},
        {"newer-v103", 0, put(Archive(WriteRecipeTable(Rich(103))))},
        {"hostile-table", 0, put(Archive(Hostile()))},
        {"refused-v100", 1, put(Archive(WriteRecipeTable(Rich(100))))},
        {"truncated-table", 0, put(Archive([] {
             Bytes t = WriteRecipeTable(Rich(102));
             t.resize(t.size() / 2);
             return t;
         }()))},
        {"no-table-member", 1, put(Archive({}, [](MpakPlan& s) { s.members[1].name = "tdl.bak"; }))},
        {"member-crc-wrong", 1, put(Archive(WriteRecipeTable(Rich(102)), [](MpakPlan& s) { s.members[1].wrongCrc = true; }))},
        {"directory-crc-wrong", 1, put(Archive(WriteRecipeTable(Rich(102)), [](MpakPlan& s) { s.wrongDirectoryCrc = true; }))},
        // The stream stops half way; the CRC covers what is stored, but the
        // stream does not give the stated size.
        {"cut-member-stream", 1, put(Archive({}, [](MpakPlan& s) {
             const Bytes table = WriteRecipeTable(Rich(102));
             Bytes stream = Compress(table);
             stream.resize(stream.size() / 2);
             s.members[1].rawStream = stream;
             s.members[1].inflatedSize = static_cast<std::uint32_t>(table.size());
         }))},
        {"truncated-archive", 1, [](const fs::path& a) {
             Bytes b = Archive(WriteRecipeTable(Rich(102)));
             b.resize(b.size() - 10);
             WriteFile(a.string(), b);
         }},
        {"empty-archive", 1, put({})},
        {"archive-is-a-folder", 1, [](const fs::path& a) { fs::create_directories(a); }},
        {"archive-is-a-fifo", 1, [](const fs::path& a) { ::mkfifo(a.c_str(), 0644); }},
        {"no-data-folder", 1, [](const fs::path& a) { fs::remove_all(a.parent_path()); }},
    };
    try {
        for (const Fixture& f : fixtures) {
            const fs::path folder = fs::path(argv[1]) / f.name;
            fs::remove_all(folder);
            fs::create_directories(folder / "data");
            f.write(folder / "data" / "ifd.mpk");
            std::printf("%s %d\n", f.name, f.status);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
