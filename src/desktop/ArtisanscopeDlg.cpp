// The dialog's construction, its controls and their layout, the command-line
// job's host, opening a table, the menus and the tree's keys. Export,
// compare, find, the plan and keeping the user's place have files of their
// own (Dialog*.cpp).

// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "plan/PatternIndex.h"

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/AboutDlg.h"
#include "desktop/ArtisanscopeApp.h"
#include "desktop/DialogSetup.h"
#include "desktop/DialogShared.h"
#include "desktop/FindBar.h"
#include "desktop/PlanWindow.h"
#include "cli/PathRules.h"
#include "load/LoadRecipeTable.h"
#include "desktop/Prompter.h"
#include "desktop/RecipeTreeModel.h"
#include "desktop/PlanWindow.h"
#include "desktop/RememberedPlaces.h"
#include "desktop/TreePlace.h"
#include "desktop/WrappingCheckBox.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QStyle>
#include <QStyleFactory>
#include <QTreeView>

#include <algorithm>
#include <optional>

namespace artisanscope {
namespace {

constexpr const char* kControlIdProperty = "controlId";
constexpr std::string_view kCompareWithText = "&Compare with\xE2\x80\xA6";  // "…"
const QKeySequence kCompareWithKeys(Qt::CTRL | Qt::Key_D);
constexpr std::string_view kAddToPlanText = "Add to &plan";

}  // namespace

CArtisanscopeDlg::CArtisanscopeDlg(CArtisanscopeApp& app, QWidget* parent)
    : QDialog(parent), app_(app), appIcon_(app.appIcon()), planIndex_(std::make_unique<PatternIndex>()) {
    using namespace main_dialog;
    // Caption, system menu and sizing border; no minimise or maximise box; a
    // window of its own in the task bar.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(Utf8Text(kCaption));
    units_ = UseDialogFont(*this);

    closeButton_ = new QPushButton(Utf8Text(kCloseText), this);
    closeButton_->setDefault(true);
    treeModel_ = new RecipeTreeModel(this);
    treeView_ = new QTreeView(this);
    treeView_->setModel(treeModel_);
    treeView_->setHeaderHidden(true);
    treeView_->setUniformRowHeights(true);
    treeView_->setRootIsDecorated(true);
    // Connecting lines, also at the root: Qt's Windows style draws them
    // (dotted, with boxed expand buttons); the desktop styles such as Fusion
    // draw arrows only. The tree owns its style.
    if (QStyle* lines = QStyleFactory::create(QStringLiteral("Windows"))) {
        lines->setParent(treeView_);
        treeView_->setStyle(lines);
    }
    treeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The tree has a menu of its own for its items: their actions and the
    // comparison; its empty space has none.
    treeView_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(treeView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ShowTreeContextMenu(treeModel_->ItemOf(treeView_->indexAt(at)), treeView_->viewport()->mapToGlobal(at));
    });
    openButton_ = new QPushButton(Utf8Text(kOpenText), this);
    englishNamesCheck_ = new WrappingCheckBox(Utf8Text(kEnglishNamesText), this);
    instruction_ = new QLabel(Utf8Text(kInstructionText), this);
    instruction_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    instruction_->setWordWrap(true);
    exportButton_ = new QPushButton(Utf8Text(kExportText), this);
    debugModeCheck_ = new QCheckBox(Utf8Text(kDebugModeText), this);
    findBar_ = new FindBar(this);
    findBar_->hide();

    Place(closeButton_, kClose, kCloseId);
    Place(treeView_, kTree, kTreeId);
    Place(openButton_, kOpen, kOpenId);
    Place(englishNamesCheck_, kEnglishNames, kEnglishNamesId);
    Place(instruction_, kInstruction, -1);
    Place(exportButton_, kExport, kExportId);
    Place(debugModeCheck_, kDebugMode, kDebugModeId);
    QWidget::setTabOrder(closeButton_, treeView_);
    QWidget::setTabOrder(treeView_, findBar_->lineEdit());
    QWidget::setTabOrder(findBar_->lineEdit(), openButton_);
    QWidget::setTabOrder(openButton_, englishNamesCheck_);
    QWidget::setTabOrder(englishNamesCheck_, exportButton_);
    QWidget::setTabOrder(exportButton_, debugModeCheck_);

