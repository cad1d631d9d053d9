#include "platform/Prompter.h"

#include "platform/RecipeTreeModel.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace artisanscope {
namespace {

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogSpec& spec, QFileDialog::AcceptMode mode,
                                     QString* selectedFilter = nullptr) {
    QFileDialog dialog(parent);
    ApplyFileDialogSpec(dialog, spec);
    dialog.setAcceptMode(mode);
    // The suffix follows the selected filter.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &spec](const QString& filter) {
        const qsizetype index = spec.filters.indexOf(filter);
        const QString suffix = index >= 0 && index < spec.filterSuffixes.size() ? spec.filterSuffixes[index] : QString();
        dialog.setDefaultSuffix(suffix.isEmpty() ? spec.defaultSuffix : suffix);
    });
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    if (selectedFilter != nullptr) *selectedFilter = dialog.selectedNameFilter();
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front();
}

}  // namespace

void ApplyFileDialogSpec(QFileDialog& dialog, const FileDialogSpec& spec) {
    if (!spec.title.isEmpty()) dialog.setWindowTitle(spec.title);
    // The chosen file need not exist; Save asks before replacing one.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, spec.filterNamesOnly);
    dialog.setNameFilters(spec.filters);
    dialog.setDefaultSuffix(spec.defaultSuffix);
}

std::optional<QString> QtPrompter::OpenFileName(QWidget* parent, const FileDialogSpec& spec) {
    return RunFileDialog(parent, spec, QFileDialog::AcceptOpen);
}

std::optional<QString> QtPrompter::SaveFileName(QWidget* parent, const FileDialogSpec& spec,
                                                QString* selectedFilter) {
    return RunFileDialog(parent, spec, QFileDialog::AcceptSave, selectedFilter);
}

void Prompter::ShowMessage(QWidget* parent, const QString& title, std::string_view text, std::string_view details) {
    QString body = Cp1252ToQString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ShowMessageBox(parent, title, body, QString::fromUtf8(details.data(), static_cast<qsizetype>(details.size())));
}

void QtPrompter::ShowMessageBox(QWidget* parent, const QString& title, const QString& text, const QString& details) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    if (!details.isEmpty()) box.setDetailedText(details);
    box.exec();
}

QAction* QtPrompter::PopupMenu(QMenu& menu, const QPoint& globalPosition) { return menu.exec(globalPosition); }

int QtPrompter::RunModal(QDialog& dialog) { return dialog.exec(); }

}  // namespace artisanscope
