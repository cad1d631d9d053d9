// The built executable, run as a process the way scripts run it: without a
// display unless a case asks for one, its outputs, standard streams and exit
// status checked.

#include "FormatReaders.h"
#include "GameFolder.h"
#include "TempDir.h"
#include "cli/Startup.h"
#include "export/CsvExport.h"
#include "export/TextExport.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using artisanscope::testing::ReadText;
using artisanscope::testing::ReferenceExport;
using artisanscope::testing::TempDir;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Whether the desktop module was built: rows that pretend a display need it.
constexpr bool kHasDesktop = ARTISANSCOPE_HAS_DESKTOP != 0;

struct RunOptions {
    bool display = false;   // pretend a display exists, with Qt on its offscreen platform
    rlim_t sizeLimit = 0;   // bytes a written file may grow to; 0: no limit
    bool ordinaryUser = false;  // run as "nobody" when the tests run as root
};

// Ids of the unprivileged user permission cases run as under root.
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

Outcome RunArtisanscope(const std::vector<std::string>& args, const std::string& scratch, RunOptions options = {}) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (variable.starts_with("DISPLAY=") || variable.starts_with("WAYLAND_DISPLAY=") ||
            variable.starts_with("XDG_CONFIG_HOME=")) {
            continue;
        }
        if (options.display && (variable.starts_with("ASAN_OPTIONS=") || variable.starts_with("XDG_RUNTIME_DIR="))) {
            continue;
        }
        environment.push_back(variable);
    }
    // A configuration folder of the run's own, which a job must leave alone.
    environment.push_back("XDG_CONFIG_HOME=" + scratch + "/.config");
    if (options.display) {
        environment.push_back("DISPLAY=:artisanscope-test");
        environment.push_back("QT_QPA_PLATFORM=offscreen");
        environment.push_back("XDG_RUNTIME_DIR=" + scratch);
        // Qt keeps caches until exit that the leak checker would report.
        environment.push_back("ASAN_OPTIONS=detect_leaks=0");
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    // The unprivileged user may not reach the build folder (a checkout in
    // root's home, mode 0700): it runs a copy from a folder it can enter.
    // Headless, the executable needs nothing beside it.
    std::string executable = ARTISANSCOPE_EXECUTABLE;
    std::optional<TempDir> reachable;
    if (options.ordinaryUser && ::geteuid() == 0) {
        namespace fs = std::filesystem;
        reachable.emplace();
        const fs::perms open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec;
        fs::permissions(reachable->path(), open);
        executable = *reachable / "artisanscope";
        fs::copy_file(ARTISANSCOPE_EXECUTABLE, executable);
        fs::permissions(executable, open);
        // The WebAssembly program's launcher runs the script and module beside it.
        for (const char* beside : {"artisanscope.js", "artisanscope.wasm"}) {
            const fs::path from = fs::path(ARTISANSCOPE_EXECUTABLE).parent_path() / beside;
            if (!fs::exists(from)) continue;
            fs::copy_file(from, *reachable / beside);
            fs::permissions(*reachable / beside, open);
        }
    }
    std::vector<std::string> argvStrings{executable};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvStrings) argv.push_back(arg.data());
    argv.push_back(nullptr);

    const std::string outPath = scratch + "/.stdout", errPath = scratch + "/.stderr";
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) ::_exit(125);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (options.ordinaryUser && ::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0) ::_exit(124);
        }
        if (options.sizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = options.sizeLimit;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(126);
    }
    Outcome outcome;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return outcome;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = ReadText(outPath);
    outcome.err = ReadText(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return outcome;
}

const std::string kUsage =
    "artisanscope.exe <options> <camelot_dir> <output_file>\n"
    "\n"
    "Options are:\n"
    " -english (or -e) for english\n"
    " -quit (or -q) for quit after export\n"
    " -debug (or -d) exports also the currently unknown values\n"
    "<camelot_dir> can be the camelot path or complete path to ift.mpk\n";

const std::string kSmallListing =
    "Albion\n  Waffenschmied\n    Schwerter\n      Kurzschwert (15)\n        Metallbarren: 2 Gepr\xC3\xA4gt\n"
    "Midgard\nHibernia\n";

// Kept: an earlier file at the output path must keep its bytes. Fifo: the
// output path is made a FIFO first and must stay one.
enum class Output { None, Text, Xml, Empty, Absent, Kept, Fifo };

const std::string kEarlierExport = "an earlier export\n";

struct Case {
    const char* what;
    std::vector<std::string> args;  // $GAME: the game folder, $OUT: a fresh folder
    int status;
    std::string out;
    std::string err;  // $GAME and $OUT replaced as in args
    Output output = Output::None;  // the last argument in $OUT is the output file
    bool english = false, debug = false;
    std::uint32_t version = 102;
    RunOptions options = {};
    // When given, the game's data/ifd.mpk instead of the small table's archive.
    artisanscope::fixtures::Bytes archive = {};
};

void Check(const Case& c) {
    SCOPED_TRACE(c.what);
    if (c.options.display && !kHasDesktop) return;  // a build without Qt has no desktop module
    TempDir game, scratch;
    artisanscope::testing::WriteSmallGame(game.path(), c.version);
    if (!c.archive.empty()) artisanscope::fixtures::WriteFile(game / "data/ifd.mpk", c.archive);
    const std::vector<std::string> args = artisanscope::testing::Substitute(c.args, game.path(), scratch.path());
    std::size_t outputArg = args.empty() ? 0 : args.size() - 1;
    while (outputArg > 0 && c.args[outputArg].find("$OUT") == std::string::npos) --outputArg;
    if (c.output == Output::Kept) std::ofstream(args[outputArg], std::ios::binary) << kEarlierExport;
    if (c.output == Output::Fifo) {
        ASSERT_EQ(::mkfifo(args[outputArg].c_str(), 0644), 0);
    }
    const Outcome outcome = RunArtisanscope(args, scratch.path(), c.options);
    EXPECT_FALSE(std::filesystem::exists(scratch / ".config")) << "the run wrote settings";
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.out, c.out);
    EXPECT_EQ(outcome.err, artisanscope::testing::Substitute({c.err}, game.path(), scratch.path()).front());
    if (c.output == Output::None) return;
    const std::string& output = args[outputArg];
    const std::string archive = game.path() + "/data/ifd.mpk";
    switch (c.output) {
        case Output::Text:
        case Output::Xml:
            EXPECT_EQ(ReadText(output), ReferenceExport(archive, c.output == Output::Xml, c.english, c.debug, game.path()));
            break;
        case Output::Empty:
            EXPECT_TRUE(std::filesystem::exists(output));
            EXPECT_EQ(ReadText(output), "");
            break;
        case Output::Absent: EXPECT_FALSE(std::filesystem::exists(output)); break;
        case Output::Kept: EXPECT_EQ(ReadText(output), kEarlierExport); break;
        case Output::Fifo: EXPECT_EQ(std::filesystem::status(output).type(), std::filesystem::file_type::fifo); break;
        case Output::None: break;
    }
    // No temporary file of an atomic save is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
}

}  // namespace

