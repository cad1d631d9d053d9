#include "web/WebSession.h"

#include "compare/DiffReportOutput.h"
#include "compare/TableComparison.h"
#include "io/Cp1252.h"
#include "plan/CraftingPlan.h"
#include "plan/PatternIndex.h"
#include "plan/PlanFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace artisanscope {

namespace {

constexpr std::size_t kChunkBytes = 1 << 20;

void AddLine(WebOutcome& outcome, std::string_view cp1252) {
    AppendCp1252AsUtf8(outcome.messages, cp1252);
    outcome.messages += '\n';
}

// A failed load, in the command line's words.
void AddFailedLoad(WebOutcome& outcome, const LoadResult& load) {
    if (load.status == LoadStatus::ArchiveUnreadable) {
        AddLine(outcome, std::string(kCantReadArchiveMessage) + ": " + load.reason);
    } else if (load.status == LoadStatus::OutOfMemory) {
        AddLine(outcome, kOutOfMemoryMessage);
    } else {
        AddLine(outcome, "table version not supported");
    }
}

}  // namespace

WebSession::WebSession(std::string folder) : folder_(std::move(folder)) {
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
}

std::string WebSession::Keep(std::string_view name, const std::string& bytes) const {
    const std::string path = folder_ + "/" + std::string(name);
    // Not through a link the page made to a file it chose (read-only).
    std::remove(path.c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good() ? path : std::string();
}

LoadOptions WebSession::Options(const WebSettings& settings, WebOutcome& outcome) const {
    LoadOptions options;
    options.language = settings.english ? Language::English : Language::German;
    options.debug = settings.debug;
    options.messages = [&outcome](std::string_view text) { AddLine(outcome, text); };
    return options;
}

WebOutcome WebSession::Open(std::string archive, const WebSettings& settings) {
    if (Keep("ifd.mpk", archive).empty()) {
        filter_.Reset();
        tree_.DeleteAllItems();
        index_.Clear();
        archive_.clear();
        WebOutcome outcome;
        AddLine(outcome, kOutOfMemoryMessage);
        outcome.status = 1;
        return outcome;
    }
    return OpenKept(settings);
}

WebOutcome WebSession::OpenKept(const WebSettings& settings) {
    WebOutcome outcome;
    filter_.Reset();
    query_ = FindQuery();
    tree_.DeleteAllItems();
    index_.Clear();
    archive_ = ArchivePath();
    LoadOptions options = Options(settings, outcome);
    options.tree = &tree_;
    options.alongside = &index_;
    const LoadResult load = LoadRecipeTable(archive_, options);
    tree_.Finish();
    // Bound to the new tree, showing all of it.
    filter_.Apply(tree_, query_);
    if (!load) {
        AddFailedLoad(outcome, load);
        outcome.status = 1;
    }
    return outcome;
}

std::string WebSession::Label(TreeItem item) const {
    std::string utf8;
    AppendCp1252AsUtf8(utf8, tree_.Label(item));
    return utf8;
}

bool WebSession::Find(std::string_view query) {
    query_ = FindQuery::FromUtf8(query);
    return filter_.Apply(tree_, query_);
}

std::string WebSession::NotUnderstoodText() const { return NotUnderstood(query_, tree_.language()); }

WebOutcome WebSession::Export(ExportFormat format, const WebSettings& settings, const Chunks& write) {
    WebOutcome outcome;
    const std::string output = folder_ + "/export";
    const FindQuery find = FindQuery::FromUtf8(settings.find);
    LoadOptions options = Options(settings, outcome);
    options.find = &find;
    const ExportOutcome exported = ExportRecipeTable(archive_, output, format, options);
    if (!exported.created || !exported.written) {
        if (!exported.load && exported.created) {
            AddFailedLoad(outcome, exported.load);
        } else {
            AddLine(outcome, std::string(exported.created ? kCantWriteFileMessage : kCantCreateFileMessage));
        }
        outcome.status = 1;
        return outcome;
    }
    std::FILE* file = std::fopen(output.c_str(), "rb");
    std::vector<char> chunk(kChunkBytes);
    for (std::size_t n; file != nullptr && (n = std::fread(chunk.data(), 1, chunk.size(), file)) > 0;) {
        write(std::span<const char>(chunk.data(), n));
    }
    if (file != nullptr) std::fclose(file);
    std::remove(output.c_str());
    return outcome;
}

WebOutcome WebSession::Compare(std::string newer, const WebSettings& settings, bool json) {
    const std::string newArchive = Keep("new.mpk", newer);
    WebOutcome outcome;
    if (newArchive.empty()) {
        // The in-memory file system could not take the copy.
        AddLine(outcome, kOutOfMemoryMessage);
        outcome.status = 2;
    } else {
        outcome = CompareKept(settings, json);
    }
    std::remove(NewerPath().c_str());
    return outcome;
}

WebOutcome WebSession::CompareKept(const WebSettings& settings, bool json) {
    WebOutcome outcome;
    CompareSettings compare;
    compare.language = settings.english ? Language::English : Language::German;
    compare.debug = settings.debug;
    compare.find = FindQuery::FromUtf8(settings.find);
    const ComparisonResult result =
        CompareArchives(archive_, NewerPath(), compare, [&outcome](std::string_view text) { AddLine(outcome, text); });
    if (!result.report) {
        if (!result.oldLoad) AddFailedLoad(outcome, result.oldLoad);
        if (!result.newLoad) AddFailedLoad(outcome, result.newLoad);
        if (result.filterFailed) AddLine(outcome, kOutOfMemoryMessage);
        outcome.status = 2;
        return outcome;
    }
    outcome.text = json ? DiffReportJson(*result.report) : DiffReportText(*result.report);
    outcome.status = result.report->HasDifferences() ? 1 : 0;
    return outcome;
}

WebOutcome WebSession::Plan(std::string_view planFile, ExportFormat format, const WebSettings& settings) {
    WebOutcome outcome;
    const PlanFileRead read = ParsePlanFile(planFile);
    if (!read.ok()) {
        outcome.messages = DescribeProblems(read);
        outcome.status = 2;
        return outcome;
    }
    PatternIndex index;
    LoadOptions options = Options(settings, outcome);
    options.alongside = &index;
    const LoadResult load = LoadRecipeTable(archive_, options);
    if (!load) {
        AddFailedLoad(outcome, load);
        outcome.status = 1;
        return outcome;
    }
    const std::vector<PatternRef> resolved = ResolvePlan(read.plan, index);
    const PlanTotals totals = SumPlan(read.plan, resolved, index);
    if (format == ExportFormat::Csv) {
        outcome.text = PlanTotalsCsv(totals, index);
    } else if (format == ExportFormat::Json) {
        outcome.text = PlanJson(read.plan, resolved, totals, index);
    } else {
        outcome.text = PlanTotalsText(totals, index);
    }
    outcome.status = totals.missing == 0 ? 0 : 1;
    return outcome;
}

}  // namespace artisanscope
