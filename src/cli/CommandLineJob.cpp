#include "cli/CommandLineJob.h"

#include "cli/PathRules.h"
#include "io/BlockOutput.h"
#include "export/ExportFile.h"
#include "io/OutputFile.h"
#include "find/RecipeFilter.h"
#include "load/LoadRecipeTable.h"
#include "io/Cp1252.h"

#include <utility>
#include <vector>

namespace artisanscope {
namespace {

void Report(const CommandLineJobIo& io, std::string_view text, std::string_view reason = {}) {
    ReportOnConsole(io.err, io.appName, text, reason);
}

}  // namespace

LoadOptions LoadOptionsOf(CommandLineJobHost& host, bool englishNames, bool debugMode) {
    LoadOptions options;
    options.language = englishNames ? Language::English : Language::German;
    options.debug = debugMode;
    options.tree = host.treeStore();
    options.alongside = host.indexSink();
    options.messages = [&host](std::string_view text) { host.ShowMessage(text); };
    return options;
}

int ExecuteCommandLineJob(MyCommandLine& commandLine, CommandLineJobHost& dialog, const CommandLineJobIo& io) {
    if (commandLine.camelot_dir.empty()) return kExitOk;

    commandLine.camelot_dir = ResolveArchivePath(NormaliseCamelotDir(commandLine.camelot_dir));
    dialog.AdoptCommandLine(commandLine);

    int status = kExitOk;
    // The table is loaded whatever becomes of the output: the tree and the
    // load's own messages do not depend on it.
    LoadResult load;
    const LoadOptions options = LoadOptionsOf(dialog, commandLine.useEnglishNames, commandLine.debugMode);
    if (commandLine.output_file.empty()) {
        load = LoadRecipeTable(commandLine.camelot_dir, options);
    } else {
        const FindQuery find = FindQuery::FromUtf8(io.find);
        LoadOptions exportOptions = options;
        exportOptions.find = &find;
        const ExportOutcome outcome =
            ExportRecipeTable(commandLine.camelot_dir, commandLine.output_file,
                              io.format.value_or(ExportFormatForPath(commandLine.output_file)), exportOptions);
        // The path as given, then the reason of the step that failed.
        const std::string details = WriteFailureDetails(commandLine.output_file, outcome.failure);
        if (!outcome.created) {
            // No output: the dialog stays open even with -quit.
            Report(io, kCantCreateFileMessage, details);
            status = kExitFailed;
            load = LoadRecipeTable(commandLine.camelot_dir, options);
        } else {
            load = outcome.load;
            if (load && !outcome.written) {
                Report(io, kCantWriteFileMessage, details);
                status = kExitFailed;
            }
            if (commandLine.quitAfterExport) dialog.EndDialog(1);
        }
    }
    // A refused version has been told by the load's own message.
    if (load.status == LoadStatus::ArchiveUnreadable) Report(io, kCantReadArchiveMessage, load.reason);
    if (load.status == LoadStatus::OutOfMemory) Report(io, kOutOfMemoryMessage);
    // Started with a folder alone ("Open With"), the user is told as by Open;
    // with an output file scripts rely on standard error alone.
    if (commandLine.output_file.empty() &&
        (load.status == LoadStatus::ArchiveUnreadable || load.status == LoadStatus::OutOfMemory)) {
        dialog.ShowFailedJobLoad(FailedLoadMessage(load, kCantReadArchiveMessage), load.reason);
    }
    if (!load) status = kExitFailed;

    if (io.printTree) {
        const RecipeTree* tree = dialog.LoadedTree();
        if (tree != nullptr && !WriteTreeListing(*tree, io.out, io.find)) status = kExitFailed;
    }
    return status;
}

std::string FormatConsoleMessage(std::string_view appName, std::string_view text, std::string_view reason) {
    std::string line(appName);
    line += ": ";
    std::string body = Cp1252ToUtf8(text);
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') continue;
        line += body[i];
    }
    if (!reason.empty()) {
        line += ": ";
        line += reason;
    }
    line += '\n';
    return line;
}

void ReportOnConsole(std::FILE* err, std::string_view appName, std::string_view text, std::string_view reason) {
    const std::string line = FormatConsoleMessage(appName, text, reason);
    std::fwrite(line.data(), 1, line.size(), err);
    std::fflush(err);
}

void ReportLine(const CommandLineJobIo& io, std::string_view line) {
    std::string text = io.appName + ": ";
    text += line;
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), io.err);
    std::fflush(io.err);
}

bool WriteCommandOutput(const CommandLineJobIo& io, const std::string& outputPath, std::string_view text) {
    if (outputPath.empty()) {
        BlockOutput out(io.out);
        out.buffer() = text;
        out.WriteBlock();
        return !out.failure();
    }
    const WriteFailure failure = WriteWholeFile(outputPath, text);
    if (!failure) return true;
    ReportOnConsole(io.err, io.appName,
                    failure.step == WriteFailure::Step::Create ? kCantCreateFileMessage : kCantWriteFileMessage,
                    WriteFailureDetails(outputPath, failure));
    return false;
}

std::string ConsoleUsageText() {
    std::string text = FormatConsoleMessage("", kUsageText);
    return text.substr(2);  // without the ": " of the empty name
}

bool WriteTreeListing(const RecipeTree& tree, std::FILE* out, std::string_view find) {
    RecipeFilter filter;
    bool ok = filter.Apply(tree, FindQuery::FromUtf8(find));
    ok = ListShownItems(filter, kTreeRoot,
                         [out](std::string_view block) {
                             return std::fwrite(block.data(), 1, block.size(), out) == block.size();
                         }) &&
         ok;
    ok = std::fflush(out) == 0 && ok;
    return ok && std::ferror(out) == 0;
}

}  // namespace artisanscope
