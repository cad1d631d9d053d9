#include "cli/PlanCommand.h"

#include "cli/PathRules.h"
#include "plan/CraftingPlan.h"
#include "plan/PatternIndex.h"
#include "plan/PlanFile.h"

#include <cstdio>

namespace artisanscope {
namespace {

// "<appName>: <line>" on standard error; line is UTF-8.
void Report(const CommandLineJobIo& io, std::string_view line) { ReportLine(io, line); }

// "realm / skill / category / pattern (index N)" of a missing entry.
std::string EntryName(const PlanEntry& entry) {
    std::string name = entry.key.realm + " / " + entry.key.skill + " / " + entry.key.category + " / " + entry.key.pattern;
    if (entry.key.index) name += " (index " + std::to_string(*entry.key.index) + ")";
    return name;
}

}  // namespace

int RunPlanCommand(const std::vector<std::string>& arguments, const LongOptions& options, const CommandLineJobIo& io) {
    MyCommandLine flags([&io](std::string_view usage) { ReportOnConsole(io.err, io.appName, usage); });
    const std::vector<std::string> plain = ParseCommandArguments(flags, arguments);

    if (!options.plan || options.plan->empty() || plain.empty() || plain.size() > 2) {
        Report(io, "--plan needs PLAN.csv camelot_dir [output_file]");
        return kPlanUsage;
    }
    if (options.format && options.format != ExportFormat::Text && options.format != ExportFormat::Csv &&
        options.format != ExportFormat::Json) {
        Report(io, "--format: a plan's totals are written as text, csv or json");
        return kPlanUsage;
    }

    const PlanFileRead read = ReadPlanFile(*options.plan);
    if (!read.ok()) {
        const std::string problems = DescribeProblems(read);
        std::size_t start = 0;
        for (std::size_t end = problems.find('\n'); end != std::string::npos; end = problems.find('\n', start)) {
            Report(io, read.failure.empty() ? *options.plan + ": " + problems.substr(start, end - start)
                                            : problems.substr(start, end - start));
            start = end + 1;
        }
        return kPlanUsage;
    }

    const std::string archive = ResolveArchivePath(NormaliseCamelotDir(plain[0]));
    PatternIndex index;
    LoadOptions load;
    load.language = flags.useEnglishNames ? Language::English : Language::German;
    load.debug = flags.debugMode;
    load.alongside = &index;
    load.messages = [&io](std::string_view message) { ReportOnConsole(io.err, io.appName, message); };
    const LoadResult loaded = LoadRecipeTable(archive, load);
    if (!loaded) {
        if (loaded.status == LoadStatus::ArchiveUnreadable) {
            ReportOnConsole(io.err, io.appName, kCantReadArchiveMessage, loaded.reason.empty() ? archive : loaded.reason);
        } else if (loaded.status == LoadStatus::OutOfMemory) {
            ReportOnConsole(io.err, io.appName, kOutOfMemoryMessage, archive);
        } else {
            Report(io, archive + ": table version not supported");
        }
        return kPlanMissing;
    }

    const std::vector<PatternRef> resolved = ResolvePlan(read.plan, index);
    const PlanTotals totals = SumPlan(read.plan, resolved, index);
    for (std::size_t i = 0; i < read.plan.size(); ++i) {
        if (resolved[i] == kNoPattern) Report(io, "missing from the table: " + EntryName(read.plan[i]));
    }

    std::string text;
    if (options.format == ExportFormat::Csv) {
        text = PlanTotalsCsv(totals, index);
    } else if (options.format == ExportFormat::Json) {
        text = PlanJson(read.plan, resolved, totals, index);
    } else {
        text = PlanTotalsText(totals, index);
    }
    if (!WriteCommandOutput(io, plain.size() == 2 ? plain[1] : std::string(), text)) return kPlanMissing;
    return totals.missing == 0 ? kPlanResolved : kPlanMissing;
}

}  // namespace artisanscope
