#pragma once
// The command-line job: loads the table named on the command line, writes
// the export it asks for and can end the dialog, all before the dialog is
// first shown. It is written against CommandLineJobHost so that the desktop
// dialog and the headless stand-in run the very same steps.

#include "cli/MyCommandLine.h"
#include "export/ExportFile.h"
#include "load/LoadRecipeTable.h"
#include "table/RecipeTree.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace artisanscope {

// What the job drives, where its two hosts (the desktop dialog and the
// headless stand-in) differ: where the tree goes, how a message is told,
// and what a dialog left open keeps of the job and does at its end.
class CommandLineJobHost {
public:
    virtual ~CommandLineJobHost() = default;
    // The store a load fills; null when the host keeps no tree.
    virtual RecipeTreeStore* treeStore() = 0;
    // The tree of the last finished load; null when the host keeps none.
    virtual const RecipeTree* LoadedTree() const = 0;
    // A modal message box: OK button, exclamation icon, titled with the
    // application's name. Text is code page 1252 and may hold "\r\n".
    virtual void ShowMessage(std::string_view text) = 0;
    // Before the load: the command line's table (camelot_dir, normalised)
    // and its -english and -debug become the host's own, so that a dialog
    // left open reloads and exports this same table as the boxes say. The
    // boxes are checked without running their click handlers.
    virtual void AdoptCommandLine(const MyCommandLine& /*commandLine*/) {}
    // -quit after an export that was written.
    virtual void EndDialog(int /*result*/) {}
    // A failed load of a job without an output file, for a host that tells
    // it as the Open button does: text in the box, reason (file-name bytes)
    // under its details. The job has reported it on standard error already.
    virtual void ShowFailedJobLoad(std::string_view /*text*/, std::string_view /*reason*/) {}
    // Given every load's whole walk beside the tree (an index of what it
    // shows); null: none.
    virtual RecipeSink* indexSink() { return nullptr; }
};

// Process exit statuses.
inline constexpr int kExitOk = 0;            // loaded and wrote its output, or had none to write
inline constexpr int kExitFailed = 1;        // the load failed, or the output could not be created or written
inline constexpr int kExitUsage = 2;         // headless run without camelot_dir; a long option's value missing or unknown

struct CommandLineJobIo {
    std::FILE* out = stdout;  // the --tree listing
    std::FILE* err = stderr;  // the job's own failure reports
    std::string appName = "artisanscope";
    bool printTree = false;   // --tree: list the loaded tree after the load
    // --find: the query (UTF-8) that filters the listing and the output;
    // empty: no filter.
    std::string find;
    // --format: the output file's format; without it the file's name decides.
    std::optional<ExportFormat> format;
};

// What a load for host takes: the language and debug mode given, and the
// host's tree, index sink and message box.
LoadOptions LoadOptionsOf(CommandLineJobHost& host, bool englishNames, bool debugMode);

// Runs the job for commandLine (normalising its camelot_dir in place) and
// returns the exit status. Does nothing and returns kExitOk when no
// camelot_dir was given.
int ExecuteCommandLineJob(MyCommandLine& commandLine, CommandLineJobHost& dialog, const CommandLineJobIo& io);

// "<appName>: <text>" and a line feed, for standard error: text is code page
// 1252 and comes out UTF-8, with CR LF turned into LF. A reason (file-name
// bytes, written as they are) follows the text after ": ".
std::string FormatConsoleMessage(std::string_view appName, std::string_view text, std::string_view reason = {});

// "<appName>: <line>" on io.err at once; line is UTF-8, written as it is.
void ReportLine(const CommandLineJobIo& io, std::string_view line);

// The output of a command of its own (--diff, --plan): text replaces the
// file at outputPath whole, or with an empty path goes to io.out. A file
// that cannot be written is reported as the job reports its output (the
// message, the path as given, the reason). False when anything failed.
bool WriteCommandOutput(const CommandLineJobIo& io, const std::string& outputPath, std::string_view text);

// Writes FormatConsoleMessage's line to err at once.
void ReportOnConsole(std::FILE* err, std::string_view appName, std::string_view text, std::string_view reason = {});

// The usage text for a console: LF line ends and a final line feed.
std::string ConsoleUsageText();

// Every item of tree, depth first, one per line: two blanks of indent per
// level, the label in UTF-8, LF line ends; with a find query (UTF-8) only
// what the filtered tree shows. False when writing failed.
bool WriteTreeListing(const RecipeTree& tree, std::FILE* out, std::string_view find = {});

}  // namespace artisanscope
