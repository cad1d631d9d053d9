#include "app/PathRules.h"

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
        {"/games/camelot\\//", PathStyle::Posix, "/games/camelot/data/ifd.mpk"},
        {"camelot", PathStyle::Posix, "camelot/data/ifd.mpk"},
        {"///", PathStyle::Posix, "/data/ifd.mpk"},
        {"/games/camelot/data/IFD.MPK", PathStyle::Posix, "/games/camelot/data/IFD.MPK"},
        {"/x/other.mpk", PathStyle::Posix, "/x/other.mpk"},
        {"/x/other.MpK/", PathStyle::Posix, "/x/other.MpK/data/ifd.mpk"},  // the trailing slash hides the ending
        {"/x/archive.mpkx", PathStyle::Posix, "/x/archive.mpkx/data/ifd.mpk"},
        {"D:\\Games\\Camelot", PathStyle::Windows, "D:\\Games\\Camelot\\data\\ifd.mpk"},
        {"D:\\Games\\Camelot/\\", PathStyle::Windows, "D:\\Games\\Camelot\\data\\ifd.mpk"},
        {"\\\\", PathStyle::Windows, "\\data\\ifd.mpk"},
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
        {"/Camelot.exe", PathStyle::Posix, "/data/ifd.mpk"},
        {"Camelot.exe", PathStyle::Posix, std::nullopt},
        {"ifd.mpk", PathStyle::Posix, "ifd.mpk"},
        {"D:\\Games\\Camelot.exe", PathStyle::Posix, std::nullopt},  // a backslash is no separator here
        {"/games/other.mpk", PathStyle::Posix, "/games/data/ifd.mpk"},  // only "ifd.mpk" counts
        {"D:\\Games\\Camelot\\Camelot.exe", PathStyle::Windows, "D:\\Games\\Camelot\\data\\ifd.mpk"},
        {"D:\\Games/Camelot/Camelot.exe", PathStyle::Windows, "D:\\data\\ifd.mpk"},
        {"a/b.exe", PathStyle::Windows, "a\\data\\ifd.mpk"},
        {"b.exe", PathStyle::Windows, std::nullopt},
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
        {"file mixed", {"data/Ifd.Mpk"}, "data/ifd.mpk", "data/Ifd.Mpk"},
        {"asked upper, lower on disk", {"data/ifd.mpk"}, "DATA/IFD.MPK", "data/ifd.mpk"},
        {"two candidates: smallest name", {"Data/ifd.mpk", "DATA/ifd.mpk"}, "data/ifd.mpk", "DATA/ifd.mpk"},
        {"no archive", {"DATA/other.mpk"}, "data/ifd.mpk", nullptr},
        {"no data folder", {"Camelot.exe"}, "data/ifd.mpk", nullptr},
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
    for (const XmlCase& c : endings) EXPECT_EQ(IsXmlExportPath(c.path), c.xml) << c.path;
}
