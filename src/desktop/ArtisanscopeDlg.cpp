// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "compare/TableComparison.h"

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/AboutDlg.h"
#include "desktop/ArtisanscopeApp.h"
#include "desktop/DialogSetup.h"
#include "desktop/DiffReportDlg.h"
#include "export/ExportFile.h"
#include "desktop/FindBar.h"
#include "cli/PathRules.h"
#include "load/LoadRecipeTable.h"
#include "desktop/Prompter.h"
#include "desktop/RecipeTreeModel.h"
#include "desktop/WrappingCheckBox.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QStyle>
#include <QStyleFactory>
#include <QTreeView>

namespace artisanscope {
namespace {

constexpr const char* kControlIdProperty = "controlId";
constexpr std::string_view kCompareWithText = "&Compare with\xE2\x80\xA6";  // "…"


// The wait cursor for the length of a load.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

std::string FileNameBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

CArtisanscopeDlg::CArtisanscopeDlg(CArtisanscopeApp& app, QWidget* parent)
    : QDialog(parent), app_(app), appIcon_(app.appIcon()) {
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
    treeView_->setContextMenuPolicy(Qt::PreventContextMenu);
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
            ShowContextMenu(at->mapToGlobal(at->rect().center()));
        });
    }

    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, &CArtisanscopeDlg::OnFind);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this, &CArtisanscopeDlg::OnFindNext);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            &CArtisanscopeDlg::OnFindPrevious);
    connect(findBar_, &FindBar::queryChanged, this, &CArtisanscopeDlg::OnFindQueryChanged);
    connect(findBar_, &FindBar::nextRequested, this, &CArtisanscopeDlg::OnFindNext);
    connect(findBar_, &FindBar::previousRequested, this, &CArtisanscopeDlg::OnFindPrevious);
    connect(findBar_, &FindBar::closeRequested, this, &CArtisanscopeDlg::OnCloseFind);
    connect(treeModel_, &QAbstractItemModel::modelReset, this, &CArtisanscopeDlg::OnTreePublished);
    treeView_->installEventFilter(this);
}

CArtisanscopeDlg::~CArtisanscopeDlg() = default;

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
    RunCommandLineJob(app_);
    // The job's --find query stays in the find bar, applied to the tree.
    const std::string& find = app_.jobIo().find;
    if (!find.empty()) {
        findBar_->lineEdit()->setText(QString::fromUtf8(find.data(), static_cast<qsizetype>(find.size())));
        findBar_->show();
        OnSize(width(), height());
        ApplyFind(findBar_->query());
    }
    return true;
}

RecipeTreeStore* CArtisanscopeDlg::treeStore() { return treeModel_; }

bool CArtisanscopeDlg::IsEnglishNamesChecked() const { return englishNamesCheck_->isChecked(); }

void CArtisanscopeDlg::ShowMessage(std::string_view text) { app_.prompter().ShowMessage(this, app_.appName(), text); }

void CArtisanscopeDlg::ShowFailedLoad(std::string_view text, const LoadResult& load) {
    app_.prompter().ShowMessage(this, app_.appName(), text, load.reason);
}

void CArtisanscopeDlg::CheckEnglishNames() { englishNamesCheck_->setChecked(true); }

void CArtisanscopeDlg::CheckDebugMode() {
    debugMode_ = true;
    debugModeCheck_->setChecked(true);
}

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

LoadResult CArtisanscopeDlg::Reload() {
    const BusyCursor busy;
    return LoadRecipeTable(archivePath_, LoadOptionsOf(*this));
}

void CArtisanscopeDlg::OnOpen() {
    const FileDialogOptions options{.title = QStringLiteral("Camelot-Verzeichnis"),
                              .filters = {QStringLiteral("Camelot.exe or ifd.mpk (Camelot.exe ifd.mpk)")},
                              .defaultSuffix = QStringLiteral("exe"),
                              .filterNamesOnly = true};
    const std::optional<QString> chosen = app_.prompter().OpenFileName(this, options);
    if (!chosen) return;
    const std::optional<std::string> derived = DeriveArchivePath(FileNameBytes(*chosen));
    if (!derived) return;
    archivePath_ = ResolveArchivePath(*derived);
    const LoadResult load = Reload();
    if (!load) ShowFailedLoad(FailedLoadMessage(load, kCantReadArchiveMessage), load);
}

void CArtisanscopeDlg::OnEnglishNames() { Reload(); }

void CArtisanscopeDlg::OnDebugMode() {
    debugMode_ = debugModeCheck_->isChecked();
    Reload();
}

void CArtisanscopeDlg::OnExport() {
    // The four filters of the original dialog leave the format to the file
    // name; each of the others chooses its own format and extension.
    FileDialogOptions options{QString(),
                        {QStringLiteral("XML-File (*.xml)"), QStringLiteral("CVS file (*.cvs)"),
                         QStringLiteral("Text file (*.txt)"), QStringLiteral("All files (*.*)")},
                        QStringLiteral("xml"),
                        {QString(), QString(), QString(), QString()}};
    for (const ExportFormatFilter& filter : kExportFormatFilters) {
        options.filters << QString::fromLatin1(filter.label.data(), static_cast<qsizetype>(filter.label.size()));
        options.filterSuffixes << QString::fromLatin1(filter.extension.data(), static_cast<qsizetype>(filter.extension.size()));
    }
    QString selectedFilter;
    const std::optional<QString> chosen = app_.prompter().SaveFileName(this, options, &selectedFilter);
    if (!chosen) return;
    ExportOutcome outcome;
    {
        const BusyCursor busy;
        const ExportChoice choice = ExportChoiceFor(FileNameBytes(*chosen), selectedFilter.toStdString());
        outcome = ExportRecipeTable(archivePath_, choice.path, choice.format, LoadOptionsOf(*this));
    }
    if (!outcome.created) {
        ShowMessage(kCantCreateFileMessage);
    } else if (!outcome.load) {
        ShowFailedLoad(FailedLoadMessage(outcome.load, kOpenTableFirstMessage), outcome.load);
    } else if (!outcome.written) {
        ShowMessage(kCantWriteFileMessage);
    }
}

