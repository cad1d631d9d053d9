// Keeping the user's place: the open branches, the selected item and the
// scroll position across a reload, and the window's place across runs.

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/ArtisanscopeApp.h"
#include "desktop/RecipeTreeModel.h"
#include "desktop/RememberedPlaces.h"
#include "desktop/TreePlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTreeView>

#include <optional>

namespace artisanscope {

LoadResult CArtisanscopeDlg::ReloadKeepingPlace() {
    const TreePlace place = CaptureTreePlace(*treeView_, *treeModel_);
    LoadResult load = Reload();
    RestoreTreePlace(*treeView_, *treeModel_, place);
    return load;
}

void CArtisanscopeDlg::RestoreWindow() {
    const std::optional<QRect> frame = app_.remembered().Window();
    if (!frame) return;
    resize(frame->size().expandedTo(minimumSize()));
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
    if (ReachableOnScreens(QRect(frame->topLeft(), size()), screens)) move(frame->topLeft());
}

void CArtisanscopeDlg::done(int result) {
    app_.remembered().RememberWindow(QRect(pos(), size()));
    QDialog::done(result);
}

}  // namespace artisanscope
