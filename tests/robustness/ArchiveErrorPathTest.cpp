// The archive as users meet it when it is not an archive at all: a folder, a
// FIFO, an unreadable, empty or enormous file. Each load must fail at once
// with an empty tree and nothing written, and must leave the path exactly as
// it was. Loads of good and bad archives never change the archive.

#include "Isolation.h"
#include "RecordingLoad.h"
#include "TempDir.h"
#include "archive/MpakArchive.h"
#include "load/LoadRecipeTable.h"
#include "export/TextExport.h"
#include "export/XmlStream.h"
#include "fixtures/MpakWriter.h"
#include "fixtures/TableWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace artisanscope;
using namespace artisanscope::testing;
namespace fx = artisanscope::fixtures;

namespace {

fx::Bytes SmallTable(std::uint32_t version) {
    fx::TablePlan plan;
    plan.version = version;
    fx::RealmPlan& realm = plan.realms[0];
    fx::PatternPlan pattern{.name = "P", .skill = 5};
    pattern.slots = {{.name = "A", .quantity = 2, .material = 7}};
    const std::uint16_t p = realm.AddPattern(pattern);
    realm.skills = {{.name = "K", .categories = {realm.AddCategory({.name = "G", .patterns = {p}})}}};
    return fx::WriteRecipeTable(plan);
}

fx::Bytes ValidArchive() {
    fx::MpakPlan plan;
    plan.members = {{.name = "tdl.crf", .content = SmallTable(102)}};
    return fx::WriteMpak(plan);
}

// A valid archive followed by a hole, so that the file is size bytes long but
// occupies almost no disk. Returns false when the file system cannot do it.
bool WriteSparseArchive(const std::string& path, std::uint64_t size) {
    fx::WriteFile(path, ValidArchive());
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

long PeakRssKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct LoadOutcome {
    bool finished = false;  // false: the load blocked
    LoadStatus status = LoadStatus::Loaded;
    std::string reason;
    std::size_t treeItems = 0;
    std::size_t messages = 0;
    std::string text;
};

// One load with every output attached, guarded against blocking: if it has
// not returned after a generous grace period, a FIFO at path is opened for
// writing and closed again, which lets a blocked reader go on.
LoadOutcome GuardedLoad(const std::string& path) {
    auto load = std::async(std::launch::async, [path] {
        LoadOutcome out;
        RecordingLoad dialog;
        dialog.tree.InsertItem(kTreeRoot, "left over from the previous load");
        std::FILE* text = std::tmpfile();
        TextExport writer(text);
        const LoadResult result = LoadRecipeTable(path, dialog.Options(&writer));
        out.status = result.status;
        out.reason = result.reason;
        writer.End();
        std::rewind(text);
        char buffer[256];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, text)) > 0) out.text.append(buffer, n);
        std::fclose(text);
        out.treeItems = dialog.tree.size();
        out.messages = dialog.messages.size();
        out.finished = true;
        return out;
    });
    if (load.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        LoadOutcome blocked = load.get();
        blocked.finished = false;
        return blocked;
    }
    return load.get();
}

}  // namespace

