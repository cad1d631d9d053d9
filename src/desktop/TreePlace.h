#pragma once
// The user's place in the recipe tree view: the open branches, the selected
// item and the first row in view, kept across a reload of the tree. Items
// are named by their path from the realm down, each step a label with its
// row among the shown siblings. A step finds the sibling nearest to its row
// with the same label; else the nearest whose label holds the old one as
// whole words or is held by it (the debug mode adds values around a label);
// else, for an ingredient only (its label changes with the language), the
// sibling at its row. Items that can no longer be found are not restored.
//
// Only the open part of the tree is visited: the children of collapsed
// items are never looked at, so capturing and restoring cost what the view
// shows, not what the table holds.

#include <cstdint>
#include <string>
#include <vector>

class QModelIndex;
class QTreeView;

namespace artisanscope {

class RecipeTreeModel;

struct LabelStep {
    std::uint32_t row = 0;
    std::string label;  // code page 1252, as in the tree
    bool operator==(const LabelStep&) const = default;
};
using LabelPath = std::vector<LabelStep>;

struct TreePlace {
    std::vector<LabelPath> expanded;  // every parent before its children
    LabelPath selected;               // empty: nothing selected
    LabelPath top;                    // the first row in view; empty: none
    int horizontalScroll = 0;         // pixels
};

TreePlace CaptureTreePlace(const QTreeView& view, const RecipeTreeModel& model);
// Opens, selects and scrolls what place names and still exists; branches
// opened since (by a find) stay open.
void RestoreTreePlace(QTreeView& view, const RecipeTreeModel& model, const TreePlace& place);

// The path of a shown item, and the index a path leads to now (invalid when
// a step finds nothing).
LabelPath LabelPathOf(const RecipeTreeModel& model, const QModelIndex& index);
QModelIndex IndexOfLabelPath(const RecipeTreeModel& model, const LabelPath& path);

}  // namespace artisanscope