TEST(ProcessTest, LongOptionsAndUsage) {
    const Case cases[] = {
        {"--version", {"--version"}, 0, "Artisanscope 1.1.0.0\n", ""},
        {"unknown format", {"-q", "--format", "xls", "$GAME", "$OUT/out.xls"}, 2, "",
         "artisanscope: unknown format 'xls' (use text, xml, csv, json or sqlite)\n", Output::Absent},
        {"format without its name", {"-q", "$GAME", "$OUT/out.csv", "--format"}, 2, "",
         "artisanscope: option --format needs a value (text, xml, csv, json or sqlite)\n", Output::Absent},
        {"find without its query", {"-q", "$GAME", "$OUT/out.csv", "--find"}, 2, "",
         "artisanscope: option --find needs a value (the words to find)\n", Output::Absent},
        {"plan without its file", {"$GAME", "--plan"}, 2, "",
         "artisanscope: option --plan needs a value (the plan file)\n"},
        {"format in capitals", {"-q", "--format", "XML", "$GAME", "$OUT/out.txt"}, 0, "", "", Output::Xml},
        {"nothing to do", {}, 2, "", kUsage},
        {"options without a folder", {"-e", "-q", "--tree"}, 2, "", kUsage},
        {"usage box, then the job", {"-?", "-q", "$GAME", "$OUT/out.txt"}, 0, "", "artisanscope: " + kUsage,
         Output::Text},
    };
    for (const Case& c : cases) Check(c);
}

// --help ends at once, status 0, a job given beside it not run: standard
// output names every option as a word of its own (after a blank or "(", before
// a blank, ")" or the line's end), standard error stays empty.
TEST(ProcessTest, HelpNamesEveryOption) {
    const std::string options[] = {"-english", "-e", "-quit", "-q", "-debug", "-d", "--format", "--diff",
                                   "--plan", "--find", "--tree", "--help", "--version"};
    const auto named = [](const std::string& text, const std::string& option) {
        for (std::size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
            const std::size_t end = at + option.size();
            if (at > 0 && std::strchr(" (", text[at - 1]) != nullptr && end < text.size() &&
                std::strchr(" )\n", text[end]) != nullptr) {
                return true;
            }
        }
        return false;
    };
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"},
                                                 std::vector<std::string>{"--help", "-q", "$GAME", "$OUT/out.txt"}}) {
        SCOPED_TRACE(args.size());
        TempDir game, scratch;
        artisanscope::testing::WriteSmallGame(game.path(), 102);
        const Outcome outcome =
            RunArtisanscope(artisanscope::testing::Substitute(args, game.path(), scratch.path()), scratch.path());
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.err, "");
        for (const std::string& option : options) EXPECT_TRUE(named(outcome.out, option)) << option;
        EXPECT_FALSE(std::filesystem::exists(scratch / "out.txt"));
    }
}

TEST(ProcessTest, HeadlessJob) {
    const Case cases[] = {
        {"text export", {"-q", "$GAME", "$OUT/out.txt"}, 0, "", "", Output::Text},
        {"xml export in English", {"-q", "-e", "$GAME/", "$OUT/out.Xml"}, 0, "", "", Output::Xml, true},
        {"debug text without -q still ends", {"-d", "$GAME//\\", "$OUT/out.txt"}, 0, "", "", Output::Text, false, true},
        {"archive named", {"-q", "$GAME/data/ifd.mpk", "$OUT/out.cvs"}, 0, "", "", Output::Text},
        {"archive named in other case", {"-q", "$GAME/DATA/IFD.MPK", "$OUT/out.txt"}, 0, "", "", Output::Text},
        {"load only", {"-q", "$GAME"}, 0, "", ""},
        {"tree listing", {"--tree", "$GAME"}, 0, kSmallListing, ""},
        {"tree listing after an export", {"-q", "$GAME", "--tree", "$OUT/out.txt"}, 0, kSmallListing, "", Output::Text},
        {"newer table", {"-q", "$GAME", "$OUT/out.txt"}, 0, "",
         "artisanscope: not supported file version - errors can occur\n", Output::Text, false, false, 103},
        {"legacy table to xml", {"-q", "$GAME", "$OUT/out.xml"}, 0, "",
         "artisanscope: XML-Export of old format currently not supported\n", Output::Xml, false, false, 101},
        // The archive was read: the version message says all, nothing is written.
        {"table too old", {"-q", "$GAME", "$OUT/out.txt"}, 1, "",
         "artisanscope: not supported file version\nAND you have an OLD file-version plz update camelot\n",
         Output::Absent, false, false, 100},
        {"table too old, earlier xml kept", {"-q", "$GAME", "$OUT/out.xml"}, 1, "",
         "artisanscope: XML-Export of old format currently not supported\n"
         "artisanscope: not supported file version\nAND you have an OLD file-version plz update camelot\n",
         Output::Kept, false, false, 100},
        {"table too old, no output", {"-q", "$GAME"}, 1, "",
         "artisanscope: not supported file version\nAND you have an OLD file-version plz update camelot\n",
         Output::None, false, false, 100},
    };
    for (const Case& c : cases) Check(c);
}

