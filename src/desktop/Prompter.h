#pragma once
// Everything modal the dialogs ask of the user: file dialogs, message boxes,
// the context menu and running a child dialog. Behind one interface so that
// tests can script the answers; QtPrompter shows the real widgets.

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

class QAction;
class QDialog;
class QFileDialog;
class QMenu;
class QPoint;
class QWidget;

namespace artisanscope {

struct FileDialogOptions {
    QString title;        // empty: the platform's default title
    QStringList filters;  // Qt notation, e.g. "XML-File (*.xml)"
    QString defaultSuffix;  // without the dot
    // Per filter, the suffix added while that filter is selected; an empty
    // or missing entry means defaultSuffix.
    QStringList filterSuffixes;
    // Show each filter by its name alone, e.g. "Camelot.exe or ifd.mpk" for
    // "Camelot.exe or ifd.mpk (Camelot.exe ifd.mpk)".
    bool filterNamesOnly = false;
    // The folder the dialog starts in; empty: the platform's choice.
    QString startFolder;
};

// Sets up a file dialog as options describes (without its accept mode).
void ApplyFileDialogOptions(QFileDialog& dialog, const FileDialogOptions& options);

class Prompter {
public:
    virtual ~Prompter() = default;
    // The full path of the chosen file (which need not exist), or nothing
    // when the user cancelled.
    virtual std::optional<QString> OpenFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    // As OpenFileName; the user confirms replacing an existing file. When
    // given, selectedFilter receives the filter selected at the end.
    virtual std::optional<QString> SaveFileName(QWidget* parent, const FileDialogOptions& options,
                                                QString* selectedFilter = nullptr) = 0;
    // A modal message box with an OK button and the warning icon, centred on
    // parent (on the screen while parent is not shown); details, when not
    // empty, beneath the text (their first line, the whole behind the box's
    // details button when they are longer).
    virtual void ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                                const QString& details) = 0;
    // The same for the program's own texts: code page 1252 with CR LF line
    // ends; details are file-name bytes (UTF-8).
    void ShowMessage(QWidget* parent, const QString& title, std::string_view text, std::string_view details = {});
    // Shows the menu at a global position; the chosen action or null.
    virtual QAction* PopupMenu(QMenu& menu, const QPoint& globalPosition) = 0;
    // Runs a dialog modally and returns its result.
    virtual int RunModal(QDialog& dialog) = 0;
};

class QtPrompter final : public Prompter {
public:
    std::optional<QString> OpenFileName(QWidget* parent, const FileDialogOptions& options) override;
    std::optional<QString> SaveFileName(QWidget* parent, const FileDialogOptions& options,
                                        QString* selectedFilter = nullptr) override;
    void ShowMessageBox(QWidget* parent, const QString& title, const QString& text, const QString& details) override;
    QAction* PopupMenu(QMenu& menu, const QPoint& globalPosition) override;
    int RunModal(QDialog& dialog) override;
};

}  // namespace artisanscope
