#pragma once
// What the web page asks of the core, on archives it holds in memory: open
// a table into a tree, find in it, export it in any format in chunks,
// compare it with a second archive, and sum a crafting plan against it. No
// logic of its own: each call is the command line's, with bytes for paths.
// The exports and the comparison go through the same functions as the
// command line, on copies of the archives in the module's in-memory file
// system; texts handed out are UTF-8.

#include "export/ExportFile.h"
#include "find/FindQuery.h"
#include "find/RecipeFilter.h"
#include "load/LoadRecipeTable.h"
#include "plan/PatternIndex.h"
#include "table/RecipeTree.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace artisanscope {

struct WebOutcome {
    // 0 done, 1 failed or (for a comparison or plan) found a difference or a
    // missing entry, 2 wrong input: the command line's exit statuses.
    int status = 0;
    std::string messages;  // the message boxes and failure reasons, one a line
    std::string text;      // a report or totals, when the call makes one
};

struct WebSettings {
    bool english = false;
    bool debug = false;
    std::string find;  // a find query as typed, UTF-8
};

class WebSession {
public:
    // The folder of the in-memory file system the archive copies live in.
    explicit WebSession(std::string folder = "/artisanscope");

    // Takes the archive's bytes and walks its table into the tree.
    WebOutcome Open(std::string archive, const WebSettings& settings);
    // The same for an archive the page wrote to ArchivePath() itself (no
    // copy through a string).
    WebOutcome OpenKept(const WebSettings& settings);
    std::string ArchivePath() const { return folder_ + "/ifd.mpk"; }
    const RecipeTree& tree() const { return tree_; }
    // The open table's patterns, by the tree's item numbers (for the plan).
    const PatternIndex& index() const { return index_; }
    // The label of item in UTF-8.
    std::string Label(TreeItem item) const;
    // Filters the open tree by query; false when memory ran out.
    bool Find(std::string_view query);
    const RecipeFilter& filter() const { return filter_; }
    // What of the last find's query was not understood (UTF-8), as the
    // find bar says it; empty when all was.
    std::string NotUnderstoodText() const;

    // Writes the open archive's export, chunk by chunk, to write.
    using Chunks = std::function<void(std::span<const char> bytes)>;
    WebOutcome Export(ExportFormat format, const WebSettings& settings, const Chunks& write);
    // The comparison of the open archive (old) with newer's bytes; the
    // report as text, or as JSON.
    WebOutcome Compare(std::string newer, const WebSettings& settings, bool json);
    // The same with the archive the page put at NewerPath() itself.
    WebOutcome CompareKept(const WebSettings& settings, bool json);
    std::string NewerPath() const { return folder_ + "/new.mpk"; }
    // The totals of the plan file's bytes against the open archive, as
    // text, CSV or JSON.
    WebOutcome Plan(std::string_view planFile, ExportFormat format, const WebSettings& settings);

private:
    std::string Keep(std::string_view name, const std::string& bytes) const;
    LoadOptions Options(const WebSettings& settings, WebOutcome& outcome) const;

    std::string folder_;
    std::string archive_;  // path of the open archive's copy; empty: none
    RecipeTree tree_;
    PatternIndex index_;
    RecipeFilter filter_;
    FindQuery query_;
};

}  // namespace artisanscope