TEST(ProcessTest, FailuresAreReportedAndFailTheProcess) {
    // The reader's reason follows the message, with the archive's path.
    const std::string kNoGame = "artisanscope: can't read 'ifd.mpk': $OUT/none/data/ifd.mpk does not exist\n";
    // A write failure names the output as given and the system's reason.
    const std::string kFullDisk = "artisanscope: can't write file: /dev/full: No space left on device\n";
    const std::string kTooLarge = "artisanscope: can't write file: $OUT/", kTooLargeEnd = ": File too large\n";
    namespace fx = artisanscope::fixtures;
    fx::MpakPlan badCrc, noTable, cutStream;
    badCrc.members = {{.name = "tdl.crf", .content = fx::WriteRecipeTable(artisanscope::testing::SmallTable(102)),
                       .wrongCrc = true}};
    // Half the stream, the CRC fitting the half.
    cutStream.members = {{.name = "tdl.crf", .content = fx::WriteRecipeTable(artisanscope::testing::SmallTable(102))}};
    cutStream.members[0].inflatedSize = static_cast<std::uint32_t>(cutStream.members[0].content.size());
    cutStream.members[0].rawStream = fx::Compress(cutStream.members[0].content);
    cutStream.members[0].rawStream->resize(cutStream.members[0].rawStream->size() / 2);
    noTable.members = {{.name = "other.crf", .content = {1, 2, 3}}};
    const Case cases[] = {
        {"member checksum", {"-q", "$GAME", "$OUT/keep.txt"}, 1, "",
         "artisanscope: can't read 'ifd.mpk': $GAME/data/ifd.mpk is damaged (tdl.crf fails its checksum)\n",
         Output::Kept, false, false, 102, {}, fx::WriteMpak(badCrc)},
        {"member stream cut short", {"-q", "$GAME", "$OUT/keep.txt"}, 1, "",
         "artisanscope: can't read 'ifd.mpk': $GAME/data/ifd.mpk is damaged (tdl.crf does not inflate to its stated "
         "size)\n", Output::Kept, false, false, 102, {}, fx::WriteMpak(cutStream)},
        {"member missing", {"-q", "$GAME"}, 1, "",
         "artisanscope: can't read 'ifd.mpk': $GAME/data/ifd.mpk does not contain tdl.crf\n", Output::None, false,
         false, 102, {}, fx::WriteMpak(noTable)},
        {"not an archive", {"-q", "$GAME", "$OUT/keep.txt"}, 1, "",
         "artisanscope: can't read 'ifd.mpk': $GAME/data/ifd.mpk is not a game archive (it does not begin with MPAK)\n",
         Output::Kept, false, false, 102, {}, fx::Bytes(40, 'x')},
        {"archive cut short", {"-q", "$GAME"}, 1, "",
         "artisanscope: can't read 'ifd.mpk': $GAME/data/ifd.mpk is too short for a game archive (5 bytes; the "
         "header alone takes 21)\n", Output::None, false, false, 102, {}, fx::Bytes{'M', 'P', 'A', 'K', 0}},
        {"no game folder", {"-q", "$OUT/none", "$OUT/out.txt"}, 1, "", kNoGame,
         Output::Absent},
        {"no game folder, earlier text kept", {"-q", "$OUT/none", "$OUT/keep.txt"}, 1, "", kNoGame,
         Output::Kept},
        {"no game folder, earlier xml kept", {"-q", "$OUT/none", "$OUT/keep.xml"}, 1, "", kNoGame,
         Output::Kept},
        {"no game folder, tree", {"--tree", "$OUT/none"}, 1, "", kNoGame},
        {"text into a missing folder", {"-q", "$GAME", "$OUT/missing/out.txt"}, 1, "",
         "artisanscope: can't create file: $OUT/missing/out.txt: No such file or directory\n", Output::Absent},
        {"text onto a folder", {"-q", "$GAME", "$OUT"}, 1, "", "artisanscope: can't create file: $OUT: Is a directory\n"},
        {"xml onto a folder", {"-q", "--format", "xml", "$GAME", "$OUT/"}, 1, "",
         "artisanscope: can't write file: $OUT/: Is a directory\n"},
        // The load still runs: the tree is listed and the load's messages follow.
        {"text into a missing folder, tree", {"--tree", "$GAME", "$OUT/missing/out.txt"}, 1, kSmallListing,
         "artisanscope: can't create file: $OUT/missing/out.txt: No such file or directory\n", Output::Absent},
        {"text into a missing folder, newer table", {"$GAME", "$OUT/missing/out.txt"}, 1, "",
         "artisanscope: can't create file: $OUT/missing/out.txt: No such file or directory\n"
         "artisanscope: not supported file version - errors can occur\n",
         Output::Absent, false, false, 103},
        {"xml into a missing folder", {"-q", "$GAME", "$OUT/missing/out.xml"}, 1, "",
         "artisanscope: can't write file: $OUT/missing/out.xml: No such file or directory\n", Output::Absent},
        {"text onto a full disk", {"-q", "$GAME", "/dev/full"}, 1, "", kFullDisk},
        {"xml onto a full disk", {"-q", "$GAME", "/dev/full", "--format", "xml"}, 1, "", kFullDisk},
        {"text past the file size limit", {"-q", "$GAME", "$OUT/out.txt"}, 1, "", kTooLarge + "out.txt" + kTooLargeEnd,
         Output::Absent, false, false, 102, {false, 100}},
        {"text past the file size limit, earlier kept", {"-q", "$GAME", "$OUT/out.txt"}, 1, "",
         kTooLarge + "out.txt" + kTooLargeEnd, Output::Kept, false, false, 102, {false, 100}},
        {"xml past the file size limit", {"-q", "$GAME", "$OUT/out.xml"}, 1, "", kTooLarge + "out.xml" + kTooLargeEnd,
         Output::Absent, false, false, 102, {false, 100}},
        // The three formats of --format: nothing written after a failed load,
        // no partial file after a failed write.
        {"csv, no game folder", {"-q", "--format", "csv", "$OUT/none", "$OUT/keep.csv"}, 1, "",
         kNoGame, Output::Kept},
        {"json, no game folder", {"-q", "--format=json", "$OUT/none", "$OUT/out.json"}, 1, "",
         kNoGame, Output::Absent},
        {"sqlite, no game folder", {"-q", "--format", "sqlite", "$OUT/none", "$OUT/keep.sqlite"}, 1, "",
         kNoGame, Output::Kept},
        {"sqlite, table too old", {"-q", "--format", "sqlite", "$GAME", "$OUT/out.sqlite"}, 1, "",
         "artisanscope: not supported file version\nAND you have an OLD file-version plz update camelot\n",
         Output::Absent, false, false, 100},
        {"csv onto a full disk", {"-q", "--format", "csv", "$GAME", "/dev/full"}, 1, "", kFullDisk},
        {"json onto a full disk", {"-q", "--format", "json", "$GAME", "/dev/full"}, 1, "", kFullDisk},
        // A database needs a file of its own: a device or FIFO is never opened.
        {"sqlite onto a device", {"-q", "--format", "sqlite", "$GAME", "/dev/full"}, 1, "",
         "artisanscope: can't create file: /dev/full: not a regular file\n"},
        {"sqlite onto a FIFO", {"-q", "--format", "sqlite", "$GAME", "$OUT/out.sqlite"}, 1, "",
         "artisanscope: can't create file: $OUT/out.sqlite: not a regular file\n", Output::Fifo},
        {"sqlite into a missing folder", {"-q", "--format", "sqlite", "$GAME", "$OUT/missing/out.sqlite"}, 1, "",
         "artisanscope: can't create file: $OUT/missing/out.sqlite: No such file or directory\n", Output::Absent},
        {"csv past the file size limit", {"-q", "--format", "csv", "$GAME", "$OUT/out.csv"}, 1, "",
         kTooLarge + "out.csv" + kTooLargeEnd, Output::Kept, false, false, 102, {false, 100}},
        {"json past the file size limit", {"-q", "--format", "json", "$GAME", "$OUT/out.json"}, 1, "",
         kTooLarge + "out.json" + kTooLargeEnd, Output::Absent, false, false, 102, {false, 100}},
        // SQLite's words, the system's reason and SQLite's extended code.
        {"sqlite past the file size limit", {"-q", "--format", "sqlite", "$GAME", "$OUT/out.sqlite"}, 1, "",
         "artisanscope: can't write file: $OUT/out.sqlite: disk I/O error: File too large (SQLite result code 778)\n",
         Output::Kept, false, false, 102, {false, 5000}},
    };
    for (const Case& c : cases) Check(c);
}

