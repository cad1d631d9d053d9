// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "compare/DiffReportOutput.h"
#include "export/ExportFile.h"
#include "io/OutputFile.h"

#include "desktop/DiffReportDlg.h"

#include "desktop/ArtisanscopeApp.h"
#include "desktop/DialogSetup.h"
#include "desktop/Prompter.h"

#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace artisanscope {
namespace {

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Colours readable on the list's background, light or dark, distinct also
// for the most common colour blindness (blue and orange rather than green
// and red alone).
QColor KindColour(DiffKind kind, const QPalette& palette) {
    switch (kind) {
        case DiffKind::Added: return ReadableOnBase(palette, QColor(0x00, 0x6e, 0x28), QColor(0x7a, 0xd6, 0x8c));
        case DiffKind::Removed: return ReadableOnBase(palette, QColor(0xb4, 0x1e, 0x1e), QColor(0xff, 0x8a, 0x80));
        case DiffKind::Changed: return ReadableOnBase(palette, QColor(0x1f, 0x4e, 0xb4), QColor(0x8a, 0xb4, 0xff));
        case DiffKind::Group: break;
    }
    return {};
}

// Reports up to this many entries open fully; larger ones down to the skills.
constexpr std::size_t kExpandAllEntries = 5000;

// Writes bytes to path as a whole file; on failure its message and, for the
// box's details, the path and the reason. No message: written.
std::pair<std::string_view, std::string> WriteWhole(const std::string& path, const std::string& bytes) {
    const WriteFailure failure = WriteWholeFile(path, bytes);
    if (!failure) return {};
    return {failure.step == WriteFailure::Step::Create ? kCantCreateFileMessage : kCantWriteFileMessage,
            WriteFailureDetails(path, failure)};
}

}  // namespace

CDiffReportDlg::CDiffReportDlg(const DiffReport& report, const QString& oldName, const QString& newName,
                               CArtisanscopeApp& app, QWidget* parent)
    : QDialog(parent), report_(report), app_(app) {
    setWindowTitle(QStringLiteral("Compare recipe tables"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    text_ = Utf8(DiffReportText(report));

    auto* layout = new QVBoxLayout(this);
    auto* sides = new QLabel(QStringLiteral("Old: %1\nNew: %2").arg(oldName, newName), this);
    sides->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sides->setAccessibleName(QStringLiteral("Compared tables"));
    sides->setAccessibleDescription(sides->text());
    layout->addWidget(sides);

    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setAccessibleName(QStringLiteral("Differences"));
    tree_->setAccessibleDescription(QStringLiteral(
        "What the new table added (+), removed (-) and changed (~), by realm, skill, category and pattern"));
    // The item of each level of the current path; entries come depth first.
    std::vector<QTreeWidgetItem*> path;
    for (const DiffEntry& entry : report.entries()) {
        const auto level = static_cast<std::size_t>(entry.level);
        path.resize(std::min(level, path.size()));
        auto* item = path.empty() ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(path.back());
        item->setText(0, Utf8(DiffEntryLine(report, entry)));
        if (entry.kind != DiffKind::Group) item->setForeground(0, QBrush(KindColour(entry.kind, tree_->palette())));
        if (entry.kind == DiffKind::Changed) {
            QStringList lines;
            for (const Difference& d : entry.differences) lines << Utf8(DifferenceText(report, d));
            item->setToolTip(0, lines.join(QLatin1Char('\n')));
        }
        path.push_back(item);
    }
    if (report.entries().size() <= kExpandAllEntries) {
        tree_->expandAll();
    } else {
        tree_->expandToDepth(0);
    }
    if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
    layout->addWidget(tree_, 1);

    summary_ = new QLabel(report.HasDifferences() ? Utf8(DiffTotalsLine(report.totals()))
                                                  : QStringLiteral("The tables show no difference."),
                          this);
    summary_->setAccessibleName(QStringLiteral("Totals"));
    summary_->setAccessibleDescription(summary_->text());
    layout->addWidget(summary_);

    auto* buttons = new QDialogButtonBox(this);
    copyButton_ = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    copyButton_->setAccessibleName(QStringLiteral("Copy"));
    copyButton_->setAccessibleDescription(QStringLiteral("Puts the text report on the clipboard (Ctrl+C)"));
    saveButton_ = buttons->addButton(QStringLiteral("&Save\u2026"), QDialogButtonBox::ActionRole);
    saveButton_->setAccessibleName(QStringLiteral("Save"));
    saveButton_->setAccessibleDescription(
        QStringLiteral("Writes the report to a file, as JSON when its name ends in .json, else as text (Ctrl+S)"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setAccessibleName(QStringLiteral("Close"));
    close->setAccessibleDescription(QStringLiteral("Closes the comparison"));
    close->setDefault(true);
    layout->addWidget(buttons);
    connect(copyButton_, &QPushButton::clicked, this, &CDiffReportDlg::OnCopy);
    auto* copyKeys = new QShortcut(QKeySequence::Copy, this);
    connect(copyKeys, &QShortcut::activated, this, &CDiffReportDlg::OnCopy);
    connect(saveButton_, &QPushButton::clicked, this, &CDiffReportDlg::OnSave);
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, &CDiffReportDlg::OnSave);
    // A tree view takes Ctrl+C for its current item; here it copies the report.
    tree_->installEventFilter(this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(640, 420);
}

bool CDiffReportDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->ignore();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CDiffReportDlg::OnCopy() {
    QApplication::clipboard()->setText(text_.isEmpty() ? summary_->text() : text_);
}

}  // namespace artisanscope

namespace artisanscope {

void CDiffReportDlg::OnSave() {
    FileDialogOptions options{QStringLiteral("Save comparison"),
                              {QStringLiteral("Text (*.txt)"), QStringLiteral("JSON (*.json)")},
                              QStringLiteral("txt"),
                              {QString(), QStringLiteral("json")}};
    options.startFolder = app_.StartFolder(RememberedFolder::Export);
    const std::optional<QString> chosen = app_.prompter().SaveFileName(this, options);
    if (!chosen) return;
    app_.RememberFile(RememberedFolder::Export, *chosen);
    const bool json = chosen->endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
    // The text is what Copy gives: the report, or the line saying there is none.
    const std::string text = text_.isEmpty() ? (summary_->text() + QLatin1Char('\n')).toStdString() : text_.toStdString();
    const auto [message, details] =
        WriteWhole(QFile::encodeName(*chosen).toStdString(), json ? DiffReportJson(report_) : text);
    if (!message.empty()) app_.prompter().ShowMessage(this, app_.appName(), message, details);
}

}  // namespace artisanscope
