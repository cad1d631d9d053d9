#include "desktop/TreePlace.h"

#include "desktop/RecipeTreeModel.h"

#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTreeView>

namespace artisanscope {
namespace {

std::string LabelOf(const RecipeTreeModel& model, const QModelIndex& index) {
    return std::string(model.tree().Label(model.ItemOf(index)));
}

bool HasLabel(const RecipeTreeModel& model, const QModelIndex& index, const std::string& label) {
    return model.tree().Label(model.ItemOf(index)) == label;
}

// part occurs in text as whole words: bounded by blanks or the ends.
bool ContainsAsWords(std::string_view text, std::string_view part) {
    if (part.empty()) return false;
    for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
        const std::size_t end = at + part.size();
        if ((at == 0 || text[at - 1] == ' ') && (end == text.size() || text[end] == ' ')) return true;
    }
    return false;
}

// Either label holds the other as whole words, as a label with the debug
// mode's values holds the plain one.
bool LabelsOverlap(const RecipeTreeModel& model, const QModelIndex& index, const std::string& label) {
    const std::string_view text = model.tree().Label(model.ItemOf(index));
    return ContainsAsWords(text, label) || ContainsAsWords(label, text);
}

// The child of parent nearest to row that fits, or invalid.
template <typename Fits>
QModelIndex NearestChild(const RecipeTreeModel& model, const QModelIndex& parent, int row, Fits fits) {
    const int rows = model.rowCount(parent);
    for (int distance = 0; distance < rows; ++distance) {
        for (const int at : {row - distance, row + distance}) {
            if (at < 0 || at >= rows) continue;
            const QModelIndex child = model.index(at, 0, parent);
            if (fits(child)) return child;
        }
    }
    return {};
}

// Depth first over the expanded items below parent, whose path is path.
void CollectExpanded(const QTreeView& view, const RecipeTreeModel& model, const QModelIndex& parent,
                     LabelPath& path, std::vector<LabelPath>& expanded) {
    const int rows = model.rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        if (!view.isExpanded(child)) continue;
        path.push_back({static_cast<std::uint32_t>(row), LabelOf(model, child)});
        expanded.push_back(path);
        CollectExpanded(view, model, child, path, expanded);
        path.pop_back();
    }
}

}  // namespace

LabelPath LabelPathOf(const RecipeTreeModel& model, const QModelIndex& index) {
    LabelPath path;
    for (QModelIndex at = index; at.isValid(); at = at.parent()) {
        path.push_back({static_cast<std::uint32_t>(at.row()), LabelOf(model, at)});
    }
    return {path.rbegin(), path.rend()};
}

QModelIndex IndexOfLabelPath(const RecipeTreeModel& model, const LabelPath& path) {
    QModelIndex at;
    // The path's first step is a realm's (depth 0), each further one a level deeper.
    for (std::size_t depth = 0; depth < path.size(); ++depth) {
        const LabelStep& step = path[depth];
        const int rows = model.rowCount(at);
        const int row = static_cast<int>(std::min<std::uint32_t>(step.row, INT32_MAX));
        QModelIndex found = NearestChild(model, at, row, [&](const QModelIndex& child) {
            return HasLabel(model, child, step.label);
        });
        if (!found.isValid()) {
            found = NearestChild(model, at, row, [&](const QModelIndex& child) {
                return LabelsOverlap(model, child, step.label);
            });
        }
        // Only an ingredient's label changes with the language; any other
        // label not found names an item that is gone, whose neighbour at
        // its row is another.
        if (!found.isValid() && depth == kPatternDepth + 1u && row < rows) found = model.index(row, 0, at);
        if (!found.isValid()) return {};
        at = found;
    }
    return at;
}

TreePlace CaptureTreePlace(const QTreeView& view, const RecipeTreeModel& model) {
    TreePlace place;
    LabelPath path;
    CollectExpanded(view, model, QModelIndex(), path, place.expanded);
    const QModelIndexList selected = view.selectionModel()->selectedIndexes();
    if (!selected.isEmpty()) place.selected = LabelPathOf(model, selected.front());
    place.top = LabelPathOf(model, view.indexAt(QPoint(0, 0)));
    place.horizontalScroll = view.horizontalScrollBar()->value();
    return place;
}

void RestoreTreePlace(QTreeView& view, const RecipeTreeModel& model, const TreePlace& place) {
    for (const LabelPath& branch : place.expanded) {
        const QModelIndex index = IndexOfLabelPath(model, branch);
        if (index.isValid()) view.expand(index);
    }
    if (!place.selected.empty()) {
        const QModelIndex selected = IndexOfLabelPath(model, place.selected);
        if (selected.isValid()) view.setCurrentIndex(selected);
    }
    // After the selection, which scrolls to itself.
    const QModelIndex top = IndexOfLabelPath(model, place.top);
    if (top.isValid()) view.scrollTo(top, QAbstractItemView::PositionAtTop);
    view.horizontalScrollBar()->setValue(place.horizontalScroll);
}

}  // namespace artisanscope