namespace {

using artisanscope::testing::FormatRows;

// The CSV file read by Python's csv module, rows as JSON.
FormatRows ReadCsvWithPython(const std::string& path) {
    const std::string command =
        "python3 -c 'import csv, json, sys; "
        "print(json.dumps(list(csv.reader(open(sys.argv[1], encoding=\"utf-8-sig\", newline=\"\")))))' '" + path + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run python3");
    std::string json;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) json.append(buffer, n);
    if (::pclose(pipe) != 0) throw std::runtime_error("python3's csv reader failed on " + path);
    rapidjson::Document rows;
    rows.Parse(json.c_str());
    FormatRows out;
    for (const auto& row : rows.GetArray()) {
        out.emplace_back();
        for (const auto& field : row.GetArray()) out.back().emplace_back(field.GetString(), field.GetStringLength());
    }
    return out;
}

}  // namespace

// One table exported in all five formats by the program, each read back by
// a reader of its own, and held against each other.
TEST(ProcessTest, FiveFormatsAgree) {
    using namespace artisanscope::testing;
    for (const std::uint32_t version : {102u, 101u}) {
        for (const bool debug : {false, true}) {
            for (const bool english : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "version " << version << " debug " << debug << " english " << english);
                TempDir game, out;
                artisanscope::fixtures::WriteGameDirectory(game.path(), artisanscope::fixtures::WriteRecipeTable(FormatTestTable(version)));
                std::vector<std::string> options{"-q"};
                if (debug) options.push_back("-d");
                if (english) options.push_back("-e");
                const auto run = [&](const std::vector<std::string>& format, const std::string& name) {
                    std::vector<std::string> args = options;
                    args.insert(args.end(), format.begin(), format.end());
                    args.push_back(game.path());
                    args.push_back(out / name);
                    const Outcome outcome = RunArtisanscope(args, out.path());
                    EXPECT_EQ(outcome.status, 0) << name << ": " << outcome.err;
                    return out / name;
                };
                const std::string text = ReadText(run({}, "out.txt"));
                const std::string xml = ReadText(run({"--format", "xml"}, "out.data"));
                const std::string csvPath = run({"--format", "csv"}, "out.csv");
                const std::string json = ReadText(run({"--format", "json"}, "out.json"));
                const std::string database = run({"--format=sqlite"}, "out.db");

                const std::string csvBytes = ReadText(csvPath);
                ASSERT_TRUE(csvBytes.starts_with("\xEF\xBB\xBF"));
                FormatRows csv = ParseCsv(csvBytes.substr(3));
                EXPECT_EQ(ReadCsvWithPython(csvPath), csv);
                ASSERT_FALSE(csv.empty());
                csv.erase(csv.begin());  // the header row
                const bool debugColumns = debug && version == 102;
                for (const FormatRow& row : csv) EXPECT_EQ(row.size(), debugColumns ? 17u : 10u);

                rapidjson::Document document;
                document.Parse<rapidjson::kParseValidateEncodingFlag>(json.c_str());
                ASSERT_FALSE(document.HasParseError());
                EXPECT_EQ(FlattenJson(document), csv);
                EXPECT_EQ(QuerySqlite(database, "SELECT * FROM recipes"), csv);
                EXPECT_EQ(FlattenXml(xml), version == 101 ? FormatRows{} : XmlColumnsOf(csv));

                // The text export cannot hold the CR LF inside the last
                // pattern's name; every line before it must match.
                std::vector<std::string> fromCsv = TextLinesFromCsv(csv, debugColumns);
                std::vector<std::string> lines = TextLines(text);
                fromCsv.pop_back();
                ASSERT_GE(lines.size(), fromCsv.size());
                lines.resize(fromCsv.size());
                EXPECT_EQ(lines, fromCsv);
            }
        }
    }
}

