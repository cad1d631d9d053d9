#include "app/CommandLineJob.h"

#include "GameFolder.h"
#include "TempDir.h"
#include "app/HeadlessDialog.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace artisanscope;
using artisanscope::testing::ReadText;
using artisanscope::testing::ReferenceExport;
using artisanscope::testing::TempDir;

namespace {

// Reads back what was written to a temporary stream.
std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char block[4096];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, n);
    return text;
}

std::string Substitute(std::string arg, const std::string& game, const std::string& scratch) {
    for (const auto& [token, value] : {std::pair<std::string, std::string>{"$GAME", game}, {"$OUT", scratch}}) {
        if (const std::size_t at = arg.find(token); at != std::string::npos) arg.replace(at, token.size(), value);
    }
    return arg;
}

struct JobRun {
    int status = -1;
    std::string err, out;
};

JobRun RunJob(MyCommandLine& line, HeadlessDialog& dialog, bool printTree = false) {
    std::FILE* err = std::tmpfile();
    std::FILE* out = std::tmpfile();
    CommandLineJobIo io{out, err, "artisanscope", printTree};
    JobRun run;
    run.status = RunCommandLineJob(line, dialog, io);
    run.err = Contents(err);
    run.out = Contents(out);
    std::fclose(err);
    std::fclose(out);
    return run;
}

}  // namespace

TEST(CommandLineJobTest, LoadsExportsAndEnds) {
    enum class Output { None, Text, Xml, Empty, Absent };
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        int endResult;  // -1: the dialog stays open
        std::string err;
        Output output;
        bool english, debug;
    } cases[] = {
        {"no directory: the options do nothing", {"-e", "-d", "-q"}, 0, -1, "", Output::None, false, false},
        {"load only: the dialog stays open", {"-q", "$GAME"}, 0, -1, "", Output::None, false, false},
        {"english and debug", {"-e", "-d", "$GAME"}, 0, -1, "", Output::None, true, true},
        {"text export and quit", {"-q", "$GAME", "$OUT/out.txt"}, 0, 1, "", Output::Text, false, false},
        {"xml export in english", {"-q", "-e", "$GAME/", "$OUT/out.Xml"}, 0, 1, "", Output::Xml, true, false},
        {"cvs export without quit", {"$GAME\\/", "$OUT/out.cvs"}, 0, -1, "", Output::Text, false, false},
        {"debug text export", {"-d", "-q", "$GAME", "$OUT/out.txt"}, 0, 1, "", Output::Text, false, true},
        {"debug xml export", {"-d", "-q", "$GAME", "$OUT/out.xml"}, 0, 1, "", Output::Xml, false, true},
        {"archive named", {"-q", "$GAME/data/ifd.mpk", "$OUT/out.txt"}, 0, 1, "", Output::Text, false, false},
        {"no game folder, text", {"-q", "$OUT/none", "$OUT/out.txt"}, 1, 1,
         "artisanscope: can't read 'ifd.mpk'\n", Output::Empty, false, false},
        {"no game folder, xml", {"-q", "$OUT/none", "$OUT/out.xml"}, 1, 1,
         "artisanscope: can't read 'ifd.mpk'\n", Output::Empty, false, false},
        {"no game folder, no output", {"$OUT/none"}, 1, -1, "artisanscope: can't read 'ifd.mpk'\n", Output::None,
         false, false},
        {"text into a missing folder", {"-q", "$GAME", "$OUT/missing/out.txt"}, 1, -1,
         "artisanscope: can't create file\n", Output::Absent, false, false},
        {"xml into a missing folder", {"-q", "$GAME", "$OUT/missing/out.xml"}, 1, 1,
         "artisanscope: can't write file\n", Output::Absent, false, false},
        {"text onto a full disk", {"-q", "$GAME", "/dev/full"}, 1, 1, "artisanscope: can't write file\n",
         Output::None, false, false},
    };
    TempDir game;
    artisanscope::testing::WriteSmallGame(game.path());
    const std::string archive = game.path() + "/data/ifd.mpk";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir scratch;
        std::vector<std::string> args;
        for (const std::string& arg : c.args) args.push_back(Substitute(arg, game.path(), scratch.path()));
        MyCommandLine line;
        ParseCommandLine(line, args);
        HeadlessDialog dialog("artisanscope", stderr, true);

        const JobRun run = RunJob(line, dialog);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(dialog.endResult(), c.endResult);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(dialog.IsEnglishNamesChecked(), c.english);
        EXPECT_EQ(dialog.debugMode(), c.debug);
        EXPECT_EQ(dialog.debugModeChecked(), c.debug);
        const bool ran = !line.camelot_dir.empty();
        // The job keeps its archive path in the dialog, so reloads after it
        // read the same table.
        EXPECT_EQ(dialog.archivePath(), line.camelot_dir);
        // Only a text file that cannot be created prevents the load.
        const bool loaded = ran && c.err.find("can't read") == std::string::npos &&
                            c.err.find("can't create") == std::string::npos;
        if (loaded) {
            EXPECT_EQ(dialog.archivePath(), archive);
            EXPECT_GT(dialog.LoadedTree()->size(), 0u);
        } else {
            EXPECT_EQ(dialog.LoadedTree()->size(), 0u);
        }

        const std::string output = line.output_file;
        switch (c.output) {
            case Output::None: break;
            case Output::Text:
            case Output::Xml:
                EXPECT_EQ(ReadText(output),
                          ReferenceExport(archive, c.output == Output::Xml, c.english, c.debug, scratch.path()));
                break;
            case Output::Empty:
                EXPECT_TRUE(std::filesystem::exists(output));
                EXPECT_EQ(ReadText(output), "");
                break;
            case Output::Absent: EXPECT_FALSE(std::filesystem::exists(output)); break;
        }
    }
}