    const DialogRect client = MapDialogRect(kSize, units_);
    resize(client.width, client.height);
    templateSize_ = QSize(client.width, client.height);
    setMinimumSize(templateSize_);
    for (QWidget* control : {static_cast<QWidget*>(instruction_), static_cast<QWidget*>(openButton_),
                             static_cast<QWidget*>(englishNamesCheck_), static_cast<QWidget*>(debugModeCheck_),
                             static_cast<QWidget*>(exportButton_), static_cast<QWidget*>(closeButton_)}) {
        rightColumn_.emplace_back(control, control->geometry());
    }
    emptyTreeMessage_ = new QLabel(QString::fromLatin1(kNoRecipesMatchText), treeView_->viewport());
    emptyTreeMessage_->setAlignment(Qt::AlignCenter);
    emptyTreeMessage_->setWordWrap(true);
    emptyTreeMessage_->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyTreeMessage_->hide();
    treeView_->viewport()->installEventFilter(this);
    DescribeControls();

    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(openButton_, &QPushButton::clicked, this, &CArtisanscopeDlg::OnOpen);
    connect(englishNamesCheck_, &QCheckBox::clicked, this, &CArtisanscopeDlg::OnEnglishNames);
    connect(exportButton_, &QPushButton::clicked, this, &CArtisanscopeDlg::OnExport);
    connect(debugModeCheck_, &QCheckBox::clicked, this, &CArtisanscopeDlg::OnDebugMode);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { OnSysCommand(kAboutCommandId); });
    // The context menu from the keyboard: the menu key or Shift+F10, at the
    // control that has the focus.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* menuKey = new QShortcut(keys, this);
        connect(menuKey, &QShortcut::activated, this, [this] {
            const QWidget* at = focusWidget() != nullptr ? focusWidget() : this;
            if (at == treeView_) {
                const QRect row = treeView_->visualRect(treeView_->currentIndex());
                if (ShowTreeContextMenu(SelectedItem(), treeView_->viewport()->mapToGlobal(row.center()))) return;
            }
            ShowContextMenu(at->mapToGlobal(at->rect().center()));
        });
    }

    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, &CArtisanscopeDlg::OnFind);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this, &CArtisanscopeDlg::OnFindNext);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            &CArtisanscopeDlg::OnFindPrevious);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this), &QShortcut::activated, this,
            [this] { ShowPlan(true); });
    connect(new QShortcut(kCompareWithKeys, this), &QShortcut::activated, this, &CArtisanscopeDlg::OnCompareWith);
    connect(findBar_, &FindBar::queryChanged, this, &CArtisanscopeDlg::OnFindQueryChanged);
    connect(findBar_, &FindBar::nextRequested, this, &CArtisanscopeDlg::OnFindNext);
    connect(findBar_, &FindBar::previousRequested, this, &CArtisanscopeDlg::OnFindPrevious);
    connect(findBar_, &FindBar::closeRequested, this, &CArtisanscopeDlg::OnCloseFind);
    connect(treeModel_, &QAbstractItemModel::modelReset, this, &CArtisanscopeDlg::OnTreePublished);
    treeView_->installEventFilter(this);
}

// The plan window reads the plan index as long as it lives: it goes first,
// not with the other children after the members (the index) are gone. The
// children's teardown may still reach the dialog's handlers.
CArtisanscopeDlg::~CArtisanscopeDlg() {
    delete planWindow_;
    planWindow_ = nullptr;
}

void CArtisanscopeDlg::Place(QWidget* control, const DialogRect& rect, int id) {
    const DialogRect pixels = MapDialogRect(rect, units_);
    control->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
    control->setProperty(kControlIdProperty, id);
}

QWidget* CArtisanscopeDlg::GetDlgItem(int id) const {
    for (QWidget* control : {static_cast<QWidget*>(closeButton_), static_cast<QWidget*>(treeView_),
                             static_cast<QWidget*>(openButton_), static_cast<QWidget*>(englishNamesCheck_),
                             static_cast<QWidget*>(exportButton_), static_cast<QWidget*>(debugModeCheck_)}) {
        if (control != nullptr && control->property(kControlIdProperty).toInt() == id) return control;
    }
    return nullptr;
}