TEST(ProcessTest, ReadOnlyOutputFolder) {
    namespace fs = std::filesystem;
    struct {
        const char* name;
        const char* format;  // --format
        const char* message;
    } const cases[] = {
        {"out.txt", "text", "can't create file"},
        {"out.xml", "xml", "can't write file"},
        {"out.sqlite", "sqlite", "can't create file"},
        {"earlier.txt", "text", "can't create file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir game, scratch, readOnly;
        artisanscope::testing::WriteSmallGame(game.path());
        fs::permissions(game.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
        const std::string output = readOnly / c.name;
        const bool earlier = std::string(c.name).starts_with("earlier");
        if (earlier) std::ofstream(output, std::ios::binary) << kEarlierExport;
        fs::permissions(readOnly.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        const Outcome outcome = RunArtisanscope({"-q", "--format", c.format, game.path(), output}, scratch.path(),
                                                {.ordinaryUser = true});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, std::string("artisanscope: ") + c.message + ": " + output + ": Permission denied\n");
        if (earlier) {
            EXPECT_EQ(ReadText(output), kEarlierExport);
            EXPECT_EQ(std::distance(fs::directory_iterator(readOnly.path()), fs::directory_iterator()), 1);
        } else {
            EXPECT_TRUE(fs::is_empty(readOnly.path()));
        }
    }
}

TEST(ProcessTest, WithADisplayTheJobStillEndsTheProgram) {
    const RunOptions display{true, 0};
    const Case cases[] = {
        {"xml export and quit", {"-q", "$GAME", "$OUT/out.xml"}, 0, "", "", Output::Xml, false, false, 102, display},
        // Qt is given none of the program's arguments: "-display" is -debug
        // here, and "-platform xcb" (an ignored option and a third plain
        // argument) does not send Qt to a display that does not exist.
        {"-display is -debug", {"-q", "-display", "$GAME", "$OUT/out.txt"}, 0, "", "", Output::Text, false, true, 102,
         display},
        {"Qt's options are not Qt's", {"-q", "$GAME", "$OUT/out.txt", "-platform", "xcb", "-reverse"}, 0, "", "",
         Output::Text, false, false, 102, display},
        {"failed save", {"-q", "$GAME", "$OUT/missing/out.xml"}, 1, "",
         "artisanscope: can't write file: $OUT/missing/out.xml: No such file or directory\n", Output::Absent, false,
         false, 102, display},
    };
    for (const Case& c : cases) Check(c);
}

TEST(ProcessTest, BundledSample) {
    TempDir scratch;
    const Outcome plain = RunArtisanscope({"--tree", ARTISANSCOPE_SAMPLE_DIR}, scratch.path());
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err, "");
    EXPECT_TRUE(plain.out.starts_with("Albion\n  Waffenschmied\n    Schwerter\n      Kurzschwert (15)\n"
                                      "        Metallbarren: 2 Bronze\n        Lederstreifen: 1 Gepr\xC3\xA4gt\n"))
        << plain.out.substr(0, 200);
    for (const char* present : {"\nMidgard\n", "\nHibernia\n", "    \xC3\x84xte\n", "D\xC3\xBCsterholz",
                                "Bl\xC3\xA4tter", "Getr\xC3\xA4nkt", "\xE2\x80\x9ENebelmond\xE2\x80\x9C"}) {
        EXPECT_NE(plain.out.find(present), std::string::npos) << present;
    }
    EXPECT_EQ(plain.out.find("(2100)"), std::string::npos);

    const Outcome debug = RunArtisanscope({"--tree", "-d", "-e", ARTISANSCOPE_SAMPLE_DIR}, scratch.path());
    ASSERT_EQ(debug.status, 0);
    for (const char* present : {"Pr\xC3\xBC" "fschwert (Test) (2100)", "Trank der Entwickler (2500)", "Testjuwel (2050)",
                                "Duskwood", "Embossed"}) {
        EXPECT_NE(debug.out.find(present), std::string::npos) << present;
    }
}

// --diff as scripts run it: the report on standard output or in a file, the
// exit status as diff has it, with or without a display.
TEST(ProcessTest, DiffOfTwoGameFolders) {
    TempDir game, patched, scratch;
    artisanscope::testing::WriteSmallGame(game.path());
    artisanscope::fixtures::TablePlan table = artisanscope::testing::SmallTable();
    artisanscope::fixtures::RealmPlan& albion = table.realms[0];
    albion.patterns[1].skill = 16;
    albion.categories[1].patterns.push_back(albion.AddPattern({.name = "Langschwert", .skill = 20}));
    artisanscope::fixtures::WriteGameDirectory(patched.path(), artisanscope::fixtures::WriteRecipeTable(table));
    const std::string report =
        "Albion\n  Waffenschmied\n    Schwerter\n      ~ Kurzschwert: skill 15 \xE2\x86\x92 16\n"
        "      + Langschwert (20)\n1 added, 0 removed, 1 changed\n";
    const std::string oldDir = game.path(), newDir = patched.path(), out = scratch.path();
    struct DiffCase {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::string out, err;
        RunOptions options = {};
    };
    const DiffCase cases[] = {
        {"same folder", {"--diff", oldDir, oldDir + "/"}, 0, "", ""},
        {"text report", {"--diff", oldDir, newDir}, 1, report, ""},
        {"archive named, other case, options after", {"--diff", oldDir + "/data/IFD.MPK", newDir, "-e"}, 1, report, ""},
        {"with a display still a console command", {"--diff", oldDir, newDir}, 1, report, "", {.display = true}},
        {"a side cannot be loaded", {"--diff", oldDir, out + "/nothing"}, 2, "",
         "artisanscope: can't read 'ifd.mpk': "},
        {"NEW missing", {"--diff", oldDir}, 2, "", "artisanscope: --diff needs OLD NEW [output_file]\n"},
        {"no such report format", {"--diff", "--format", "xml", oldDir, newDir}, 2, "",
         "artisanscope: --format: a comparison is written as text or json\n"},
        {"format without its value", {"--diff", oldDir, newDir, "--format"}, 2, "",
         "artisanscope: option --format needs a value (text, xml, csv, json or sqlite)\n"},
        {"report file", {"--diff", oldDir, newDir, out + "/report.txt"}, 1, "", ""},
        {"report into a missing folder", {"--diff", oldDir, newDir, out + "/missing/r.txt"}, 2, "",
         "artisanscope: can't create file: " + out + "/missing/r.txt: No such file or directory\n"},
        {"report onto a folder", {"--diff", oldDir, newDir, out}, 2, "",
         "artisanscope: can't create file: " + out + ": Is a directory\n"},
        {"report onto a full disk", {"--diff", "--format", "json", oldDir, newDir, "/dev/full"}, 2, "",
         "artisanscope: can't write file: /dev/full: No space left on device\n"},
        {"found on the new side only", {"--find", "LANG", "--diff", oldDir, newDir}, 1,
         "Albion\n  Waffenschmied\n    Schwerter\n      + Langschwert (20)\n1 added, 0 removed, 0 changed\n", ""},
        {"found nowhere", {"--diff", "--find=axt", oldDir, newDir}, 0, "", ""},
        {"an ingredient found", {"--diff", oldDir, newDir, "--find", "gepr\xC3\xA4gt"}, 1,
         "Albion\n  Waffenschmied\n    Schwerter\n      ~ Kurzschwert: skill 15 \xE2\x86\x92 16\n"
         "0 added, 0 removed, 1 changed\n", ""},
        {"a level found on the new side", {"--diff", oldDir, newDir, "--find", "level:16-19"}, 1,
         "Albion\n  Waffenschmied\n    Schwerter\n      ~ Kurzschwert: skill 15 \xE2\x86\x92 16\n"
         "0 added, 0 removed, 1 changed\n", ""},
        {"a material found", {"--diff", oldDir, newDir, "--find=material:GEPRAGT"}, 1,
         "Albion\n  Waffenschmied\n    Schwerter\n      ~ Kurzschwert: skill 15 \xE2\x86\x92 16\n"
         "0 added, 0 removed, 1 changed\n", ""},
    };
    for (const DiffCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.options.display && !kHasDesktop) continue;
        const Outcome outcome = RunArtisanscope(c.args, scratch.path(), c.options);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.out, c.out);
        // A load's reason may follow the message.
        EXPECT_EQ(outcome.err.substr(0, c.err.size()), c.err);
        if (c.err.empty()) {
            EXPECT_EQ(outcome.err, "");
        }
    }
    EXPECT_EQ(ReadText(out + "/report.txt"), report);

    // JSON, debug mode: the hidden pattern (skill 2100) takes part unchanged.
    const Outcome json = RunArtisanscope({"-d", "--format", "json", "--diff", oldDir, newDir, out + "/d.json"},
                                         scratch.path());
    EXPECT_EQ(json.status, 1);
    rapidjson::Document doc;
    doc.Parse(ReadText(out + "/d.json").c_str());
    ASSERT_FALSE(doc.HasParseError());
    EXPECT_TRUE(doc["debug"].GetBool());
    ASSERT_EQ(doc["differences"].Size(), 2u);
    const auto& changed = doc["differences"][0];
    EXPECT_STREQ(changed["change"].GetString(), "changed");
    EXPECT_STREQ(changed["pattern"].GetString(), "Kurzschwert");
    EXPECT_EQ(changed["old"]["skill_level"].GetUint(), 15u);
    EXPECT_EQ(changed["new"]["skill_level"].GetUint(), 16u);
    EXPECT_STREQ(changed["new"]["ingredients"][0]["name"].GetString(), "Gepr\xC3\xA4gt");
    EXPECT_EQ(changed["new"]["data"][0].GetUint(), 4u);
    EXPECT_STREQ(doc["differences"][1]["change"].GetString(), "added");
    EXPECT_EQ(doc["totals"]["added"].GetUint(), 1u);
}

