// The dialog's side of the crafting plan: the plan's index of the loaded
// table, the patterns of tree items, and the plan window beside the dialog.

// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "plan/PatternIndex.h"

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/ArtisanscopeApp.h"
#include "desktop/FindBar.h"
#include "desktop/PlanWindow.h"
#include "desktop/RecipeTreeModel.h"

#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

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

std::function<QString(std::uint32_t)> CArtisanscopeDlg::PlanLabels() const {
    return [this](std::uint32_t pattern) {
        return Cp1252ToQString(treeModel_->tree().Label(planIndex_->ItemOf(pattern)));
    };
}

void CArtisanscopeDlg::ShowPlan(bool activate) {
    IndexForPlan();
    if (planWindow_ == nullptr) {
        planWindow_ = new PlanWindow(app_.prompter(), app_.appName(), app_.remembered(), this);
        connect(planWindow_, &PlanWindow::patternActivated, this, &CArtisanscopeDlg::SelectPattern);
    }
    planWindow_->SetIndex(PlanIndex(), PlanLabels());
    if (!planWindow_->isVisible() && !planWindow_->placeRestored() && !planWindowPlaced_) {
        planWindowPlaced_ = true;
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
    const std::uint32_t item = SelectedItem();
    const int depth = item == kTreeRoot ? -1 : treeModel_->filter().Depth(item);
    if (depth >= 0 && depth < kPatternDepth) {
        // Said, not passed over in silence.
        static const char* const kKinds[] = {"a realm", "a skill", "a category"};
        ShowPlan(false);
        planWindow_->ShowStatus(QStringLiteral("Nothing added: \u201C%1\u201D is %2. Insert adds the selected pattern "
                                               "(or the pattern of the selected ingredient).")
                                    .arg(Cp1252ToQString(treeModel_->tree().Label(item)), QLatin1String(kKinds[depth])));
        return;
    }
    if (IndexForPlan()) AddToPlan(PatternOf(item));
}

void CArtisanscopeDlg::SelectPattern(std::uint32_t pattern) {
    const PatternIndex* index = PlanIndex();
    if (index == nullptr || pattern >= index->size()) return;
    const TreeItem item = index->ItemOf(pattern);
    if (!treeModel_->IndexOf(item).isValid() && findBar_->isVisibleTo(this)) OnCloseFind();
    SelectItem(item);
    activateWindow();
    treeView_->setFocus(Qt::OtherFocusReason);
}

void CArtisanscopeDlg::RestoreSavedPlan() {
    const QString saved = app_.remembered().SavedPlanPath();
    if (endedEarly_ || saved.isEmpty() || !QFileInfo::exists(saved)) return;
    if (planWindow_ == nullptr) {
        planWindow_ = new PlanWindow(app_.prompter(), app_.appName(), app_.remembered(), this);
        connect(planWindow_, &PlanWindow::patternActivated, this, &CArtisanscopeDlg::SelectPattern);
    }
    if (!planWindow_->RestoreSavedPlan()) return;
    planWindow_->SetIndex(PlanIndex(), PlanLabels());
    // Once the dialog is up, beside it.
    QTimer::singleShot(0, this, [this] { ShowPlan(false); });
}

void CArtisanscopeDlg::AddToPlan(std::uint32_t pattern) {
    if (pattern == kNoPattern) return;
    ShowPlan(false);  // the tree keeps the focus for the next Insert
    planWindow_->Add(pattern);
}

}  // namespace artisanscope
