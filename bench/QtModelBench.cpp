// The tree behind the dialog, measured with Qt's offscreen platform: the walk
// into the Qt item model (published with one reset to an attached view), and
// the whole reload the user waits for after a click: read, inflate, walk,
// model published, first paint of the view; and a keystroke in the find bar.

#include "BenchSupport.h"
#include "load/LoadRecipeTable.h"
#include "table/RecipeWalk.h"
#include "table/TreeFiller.h"
#include "plan/CraftingPlan.h"
#include "plan/PatternIndex.h"
#include "plan/PlanFile.h"
// After the core: Qt's "slots" keyword would take the table records' field.
#include "desktop/ArtisanscopeApp.h"
#include "desktop/ArtisanscopeDlg.h"
#include "desktop/FindBar.h"
#include "desktop/PlanWindow.h"
#include "desktop/RememberedPlaces.h"
#include "desktop/Prompter.h"
#include "desktop/RecipeTreeModel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTreeView>

#include <cstdlib>
#include <memory>

namespace artisanscope::bench {
namespace {

// Made when the first Qt benchmark runs; ended by ShutdownQtBenchmarks()
// while main() still runs, as Qt requires.
std::unique_ptr<QApplication> app;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "artisanscope-bench";
    static char* argv[] = {name, nullptr};
    if (!app) {
        // No display here: draw into memory.
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app = std::make_unique<QApplication>(argc, argv);
    }
    return *app;
}

// A shown tree view over the model, the size of the dialog's tree.
struct ShownTree {
    RecipeTreeModel model;
    QTreeView view;
    ShownTree() {
        view.setHeaderHidden(true);
        view.setUniformRowHeights(true);
        view.setModel(&model);
        view.resize(560, 420);
        view.show();
        QApplication::processEvents();
    }
    void Paint() { view.viewport()->repaint(); }
};

void ReportTree(benchmark::State& state, const RecipeTreeModel& model) {
    const RecipeTree& tree = model.tree();
    if (tree.size() == 0) return;
    state.counters["items"] = static_cast<double>(tree.size());
    state.counters["tree_bytes_per_item"] = static_cast<double>(tree.MemoryBytes()) / static_cast<double>(tree.size());
    state.counters["tree_MiB"] = static_cast<double>(tree.MemoryBytes()) / (1024.0 * 1024.0);
}

void BM_WalkQtModel(benchmark::State& state, Input& input) {
    Application();
    ShownTree shown;
    Measure(state, input, [&](Stopwatch&) {
        shown.model.DeleteAllItems();
        TreeFiller filler(shown.model, false);
        RecipeSink* sinks[] = {&filler};
        WalkRecipes(RecipeTableView(ByteView(input.image.bytes()), kLayout102), WalkOptions{Language::German, false, true},
                    sinks);
        shown.model.FinishFilling();
    });
    ReportTree(state, shown.model);
}

// A checkbox click on an open table: everything between the click and the
// painted tree. The table is opened once untimed, as the user did before
// the click, so the model's arrays are those a reload finds.
void BM_DialogReload(benchmark::State& state, Input& input) {
    Application();
    ShownTree shown;
    if (!LoadRecipeTable(input.files.archive, BenchLoadOptions(&shown.model))) state.SkipWithError("load failed");
    shown.Paint();
    Measure(state, input, [&](Stopwatch&) {
        if (!LoadRecipeTable(input.files.archive, BenchLoadOptions(&shown.model))) state.SkipWithError("load failed");
        shown.Paint();
    });
    ReportTree(state, shown.model);
}

// The first open of a table in a fresh dialog: the same, with every array
// of the tree new memory (its first touch is part of the wait).
void BM_DialogOpen(benchmark::State& state, Input& input) {
    Application();
    std::unique_ptr<ShownTree> shown;
    Measure(state, input, [&](Stopwatch& watch) {
        watch.Stop();
        shown = std::make_unique<ShownTree>();
        watch.Start();
        if (!LoadRecipeTable(input.files.archive, BenchLoadOptions(&shown->model))) state.SkipWithError("load failed");
        shown->Paint();
        watch.Stop();
        shown.reset();
        watch.Start();
    });
}

// A keystroke in the dialog's find bar: the query one letter short is typed
// untimed, then the last letter is timed until the tree is painted: filter,
// model reset, the expansion rule, first paint.
void FindKeystroke(benchmark::State& state, Input& input, std::string_view query) {
    Application();
    MyCommandLine line;
    QtPrompter prompter;
    CArtisanscopeApp shell(line, prompter, CommandLineJobIo{});
    CArtisanscopeDlg dialog(shell);
    shell.SetMainWindow(&dialog);
    dialog.SetArchivePath(input.files.archive);
    if (!LoadRecipeTable(input.files.archive, dialog.CurrentLoadOptions())) state.SkipWithError("load failed");
    dialog.show();
    dialog.OnFind();
    QApplication::processEvents();
    QLineEdit* edit = dialog.findBar().lineEdit();
    QWidget* view = dialog.GetDlgItem(main_dialog::kTreeId);
    const QString full = QString::fromUtf8(query.data(), static_cast<qsizetype>(query.size()));
    const QString shorter = full.left(full.size() - 1);
    Measure(state, input, [&](Stopwatch& watch) {
        watch.Stop();
        edit->setText(shorter);
        QApplication::processEvents();
        watch.Start();
        edit->setText(full);
        qobject_cast<QAbstractScrollArea*>(view)->viewport()->repaint();
    });
    const RecipeFilter& filter = dialog.treeModel().filter();
    state.counters["patterns"] = static_cast<double>(filter.ShownPatternCount());
    state.counters["index_bytes_per_item"] =
        static_cast<double>(filter.MemoryBytes()) / static_cast<double>(dialog.treeModel().tree().size());
}
// A checkbox click in the dialog where the user has opened every realm and
// skill and two categories of each skill, selected an ingredient deep down
// and scrolled: the reload with the open branches, the selection and the
// scroll position put back, until the tree is painted. With query, the find
// bar holds it and its matches are open too.
void ReloadKeepingPlace(benchmark::State& state, Input& input, std::string_view query) {
    Application();
    MyCommandLine line;
    QtPrompter prompter;
    CArtisanscopeApp shell(line, prompter, CommandLineJobIo{});
    CArtisanscopeDlg dialog(shell);
    shell.SetMainWindow(&dialog);
    dialog.SetArchivePath(input.files.archive);
    if (!LoadRecipeTable(input.files.archive, dialog.CurrentLoadOptions())) state.SkipWithError("load failed");
    dialog.show();
    if (!query.empty()) {
        dialog.OnFind();
        dialog.findBar().lineEdit()->setText(QString::fromUtf8(query.data(), static_cast<qsizetype>(query.size())));
    }
    auto* view = qobject_cast<QTreeView*>(dialog.GetDlgItem(main_dialog::kTreeId));
    const QAbstractItemModel& model = dialog.treeModel();
    QModelIndex deepest;
    for (int realm = 0; realm < model.rowCount(); ++realm) {
        const QModelIndex r = model.index(realm, 0);
        view->expand(r);
        for (int skill = 0; skill < model.rowCount(r); ++skill) {
            const QModelIndex s = model.index(skill, 0, r);
            view->expand(s);
            for (int category = 0; category < std::min(2, model.rowCount(s)); ++category) {
                const QModelIndex c = model.index(category, 0, s);
                view->expand(c);
                if (model.rowCount(c) > 0) deepest = model.index(0, 0, c);
            }
        }
    }
    if (deepest.isValid() && model.rowCount(deepest) > 0) view->setCurrentIndex(model.index(0, 0, deepest));
    QApplication::processEvents();
    Measure(state, input, [&](Stopwatch&) {
        dialog.OnEnglishNames();
        view->viewport()->repaint();
    });
    state.counters["selected"] = view->currentIndex().isValid() ? 1 : 0;
}
void BM_ReloadKeepingPlace(benchmark::State& state, Input& input) { ReloadKeepingPlace(state, input, {}); }
void BM_ReloadKeepingPlaceFound(benchmark::State& state, Input& input) { ReloadKeepingPlace(state, input, kFindQueries[0]); }

void BM_FindKeystrokeOneTerm(benchmark::State& state, Input& input) { FindKeystroke(state, input, kFindQueries[0]); }
void BM_FindKeystrokeThreeTerms(benchmark::State& state, Input& input) { FindKeystroke(state, input, kFindQueries[1]); }
void BM_FindKeystrokeBroad(benchmark::State& state, Input& input) { FindKeystroke(state, input, kFindQueries[2]); }
void BM_FindKeystrokeLevel(benchmark::State& state, Input& input) { FindKeystroke(state, input, kFindQueries[3]); }
void BM_FindKeystrokeMaterial(benchmark::State& state, Input& input) { FindKeystroke(state, input, kFindQueries[4]); }

// Answers every open dialog with one file.
class OpenAnswer final : public Prompter {
public:
    explicit OpenAnswer(QString path) : path_(std::move(path)) {}
    std::optional<QString> OpenFileName(QWidget*, const FileDialogOptions&) override { return path_; }
    std::optional<QString> SaveFileName(QWidget*, const FileDialogOptions&, QString*) override { return {}; }
    void ShowMessageBox(QWidget*, const QString&, const QString&, const QString&) override {}
    QAction* PopupMenu(QMenu&, const QPoint&) override { return nullptr; }
    int RunModal(QDialog&) override { return 0; }

private:
    QString path_;
};

// A count changed in the plan window of a 1,000-entry plan: the totals
// summed, set as text, and both lists painted.
void BM_PlanCountChange(benchmark::State& state, Input& input) {
    Application();
    PatternIndex index;
    LoadOptions options = BenchLoadOptions(nullptr);
    options.alongside = &index;
    if (!LoadRecipeTable(input.files.archive, options)) state.SkipWithError("load failed");
    Plan plan;
    const std::size_t step = std::max<std::size_t>(1, index.size() / 1000);
    for (std::size_t p = 0; p < index.size() && plan.size() < 1000; p += step) {
        plan.push_back(PlanEntry{index.KeyOf(static_cast<PatternRef>(p)), 1});
    }
    const std::string path = OutputPath(input, "plan.csv");
    if (!WritePlanFile(path, plan)) state.SkipWithError("plan not written");
    OpenAnswer prompter(QString::fromStdString(path));
    RememberedPlaces places;  // remembers nothing
    PlanWindow window(prompter, QStringLiteral("artisanscope-bench"), places);
    window.SetIndex(&index);
    window.OnOpen();
    window.show();
    QApplication::processEvents();
    QTableWidget* entries = window.entriesView();
    int count = 1;
    Measure(state, input, [&](Stopwatch&) {
        count = count % 9999 + 1;
        entries->item(500, 1)->setData(Qt::EditRole, count);
        entries->viewport()->repaint();
        window.totalsView()->viewport()->repaint();
    });
    state.counters["entries"] = static_cast<double>(window.plan().size());
    state.counters["total_lines"] = static_cast<double>(window.totals().lines.size());
    std::remove(path.c_str());
}

}  // namespace