int CArtisanscopeDlg::DoModal() {
    OnInitDialog();
    if (endedEarly_) return endResult_;
    closeButton_->setFocus();
    return exec();
}

bool CArtisanscopeDlg::OnInitDialog() {
    setWindowIcon(appIcon_);
    // A plan kept from the last run is looked up in the first load.
    const QString savedPlan = app_.remembered().SavedPlanPath();
    if (!savedPlan.isEmpty() && QFileInfo::exists(savedPlan)) planIndexOn_ = true;
    RunCommandLineJob(app_);
    ReopenLastGame();
    RestoreWindow();
    // The job's --find query stays in the find bar, applied to the tree.
    const std::string& find = app_.jobIo().find;
    if (!find.empty()) {
        findBar_->lineEdit()->setText(QString::fromUtf8(find.data(), static_cast<qsizetype>(find.size())));
        findBar_->show();
        OnSize(width(), height());
        ApplyFind(findBar_->query());
    }
    RestoreSavedPlan();
    return true;
}

void CArtisanscopeDlg::ReopenLastGame() {
    if (endedEarly_ || !archivePath_.empty() || !app_.remembered().on()) return;
    const QString game = app_.remembered().GameFile();
    const std::optional<std::string> derived = game.isEmpty() ? std::nullopt : ArchivePathOf(game);
    if (!derived) return;
    // The archive the choice leads to must still be there.
    const std::string archive = ResolveArchivePath(*derived);
    if (!QFileInfo::exists(QFile::decodeName(archive.c_str()))) return;
    archivePath_ = archive;
    const LoadResult load = Reload();
    if (!load) ShowFailedLoad(FailedLoadMessage(load, kCantReadArchiveMessage), load);
}

void CArtisanscopeDlg::ShowTitle() {
    const QString caption = Utf8Text(main_dialog::kCaption);
    const bool loaded = !archivePath_.empty() && treeModel_->tree().size() > 0;
    setWindowTitle(loaded ? caption + QStringLiteral(" \u2013 ") + QFile::decodeName(archivePath_.c_str()) : caption);
}

std::optional<std::string> CArtisanscopeDlg::ArchivePathOf(const QString& chosen) {
    // A folder is the game folder itself.
    if (QFileInfo(chosen).isDir()) return NormaliseCamelotDir(FileNameBytes(chosen));
    return DeriveArchivePath(FileNameBytes(chosen));
}

RecipeTreeStore* CArtisanscopeDlg::treeStore() { return treeModel_; }

bool CArtisanscopeDlg::IsEnglishNamesChecked() const { return englishNamesCheck_->isChecked(); }

void CArtisanscopeDlg::ShowMessage(std::string_view text) { app_.prompter().ShowMessage(this, app_.appName(), text); }

void CArtisanscopeDlg::ShowFailedLoad(std::string_view text, const LoadResult& load) {
    app_.prompter().ShowMessage(this, app_.appName(), text, load.reason);
}

void CArtisanscopeDlg::AdoptCommandLine(const MyCommandLine& commandLine) {
    archivePath_ = commandLine.camelot_dir;
    if (commandLine.useEnglishNames) englishNamesCheck_->setChecked(true);
    if (commandLine.debugMode) {
        debugMode_ = true;
        debugModeCheck_->setChecked(true);
    }
}

LoadOptions CArtisanscopeDlg::CurrentLoadOptions() { return LoadOptionsOf(*this, IsEnglishNamesChecked(), debugMode_); }

void CArtisanscopeDlg::EndDialog(int result) {
    if (!isVisible()) {
        endedEarly_ = true;
        endResult_ = result;
        setResult(result);
        return;
    }
    done(result);
}

const RecipeTree* CArtisanscopeDlg::LoadedTree() const { return &treeModel_->tree(); }

void CArtisanscopeDlg::ShowFailedJobLoad(std::string_view text, std::string_view reason) {
    app_.prompter().ShowMessage(this, app_.appName(), text, reason);
}

LoadResult CArtisanscopeDlg::Reload() {
    const BusyCursor busy;
    return LoadRecipeTable(archivePath_, CurrentLoadOptions());
}

