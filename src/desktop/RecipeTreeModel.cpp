#include "desktop/RecipeTreeModel.h"

#include "io/Cp1252.h"

namespace artisanscope {
QString Cp1252ToQString(std::string_view text) {
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* unit = out.data();
    for (const char c : text) *unit++ = QChar(Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

RecipeTreeModel::RecipeTreeModel(QObject* parent) : QAbstractItemModel(parent) {
    tree_.Finish();
    pending_.Finish();
    filter_.Apply(tree_, query_);
}

void RecipeTreeModel::PublishPending() {
    pending_.Finish();
    beginResetModel();
    tree_.Swap(pending_);
    filter_.Apply(tree_, query_);
    endResetModel();
    pending_.DeleteAllItems();
}

void RecipeTreeModel::DeleteAllItems() {
    pending_.DeleteAllItems();
    PublishPending();
}

TreeItem RecipeTreeModel::InsertItem(TreeItem parent, std::string_view label) {
    return pending_.InsertItem(parent, label);
}

void RecipeTreeModel::FinishFilling() { PublishPending(); }

void RecipeTreeModel::SetFindQuery(const FindQuery& query) {
    beginResetModel();
    query_ = query;
    filter_.Apply(tree_, query_);
    endResetModel();
}

TreeItem RecipeTreeModel::ItemOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return kTreeRoot;
    return static_cast<TreeItem>(index.internalId());
}

QModelIndex RecipeTreeModel::IndexOf(TreeItem item) const {
    const std::uint32_t row = filter_.ShownRow(item);
    if (row == RecipeFilter::kNoShownRow) return {};
    return createIndex(static_cast<int>(row), 0, static_cast<quintptr>(item));
}

QModelIndex RecipeTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || parent.column() > 0) return {};
    const TreeItem item = filter_.ShownChild(ItemOf(parent), static_cast<std::uint32_t>(row));
    if (item == kNoTreeItem) return {};
    return createIndex(row, 0, static_cast<quintptr>(item));
}

QModelIndex RecipeTreeModel::parent(const QModelIndex& child) const {
    const TreeItem item = ItemOf(child);
    if (item == kTreeRoot || !tree_.Contains(item)) return {};
    return IndexOf(tree_.Parent(item));
}

int RecipeTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return static_cast<int>(filter_.ShownChildCount(ItemOf(parent)));
}

int RecipeTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool RecipeTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant RecipeTreeModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const TreeItem item = ItemOf(index);
    if (!tree_.Contains(item)) return {};
    return Cp1252ToQString(tree_.Label(item));
}

Qt::ItemFlags RecipeTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (rowCount(index) == 0) flags |= Qt::ItemNeverHasChildren;
    return flags;
}

}  // namespace artisanscope
