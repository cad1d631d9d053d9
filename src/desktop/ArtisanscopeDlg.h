#pragma once
// The main dialog (template 102): the recipe tree on the left; instruction,
// Open, the two checkboxes, Export and Close on the right. Every action goes
// through LoadRecipeTable. Controls are placed from the template's dialog
// units and can be reached by their ids with GetDlgItem.

#include "cli/CommandLineJob.h"
#include "desktop/DialogTemplates.h"
#include "load/LoadRecipeTable.h"

#include <QDialog>
#include <QIcon>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTreeView;

namespace artisanscope {

class CArtisanscopeApp;
class FindBar;
class PatternIndex;
class PlanWindow;
class RecipeTreeModel;
struct TreePlace;

// Matches are shown expanded down to the patterns up to this many matching
// patterns, and down to the categories beyond: laying out more rows than
// this would cost the user interface more than a keystroke may.
inline constexpr std::size_t kExpandPatternsUpTo = 2000;

class CArtisanscopeDlg final : public QDialog, public CommandLineJobHost {
    Q_OBJECT

public:
    explicit CArtisanscopeDlg(CArtisanscopeApp& app, QWidget* parent = nullptr);
    ~CArtisanscopeDlg() override;

    // Initialises the dialog (which runs the command-line job) and, unless
    // the job ended it, shows it and waits until it ends. The dialog's result.
    int DoModal();
    // Sets the icon and runs the command-line job (its --find query goes to
    // the find bar); true: focus on Close.
    bool OnInitDialog();

    // CommandLineJobHost
    RecipeTreeStore* treeStore() override;
    const RecipeTree* LoadedTree() const override;
    void ShowMessage(std::string_view text) override;
    void AdoptCommandLine(const MyCommandLine& commandLine) override;
    void EndDialog(int result) override;
    void ShowFailedJobLoad(std::string_view text, std::string_view reason) override;
    RecipeSink* indexSink() override;

    bool IsEnglishNamesChecked() const;
    bool debugMode() const { return debugMode_; }
    void SetArchivePath(const std::string& path) { archivePath_ = path; }
    // What a load takes now: the boxes' language and debug mode, the tree,
    // the plan's index and the message box.
    LoadOptions CurrentLoadOptions();

    // Handlers.
    void OnOpen();
    void OnEnglishNames();
    void OnDebugMode();
    void OnExport();
    void OnSize(int clientWidth, int clientHeight);
    void OnSysCommand(int commandId);
    // Compares the open table (old) with one the user chooses (new) and
    // shows the report.
    void OnCompareWith();
    // A game file, archive or game folder picked as Open picks it, with the
    // archive path it names; none when the user cancels or it names none.
    std::optional<std::pair<QString, std::string>> ChooseGameFile(const QString& title);
    // Ctrl+F: shows the find bar and filters with what it holds.
    void OnFind();
    void OnFindQueryChanged(const QString& query);
    // Enter or F3, Shift+Enter or Shift+F3: the next or previous matching
    // pattern becomes the selected item.
    void OnFindNext();
    void OnFindPrevious();
    // Escape in the find bar or its close button: the whole tree again, the
    // selected item kept selected and scrolled into view.
    void OnCloseFind();
    // Ctrl+C in the tree: the selected item and what is shown below it, as
    // the --tree listing writes it.
    void CopySelectedBranch();
    // Insert or "Add to plan": one more of the selected pattern in the
    // crafting plan, whose window opens.
    void AddSelectedToPlan();
    // Shows the crafting plan window (Ctrl+P: activated, to work in).
    void ShowPlan(bool activate);
    // A double click in the plan: selects pattern (of the plan index) in
    // the tree, closing the find bar when the find hides it.
    void SelectPattern(std::uint32_t pattern);
    // The crafting plan window; null until first shown.
    PlanWindow* planWindow() const { return planWindow_; }

    QWidget* GetDlgItem(int id) const;
    const std::string& archivePath() const { return archivePath_; }
    const RecipeTreeModel& treeModel() const { return *treeModel_; }
    FindBar& findBar() const { return *findBar_; }
    // True once EndDialog was called before the dialog was shown.
    bool endedBeforeShown() const { return endedEarly_; }
    // The text the tree shows over itself when a find matches nothing.
    QLabel* emptyTreeMessage() const { return emptyTreeMessage_; }

