#include "desktop/Prompter.h"

#include "desktop/RecipeTreeModel.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>

namespace artisanscope {
namespace {

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogOptions& options, QFileDialog::AcceptMode mode,
                                     QString* selectedFilter = nullptr) {
    QFileDialog dialog(parent);
    ApplyFileDialogOptions(dialog, options);
    dialog.setAcceptMode(mode);
    // The suffix follows the selected filter.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &options](const QString& filter) {
        const qsizetype index = options.filters.indexOf(filter);
        const QString suffix = index >= 0 && index < options.filterSuffixes.size() ? options.filterSuffixes[index] : QString();
        dialog.setDefaultSuffix(suffix.isEmpty() ? options.defaultSuffix : suffix);
    });
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    if (selectedFilter != nullptr) *selectedFilter = dialog.selectedNameFilter();
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front();
}

}  // namespace

void ApplyFileDialogOptions(QFileDialog& dialog, const FileDialogOptions& options) {
    if (!options.title.isEmpty()) dialog.setWindowTitle(options.title);
    // The chosen file need not exist; Save asks before replacing one.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, options.filterNamesOnly);
    dialog.setNameFilters(options.filters);
    dialog.setDefaultSuffix(options.defaultSuffix);
    if (!options.startFolder.isEmpty()) dialog.setDirectory(options.startFolder);
}

std::optional<QString> QtPrompter::OpenFileName(QWidget* parent, const FileDialogOptions& options) {
    return RunFileDialog(parent, options, QFileDialog::AcceptOpen);
}

std::optional<QString> QtPrompter::SaveFileName(QWidget* parent, const FileDialogOptions& options,
                                                QString* selectedFilter) {
    return RunFileDialog(parent, options, QFileDialog::AcceptSave, selectedFilter);
}

void Prompter::ShowMessage(QWidget* parent, const QString& title, std::string_view text, std::string_view details) {
    QString body = Cp1252ToQString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ShowMessageBox(parent, title, body, QString::fromUtf8(details.data(), static_cast<qsizetype>(details.size())));
}

void QtPrompter::ShowMessageBox(QWidget* parent, const QString& title, const QString& text, const QString& details) {
    // A dialog not shown yet (a failed load of the command line's folder)
    // sits at the screen's corner: the box is then centred on the screen.
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok,
                    parent != nullptr && parent->window()->isVisible() ? parent : nullptr);
    // The reason under the text; a longer account whole under Details.
    const QStringList lines = details.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!lines.isEmpty()) {
        const QString reason = lines.size() == 1 ? lines.front() : lines.front() + QStringLiteral(" \u2026");
        box.setInformativeText(reason);
        // A path reads best on one line: the box widens for it, up to a point.
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
            const QFontMetrics metrics(label->font());
            label->setMinimumWidth(std::min(metrics.horizontalAdvance(reason) + 2, metrics.averageCharWidth() * 70));
        }
    }
    if (lines.size() > 1) box.setDetailedText(details);
    box.exec();
}

QAction* QtPrompter::PopupMenu(QMenu& menu, const QPoint& globalPosition) { return menu.exec(globalPosition); }

int QtPrompter::RunModal(QDialog& dialog) { return dialog.exec(); }

}  // namespace artisanscope
