#pragma once
// The recipe tree as a Qt item model, over the core's compact RecipeTree:
// an index's internalId is the item's handle, labels stay code page 1252
// bytes in the tree's pool and become QStrings only when a view asks.
//
// A load fills a pending tree; FinishFilling() publishes it to the views
// with one model reset, so a view never sees a half-filled tree and millions
// of inserts cost no signals. DeleteAllItems() publishes an empty tree at
// once and lets the next fill reuse the old tree's arrays, so the model
// holds about one tree's memory and a reload of the same table does not
// grow its arrays again.
//
// A find query filters what the views see: the model shows the shown set of
// its RecipeFilter. The query stays when a new tree is published and is
// applied to it within the same reset.

#include "table/RecipeTreeStore.h"
#include "find/RecipeFilter.h"
#include "table/RecipeTree.h"

#include <QAbstractItemModel>

#include <string_view>

namespace artisanscope {

// Code page 1252 bytes as a QString.
QString Cp1252ToQString(std::string_view text);

class RecipeTreeModel final : public QAbstractItemModel, public RecipeTreeStore {
    Q_OBJECT

public:
    explicit RecipeTreeModel(QObject* parent = nullptr);

    // RecipeTreeStore: the load's side.
    void DeleteAllItems() override;
    TreeItem InsertItem(TreeItem parent, std::string_view label) override;
    void SetItemValue(TreeItem item, std::uint16_t value) override { pending_.SetItemValue(item, value); }
    void SetLanguage(Language language) override { pending_.SetLanguage(language); }
    void FinishFilling() override;
    RecipeTree* FilledTree() override { return &pending_; }

    // The published tree.
    const RecipeTree& tree() const { return tree_; }
    // Filters the published tree, and every later one, with query (empty:
    // everything), in one model reset.
    void SetFindQuery(const FindQuery& query);
    const FindQuery& findQuery() const { return query_; }
    // The shown set of the published tree.
    const RecipeFilter& filter() const { return filter_; }
    // The item handle behind an index; kTreeRoot for the invalid index.
    TreeItem ItemOf(const QModelIndex& index) const;
    // The index of a shown item; invalid for the root and hidden items.
    QModelIndex IndexOf(TreeItem item) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // Shows the pending tree in the views with one model reset; the old
    // tree's arrays, emptied, take the next load without growing again.
    void PublishPending();

    RecipeTree tree_;     // what the views see; always finished
    RecipeTree pending_;  // being filled by a load
    FindQuery query_;
    RecipeFilter filter_;  // over tree_
};

}  // namespace artisanscope