    // Ends the dialog; an interactive run remembers the window's place.
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Escape closes the find bar first, wherever the focus is.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place(QWidget* control, const DialogRect& rect, int id);
    LoadResult Reload();
    // Reload() keeping the open branches, the selected item and the scroll
    // position where they still exist.
    LoadResult ReloadKeepingPlace();
    // Accessible names and descriptions of the controls.
    void DescribeControls();
    // The controls of the right-hand column follow the right edge; Close
    // also keeps its distance from the bottom edge, level with the tree's
    // bottom.
    void PlaceRightColumn(int clientWidth, int clientHeight);
    // The window's size and position from the last interactive run (also
    // for a start with a game folder and no output file), fitted to the
    // screen it lands on; the position only when it lies on a screen.
    void RestoreWindow();
    // An interactive start without a game folder opens the last game file
    // again when it still exists.
    void ReopenLastGame();
    // The plan the last interactive run kept, in its window.
    void RestoreSavedPlan();
    // "Artisanscope – PATH" while a table is loaded.
    void ShowTitle();
    // The archive path for a chosen file, or for a chosen game folder.
    static std::optional<std::string> ArchivePathOf(const QString& chosen);
    // The find bar's "n of N" for the selected pattern.
    void ShowMatchPosition();
    // "No recipes match" over an empty tree while a find is applied.
    void ShowWhetherFindMatches();
    // After every model reset: the match count and the expansion rule.
    void OnTreePublished();
    // Filters the tree with query, keeping the selected item selected when
    // it stays shown.
    void ApplyFind(const QString& query);
    void SelectItem(std::uint32_t item);
    std::uint32_t SelectedItem() const;
    // A message about a failed load, its reason (if any) in the details.
    void ShowFailedLoad(std::string_view text, const LoadResult& load);
    // The context menu (About, Compare with...) at a global position.
    void ShowContextMenu(const QPoint& globalPosition);
    // The tree's context menu for item at a global position, when item
    // offers an action; false when there is none to offer.
    bool ShowTreeContextMenu(std::uint32_t item, const QPoint& globalPosition);
    // "Recipes using NAME" for an ingredient that has a material, else
    // nothing; FindRecipesUsing opens the find bar with material:"NAME".
    QAction* AddRecipesUsingAction(QMenu& menu, std::uint32_t item) const;
    void FindRecipesUsing(std::uint32_t item);
    // The plan index when it belongs to the tree shown, else null.
    const PatternIndex* PlanIndex() const;
    // Makes the plan's index current for the loaded table: from the first
    // use of the plan on, every load feeds the index (a reload without a
    // plan pays nothing for it); the first time, the table is loaded again,
    // keeping the user's place. False when no table is loaded.
    bool IndexForPlan();
    // The pattern item is (or whose ingredient it is) in the plan index, or
    // kNoPattern.
    std::uint32_t PatternOf(std::uint32_t item) const;
    // One more of pattern (of the plan index) in the plan, its window shown.
    void AddToPlan(std::uint32_t pattern);
    // The label the tree shows for a pattern of the plan index.
    std::function<QString(std::uint32_t)> PlanLabels() const;
    // AddToPlan for the pattern of a tree item taken before IndexForPlan():
    // when that loads the table again, the item is found anew by its labels.
    void AddItemToPlan(std::uint32_t item);
    // Follows a published tree: the index fits it when a walk into the index
    // filled it; the plan window gets the index or none.
    void PlanFollowsTree();

    CArtisanscopeApp& app_;
    QIcon appIcon_;
    std::string archivePath_;
    RecipeTreeModel* treeModel_ = nullptr;
    QTreeView* treeView_ = nullptr;
    QCheckBox* englishNamesCheck_ = nullptr;
    bool debugMode_ = false;
    QCheckBox* debugModeCheck_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QLabel* instruction_ = nullptr;
    FindBar* findBar_ = nullptr;
    QLabel* emptyTreeMessage_ = nullptr;
    // The patterns of the last load, for the crafting plan, by the tree
    // items of the walk that filled it; valid while the tree shown is the
    // one that walk filled.
    std::unique_ptr<PatternIndex> planIndex_;
    bool planIndexOn_ = false;  // loads feed planIndex_
    bool planIndexFitsTree_ = false;
    std::uint64_t planIndexWalks_ = 0;  // planIndex_->generation() at the last publish
    // A child, deleted by the destructor before planIndex_, which it reads.
    PlanWindow* planWindow_ = nullptr;
    bool planWindowPlaced_ = false;  // put beside the dialog once
    DialogBaseUnits units_;
    QSize templateSize_;  // the client size the template gives, pixels
    // The template's place of each control of the right-hand column, pixels.
    std::vector<std::pair<QWidget*, QRect>> rightColumn_;
    // The shown patterns, each with its place in the order Find Next walks
    // them (from 1), sorted by item; built when first needed after a publish.
    std::vector<std::pair<std::uint32_t, std::size_t>> matchPositions_;
    // The place in the whole tree when the find bar opened; the tree comes
    // back to it when the query is emptied or the bar closed.
    std::unique_ptr<TreePlace> placeBeforeFind_;
    bool endedEarly_ = false;
    int endResult_ = 0;
};

}  // namespace artisanscope
