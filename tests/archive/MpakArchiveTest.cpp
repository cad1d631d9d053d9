#include "archive/MpakArchive.h"

#include "TempDir.h"
#include "fixtures/MpakWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace artisanscope;
using namespace artisanscope::fixtures;
using artisanscope::testing::TempDir;

namespace {

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// The member's bytes, or "!", the name of the check that refused it and the
// reason a player is given, the archive called "the archive".
std::string Outcome(const MpakRead& read, std::string_view archiveName) {
    if (!read) {
        std::string reason = read.reason;
        if (reason.starts_with(archiveName)) reason.replace(0, archiveName.size(), "the archive");
        return "!" + std::string(MpakErrorName(read.error)) + ": " + reason;
    }
    EXPECT_EQ(read.error, MpakError::None);
    return std::string(reinterpret_cast<const char*>(read.member.data()), read.member.size());
}

// The member's Outcome. The archive is also written to a file and read from
// there, where only the regions the steps check are read: both must give
// the same.
std::string Member(const Bytes& archive, std::string_view name) {
    static const TempDir dir;
    const std::string path = dir / "member.mpk";
    WriteFile(path, archive);
    const std::string fromBytes = Outcome(ReadMpakMemberFromBytes(archive, name), "the archive");
    EXPECT_EQ(Outcome(ReadMpakMember(path, name), path), fromBytes);
    return fromBytes;
}

MpakPlan TwoMembers() {
    MpakPlan plan;
    plan.members = {{.name = "other.bin", .content = Text("other")}, {.name = "tdl.crf", .content = Text("recipes")}};
    return plan;
}

}  // namespace

