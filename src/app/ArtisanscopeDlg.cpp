// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "export/TableComparison.h"

#include "app/ArtisanscopeDlg.h"

#include "app/AboutDlg.h"
#include "app/ArtisanscopeApp.h"
#include "app/DiffReportDlg.h"
#include "app/ExportFile.h"
#include "app/PathRules.h"
#include "export/LoadRecipeTable.h"
#include "platform/Prompter.h"
#include "platform/RecipeTreeModel.h"
#include "platform/WrappingCheckBox.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QTreeView>

namespace artisanscope {
namespace {

constexpr const char* kControlIdProperty = "controlId";
constexpr int kDialogFontPoints = 8;
constexpr std::string_view kCompareWithText = "&Compare with\xE2\x80\xA6";  // "…"

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

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
    setWindowTitle(Text(kCaption));
    QFont dialogFont = font();
    dialogFont.setPointSize(kDialogFontPoints);
    setFont(dialogFont);
    const QFontMetrics metrics(dialogFont);
    units_ = BaseUnitsFromFont(metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
                               metrics.height());

    closeButton_ = new QPushButton(Text(kCloseText), this);
    closeButton_->setDefault(true);
    treeModel_ = new RecipeTreeModel(this);
    treeView_ = new QTreeView(this);
    treeView_->setModel(treeModel_);
    treeView_->setHeaderHidden(true);
    treeView_->setUniformRowHeights(true);
    treeView_->setRootIsDecorated(true);
    treeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeView_->setContextMenuPolicy(Qt::PreventContextMenu);
    openButton_ = new QPushButton(Text(kOpenText), this);
    englishNamesCheck_ = new WrappingCheckBox(Text(kEnglishNamesText), this);
    instruction_ = new QLabel(Text(kInstructionText), this);
    instruction_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    instruction_->setWordWrap(true);
    exportButton_ = new QPushButton(Text(kExportText), this);
    debugModeCheck_ = new QCheckBox(Text(kDebugModeText), this);

    Place(closeButton_, kClose, kCloseId);
    Place(treeView_, kTree, kTreeId);
    Place(openButton_, kOpen, kOpenId);
    Place(englishNamesCheck_, kEnglishNames, kEnglishNamesId);
    Place(instruction_, kInstruction, -1);
    Place(exportButton_, kExport, kExportId);
    Place(debugModeCheck_, kDebugMode, kDebugModeId);
    QWidget::setTabOrder(closeButton_, treeView_);
    QWidget::setTabOrder(treeView_, openButton_);
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
    return true;
}

RecipeTreeStore& CArtisanscopeDlg::treeStore() { return *treeModel_; }

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
    return LoadRecipeTable(*this, archivePath_, nullptr);
}

void CArtisanscopeDlg::OnOpen() {
    const FileDialogSpec spec{QStringLiteral("Camelot-Verzeichnis"),
                              {QStringLiteral("Camelot.exe or ifd.mpk (Camelot.exe ifd.mpk)")},
                              QStringLiteral("exe")};
    const std::optional<QString> chosen = app_.prompter().OpenFileName(this, spec);
    if (!chosen) return;
    const std::optional<std::string> derived = DeriveArchivePath(FileNameBytes(*chosen));
    if (!derived) return;
    archivePath_ = ResolveArchivePath(*derived);
    const LoadResult load = Reload();
    if (!load) ShowFailedLoad(kCantReadArchiveMessage, load);
}

void CArtisanscopeDlg::OnEnglishNames() { Reload(); }

void CArtisanscopeDlg::OnDebugMode() {
    debugMode_ = debugModeCheck_->isChecked();
    Reload();
}

void CArtisanscopeDlg::OnExport() {
    // The four filters of the original dialog leave the format to the file
    // name; each of the others chooses its own format and extension.
    FileDialogSpec spec{QString(),
                        {QStringLiteral("XML-File (*.xml)"), QStringLiteral("CVS file (*.cvs)"),
                         QStringLiteral("Text file (*.txt)"), QStringLiteral("All files (*.*)")},
                        QStringLiteral("xml"),
                        {QString(), QString(), QString(), QString()}};
    for (const ExportFormatFilter& filter : kExportFormatFilters) {
        spec.filters << QString::fromLatin1(filter.label.data(), static_cast<qsizetype>(filter.label.size()));
        spec.filterSuffixes << QString::fromLatin1(filter.extension.data(), static_cast<qsizetype>(filter.extension.size()));
    }
    QString selectedFilter;
    const std::optional<QString> chosen = app_.prompter().SaveFileName(this, spec, &selectedFilter);
    if (!chosen) return;
    ExportOutcome outcome;
    {
        const BusyCursor busy;
        const ExportChoice choice = ExportChoiceFor(FileNameBytes(*chosen), selectedFilter.toStdString());
        outcome = ExportRecipeTable(*this, archivePath_, choice.path, choice.format);
    }
    if (!outcome.created) {
        ShowMessage(kCantCreateFileMessage);
    } else if (!outcome.load) {
        ShowFailedLoad(kOpenTableFirstMessage, outcome.load);
    } else if (!outcome.written) {
        ShowMessage(kCantWriteFileMessage);
    }
}

void CArtisanscopeDlg::OnSize(int, int clientHeight) {
    if (treeView_ == nullptr) return;
    const QRect tree = treeView_->geometry();
    treeView_->resize(tree.width(), std::max(0, clientHeight - 2 * tree.top()));
}

void CArtisanscopeDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

void CArtisanscopeDlg::contextMenuEvent(QContextMenuEvent* event) { ShowContextMenu(event->globalPos()); }

void CArtisanscopeDlg::ShowContextMenu(const QPoint& globalPosition) {
    QMenu menu(this);
    const QAction* about = menu.addAction(Text(main_dialog::kAboutItemText));
    const QAction* compare = menu.addAction(Text(kCompareWithText));
    const QAction* chosen = app_.prompter().PopupMenu(menu, globalPosition);
    if (chosen == nullptr) return;
    if (chosen == about) OnSysCommand(main_dialog::kAboutCommandId);
    if (chosen == compare) OnCompareWith();
}

void CArtisanscopeDlg::OnCompareWith() {
    const FileDialogSpec spec{QStringLiteral("Compare with"),
                              {QStringLiteral("Camelot.exe or ifd.mpk (Camelot.exe ifd.mpk)")},
                              QStringLiteral("exe")};
    const std::optional<QString> chosen = app_.prompter().OpenFileName(this, spec);
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

}  // namespace artisanscope
