#include "platform/Prompter.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace artisanscope {
namespace {

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogSpec& spec, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    if (!spec.title.isEmpty()) dialog.setWindowTitle(spec.title);
    dialog.setAcceptMode(mode);
    // The chosen file need not exist; Save asks before replacing one.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(spec.filters);
    dialog.setDefaultSuffix(spec.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front();
}

}  // namespace

std::optional<QString> QtPrompter::OpenFileName(QWidget* parent, const FileDialogSpec& spec) {
    return RunFileDialog(parent, spec, QFileDialog::AcceptOpen);
}

std::optional<QString> QtPrompter::SaveFileName(QWidget* parent, const FileDialogSpec& spec) {
    return RunFileDialog(parent, spec, QFileDialog::AcceptSave);
}

void QtPrompter::ShowMessageBox(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QAction* QtPrompter::PopupMenu(QMenu& menu, const QPoint& globalPosition) { return menu.exec(globalPosition); }

int QtPrompter::RunModal(QDialog& dialog) { return dialog.exec(); }

}  // namespace artisanscope
