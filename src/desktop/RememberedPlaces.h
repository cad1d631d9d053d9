#pragma once
// What the desktop remembers between runs: the last game folder or archive
// opened, the folder of the last export (and of other saved files), and the
// window's size and position. Stored as an INI file in the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config), under
// artisanscope/artisanscope.ini. Only interactive runs use it: the
// application switches it off for a command-line job, which then reads
// nothing from it and writes nothing to it.

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

namespace artisanscope {

// Which remembered folder a file dialog starts in.
enum class RememberedFolder {
    Game,    // Open, Compare with: the folder of the last game file opened
    Export,  // Export and the comparison's Save: the folder of the last file written
    Plan,    // the crafting plan's files; the export folder until a plan file is chosen
};

class RememberedPlaces {
public:
    // Off: every question answers "nothing remembered", every change is dropped.
    explicit RememberedPlaces(bool on = false) : on_(on), keepsPlan_(on) {}
    bool on() const { return on_; }
    void SetOn(bool on) { on_ = on; }
    // The crafting plan and its window's place are kept apart from the rest:
    // also where a game folder was given without an output file (a file
    // manager's "Open With"), since the plan is the user's own work.
    bool keepsPlan() const { return keepsPlan_; }
    void SetKeepsPlan(bool keeps) { keepsPlan_ = keeps; }

    // The folder a file dialog for which starts in; empty when nothing is
    // remembered or the folder is gone.
    QString StartFolder(RememberedFolder which) const;
    // Remembers the folder of a file the user chose (or, for the game, the
    // file itself).
    void RememberFile(RememberedFolder which, const QString& chosenFile);

    // The game file last opened (empty when none is remembered).
    QString GameFile() const;

    // The window's frame position and client size of the last run.
    std::optional<QRect> Window() const;
    void RememberWindow(const QRect& frame);

    // The settings file, as it would be used now.
    static QString SettingsPath();

    // The crafting plan kept between runs: the file it is saved to on every
    // change, $XDG_DATA_HOME/artisanscope/plan.csv (else
    // ~/.local/share/...); empty while the plan is not kept.
    QString SavedPlanPath() const;
    // The plan window's frame position and client size, kept beside it.
    std::optional<QRect> PlanWindow() const;
    void RememberPlanWindow(const QRect& frame);

private:
    bool on_;
    bool keepsPlan_;
};

// True when enough of a window's top strip (where its title bar is) lies on
// one of the screens for the user to reach it and drag it back: the frame
// rectangle of a window, screens in the same global coordinates.
bool ReachableOnScreens(const QRect& frame, const QList<QRect>& screens);

// A remembered window (frame position, client size) fitted to the available
// area of the screen it lands on: never larger than that area, never smaller
// than minimum, moved inside it when it would stick out. frameMargins: what
// the frame adds to the client size.
QRect FitToScreen(const QRect& window, const QSize& minimum, const QRect& available, const QSize& frameMargins = {});

}  // namespace artisanscope