TEST(CommandLineJobTest, TableVersionsAndTheirMessages) {
    struct Case {
        std::uint32_t version;
        const char* output;
        int status;
        std::string err;
    } cases[] = {
        {103, "", 0, "artisanscope: not supported file version - errors can occur\n"},
        {101, "", 0, ""},
        {101, "out.xml", 0, "artisanscope: XML-Export of old format currently not supported\n"},
        {100, "", 1,
         "artisanscope: not supported file version\nAND you have an OLD file-version plz update camelot\n"
         "artisanscope: can't read 'ifd.mpk'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        TempDir game;
        artisanscope::testing::WriteSmallGame(game.path(), c.version);
        MyCommandLine line;
        line.camelot_dir = game.path();
        if (*c.output != '\0') line.output_file = game / c.output;
        std::FILE* messages = std::tmpfile();
        HeadlessDialog dialog("artisanscope", messages, false);
        const JobRun run = RunJob(line, dialog);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(Contents(messages) + run.err, c.err);
        std::fclose(messages);
    }
}

TEST(CommandLineJobTest, TreeListing) {
    TempDir game;
    artisanscope::testing::WriteSmallGame(game.path());
    struct Case {
        std::vector<std::string> args;
        std::string listing;
    } cases[] = {
        {{"$GAME"},
         "Albion\n  Waffenschmied\n    Schwerter\n      Kurzschwert (15)\n        Metallbarren: 2 Gepr\xC3\xA4gt\n"
         "Midgard\nHibernia\n"},
        {{"-e", "-d", "$GAME"},
         "Albion\n  Waffenschmied 1 2 3\n    0 Schwerter cat=1\n      Kurzschwert (15) lvl=1 4 5 6-0\n"
         "        Metallbarren: 2 Embossed\n      Geheim (2100) lvl=0 0 0 0-0\n        1 Faden\nMidgard\nHibernia\n"},
        {{"$GAME/nothing-here"}, ""},
    };
    for (const Case& c : cases) {
        MyCommandLine line;
        std::vector<std::string> args;
        for (const std::string& arg : c.args) args.push_back(Substitute(arg, game.path(), ""));
        ParseCommandLine(line, args);
        HeadlessDialog dialog("artisanscope", stderr, true);
        std::FILE* err = std::tmpfile();
        std::FILE* out = std::tmpfile();
        RunCommandLineJob(line, dialog, {out, err, "artisanscope", true});
        EXPECT_EQ(Contents(out), c.listing);
        std::fclose(err);
        std::fclose(out);
    }

    // A listing that cannot be written fails the job.
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    MyCommandLine line;
    line.camelot_dir = game.path();
    HeadlessDialog dialog("artisanscope", stderr, true);
    EXPECT_EQ(RunCommandLineJob(line, dialog, {full, stderr, "artisanscope", true}), kExitFailed);
    std::fclose(full);
}

TEST(CommandLineJobTest, HeadlessRunNeedsADirectory) {
    struct Case {
        std::vector<std::string> args;
        int status;
        bool usage;  // the usage text on standard error
    } cases[] = {
        {{}, kExitUsage, true},
        {{"-e", "-q", "--tree"}, kExitUsage, true},
        {{"-?"}, kExitUsage, true},
        {{"/nonexistent-artisanscope"}, kExitFailed, false},
    };
    for (const Case& c : cases) {
        std::FILE* err = std::tmpfile();
        MyCommandLine line;
        const int status = RunHeadless(line, c.args, {stdout, err, "artisanscope", false});
        const std::string text = Contents(err);
        std::fclose(err);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(text.find("<camelot_dir> can be the camelot path or complete path to ift.mpk\n") != std::string::npos,
                  c.usage);
    }
}
