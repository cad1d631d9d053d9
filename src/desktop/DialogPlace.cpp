// Keeping the user's place: the open branches, the selected item and the
// scroll position across a reload, and the window's place across runs.

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/ArtisanscopeApp.h"
#include "desktop/FindBar.h"
#include "desktop/PlanWindow.h"
#include "desktop/RecipeTreeModel.h"
#include "desktop/RememberedPlaces.h"
#include "desktop/TreePlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTreeView>

#include <optional>

namespace artisanscope {

LoadResult CArtisanscopeDlg::ReloadKeepingPlace() {
    const TreePlace place = CaptureTreePlace(*treeView_, *treeModel_);
    const bool stepping = findBar_->matchPosition() > 0;
    LoadResult load = Reload();
    RestoreTreePlace(*treeView_, *treeModel_, place);
    // "2 of N" while stepping through the matches stays.
    if (stepping) ShowMatchPosition();
    return load;
}

void CArtisanscopeDlg::RestoreWindow() {
    const std::optional<QRect> frame = app_.RememberedWindow();
    if (!frame) return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
    const bool reachable = ReachableOnScreens(*frame, screens);
    // The screen it lands on; a size kept at another scale may exceed it.
    const QScreen* screen = reachable ? QGuiApplication::screenAt(frame->topLeft() + QPoint(1, 1)) : nullptr;
    if (screen == nullptr) screen = this->screen();
    const QSize title(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QRect fitted = FitToScreen(*frame, minimumSize(), screen->availableGeometry(), title);
    resize(fitted.size());
    if (reachable) move(fitted.topLeft());
}

void CArtisanscopeDlg::done(int result) {
    app_.remembered().RememberWindow(QRect(pos(), size()));
    if (planWindow_ != nullptr && planWindow_->isVisible()) planWindow_->RememberPlace();
    QDialog::done(result);
}

}  // namespace artisanscope
