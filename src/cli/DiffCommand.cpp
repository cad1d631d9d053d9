#include "cli/DiffCommand.h"

#include "cli/PathRules.h"
#include "compare/DiffReportOutput.h"
#include "compare/TableComparison.h"
#include "export/ExportFile.h"

#include <cstdio>

namespace artisanscope {
namespace {

void Report(const CommandLineJobIo& io, std::string_view line) { ReportLine(io, line); }

// Why a side could not be compared. The reader's reason names the path; the
// path stands in for a reason that is not known.
void ReportFailedSide(const CommandLineJobIo& io, const LoadResult& load, const std::string& archive) {
    if (load.status == LoadStatus::ArchiveUnreadable) {
        ReportOnConsole(io.err, io.appName, kCantReadArchiveMessage, load.reason.empty() ? archive : load.reason);
    } else if (load.status == LoadStatus::VersionRefused) {
        Report(io, archive + ": table version not supported");
    } else if (load.status == LoadStatus::OutOfMemory) {
        ReportOnConsole(io.err, io.appName, kOutOfMemoryMessage, archive);
    }
}

}  // namespace

int RunDiffCommand(const std::vector<std::string>& arguments, const LongOptions& options, const CommandLineJobIo& io) {
    // The one-letter options keep their meaning; the plain arguments are
    // OLD, NEW and the optional output file.
    MyCommandLine flags([&io](std::string_view usage) { ReportOnConsole(io.err, io.appName, usage); });
    const std::vector<std::string> plain = ParseCommandArguments(flags, arguments);

    if (plain.size() < 2 || plain.size() > 3) {
        Report(io, "--diff needs OLD NEW [output_file]");
        return kDiffTrouble;
    }
    const bool json = options.format == ExportFormat::Json;
    if (options.format && !json && options.format != ExportFormat::Text) {
        Report(io, "--format: a comparison is written as text or json");
        return kDiffTrouble;
    }

    const std::string oldArchive = ResolveArchivePath(NormaliseCamelotDir(plain[0]));
    const std::string newArchive = ResolveArchivePath(NormaliseCamelotDir(plain[1]));
    CompareSettings settings;
    settings.language = flags.useEnglishNames ? Language::English : Language::German;
    settings.debug = flags.debugMode;
    settings.find = FindQuery::FromUtf8(options.find);
    const ComparisonResult result = CompareArchives(
        oldArchive, newArchive, settings,
        [&io](std::string_view message) { ReportOnConsole(io.err, io.appName, message); });
    if (!result.report) {
        ReportFailedSide(io, result.oldLoad, oldArchive);
        ReportFailedSide(io, result.newLoad, newArchive);
        if (result.filterFailed) Report(io, "out of memory");
        return kDiffTrouble;
    }

    const std::string text =
        json ? DiffReportJson(*result.report) : DiffReportText(*result.report);
    if (!WriteCommandOutput(io, plain.size() == 3 ? plain[2] : std::string(), text)) return kDiffTrouble;
    return result.report->HasDifferences() ? kDiffDifferent : kDiffSame;
}

}  // namespace artisanscope