TEST(MpakArchiveTest, FindsMembersAndRefusesFaults) {
    struct Case {
        const char* what;
        std::function<void(MpakPlan&)> change;
        std::string request;
        std::string expected;
    } cases[] = {
        {"plain", [](MpakPlan&) {}, "tdl.crf", "recipes"},
        {"name case of ASCII letters ignored", [](MpakPlan& s) { s.members[1].name = "TDL.CRF"; }, "tdl.crf", "recipes"},
        {"mixed case", [](MpakPlan& s) { s.members[1].name = "Tdl.Crf"; }, "TDL.crf", "recipes"},
        {"umlaut case is not folded", [](MpakPlan& s) { s.members[1].name = "\xC4.crf"; }, "\xE4.crf",
         "!member not found: the archive does not contain \xE4.crf"},
        {"prefix must match whole", [](MpakPlan&) {}, "tdl.cr", "!member not found: the archive does not contain tdl.cr"},
        {"missing member", [](MpakPlan&) {}, "nope", "!member not found: the archive does not contain nope"},
        {"first match wins", [](MpakPlan& s) { s.members[0].name = "TDL.crf"; }, "tdl.crf", "other"},
        {"prefix block skipped", [](MpakPlan& s) { s.prefixBlock = Bytes(1000, 0xAB); }, "tdl.crf", "recipes"},
        {"reserved bytes ignored",
         [](MpakPlan& s) {
             s.reservedHeaderByte = 0xFF;
             s.reservedSeed = 77;
         },
         "tdl.crf", "recipes"},
        {"lower-case magic", [](MpakPlan& s) { s.badMagic = true; }, "tdl.crf",
         "!bad magic: the archive is not a game archive (it does not begin with MPAK)"},
        {"directory CRC", [](MpakPlan& s) { s.wrongDirectoryCrc = true; }, "tdl.crf",
         "!directory checksum: the archive is damaged (its list of contents fails its checksum)"},
        {"member CRC", [](MpakPlan& s) { s.members[1].wrongCrc = true; }, "tdl.crf",
         "!member checksum: the archive is damaged (tdl.crf fails its checksum)"},
        {"other member's CRC does not matter", [](MpakPlan& s) { s.members[0].wrongCrc = true; }, "tdl.crf", "recipes"},
        {"entry count 0", [](MpakPlan& s) { s.entryCount = 0; }, "tdl.crf",
         "!entry count impossible: the archive holds no files (its list of contents counts 0)"},
        {"entry count negative", [](MpakPlan& s) { s.entryCount = -1; }, "tdl.crf",
         "!entry count impossible: the archive is damaged (its list of contents gives -1 as its number of files)"},
        {"entry count beyond the directory", [](MpakPlan& s) { s.entryCount = 5; }, "tdl.crf",
         "!directory inflates short: the archive is damaged (its list of contents does not inflate to its stated "
         "size)"},
        {"member stream cut to half, its CRC fitting the cut",
         [](MpakPlan& s) {
             Bytes stream = Compress(s.members[1].content);
             stream.resize(stream.size() / 2);
             s.members[1].inflatedSize = static_cast<std::uint32_t>(s.members[1].content.size());
             s.members[1].rawStream = stream;
         },
         "tdl.crf", "!member inflates short: the archive is damaged (tdl.crf does not inflate to its stated size)"},
        {"entry count that no directory could hold", [](MpakPlan& s) { s.entryCount = 0x7FFFFFFF; }, "tdl.crf",
         "!entry count impossible: the archive is damaged (its list of contents counts 2147483647 files, more than its "
         "52 packed bytes can hold)"},
        {"count cuts the search", [](MpakPlan& s) { s.entryCount = 1; }, "tdl.crf",
         "!member not found: the archive does not contain tdl.crf"},
        {"data offset outside", [](MpakPlan& s) { s.members[1].dataOffset = 0xFFFFFFF0u; }, "tdl.crf",
         "!member outside the file: the archive is cut short or damaged (tdl.crf, 15 bytes at byte 4294967355, runs past "
         "the end of its 103 bytes)"},
        {"compressed size outside", [](MpakPlan& s) { s.members[1].compressedSize = 0xFFFFFFFFu; }, "tdl.crf",
         "!member outside the file: the archive is cut short or damaged (tdl.crf, 4294967295 bytes at byte 86, runs "
         "past the end of its 101 bytes)"},
        {"inflated size no stream could fill", [](MpakPlan& s) { s.members[1].inflatedSize = 0xFFFFFFFFu; }, "tdl.crf",
         "!member size impossible: the archive is damaged (tdl.crf claims 4294967295 bytes unpacked, more than its 15 "
         "packed bytes can hold)"},
        {"name field without NUL", [](MpakPlan& s) {
             s.members[1].fillNameField = true;
             s.members[1].name = std::string(256, 'a');
         }, std::string(256, 'A'), "recipes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MpakPlan plan = TwoMembers();
        c.change(plan);
        EXPECT_EQ(Member(WriteMpak(plan), c.request), c.expected);
    }
}

TEST(MpakArchiveTest, MemberSizeComesFromTheDirectory) {
    // A stream shorter than the recorded size is refused; a longer one is
    // cut at the recorded size.
    MpakPlan plan = TwoMembers();
    plan.members[1].inflatedSize = 10;
    EXPECT_EQ(Member(WriteMpak(plan), "tdl.crf"),
              "!member inflates short: the archive is damaged (tdl.crf does not inflate to its stated size)");
    plan.members[1].inflatedSize = 3;
    EXPECT_EQ(Member(WriteMpak(plan), "tdl.crf"), "rec");
    plan.members[1].inflatedSize = 0;
    const MpakRead empty = ReadMpakMemberFromBytes(WriteMpak(plan), "tdl.crf");
    EXPECT_TRUE(empty);
    EXPECT_EQ(empty.member.size(), 0u);
}

TEST(MpakArchiveTest, BrokenMemberStreamIsRefusedUnlessItGaveEveryByte) {
    // The CRC covers the stored bytes, so a member whose stream is broken
    // still passes it; the stream must still give the stated size.
    const Bytes whole = Compress(Text("abcdef"));
    const std::string refused =
        "!member inflates short: the archive is damaged (tdl.crf does not inflate to its stated size)";
    struct Case {
        const char* what;
        Bytes stream;
        std::string expected;
    } cases[] = {
        {"cut into the deflate data", Bytes(whole.begin(), whole.end() - 6), refused},
        {"garbage after the zlib header", Bytes{0x78, 0x9C, 0xFF, 0xFF, 0xFF}, refused},
        {"empty", Bytes{}, refused},
        {"trailer cut off, every byte given", Bytes(whole.begin(), whole.end() - 4), "abcdef"},
        {"trailer wrong, every byte given", [&] { Bytes b = whole; b.back() ^= 1; return b; }(), "abcdef"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MpakPlan plan;
        plan.members = {{.name = "tdl.crf", .content = {}, .inflatedSize = 6, .rawStream = c.stream}};
        EXPECT_EQ(Member(WriteMpak(plan), "tdl.crf"), c.expected);
    }
}

TEST(MpakArchiveTest, FindsMembersBeyondTheFirst230Entries) {
    MpakPlan plan;
    for (int i = 0; i < 400; ++i) plan.members.push_back({.name = "file" + std::to_string(i), .content = Text("x")});
    plan.members.push_back({.name = "tdl.crf", .content = Text("late")});
    EXPECT_EQ(Member(WriteMpak(plan), "tdl.crf"), "late");
    EXPECT_EQ(Member(WriteMpak(plan), "file399"), "x");
}

TEST(MpakArchiveTest, ShortInputs) {
    const Bytes valid = WriteMpak(TwoMembers());
    EXPECT_EQ(Member({}, "tdl.crf"), "!too short for a header: the archive is empty, not a game archive");
    EXPECT_EQ(Member(Text("MPAK"), "tdl.crf"),
              "!too short for a header: the archive is too short for a game archive (4 bytes; the header alone takes 21)");
    EXPECT_EQ(Member(Bytes(valid.begin(), valid.begin() + 20), "tdl.crf"),
              "!too short for a header: the archive is too short for a game archive (20 bytes; the header alone takes 21)");
    EXPECT_EQ(Member(Bytes(valid.begin(), valid.begin() + 21), "tdl.crf"),
              "!directory outside the file: the archive is cut short or damaged (its list of contents, 52 bytes at byte "
              "21, runs past the end of its 21 bytes)");
}

// Every prefix of a valid archive, and every single-byte change, yields null
// or exactly the right member; the sanitizer build checks that no byte
// outside the buffers is touched.
TEST(MpakArchiveTest, TruncationAndByteFlipSweep) {
    MpakPlan plan = TwoMembers();
    plan.prefixBlock = Bytes(7, 1);
    const Bytes valid = WriteMpak(plan);
    for (std::size_t length = 0; length < valid.size(); ++length) {
        const std::string got = Member(Bytes(valid.begin(), valid.begin() + length), "tdl.crf");
        EXPECT_TRUE(got.starts_with("!") || got == "recipes") << "length " << length;
    }
    for (std::size_t at = 0; at < valid.size(); ++at) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes changed = valid;
            changed[at] ^= flip;
            const MpakMember m = ReadMpakMemberFromBytes(changed, "tdl.crf").member;
            if (!m) continue;
            // Only the one field no check covers may change the outcome: the
            // inflated size, which cuts the same stream.
            ASSERT_LE(m.size(), 7u) << "byte " << at;
            const std::string expected = std::string("recipes").substr(0, m.size());
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.data()), m.size()), expected) << "byte " << at;
        }
    }
}

