#include "desktop/RememberedPlaces.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace artisanscope {
namespace {

// A piece of the top strip this large (pixels) on one screen is reachable.
constexpr int kGripWidth = 48;
constexpr int kGripHeight = 16;

QString KeyOf(RememberedFolder which) {
    switch (which) {
        case RememberedFolder::Game: return QStringLiteral("folders/game");
        case RememberedFolder::Export: return QStringLiteral("folders/export");
        case RememberedFolder::Plan: return QStringLiteral("folders/plan");
    }
    return {};
}

QString ExistingFolder(const QString& folder) { return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString(); }

}  // namespace

QString RememberedPlaces::SettingsPath() {
    // Read afresh every time: QSettings' own user scope fixes the folder at
    // its first use in the process.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/artisanscope/artisanscope.ini");
}

namespace {

QString DataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/artisanscope");
}

QString PlanWindowSettingsPath() { return DataFolder() + QStringLiteral("/plan-window.ini"); }

// A window's frame position and client size kept in an INI file.
std::optional<QRect> FrameIn(const QString& file) {
    const QSettings settings(file, QSettings::IniFormat);
    const QRect frame = settings.value(QStringLiteral("window/frame")).toRect();
    if (!frame.isValid()) return std::nullopt;
    return frame;
}

void KeepFrameIn(const QString& file, const QRect& frame) {
    if (!frame.isValid()) return;
    // QSettings replaces its file through a temporary one, whole or not at all.
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(QStringLiteral("window/frame"), frame);
}

}  // namespace

QString RememberedPlaces::SavedPlanPath() const { return keepsPlan_ ? DataFolder() + QStringLiteral("/plan.csv") : QString(); }

std::optional<QRect> RememberedPlaces::PlanWindow() const {
    if (!keepsPlan_) return std::nullopt;
    return FrameIn(PlanWindowSettingsPath());
}

void RememberedPlaces::RememberPlanWindow(const QRect& frame) {
    if (keepsPlan_) KeepFrameIn(PlanWindowSettingsPath(), frame);
}

QString RememberedPlaces::StartFolder(RememberedFolder which) const {
    if (!on_) return {};
    const QSettings settings(SettingsPath(), QSettings::IniFormat);
    const QString stored = settings.value(KeyOf(which)).toString();
    if (which == RememberedFolder::Game) {
        // The game file itself is stored; the dialog starts in its folder.
        return stored.isEmpty() ? QString() : ExistingFolder(QFileInfo(stored).absolutePath());
    }
    const QString folder = ExistingFolder(stored);
    if (folder.isEmpty() && which == RememberedFolder::Plan) return StartFolder(RememberedFolder::Export);
    return folder;
}

void RememberedPlaces::RememberFile(RememberedFolder which, const QString& chosenFile) {
    if (!on_ || chosenFile.isEmpty()) return;
    const QFileInfo file(chosenFile);
    QSettings settings(SettingsPath(), QSettings::IniFormat);
    settings.setValue(KeyOf(which), which == RememberedFolder::Game ? file.absoluteFilePath() : file.absolutePath());
}

QString RememberedPlaces::GameFile() const {
    if (!on_) return {};
    const QSettings settings(SettingsPath(), QSettings::IniFormat);
    return settings.value(KeyOf(RememberedFolder::Game)).toString();
}

std::optional<QRect> RememberedPlaces::Window() const {
    if (!on_) return std::nullopt;
    return FrameIn(SettingsPath());
}

void RememberedPlaces::RememberWindow(const QRect& frame) {
    if (on_) KeepFrameIn(SettingsPath(), frame);
}

bool ReachableOnScreens(const QRect& frame, const QList<QRect>& screens) {
    const QRect strip(frame.topLeft(), QSize(frame.width(), kGripHeight));
    for (const QRect& screen : screens) {
        const QRect piece = screen.intersected(strip);
        if (piece.width() >= std::min(kGripWidth, frame.width()) && piece.height() >= kGripHeight) return true;
    }
    return false;
}

QRect FitToScreen(const QRect& window, const QSize& minimum, const QRect& available, const QSize& frameMargins) {
    const QSize room = (available.size() - frameMargins).expandedTo(QSize(0, 0));
    const QSize size = window.size().boundedTo(room).expandedTo(minimum);
    const QSize frame = size + frameMargins;
    // Inside the area where it fits; its top-left corner kept in sight where not.
    const int x = std::max(available.left(), std::min(window.x(), available.right() + 1 - frame.width()));
    const int y = std::max(available.top(), std::min(window.y(), available.bottom() + 1 - frame.height()));
    return QRect(QPoint(x, y), size);
}

}  // namespace artisanscope
