#include "cli/MyCommandLine.h"

#include <gtest/gtest.h>

using namespace artisanscope;

namespace {

struct Parsed {
    std::string dir, out;
    bool english = false, debug = false, quit = false;
    int usageShown = 0;
};

Parsed Parse(const std::vector<std::string>& args, OptionPrefixes prefixes = OptionPrefixes::DashOnly) {
    Parsed p;
    MyCommandLine line([&](std::string_view text) {
        EXPECT_EQ(text, kUsageText);
        ++p.usageShown;
    });
    ParseCommandLine(line, args, prefixes);
    p.dir = line.camelot_dir;
    p.out = line.output_file;
    p.english = line.useEnglishNames;
    p.debug = line.debugMode;
    p.quit = line.quitAfterExport;
    return p;
}

}  // namespace

TEST(CommandLineTest, OptionsAndPlainArguments) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        Parsed expected;
    } cases[] = {
        {"none", {}, {}},
        {"full", {"-d", "-e", "D:\\Games\\Camelot", "out.xml"}, {"D:\\Games\\Camelot", "out.xml", true, true, false, 0}},
        {"options anywhere", {"D:\\Games\\Camelot", "-q", "out.txt"}, {"D:\\Games\\Camelot", "out.txt", false, false, true, 0}},
        {"first letter only", {"-eXYZ", "-Quiet", "-DEBUG"}, {"", "", true, true, true, 0}},
        {"third plain dropped", {"a", "b", "c"}, {"a", "b"}},
        {"unknown and bare dash", {"-x", "-", "dir"}, {"dir", ""}},
        {"empty first plain", {"", "D:\\Games\\Camelot"}, {"D:\\Games\\Camelot", ""}},
        {"usage goes on", {"-?", "dir", "-h", "-Help", "out"}, {"dir", "out", false, false, false, 3}},
        {"absolute POSIX path is plain", {"/home/x/camelot", "/tmp/out.txt"}, {"/home/x/camelot", "/tmp/out.txt"}},
        {"long options are not ours", {"--tree", "--help", "dir"}, {"dir", ""}},
        {"nor the value of --format", {"--format", "csv", "dir", "--format=json", "out"}, {"dir", "out"}},
        {"--format as the last argument", {"dir", "--format"}, {"dir", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Parsed p = Parse(c.args);
        EXPECT_EQ(p.dir, c.expected.dir);
        EXPECT_EQ(p.out, c.expected.out);
        EXPECT_EQ(p.english, c.expected.english);
        EXPECT_EQ(p.debug, c.expected.debug);
        EXPECT_EQ(p.quit, c.expected.quit);
        EXPECT_EQ(p.usageShown, c.expected.usageShown);
    }
}

TEST(CommandLineTest, SlashOptionsOnWindowsBuilds) {
    const Parsed p = Parse({"/data", "/home/x", "/E"}, OptionPrefixes::DashAndSlash);
    EXPECT_TRUE(p.debug);
    EXPECT_TRUE(p.english);
    EXPECT_EQ(p.usageShown, 1);
    EXPECT_EQ(p.dir, "");
}

TEST(CommandLineTest, UsageTextHasSevenLines) {
    std::size_t lines = 1;
    for (std::size_t at = kUsageText.find("\r\n"); at != std::string_view::npos; at = kUsageText.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 7u);
    EXPECT_NE(kUsageText.back(), '\n');
}