void ShutdownQtBenchmarks() { app.reset(); }

void RegisterQtBenchmarks(Input& input, double minTime) {
    Register("WalkQtModel", input, BM_WalkQtModel)->MinTime(minTime);
    Register("DialogOpen", input, BM_DialogOpen)->MinTime(minTime);
    Register("DialogReload", input, BM_DialogReload)->MinTime(minTime);
    Register("ReloadKeepingPlace", input, BM_ReloadKeepingPlace)->MinTime(minTime);
    Register("ReloadKeepingPlaceFound", input, BM_ReloadKeepingPlaceFound)->MinTime(minTime);
    Register("FindKeystrokeOneTerm", input, BM_FindKeystrokeOneTerm)->MinTime(minTime);
    Register("FindKeystrokeThreeTerms", input, BM_FindKeystrokeThreeTerms)->MinTime(minTime);
    Register("FindKeystrokeBroad", input, BM_FindKeystrokeBroad)->MinTime(minTime);
    Register("FindKeystrokeLevel", input, BM_FindKeystrokeLevel)->MinTime(minTime);
    Register("FindKeystrokeMaterial", input, BM_FindKeystrokeMaterial)->MinTime(minTime);
    Register("PlanCountChange", input, BM_PlanCountChange)->MinTime(minTime);
}

}  // namespace artisanscope::bench
