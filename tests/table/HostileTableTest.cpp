#include "WalkTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace artisanscope;
using namespace artisanscope::fixtures;
using namespace artisanscope::testing;

namespace {

TablePlan SampleTable(std::uint32_t version) {
    TablePlan plan;
    plan.version = version;
    for (RealmPlan& realm : plan.realms) {
        PatternPlan p{.name = "Pattern", .material = 0, .skill = 10, .lvl = 1};
        p.slots = {{.name = "Slot", .quantity = 2, .material = 9}, {.name = "Other", .quantity = 1}};
        const std::uint16_t a = realm.AddPattern(p);
        p.material = 50;
        const std::uint16_t b = realm.AddPattern(p);
        const std::uint16_t k = realm.AddCategory({.name = "Cat", .patterns = {a, 0, b}});
        realm.skills = {{.name = "Skill", .categories = {k, 0, k, 7}}};
    }
    return plan;
}

void PutU32(Bytes& image, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One load with each export attached, both written to /dev/null; the
// tree's size.
std::size_t LoadQuietly(const Bytes& image, bool debug) {
    std::size_t items = 0;
    std::FILE* text = std::fopen("/dev/null", "wb");
    TextExport textExport(text);
    XmlStreamExport xmlExport(text);
    for (ExportWriter* writer : {static_cast<ExportWriter*>(&textExport), static_cast<ExportWriter*>(&xmlExport)}) {
        RecordingLoad dialog(false, debug);
        MpakMember member = MpakMember::Allocate(image.size());
        if (!image.empty()) std::memcpy(member.data(), image.data(), image.size());
        LoadRecipeTableImage(std::move(member), dialog.Options(writer));
        items = dialog.tree.size();
    }
    textExport.End();
    std::fclose(text);
    return items;
}

}  // namespace

// Offsets, indices and strings that point outside the image: records are
// skipped with their subtree, strings read as empty text.
TEST(HostileTableTest, OutOfRangeReferences) {
    TableOffsets where;
    const Bytes valid = WriteRecipeTable(SampleTable(102), &where);
    struct Case {
        const char* what;
        std::function<void(Bytes&)> change;
        std::size_t rows;  // a whole realm has 17 items
    } cases[] = {
        {"valid", [](Bytes&) {}, 3 * 17},
        {"skill table beyond the end", [](Bytes& b) { PutU32(b, 16 + 16, 0xFFFFFFF0u); }, 1 + 2 * 17},
        {"category table beyond the end", [](Bytes& b) { PutU32(b, 16 + 12, 0xFFFFFF00u); }, 3 + 2 * 17},
        {"pattern table beyond the end", [](Bytes& b) { PutU32(b, 16 + 8, 0x7FFFFFFFu); }, 5 + 2 * 17},
        {"string table beyond the end", [](Bytes& b) { PutU32(b, 4, 0xFFFFFFFFu); }, 3 * 17},
        {"string pool beyond the end", [](Bytes& b) { PutU32(b, 12, 0xFFFFFFB3u); }, 3 * 17},
        {"string offsets beyond the end",
         [&](Bytes& b) {
             for (std::size_t i = where.stringOffsetTable; i < where.stringPool; ++i) b[i] = 0xFF;
         },
         3 * 17},
        {"header cut after the first realm", [](Bytes& b) { b.resize(36); }, 3},
        {"empty image", [](Bytes& b) { b.clear(); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes image = valid;
        c.change(image);
        const LoadOutputs r = LoadImage(image);
        EXPECT_EQ(r.rows.size(), c.rows);
        if (std::string(c.what).find("string") != std::string::npos) {
            EXPECT_EQ(r.rows[1].second, "") << "unreadable skill name is empty text";
            EXPECT_NE(r.text.find("Albion;;;;10;2;;Mithril;1;;\r\n"), std::string::npos);
        }
    }
}

// Every prefix and every single-byte change of valid tables of both layouts,
// walked with the tree, a text file and an XML document attached. The
// sanitizer build proves that nothing outside the image is read.
TEST(HostileTableTest, TruncationAndByteFlipSweep) {
    for (const std::uint32_t version : {101u, 102u}) {
        const Bytes valid = WriteRecipeTable(SampleTable(version));
        for (std::size_t length = 0; length < valid.size(); length += (length < 512 ? 1 : 7)) {
            LoadQuietly(Bytes(valid.begin(), valid.begin() + length), length % 2 == 0);
        }
        for (std::size_t at = 0; at < valid.size(); ++at) {
            Bytes changed = valid;
            changed[at] ^= 0xFF;
            if (at < 4) changed[0] = static_cast<std::uint8_t>(version);  // keep the layout under test
            LoadQuietly(changed, at % 2 == 0);
        }
    }
    SUCCEED();
}