// --plan: the totals in three forms, the three exit statuses.
TEST(ProcessTest, PlanTotals) {
    TempDir game, scratch;
    artisanscope::testing::WriteSmallGame(game.path());
    const std::string dir = game.path(), out = scratch.path();
    const std::string header = "\xEF\xBB\xBFrealm,skill,category,pattern,index,count\r\n";
    std::ofstream(out + "/swords.csv", std::ios::binary) << header << "Albion,Waffenschmied,Schwerter,Kurzschwert,1,3\r\n";
    // Geheim is shown in debug mode only.
    std::ofstream(out + "/hidden.csv", std::ios::binary)
        << header << "Albion,Waffenschmied,Schwerter,Kurzschwert,,1\nAlbion,Waffenschmied,Schwerter,Geheim,2,4\n";
    std::ofstream(out + "/bad.csv", std::ios::binary) << header << "Albion,Waffenschmied,Schwerter,Kurzschwert,1,x\r\n";
    const std::string missing = "artisanscope: missing from the table: Albion / Waffenschmied / Schwerter / Geheim (index 2)\n";
    struct PlanCase {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    const PlanCase cases[] = {
        {"text", {"--plan", out + "/swords.csv", dir}, 0, "6 Metallbarren: Gepr\xC3\xA4gt\n", ""},
        {"csv, English, the archive named", {"-e", "--format", "csv", "--plan=" + out + "/swords.csv", dir + "/data/ifd.mpk"},
         0, "\xEF\xBB\xBFunit,ingredient,material_id,quantity\r\nMetallbarren,Embossed,22,6\r\n", ""},
        {"an entry missing", {"--plan", out + "/hidden.csv", dir}, 1,
         "2 Metallbarren: Gepr\xC3\xA4gt\n1 entry is missing from this table and left out\n", missing},
        {"found in debug mode", {"--plan", out + "/hidden.csv", dir, "-d"}, 0,
         "4 Faden\n2 Metallbarren: Gepr\xC3\xA4gt\n", ""},
        {"the table cannot be read", {"--plan", out + "/swords.csv", out + "/nothing"}, 1, "",
         "artisanscope: can't read 'ifd.mpk': " + out + "/nothing/data/ifd.mpk does not exist\n"},
        {"a bad row", {"--plan", out + "/bad.csv", dir}, 2, "",
         "artisanscope: " + out + "/bad.csv: line 2: count 'x' is not a number from 1 to 9999\n"},
        {"no plan file", {"--plan", out + "/none.csv", dir}, 2, "",
         "artisanscope: " + out + "/none.csv: No such file or directory\n"},
        {"no camelot_dir", {"--plan", out + "/swords.csv"}, 2, "",
         "artisanscope: --plan needs PLAN.csv camelot_dir [output_file]\n"},
        {"no such totals format", {"--plan", out + "/swords.csv", dir, "--format", "xml"}, 2, "",
         "artisanscope: --format: a plan's totals are written as text, csv or json\n"},
        {"to a file", {"--plan", out + "/hidden.csv", dir, out + "/totals.txt"}, 1, "", missing},
        {"into a missing folder", {"--plan", out + "/swords.csv", dir, out + "/missing/t.txt"}, 1, "",
         "artisanscope: can't create file: " + out + "/missing/t.txt: No such file or directory\n"},
        {"onto a full disk", {"--plan", out + "/swords.csv", dir, "/dev/full"}, 1, "",
         "artisanscope: can't write file: /dev/full: No space left on device\n"},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = RunArtisanscope(c.args, out);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.out, c.out);
        EXPECT_EQ(outcome.err, c.err);
    }
    EXPECT_EQ(ReadText(out + "/totals.txt"), "2 Metallbarren: Gepr\xC3\xA4gt\n1 entry is missing from this table and left out\n");

    const Outcome json = RunArtisanscope({"--format", "json", "--plan", out + "/hidden.csv", dir}, out);
    EXPECT_EQ(json.status, 1);
    rapidjson::Document doc;
    doc.Parse(json.out.c_str());
    ASSERT_FALSE(doc.HasParseError());
    EXPECT_EQ(doc["missing"].GetUint(), 1u);
    EXPECT_EQ(doc["entries"][0]["index"].GetUint(), 1u);
    EXPECT_TRUE(doc["entries"][0]["resolved"].GetBool());
    EXPECT_STREQ(doc["entries"][1]["pattern"].GetString(), "Geheim");
    EXPECT_FALSE(doc["entries"][1]["resolved"].GetBool());
    EXPECT_STREQ(doc["totals"][0]["name"].GetString(), "Metallbarren: Gepr\xC3\xA4gt");
    EXPECT_EQ(doc["totals"][0]["quantity"].GetUint(), 2u);
}