TEST(ArchiveErrorPathTest, UnusableArchivesFailAtOnceAndStayUntouched) {
    const std::string notAFile = "is a device, pipe or socket, not a game archive";
    const std::string tooLarge = "is too large for a game archive (";
    struct Case {
        const char* what;
        std::function<bool(const std::string& path)> make;  // false: not possible here, skip
        std::string reason;  // what the player is told, after the path and a blank
    } cases[] = {
        {"a folder", [](const std::string& p) { return ::mkdir(p.c_str(), 0755) == 0; }, "is a folder, not a game archive"},
        {"a FIFO with no writer", [](const std::string& p) { return ::mkfifo(p.c_str(), 0644) == 0; }, notAFile},
        {"an empty file", [](const std::string& p) { fx::WriteFile(p, {}); return true; }, "is empty, not a game archive"},
        {"a file shorter than the header", [](const std::string& p) { fx::WriteFile(p, {'M', 'P', 'A', 'K', 0}); return true; },
         "is too short for a game archive (5 bytes; the header alone takes 21)"},
        {"a text file", [](const std::string& p) { fx::WriteFile(p, {'h', 'e', 'l', 'l', 'o', '\n'}); return true; },
         "is too short for a game archive (6 bytes; the header alone takes 21)"},
        {"a text file longer than the header",
         [](const std::string& p) { fx::WriteFile(p, fx::Bytes(40, 'x')); return true; },
         "is not a game archive (it does not begin with MPAK)"},
        {"a missing file", [](const std::string&) { return true; }, "does not exist"},
        {"a dangling link", [](const std::string& p) { return ::symlink("nowhere.mpk", p.c_str()) == 0; }, "does not exist"},
        {"a link to a folder", [](const std::string& p) { return ::symlink("/", p.c_str()) == 0; },
         "is a folder, not a game archive"},
        {"a character device", [](const std::string& p) { return ::symlink("/dev/zero", p.c_str()) == 0; }, notAFile},
        // A valid archive with a hole behind it: refused for its size alone,
        // before anything is allocated for it.
        {"a sparse file of 64 GiB", [](const std::string& p) { return WriteSparseArchive(p, std::uint64_t{64} << 30); },
         tooLarge + "68719476736 bytes; at most 1073741824 are read)"},
        {"a sparse file one byte over the limit",
         [](const std::string& p) { return WriteSparseArchive(p, kMaxArchiveBytes + 1); },
         tooLarge + "1073741825 bytes; at most 1073741824 are read)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "ifd.mpk";
        if (!c.make(path)) {
            ADD_FAILURE() << "cannot create " << c.what << " here";
            continue;
        }
        const EntryState before = EntryState::Of(path, false);
        const auto listing = Listing(dir.path());
        const long rssBefore = PeakRssKiB();
        const LoadOutcome out = GuardedLoad(path);
        EXPECT_TRUE(out.finished) << "the load blocked";
        EXPECT_EQ(out.status, LoadStatus::ArchiveUnreadable);
        EXPECT_EQ(out.reason, path + " " + c.reason);
        EXPECT_EQ(out.treeItems, 0u);
        EXPECT_EQ(out.messages, 0u) << "the core shows no message; the caller words it";
        EXPECT_EQ(out.text, "") << "the writer is not begun before the table is in hand";
        EXPECT_LT(PeakRssKiB() - rssBefore, 256 * 1024) << "memory was committed for the file";
        EXPECT_TRUE(EntryState::Of(path, false) == before) << "the path was changed";
        EXPECT_EQ(Listing(dir.path()), listing) << "something was created beside the archive";
    }
}

// The same bytes below the limit are read: the sparse cases above fail for
// their size and nothing else.
TEST(ArchiveErrorPathTest, ArchiveWithTrailingHoleBelowTheLimitIsRead) {
    TempDir dir;
    ASSERT_TRUE(WriteSparseArchive(dir / "ifd.mpk", 1 << 20));
    EXPECT_TRUE(ReadMpakMember(dir / "ifd.mpk", "tdl.crf"));
}

TEST(ArchiveErrorPathTest, UnreadableArchiveIsRefused) {
    TempDir dir;
    // The unprivileged child must reach the file; only the file is closed.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string path = dir / "ifd.mpk";
    fx::WriteFile(path, ValidArchive());
    ASSERT_TRUE(ReadMpakMember(path, "tdl.crf")) << "readable, the archive is fine";
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    const EntryState before = EntryState::Of(path, false);

    const int status = RunInChild(
        [&] {
            if (::access(path.c_str(), R_OK) == 0) return 77;  // permissions do not apply here
            RecordingLoad dialog;
            std::FILE* text = std::tmpfile();
            TextExport writer(text);
            const LoadResult load = LoadRecipeTable(path, dialog.Options(&writer));
            writer.End();
            const bool wrote = std::ftell(text) != 0;
            std::fclose(text);
            if (load.reason != path + " cannot be opened (Permission denied)") return 2;
            return load || wrote || dialog.tree.size() != 0 ? 1 : 0;
        },
        /*dropPrivileges=*/true);
    if (status == 77) GTEST_SKIP() << "cannot run without read permission here";
    EXPECT_EQ(status, 0) << "an unreadable archive must fail the load and write nothing";
    EXPECT_TRUE(EntryState::Of(path, false) == before);
}

// Loads of good, refused and damaged archives, with every output and in both
// modes, leave the archive's bytes, size, mode and times as they were and
// put nothing beside it.
TEST(ArchiveErrorPathTest, ArchiveIsNeverWrittenOrTouched) {
    struct Case {
        const char* what;
        fx::Bytes archive;
        bool loads;
    };
    fx::MpakPlan badCrc;
    badCrc.members = {{.name = "tdl.crf", .content = SmallTable(102), .wrongCrc = true}};
    fx::MpakPlan old;
    old.members = {{.name = "tdl.crf", .content = SmallTable(100)}};
    fx::MpakPlan legacy;
    legacy.members = {{.name = "tdl.crf", .content = SmallTable(101)}};
    fx::Bytes truncated = ValidArchive();
    truncated.resize(truncated.size() - 5);
    const Case cases[] = {
        {"valid", ValidArchive(), true},
        {"legacy table", fx::WriteMpak(legacy), true},
        {"refused old table", fx::WriteMpak(old), false},
        {"member CRC wrong", fx::WriteMpak(badCrc), false},
        {"truncated", truncated, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fx::WriteFile(dir / "ifd.mpk", c.archive);
        ::chmod((dir / "ifd.mpk").c_str(), 0444);
        const EntryState before = EntryState::Of(dir / "ifd.mpk");
        const auto listing = Listing(dir.path());
        for (const bool debug : {false, true}) {
            RecordingLoad dialog(false, debug);
            std::FILE* text = std::tmpfile();
            TextExport textExport(text);
            XmlStreamExport xmlExport(text);
            EXPECT_EQ(static_cast<bool>(LoadRecipeTable(dir / "ifd.mpk", dialog.Options(&textExport))), c.loads);
            EXPECT_EQ(static_cast<bool>(LoadRecipeTable(dir / "ifd.mpk", dialog.Options(&xmlExport))), c.loads);
            EXPECT_EQ(static_cast<bool>(LoadRecipeTable(dir / "ifd.mpk", dialog.Options(nullptr))), c.loads);
            textExport.End();
            std::fclose(text);
        }
        EXPECT_TRUE(EntryState::Of(dir / "ifd.mpk") == before);
        EXPECT_EQ(Listing(dir.path()), listing);
    }
}
