#pragma once
// The crafting plan the page keeps beside its session, as the desktop's plan
// window keeps one: entries added from tree items, counts, removal, undo,
// the totals as --plan prints them and the plan file. Every step is the
// core's (src/plan); this only holds the plan and its resolution against
// the session's open table, resolved again whenever the session has walked
// a table since. With no table open every entry is missing.

#include "plan/CraftingPlan.h"
#include "plan/PlanFile.h"
#include "web/WebSession.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace artisanscope {

struct WebPlanEntry {
    std::string label;      // UTF-8: the pattern's label in the tree, or its name and "  (missing)"
    std::string place;      // UTF-8: "Realm › Skill › Category"
    std::uint32_t count = 1;
    TreeItem item = kTreeRoot;  // the pattern's tree item; the root when missing
    bool missing = false;
};

struct WebPlanAdded {
    std::optional<std::size_t> place;  // the entry that got one more
    std::string reason;                // why nothing was added, UTF-8 ("" for no item at all)
};

struct WebPlanRead {
    bool replaced = false;  // the plan is now the file's readable rows
    std::string message;    // what the desktop's message box says, "" when all went well
    std::string details;    // its details: the rows that could not be read, or why
};

class WebPlan {
public:
    // One more of the pattern of item, or of the pattern an ingredient item
    // belongs to; realms, skills and categories are refused with a reason.
    WebPlanAdded Add(const WebSession& session, TreeItem item);
    // The count is kept in kMinPlanCount..kMaxPlanCount. False: no such entry.
    bool SetCount(std::size_t place, std::uint32_t count);
    bool Remove(std::size_t place);
    // False when the plan was empty already.
    bool Clear();
    // The plan as before the last change; false when there is none to undo.
    bool Undo();
    bool canUndo() const { return !undo_.empty(); }
    std::size_t size() const { return plan_.size(); }

    std::vector<WebPlanEntry> Entries(const WebSession& session);
    // What artisanscope --plan prints for the plan against the open table.
    std::string TotalsText(const WebSession& session);
    // The plan file (CSV), resolved entries as the table shows them now.
    std::string FileText(const WebSession& session);
    // Replaces the plan by a plan file's rows (when it can be read at all).
    // name: the file's name, for the reason a whole file is refused. A plan
    // restored from what the page kept is no change to undo.
    WebPlanRead Read(std::string_view name, std::string_view bytes, bool undoable = true);

private:
    // Resolves the entries again when the session's table is not the one
    // they were resolved against; the index to use (empty with no table).
    const PatternIndex& Follow(const WebSession& session);
    Plan CurrentPlan(const PatternIndex& index) const;
    void KeepForUndo(std::optional<std::size_t> countPlace = std::nullopt);

    struct Step {
        Plan plan;
        std::optional<std::size_t> countPlace;  // a count change of this entry
    };

    Plan plan_;
    std::vector<PatternRef> resolved_;
    std::vector<Step> undo_;
    const PatternIndex* index_ = nullptr;  // resolved against; null: none yet
    std::uint64_t generation_ = 0;
    bool resolvedWithTable_ = false;
};

}  // namespace artisanscope
