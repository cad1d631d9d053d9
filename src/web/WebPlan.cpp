#include "web/WebPlan.h"

#include <algorithm>

namespace artisanscope {
namespace {

// Undo keeps this many steps, as the desktop's plan window does.
constexpr std::size_t kUndoSteps = 100;

// "Realm › Skill › Category".
std::string EntryPlace(const PatternKey& key) {
    constexpr std::string_view kStep = " \u203A ";
    return key.realm + std::string(kStep) + key.skill + std::string(kStep) + key.category;
}

int DepthOf(const RecipeTree& tree, TreeItem item) {
    int depth = -1;
    for (; item != kTreeRoot && depth < kPatternDepth + 2; item = tree.Parent(item)) ++depth;
    return depth;
}

}  // namespace

const PatternIndex& WebPlan::Follow(const WebSession& session) {
    static const PatternIndex kNoTable;
    // A failed open leaves no tree; its index is not the table's.
    const bool withTable = session.tree().size() > 0;
    const PatternIndex& index = withTable ? session.index() : kNoTable;
    if (&session.index() != index_ || index.generation() != generation_ || withTable != resolvedWithTable_ ||
        resolved_.size() != plan_.size()) {
        index_ = &session.index();
        generation_ = index.generation();
        resolvedWithTable_ = withTable;
        resolved_ = ResolvePlan(plan_, index);
    }
    return index;
}

WebPlanAdded WebPlan::Add(const WebSession& session, TreeItem item) {
    const PatternIndex& index = Follow(session);
    const RecipeTree& tree = session.tree();
    WebPlanAdded added;
    if (item == kTreeRoot || !tree.Contains(item) || index.size() == 0) return added;
    const int depth = DepthOf(tree, item);
    if (depth < kPatternDepth) {
        static const char* const kKinds[] = {"a realm", "a skill", "a category"};
        added.reason = "Nothing added: \u201C" + session.Label(item) + "\u201D is " + kKinds[depth] +
                       ". Insert adds the selected pattern (or the pattern of the selected ingredient).";
        return added;
    }
    PatternRef pattern = index.PatternAtItem(item);
    if (pattern == kNoPattern) pattern = index.PatternAtItem(tree.Parent(item));
    if (pattern == kNoPattern) return added;
    KeepForUndo();
    added.place = AddToPlan(plan_, resolved_, index, pattern);
    return added;
}

bool WebPlan::SetCount(std::size_t place, std::uint32_t count) {
    if (place >= plan_.size()) return false;
    count = std::clamp(count, kMinPlanCount, kMaxPlanCount);
    if (plan_[place].count == count) return true;
    KeepForUndo(place);
    plan_[place].count = count;
    return true;
}

bool WebPlan::Remove(std::size_t place) {
    if (place >= plan_.size()) return false;
    KeepForUndo();
    plan_.erase(plan_.begin() + static_cast<std::ptrdiff_t>(place));
    if (place < resolved_.size()) resolved_.erase(resolved_.begin() + static_cast<std::ptrdiff_t>(place));
    return true;
}

bool WebPlan::Clear() {
    if (plan_.empty()) return false;
    KeepForUndo();
    plan_.clear();
    resolved_.clear();
    return true;
}

void WebPlan::KeepForUndo(std::optional<std::size_t> countPlace) {
    // The steps of one count, one after another, are one change.
    if (countPlace && !undo_.empty() && undo_.back().countPlace == countPlace) return;
    undo_.push_back(Step{plan_, countPlace});
    if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
}

bool WebPlan::Undo() {
    if (undo_.empty()) return false;
    plan_ = std::move(undo_.back().plan);
    undo_.pop_back();
    resolved_.clear();  // resolved again on the next look
    return true;
}

Plan WebPlan::CurrentPlan(const PatternIndex& index) const {
    Plan plan = plan_;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (resolved_[i] != kNoPattern) plan[i].key = index.KeyOf(resolved_[i]);
    }
    return plan;
}

std::vector<WebPlanEntry> WebPlan::Entries(const WebSession& session) {
    const PatternIndex& index = Follow(session);
    const Plan shown = CurrentPlan(index);
    std::vector<WebPlanEntry> entries;
    entries.reserve(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        WebPlanEntry& entry = entries.emplace_back();
        entry.missing = resolved_[i] == kNoPattern;
        entry.item = entry.missing ? kTreeRoot : index.ItemOf(resolved_[i]);
        if (entry.missing) {
            entry.label = shown[i].key.pattern + "  (missing)";
        } else if (session.tree().Contains(entry.item)) {
            entry.label = session.Label(entry.item);
        } else {
            entry.label = shown[i].key.pattern;  // a walk cut short by memory: the tree ended first
        }
        entry.place = EntryPlace(shown[i].key);
        entry.count = shown[i].count;
    }
    return entries;
}

std::string WebPlan::TotalsText(const WebSession& session) {
    const PatternIndex& index = Follow(session);
    return PlanTotalsText(SumPlan(plan_, resolved_, index), index);
}

std::string WebPlan::FileText(const WebSession& session) { return PlanFileText(CurrentPlan(Follow(session))); }

WebPlanRead WebPlan::Read(std::string_view name, std::string_view bytes, bool undoable) {
    WebPlanRead read;
    PlanFileRead file;
    if (bytes.size() > kMaxPlanFileBytes) {
        file.failure = std::string(name) + ": larger than " + std::to_string(kMaxPlanFileBytes >> 20) + " MiB";
    } else {
        file = ParsePlanFile(bytes);
    }
    if (!file.failure.empty()) {
        read.message = "can't read the plan";
        read.details = file.failure;
        return read;
    }
    if (undoable) KeepForUndo();
    plan_ = std::move(file.plan);
    resolved_.clear();
    read.replaced = true;
    if (!file.problems.empty()) {
        read.message = "Some rows of the plan could not be read.";
        read.details = DescribeProblems(file);
    }
    return read;
}

}  // namespace artisanscope