std::optional<std::pair<QString, std::string>> CArtisanscopeDlg::ChooseGameFile(const QString& title) {
    const FileDialogOptions options{.title = title,
                                    .filters = {QStringLiteral("Camelot.exe or ifd.mpk (Camelot.exe ifd.mpk)")},
                                    .defaultSuffix = QStringLiteral("exe"),
                                    .filterNamesOnly = true,
                                    .startFolder = app_.StartFolder(RememberedFolder::Game)};
    std::optional<QString> chosen = app_.prompter().OpenFileName(this, options);
    if (!chosen) return std::nullopt;
    std::optional<std::string> derived = ArchivePathOf(*chosen);
    if (!derived) return std::nullopt;
    return std::pair{std::move(*chosen), std::move(*derived)};
}

void CArtisanscopeDlg::OnOpen() {
    const auto chosen = ChooseGameFile(QStringLiteral("Camelot-Verzeichnis"));
    if (!chosen) return;
    const auto& [file, derived] = *chosen;
    app_.RememberFile(RememberedFolder::Game, file);
    const std::string previous = archivePath_;
    archivePath_ = ResolveArchivePath(derived);
    // The same archive again: the user keeps their place in it.
    const LoadResult load = archivePath_ == previous && !previous.empty() ? ReloadKeepingPlace() : Reload();
    if (!load) ShowFailedLoad(FailedLoadMessage(load, kCantReadArchiveMessage), load);
}

void CArtisanscopeDlg::OnEnglishNames() { ReloadKeepingPlace(); }

void CArtisanscopeDlg::OnDebugMode() {
    debugMode_ = debugModeCheck_->isChecked();
    ReloadKeepingPlace();
}

void CArtisanscopeDlg::OnSize(int clientWidth, int clientHeight) {
    if (treeView_ == nullptr) return;
    const QRect tree = treeView_->geometry();
    // The find bar, while shown, takes its height from the tree's bottom.
    const int bar = findBar_ != nullptr && findBar_->isVisibleTo(this) ? findBar_->sizeHint().height() : 0;
    const int height = std::max(0, clientHeight - 2 * tree.top() - bar);
    // The tree takes whatever width the window has beyond the template's.
    const int templateWidth = MapDialogRect(main_dialog::kTree, units_).width;
    const int width = std::max(0, templateWidth + clientWidth - templateSize_.width());
    treeView_->resize(width, height);
    if (bar > 0) findBar_->setGeometry(tree.left(), tree.top() + height, width, bar);
    PlaceRightColumn(clientWidth, clientHeight);
}

void CArtisanscopeDlg::PlaceRightColumn(int clientWidth, int clientHeight) {
    const int right = clientWidth - templateSize_.width();
    const int bottom = clientHeight - templateSize_.height();
    for (const auto& [control, placed] : rightColumn_) {
        control->move(placed.x() + right, placed.y() + (control == closeButton_ ? bottom : 0));
    }
}

void CArtisanscopeDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

void CArtisanscopeDlg::contextMenuEvent(QContextMenuEvent* event) { ShowContextMenu(event->globalPos()); }

void CArtisanscopeDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && findBar_->isVisibleTo(this)) {
        OnCloseFind();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CArtisanscopeDlg::ShowContextMenu(const QPoint& globalPosition) {
    QMenu menu(this);
    const QAction* about = menu.addAction(Utf8Text(main_dialog::kAboutItemText));
    QAction* compare = menu.addAction(Utf8Text(kCompareWithText));
    compare->setShortcut(kCompareWithKeys);
    const QAction* chosen = app_.prompter().PopupMenu(menu, globalPosition);
    if (chosen == nullptr) return;
    if (chosen == about) OnSysCommand(main_dialog::kAboutCommandId);
    if (chosen == compare) OnCompareWith();
}

bool CArtisanscopeDlg::ShowTreeContextMenu(std::uint32_t item, const QPoint& globalPosition) {
    QMenu menu(this);
    const QAction* recipesUsing = AddRecipesUsingAction(menu, item);
    // A pattern's menu offers it for the plan (an ingredient's does not).
    const std::uint32_t pattern = PatternOf(item);
    QAction* addToPlan = nullptr;
    // Without the plan's index yet, a pattern is known by its depth.
    const bool isPattern = PlanIndex() != nullptr
                               ? pattern != kNoPattern && PatternOf(treeModel_->tree().Parent(item)) != pattern
                               : treeModel_->filter().Depth(item) == kPatternDepth;
    if (isPattern) {
        addToPlan = menu.addAction(Utf8Text(kAddToPlanText));
        addToPlan->setShortcut(QKeySequence(Qt::Key_Insert));
    }
    // Every item's menu offers the comparison; the tree's empty space has none.
    if (item == kTreeRoot) return false;
    if (!menu.isEmpty()) menu.addSeparator();
    QAction* compare = menu.addAction(Utf8Text(kCompareWithText));
    compare->setShortcut(kCompareWithKeys);
    const QAction* chosen = app_.prompter().PopupMenu(menu, globalPosition);
    if (chosen == nullptr) return true;
    if (chosen == recipesUsing) FindRecipesUsing(item);
    if (chosen == addToPlan) AddItemToPlan(item);
    if (chosen == compare) OnCompareWith();
    return true;
}

void CArtisanscopeDlg::OnSysCommand(int commandId) {
    if ((commandId & 0xFFF0) != main_dialog::kAboutCommandId) return;
    CAboutDlg about(appIcon_, this);
    app_.prompter().RunModal(about);
}

std::uint32_t CArtisanscopeDlg::SelectedItem() const {
    const QModelIndexList selected = treeView_->selectionModel()->selectedIndexes();
    return treeModel_->ItemOf(selected.isEmpty() ? QModelIndex() : selected.front());
}

void CArtisanscopeDlg::SelectItem(std::uint32_t item) {
    const QModelIndex index = treeModel_->IndexOf(item);
    if (!index.isValid()) return;
    treeView_->setCurrentIndex(index);
    treeView_->scrollTo(index);  // expands its ancestors
}

void CArtisanscopeDlg::CopySelectedBranch() {
    const std::uint32_t item = SelectedItem();
    if (item == kTreeRoot) return;
    std::string text;
    ListShownItems(treeModel_->filter(), item, [&](std::string_view block) {
        text += block;
        return true;
    });
    QGuiApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

bool CArtisanscopeDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == treeView_->viewport() && event->type() == QEvent::Resize) {
        emptyTreeMessage_->setGeometry(treeView_->viewport()->rect());
        return false;
    }
    // The view's own Ctrl+C copies one label; the tree copies the branch.
    if (watched == treeView_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        if (event->type() == QEvent::KeyPress) CopySelectedBranch();
        return event->type() == QEvent::KeyPress;
    }
    if (watched == treeView_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Insert &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        AddSelectedToPlan();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CArtisanscopeDlg::DescribeControls() {
    const auto describe = [](QWidget* control, const QString& name, const QString& description) {
        control->setAccessibleName(name);
        control->setAccessibleDescription(description);
    };
    describe(treeView_, QStringLiteral("Recipes"),
             QStringLiteral("Every recipe by realm, skill, category and pattern, with its ingredients. "
                            "Ctrl+F finds, Ctrl+C copies the selected branch, the menu key opens the menu."));
    describe(closeButton_, Utf8Text(main_dialog::kCloseText), QStringLiteral("Ends the program"));
    describe(openButton_, Utf8Text(main_dialog::kOpenText),
             QStringLiteral("Choose Camelot.exe or data/ifd.mpk of a game folder and show its recipes"));
    openButton_->setToolTip(QStringLiteral("Show the recipes of a game folder's Camelot.exe or data/ifd.mpk.\n"
                                           "Compare with another: %1 or the tree's context menu")
                                .arg(kCompareWithKeys.toString(QKeySequence::NativeText)));
    describe(englishNamesCheck_, Utf8Text(main_dialog::kEnglishNamesText),
             QStringLiteral("Shows the raw materials by their English names instead of the German ones"));
    describe(exportButton_, Utf8Text(main_dialog::kExportText),
             QStringLiteral("Writes the whole table to a file: XML, text, CSV, JSON or SQLite"));
    describe(debugModeCheck_, Utf8Text(main_dialog::kDebugModeText),
             QStringLiteral("Shows the table's uninterpreted values and the hidden patterns"));
    describe(instruction_, QStringLiteral("Instructions"), instruction_->text());
    describe(emptyTreeMessage_, QString::fromLatin1(kNoRecipesMatchText),
             QStringLiteral("The find matches no recipe"));
}

}  // namespace artisanscope
