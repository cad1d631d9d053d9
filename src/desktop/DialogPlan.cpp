// The dialog's side of the crafting plan: the plan's index of the loaded
// table, the patterns of tree items, and the plan window beside the dialog.

// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "plan/PatternIndex.h"

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/ArtisanscopeApp.h"
#include "desktop/PlanWindow.h"
#include "desktop/RecipeTreeModel.h"

#include <QScreen>

namespace artisanscope {
namespace {

constexpr int kPlanWindowGap = 8;  // pixels between the dialog and the plan window

}  // namespace

RecipeSink* CArtisanscopeDlg::indexSink() { return planIndexOn_ ? planIndex_.get() : nullptr; }

bool CArtisanscopeDlg::IndexForPlan() {
    if (PlanIndex() != nullptr) return true;
    planIndexOn_ = true;
    if (archivePath_.empty()) return false;
    ReloadKeepingPlace();
    return PlanIndex() != nullptr;
}

const PatternIndex* CArtisanscopeDlg::PlanIndex() const {
    const bool sameWalk = planIndex_->treeItems() == treeModel_->tree().size() && planIndex_->size() > 0;
    return sameWalk ? planIndex_.get() : nullptr;
}

std::uint32_t CArtisanscopeDlg::PatternOf(std::uint32_t item) const {
    const PatternIndex* index = PlanIndex();
    if (index == nullptr || item == kTreeRoot || !treeModel_->tree().Contains(item)) return kNoPattern;
    const PatternRef pattern = index->PatternAtItem(item);
    return pattern != kNoPattern ? pattern : index->PatternAtItem(treeModel_->tree().Parent(item));
}

void CArtisanscopeDlg::ShowPlan(bool activate) {
    if (planWindow_ == nullptr) {
        IndexForPlan();
        planWindow_ = new PlanWindow(app_.prompter(), app_.appName(), app_.remembered(), this);
        planWindow_->SetIndex(PlanIndex());
        // Beside the dialog where the screen has room, so the tree stays in
        // sight for the next Insert.
        const QRect dialog = frameGeometry();
        const QRect screen = this->screen()->availableGeometry();
        const int width = planWindow_->width();
        if (dialog.right() + kPlanWindowGap + width <= screen.right()) {
            planWindow_->move(dialog.right() + kPlanWindowGap, dialog.top());
        } else if (dialog.left() - kPlanWindowGap - width >= screen.left()) {
            planWindow_->move(dialog.left() - kPlanWindowGap - width, dialog.top());
        }
    }
    planWindow_->show();
    planWindow_->raise();
    if (activate) planWindow_->activateWindow();
}

void CArtisanscopeDlg::AddSelectedToPlan() {
    if (IndexForPlan()) AddToPlan(PatternOf(SelectedItem()));
}

void CArtisanscopeDlg::AddToPlan(std::uint32_t pattern) {
    if (pattern == kNoPattern) return;
    ShowPlan(false);  // the tree keeps the focus for the next Insert
    planWindow_->Add(pattern);
}

}  // namespace artisanscope