// --find: the tree listing and the outputs hold what the filtered tree
// shows; an empty query filters nothing.
TEST(ProcessTest, FindFiltersTreeAndOutputs) {
    TempDir scratch;
    const std::string sample = ARTISANSCOPE_SAMPLE_DIR;
    const std::string out = scratch.path();
    const std::string swordListing =
        "Albion\n  Waffenschmied\n    Schwerter\n      Breitschwert (115)\n        Metallbarren: 4 Eisen\n"
        "        Lederstreifen: 2 Getr\xC3\xA4nkt\n";
    const std::string swordText = std::string(artisanscope::kTextHeader) +
                                  "Albion;Waffenschmied;Schwerter;Breitschwert;115;4;Metallbarren;Eisen;2;Lederstreifen;"
                                  "Getr\xE4nkt\r\n";
    const std::string swordXml =
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\n<Recipes>\n    <Realm name=\"Albion\">\n"
        "        <Skill name=\"Waffenschmied\">\n            <Item name=\"Schwerter\">\n"
        "                <Pattern name=\"Breitschwert\" skill=\"115\">\n"
        "                    <Ingredient cat=\"Metallbarren\" name=\"Eisen\" quantity=\"4\" />\n"
        "                    <Ingredient cat=\"Lederstreifen\" name=\"Getr\xE4nkt\" quantity=\"2\" />\n"
        "                </Pattern>\n            </Item>\n        </Skill>\n    </Realm>\n</Recipes>\n";
    const std::string swordCsv = "\xEF\xBB\xBF" + std::string(artisanscope::kCsvHeader) + "\r\n" +
                                 "Albion,Waffenschmied,Schwerter,Breitschwert,115,1,4,Metallbarren,Eisen,8\r\n"
                                 "Albion,Waffenschmied,Schwerter,Breitschwert,115,2,2,Lederstreifen,Getr\xC3\xA4nkt,23\r\n";
    const std::string levelListing =
        "Albion\n  Waffenschmied\n    Schwerter\n      Breitschwert (115)\n        Metallbarren: 4 Eisen\n"
        "        Lederstreifen: 2 Getr\xC3\xA4nkt\n"
        "Midgard\n  Waffenschmied\n    Hammer\n      Gro\xC3\x9Fhammer (145)\n        Metallbarren: 9 Eisen\n"
        "        Holzgriff: 2 D\xC3\xBCsterholz\n    Barren\n      Stahl (150)\n        3 Erz\n"
        "  Alchemie\n    Tr\xC3\xA4nke\n      Manatrank (160)\n        Kr\xC3\xA4uter: 5 Bl\xC3\xA4tter\n"
        "        1 Phiole\n"
        "Hibernia\n  Bogenbauer\n    B\xC3\xB6gen\n      Kompositbogen (125)\n        Holzbrett: 5 D\xC3\xBCsterholz\n"
        "        1 Bogensehne\n  Juwelier\n    Schmuck\n      Halskette \xE2\x80\x9ENebelmond\xE2\x80\x9C (185)\n"
        "        Metallbarren: 2 Stahl\n        1 Edelstein\n";
    const std::string eisenListing =
        "Albion\n  Waffenschmied\n    Schwerter\n      Breitschwert (115)\n        Metallbarren: 4 Eisen\n"
        "        Lederstreifen: 2 Getr\xC3\xA4nkt\n  R\xC3\xBCstungsschmied\n    Plattenr\xC3\xBCstung\n"
        "      Plattenhelm (55)\n        Metallbarren: 5 Eisen\n        Polsterung: 2 Wolle\n"
        "      Plattenhandschuhe (75)\n        Metallbarren: 4 Eisen\n        Polsterung: 1 Wolle\n"
        "Midgard\n  Waffenschmied\n    Hammer\n      Gro\xC3\x9Fhammer (145)\n        Metallbarren: 9 Eisen\n"
        "        Holzgriff: 2 D\xC3\xBCsterholz\n";
    const std::string levelCsv =
        "\xEF\xBB\xBF" + std::string(artisanscope::kCsvHeader) + "\r\n" + swordCsv.substr(swordCsv.find("\r\n") + 2) +
        "Midgard,Waffenschmied,Hammer,Gro\xC3\x9Fhammer,145,1,9,Metallbarren,Eisen,8\r\n"
        "Midgard,Waffenschmied,Hammer,Gro\xC3\x9Fhammer,145,2,2,Holzgriff,D\xC3\xBCsterholz,71\r\n"
        "Midgard,Waffenschmied,Barren,Stahl,150,1,3,,Erz,\r\n"
        "Midgard,Alchemie,Tr\xC3\xA4nke,Manatrank,160,1,5,Kr\xC3\xA4uter,Bl\xC3\xA4tter,50\r\n"
        "Midgard,Alchemie,Tr\xC3\xA4nke,Manatrank,160,2,1,,Phiole,\r\n"
        "Hibernia,Bogenbauer,B\xC3\xB6gen,Kompositbogen,125,1,5,Holzbrett,D\xC3\xBCsterholz,71\r\n"
        "Hibernia,Bogenbauer,B\xC3\xB6gen,Kompositbogen,125,2,1,,Bogensehne,\r\n"
        "Hibernia,Juwelier,Schmuck,Halskette \xE2\x80\x9ENebelmond\xE2\x80\x9C,185,1,2,Metallbarren,Stahl,15\r\n"
        "Hibernia,Juwelier,Schmuck,Halskette \xE2\x80\x9ENebelmond\xE2\x80\x9C,185,2,1,,Edelstein,\r\n";
    const Outcome whole = RunArtisanscope({"--tree", sample}, out);
    ASSERT_EQ(whole.status, 0);

    struct FindCase {
        const char* what;
        std::vector<std::string> args;
        std::string listing;       // standard output
        const char* file;          // output file in the scratch folder, or null
        std::string fileContents;  // what it must hold
        RunOptions options = {};
    };
    const FindCase cases[] = {
        {"tree", {"--tree", "--find", "SCHWERT eisen", sample}, swordListing, nullptr, ""},
        {"tree, one argument", {"--find=Schwert Eisen", "--tree", sample}, swordListing, nullptr, ""},
        {"text", {"-q", "--find", "schwert eisen", sample, out + "/s.txt"}, "", "s.txt", swordText},
        {"xml", {"-q", sample, "--find", "schwert eisen", out + "/s.xml"}, "", "s.xml", swordXml},
        {"text through the dialog", {"-q", "--find", "schwert eisen", sample, out + "/d.txt"}, "", "d.txt",
         swordText, RunOptions{.display = true}},
        {"nothing found", {"-q", "--tree", "--find", "zzz", sample, out + "/none.txt"}, "", "none.txt",
         std::string(artisanscope::kTextHeader)},
        {"csv", {"-q", "--format", "csv", "--find", "schwert eisen", sample, out + "/s.csv"}, "", "s.csv", swordCsv},
        // Level and material terms: the stored level, the whole material
        // name (not the pattern "Eisen (50)", not "Eisenholz").
        {"tree, level", {"--tree", "--find", "level:100-200", sample}, levelListing, nullptr, ""},
        {"tree, material", {"--tree", "--find", "material:Eisen", sample}, eisenListing, nullptr, ""},
        {"csv, level", {"-q", "--format", "csv", "--find", "level:100-200", sample, out + "/l.csv"}, "", "l.csv",
         levelCsv},
        {"text, material and a word", {"-q", "--find", "schwert material:eisen", sample, out + "/m.txt"}, "",
         "m.txt", swordText},
        {"empty query", {"--tree", "--find", "", sample}, whole.out, nullptr, ""},
        {"empty query in one argument, at the end", {"--tree", sample, "--find="}, whole.out, nullptr, ""},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.options.display && !kHasDesktop) continue;
        const Outcome outcome = RunArtisanscope(c.args, out, c.options);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.err, "");
        EXPECT_EQ(outcome.out, c.listing);
        if (c.file != nullptr) {
            EXPECT_EQ(ReadText(out + "/" + c.file), c.fileContents);
        }
    }
    // The other two formats hold the same rows as the CSV.
    using namespace artisanscope::testing;
    FormatRows rows = ParseCsv(swordCsv.substr(3));
    rows.erase(rows.begin());
    ASSERT_EQ(RunArtisanscope({"-q", "--format", "json", "--find", "schwert eisen", sample, out + "/s.json"}, out).status, 0);
    rapidjson::Document json;
    json.Parse(ReadText(out + "/s.json").c_str());
    ASSERT_FALSE(json.HasParseError());
    EXPECT_EQ(FlattenJson(json), rows);
    ASSERT_EQ(RunArtisanscope({"-q", "--format", "sqlite", "--find", "schwert eisen", sample, out + "/s.db"}, out).status, 0);
    EXPECT_EQ(QuerySqlite(out + "/s.db", "SELECT * FROM recipes"), rows);
}