TEST(MpakArchiveTest, ReadsFromFiles) {
    TempDir dir;
    const Bytes valid = WriteMpak(TwoMembers());
    WriteFile(dir / "ifd.mpk", valid);
    EXPECT_TRUE(ReadMpakMember(dir / "ifd.mpk", "tdl.crf"));
    WriteFile(dir / "empty.mpk", {});
    // The reason names the archive as it was given.
    struct Case {
        std::string path;
        MpakError error;
        std::string reason;
    } cases[] = {
        {dir / "missing.mpk", MpakError::Unreadable, dir / "missing.mpk does not exist"},
        {dir.path(), MpakError::NotRegularFile, dir.path() + " is a folder, not a game archive"},
        {"", MpakError::Unreadable, "no game archive was chosen"},
        {dir / "empty.mpk", MpakError::TooShortForHeader, dir / "empty.mpk is empty, not a game archive"},
        {dir / "ifd.mpk", MpakError::MemberNotFound, dir / "ifd.mpk does not contain TDL.XYZ"},
    };
    for (const Case& c : cases) {
        const MpakRead read = ReadMpakMember(c.path, c.path.ends_with("ifd.mpk") ? "TDL.XYZ" : "tdl.crf");
        EXPECT_FALSE(read);
        EXPECT_EQ(read.error, c.error) << c.path;
        EXPECT_EQ(read.reason, c.reason);
    }
    // The archive is only read.
    const auto before = std::filesystem::last_write_time(dir / "ifd.mpk");
    ReadMpakMember(dir / "ifd.mpk", "tdl.crf");
    EXPECT_EQ(ReadFile(dir / "ifd.mpk"), valid);
    EXPECT_EQ(std::filesystem::last_write_time(dir / "ifd.mpk"), before);
}
