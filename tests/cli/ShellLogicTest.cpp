#include "desktop/DialogTemplates.h"
#include "export/ExportFile.h"
#include "cli/PathRules.h"
#include "cli/Startup.h"
#include "io/Cp1252.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace artisanscope;

TEST(PathRulesTest, CommandLineDirectoryBecomesArchivePath) {
    struct Case {
        const char* given;
        PathStyle style;
        const char* expected;
    } cases[] = {
        {"/games/camelot", PathStyle::Posix, "/games/camelot/data/ifd.mpk"},
        {"/games/camelot/", PathStyle::Posix, "/games/camelot/data/ifd.mpk"},
        {"/games/camelot/\\", PathStyle::Posix, "/games/camelot/data/ifd.mpk"},
        {"camelot", PathStyle::Posix, "camelot/data/ifd.mpk"},
        {"///", PathStyle::Posix, "/data/ifd.mpk"},
        {"/games/camelot/data/IFD.MPK", PathStyle::Posix, "/games/camelot/data/IFD.MPK"},
        {"/x/other.mpk", PathStyle::Posix, "/x/other.mpk"},
        {"/x/other.MpK/", PathStyle::Posix, "/x/other.MpK/data/ifd.mpk"},  // the trailing slash hides the ending
        {"D:\\Games\\Camelot", PathStyle::Windows, "D:\\Games\\Camelot\\data\\ifd.mpk"},
        {"D:\\Games\\Camelot/\\", PathStyle::Windows, "D:\\Games\\Camelot\\data\\ifd.mpk"},
        {"D:\\x\\other.mpk", PathStyle::Windows, "D:\\x\\other.mpk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(NormaliseCamelotDir(c.given, c.style), c.expected);
    }
}

TEST(PathRulesTest, OpenButtonDerivesArchivePath) {
    struct Case {
        const char* chosen;
        PathStyle style;
        std::optional<std::string> expected;
    } cases[] = {
        {"/games/camelot/Camelot.exe", PathStyle::Posix, "/games/camelot/data/ifd.mpk"},
        {"/games/camelot/data/IFD.MPK", PathStyle::Posix, "/games/camelot/data/IFD.MPK"},
        {"/games/elsewhere/myifd.mpk", PathStyle::Posix, "/games/elsewhere/myifd.mpk"},
        {"/x/y.txt", PathStyle::Posix, "/x/data/ifd.mpk"},
        {"Camelot.exe", PathStyle::Posix, std::nullopt},
        {"ifd.mpk", PathStyle::Posix, "ifd.mpk"},
        {"D:\\Games\\Camelot.exe", PathStyle::Posix, std::nullopt},  // a backslash is no separator here
        {"/games/other.mpk", PathStyle::Posix, "/games/data/ifd.mpk"},  // only "ifd.mpk" counts
        {"D:\\Games\\Camelot\\Camelot.exe", PathStyle::Windows, "D:\\Games\\Camelot\\data\\ifd.mpk"},
        {"D:\\Games/Camelot/Camelot.exe", PathStyle::Windows, "D:\\data\\ifd.mpk"},
        {"a/b.exe", PathStyle::Windows, "a\\data\\ifd.mpk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(DeriveArchivePath(c.chosen, c.style), c.expected);
    }
}

TEST(PathRulesTest, ArchiveIsFoundWhateverTheLetterCase) {
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        std::vector<const char*> files;  // created below the game folder
        const char* asked;               // below the game folder
        const char* expected;            // below the game folder; null: the asked path unchanged
    } cases[] = {
        {"exact", {"data/ifd.mpk", "DATA/IFD.MPK"}, "data/ifd.mpk", "data/ifd.mpk"},
        {"both upper", {"DATA/IFD.MPK"}, "data/ifd.mpk", "DATA/IFD.MPK"},
        {"folder mixed", {"Data/ifd.mpk"}, "data/ifd.mpk", "Data/ifd.mpk"},
        {"asked upper, lower on disk", {"data/ifd.mpk"}, "DATA/IFD.MPK", "data/ifd.mpk"},
        {"two candidates: smallest name", {"Data/ifd.mpk", "DATA/ifd.mpk"}, "data/ifd.mpk", "DATA/ifd.mpk"},
        {"no archive", {"DATA/other.mpk"}, "data/ifd.mpk", nullptr},
        {"other names are not looked up", {"DATA/OTHER.MPK"}, "data/other.mpk", nullptr},
        {"only data and ifd.mpk", {"Sub/data/ifd.mpk"}, "sub/data/ifd.mpk", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        artisanscope::testing::TempDir dir;
        for (const char* file : c.files) {
            fs::create_directories(fs::path(dir / file).parent_path());
            std::ofstream(dir / file) << "x";
        }
        const std::string asked = dir / c.asked;
        EXPECT_EQ(ResolveArchivePath(asked), c.expected ? dir / c.expected : asked);
    }
    EXPECT_EQ(ResolveArchivePath(""), "");
    EXPECT_EQ(ResolveArchivePath("/nonexistent-artisanscope/data/ifd.mpk"), "/nonexistent-artisanscope/data/ifd.mpk");
}

TEST(PathRulesTest, NamesAndEndings) {
    struct NameCase {
        const char* argv0;
        const char* name;
    } names[] = {
        {"artisanscope", "artisanscope"},
        {"/usr/bin/artisanscope", "artisanscope"},
        {"./build/Artisanscope.exe", "Artisanscope"},
        {"C:\\Tools\\Artisanscope.exe", "Artisanscope"},
        {"my.tool.bin", "my.tool"},
        {".hidden", ".hidden"},
    };
    for (const NameCase& c : names) EXPECT_EQ(ApplicationName(c.argv0), c.name) << c.argv0;

    struct XmlCase {
        const char* path;
        bool xml;
    } endings[] = {
        {"out.xml", true}, {"out.XML", true}, {"/a/b.Xml", true}, {".xml", true},
        {"out.txt", false}, {"out.cvs", false}, {"out.xmlx", false}, {"xml", false}, {"", false},
    };
    for (const XmlCase& c : endings) EXPECT_EQ(ExportFormatForPath(c.path) == ExportFormat::Xml, c.xml) << c.path;
}

TEST(ExportFormatTest, LongOptionFormat) {
    struct Case {
        std::vector<std::string> args;
        std::optional<ExportFormat> format;
        std::optional<std::string> unknown;
        std::optional<std::string> missing = std::nullopt;  // the option whose value is missing
    } cases[] = {
        {{"dir", "out.csv"}, std::nullopt, std::nullopt},
        {{"--format", "csv", "dir", "out.xml"}, ExportFormat::Csv, std::nullopt},
        {{"--format=json"}, ExportFormat::Json, std::nullopt},
        {{"--format", "sqlite"}, ExportFormat::Sqlite, std::nullopt},
        {{"--format", "xml"}, ExportFormat::Xml, std::nullopt},
        {{"--format", "text"}, ExportFormat::Text, std::nullopt},
        {{"--format", "CSV"}, ExportFormat::Csv, std::nullopt},
        {{"--format=SQLite"}, ExportFormat::Sqlite, std::nullopt},
        {{"--format", "csvx"}, std::nullopt, "csvx"},
        {{"--format", "xls", "--format", "csv"}, ExportFormat::Csv, std::nullopt},  // the last one counts
        {{"--format=csv", "--format=xls"}, std::nullopt, "xls"},
        {{"dir", "--format"}, std::nullopt, std::nullopt, "--format"},
        {{"dir", "--find"}, std::nullopt, std::nullopt, "--find"},
        {{"--find", "--format"}, std::nullopt, std::nullopt, std::nullopt},  // "--format" is the query
        {{"--format="}, std::nullopt, ""},
        {{"--formats", "csv"}, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const LongOptions options = ParseLongOptions(c.args);
        EXPECT_EQ(options.format, c.format) << c.args.front();
        EXPECT_EQ(options.unknownFormat, c.unknown) << c.args.front();
        EXPECT_EQ(options.missingValue, c.missing) << c.args.front();
    }
    EXPECT_NE(HelpText().find(" --format FORMAT "), std::string::npos);
}

TEST(Cp1252Test, EveryByteBecomesItsCharacter) {
    // 0x80-0x9F are typographic characters, five of them undefined.
    const std::pair<unsigned, char32_t> known[] = {
        {0x41, 0x41}, {0x80, 0x20AC}, {0x81, 0xFFFD}, {0x84, 0x201E}, {0x8A, 0x0160}, {0x8D, 0xFFFD}, {0x93, 0x201C},
        {0x9F, 0x0178}, {0xA0, 0xA0}, {0xC4, 0xC4}, {0xE4, 0xE4}, {0xFF, 0xFF},
    };
    for (const auto& [byte, unicode] : known) EXPECT_EQ(Cp1252ToUnicode(byte), unicode) << byte;
    // The UTF-8 of all 256 bytes decodes back to one character per byte.
    std::string all;
    for (unsigned byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    const std::string utf8 = Cp1252ToUtf8(all);
    std::size_t at = 0;
    for (unsigned byte = 0; byte < 256; ++byte) {
        const auto unit = [&](std::size_t i) { return char32_t(static_cast<unsigned char>(utf8.at(at + i))); };
        const std::size_t length = unit(0) < 0x80 ? 1 : unit(0) < 0xE0 ? 2 : 3;
        char32_t decoded = length == 1 ? unit(0) : unit(0) & (length == 2 ? 0x1F : 0x0F);
        for (std::size_t i = 1; i < length; ++i) decoded = decoded << 6 | (unit(i) & 0x3F);
        EXPECT_EQ(decoded, Cp1252ToUnicode(static_cast<unsigned char>(byte))) << byte;
        at += length;
    }
    EXPECT_EQ(at, utf8.size());
}

TEST(DialogUnitsTest, EdgesAreRoundedHalfAwayFromZero) {
    // 52 letters 286 pixels wide average 5.5 and round up; 285 round down.
    EXPECT_EQ(BaseUnitsFromFont(286, 13).cx, 6);
    EXPECT_EQ(BaseUnitsFromFont(285, 13).cx, 5);
    EXPECT_EQ(MulDiv(-5, 6, 4), -8);
    // Edges are mapped, not sizes: 275 + 50 units map to 481..569 pixels.
    EXPECT_EQ(MapDialogRect({275, 58, 50, 14}, {7, 15}), (DialogRect{481, 109, 88, 26}));
    const DialogRect upper = MapDialogRect({0, 3, 5, 3}, {7, 15});
    EXPECT_EQ(upper.y + upper.height, MapDialogRect({0, 6, 5, 3}, {7, 15}).y);
}
