// The dialog's find: the find bar applied to the tree, Find Next and
// Previous with the match position, "No recipes match", and "Recipes using"
// from an ingredient's menu.

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/DialogShared.h"
#include "desktop/FindBar.h"
#include "desktop/PlanWindow.h"
#include "desktop/RecipeTreeModel.h"
#include "desktop/TreePlace.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeView>

#include <algorithm>
#include <optional>

namespace artisanscope {
namespace {

// The name of the material of an ingredient item, in the tree's language;
// nothing for other items.
std::optional<QString> IngredientMaterial(const RecipeTreeModel& model, std::uint32_t item) {
    const RecipeTree& tree = model.tree();
    if (model.filter().Depth(item) != kPatternDepth + 1 || tree.Value(item) == 0) return std::nullopt;
    return Cp1252ToQString(MaterialName(tree.language(), tree.Value(item)).view());
}

}  // namespace

QAction* CArtisanscopeDlg::AddRecipesUsingAction(QMenu& menu, std::uint32_t item) const {
    const std::optional<QString> material = IngredientMaterial(*treeModel_, item);
    if (!material) return nullptr;
    QString text = QStringLiteral("Recipes using %1").arg(*material);
    return menu.addAction(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void CArtisanscopeDlg::FindRecipesUsing(std::uint32_t item) {
    const std::optional<QString> material = IngredientMaterial(*treeModel_, item);
    if (!material) return;
    findBar_->lineEdit()->setText(QStringLiteral("material:\"%1\"").arg(*material));
    OnFind();
}

void CArtisanscopeDlg::ApplyFind(const QString& query) {
    const std::uint32_t selected = SelectedItem();
    const QByteArray utf8 = query.toUtf8();
    FindQuery parsed = FindQuery::FromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    // Nothing to find, as before: the tree stays as it is, branches open.
    if (parsed.empty() && treeModel_->findQuery().empty()) return;
    treeModel_->SetFindQuery(parsed);
    // Back to the whole tree: the branches open before the find, and the
    // selected item in view.
    if (parsed.empty() && placeBeforeFind_ != nullptr) RestoreTreePlace(*treeView_, *treeModel_, *placeBeforeFind_);
    SelectItem(selected);
}

void CArtisanscopeDlg::OnTreePublished() {
    if (planWindow_ != nullptr) planWindow_->SetIndex(PlanIndex(), PlanLabels());
    ShowTitle();
    const RecipeFilter& filter = treeModel_->filter();
    matchPositions_.clear();
    const std::string notUnderstood = NotUnderstood(treeModel_->findQuery(), treeModel_->tree().language());
    findBar_->SetNotUnderstood(QString::fromUtf8(notUnderstood.data(), static_cast<qsizetype>(notUnderstood.size())));
    findBar_->SetMatchCount(filter.ShownPatternCount());
    ShowWhetherFindMatches();
    if (!filter.active()) return;
    treeView_->expandToDepth(filter.ShownPatternCount() <= kExpandPatternsUpTo ? kPatternDepth - 1 : kPatternDepth - 2);
}

void CArtisanscopeDlg::OnFind() {
    const bool wasShown = findBar_->isVisibleTo(this);
    if (!wasShown && !treeModel_->filter().active()) {
        placeBeforeFind_ = std::make_unique<TreePlace>(CaptureTreePlace(*treeView_, *treeModel_));
    }
    findBar_->Open();
    if (wasShown) return;
    OnSize(width(), height());
    ApplyFind(findBar_->query());
}

void CArtisanscopeDlg::OnFindQueryChanged(const QString& query) {
    if (findBar_->isVisibleTo(this)) ApplyFind(query);
}

void CArtisanscopeDlg::OnFindNext() {
    if (!findBar_->isVisibleTo(this)) return;
    SelectItem(treeModel_->filter().NextPattern(SelectedItem()));
    ShowMatchPosition();
}

void CArtisanscopeDlg::OnFindPrevious() {
    if (!findBar_->isVisibleTo(this)) return;
    SelectItem(treeModel_->filter().PreviousPattern(SelectedItem()));
    ShowMatchPosition();
}

void CArtisanscopeDlg::OnCloseFind() {
    const bool hadFocus = findBar_->isAncestorOf(QApplication::focusWidget());
    findBar_->hide();
    OnSize(width(), height());
    ApplyFind(QString());
    placeBeforeFind_.reset();
    if (hadFocus) treeView_->setFocus(Qt::OtherFocusReason);
}

void CArtisanscopeDlg::ShowMatchPosition() {
    const RecipeFilter& filter = treeModel_->filter();
    if (matchPositions_.empty() && filter.ShownPatternCount() > 0) {
        // In the order Find Next walks, which comes round to the first again.
        const TreeItem first = filter.NextPattern(kTreeRoot);
        TreeItem pattern = first;
        while (pattern != kNoTreeItem && matchPositions_.size() < filter.ShownPatternCount()) {
            matchPositions_.emplace_back(pattern, matchPositions_.size() + 1);
            pattern = filter.NextPattern(pattern);
            if (pattern == first) break;
        }
        std::sort(matchPositions_.begin(), matchPositions_.end());
    }
    const TreeItem selected = SelectedItem();
    const auto found = std::lower_bound(matchPositions_.begin(), matchPositions_.end(),
                                        std::make_pair(selected, std::size_t{0}));
    findBar_->SetMatchPosition(found != matchPositions_.end() && found->first == selected ? found->second : 0);
}

void CArtisanscopeDlg::ShowWhetherFindMatches() {
    const bool nothing = treeModel_->filter().active() && treeModel_->rowCount() == 0;
    // What was not understood, under the message.
    const QString reason = findBar_->notUnderstood();
    emptyTreeMessage_->setText(reason.isEmpty() ? QString::fromLatin1(kNoRecipesMatchText)
                                                : QString::fromLatin1(kNoRecipesMatchText) + QLatin1Char('\n') + reason);
    emptyTreeMessage_->setGeometry(treeView_->viewport()->rect());
    emptyTreeMessage_->setVisible(nothing);
}

}  // namespace artisanscope