void CArtisanscopeDlg::OnSize(int, int clientHeight) {
    if (treeView_ == nullptr) return;
    const QRect tree = treeView_->geometry();
    // The find bar, while shown, takes its height from the tree's bottom.
    const int bar = findBar_ != nullptr && findBar_->isVisibleTo(this) ? findBar_->sizeHint().height() : 0;
    const int height = std::max(0, clientHeight - 2 * tree.top() - bar);
    treeView_->resize(tree.width(), height);
    if (bar > 0) findBar_->setGeometry(tree.left(), tree.top() + height, tree.width(), bar);
}

void CArtisanscopeDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

void CArtisanscopeDlg::contextMenuEvent(QContextMenuEvent* event) { ShowContextMenu(event->globalPos()); }

void CArtisanscopeDlg::ShowContextMenu(const QPoint& globalPosition) {
    QMenu menu(this);
    const QAction* about = menu.addAction(Utf8Text(main_dialog::kAboutItemText));
    const QAction* compare = menu.addAction(Utf8Text(kCompareWithText));
    const QAction* chosen = app_.prompter().PopupMenu(menu, globalPosition);
    if (chosen == nullptr) return;
    if (chosen == about) OnSysCommand(main_dialog::kAboutCommandId);
    if (chosen == compare) OnCompareWith();
}

void CArtisanscopeDlg::OnCompareWith() {
    const FileDialogOptions options{QStringLiteral("Compare with"),
                              {QStringLiteral("Camelot.exe or ifd.mpk (Camelot.exe ifd.mpk)")},
                              QStringLiteral("exe")};
    const std::optional<QString> chosen = app_.prompter().OpenFileName(this, options);
    if (!chosen) return;
    const std::optional<std::string> derived = DeriveArchivePath(FileNameBytes(*chosen));
    if (!derived) return;
    const std::string other = ResolveArchivePath(*derived);
    CompareSettings settings;
    settings.language = IsEnglishNamesChecked() ? Language::English : Language::German;
    settings.debug = debugMode_;
    ComparisonResult result;
    {
        const BusyCursor busy;
        result = CompareArchives(archivePath_, other, settings, [this](std::string_view text) { ShowMessage(text); });
    }
    if (!result.report) {
        // A refused version has been told by the load's own message.
        if (result.oldLoad.status == LoadStatus::ArchiveUnreadable && archivePath_.empty()) {
            ShowMessage(kOpenTableFirstMessage);
        } else if (result.oldLoad.status == LoadStatus::ArchiveUnreadable) {
            ShowFailedLoad(kCantReadArchiveMessage, result.oldLoad);
        } else if (result.newLoad.status == LoadStatus::ArchiveUnreadable) {
            ShowFailedLoad(kCantReadArchiveMessage, result.newLoad);
        } else if (result.oldLoad.status == LoadStatus::OutOfMemory || result.newLoad.status == LoadStatus::OutOfMemory) {
            ShowMessage(kOutOfMemoryMessage);
        }
        return;
    }
    CDiffReportDlg window(*result.report, QFile::decodeName(archivePath_.c_str()), QFile::decodeName(other.c_str()),
                          this);
    app_.prompter().RunModal(window);
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

void CArtisanscopeDlg::ApplyFind(const QString& query) {
    const std::uint32_t selected = SelectedItem();
    const QByteArray utf8 = query.toUtf8();
    treeModel_->SetFindQuery(FindQuery::FromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
    SelectItem(selected);
}

void CArtisanscopeDlg::OnTreePublished() {
    const RecipeFilter& filter = treeModel_->filter();
    findBar_->SetMatchCount(filter.ShownPatternCount());
    if (!filter.active()) return;
    treeView_->expandToDepth(filter.ShownPatternCount() <= kExpandPatternsUpTo ? kPatternDepth - 1 : kPatternDepth - 2);
}

void CArtisanscopeDlg::OnFind() {
    const bool wasShown = findBar_->isVisibleTo(this);
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
}

void CArtisanscopeDlg::OnFindPrevious() {
    if (!findBar_->isVisibleTo(this)) return;
    SelectItem(treeModel_->filter().PreviousPattern(SelectedItem()));
}

void CArtisanscopeDlg::OnCloseFind() {
    const bool hadFocus = findBar_->isAncestorOf(QApplication::focusWidget());
    findBar_->hide();
    OnSize(width(), height());
    ApplyFind(QString());
    if (hadFocus) treeView_->setFocus(Qt::OtherFocusReason);
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
    // The view's own Ctrl+C copies one label; the tree copies the branch.
    if (watched == treeView_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        if (event->type() == QEvent::KeyPress) CopySelectedBranch();
        return event->type() == QEvent::KeyPress;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace artisanscope
