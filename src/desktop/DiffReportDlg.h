#pragma once
// The window that shows a comparison of two recipe tables: which tables were
// compared, the report as a tree (realm, skill, category, pattern) with added,
// removed and changed entries marked by their sign and colour, the totals
// line, Copy (also Ctrl+C), which puts the text report on the clipboard, and
// Save... (also Ctrl+S), which writes it to a file: JSON when the name ends
// in ".json", else the text report, replaced whole or not at all.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace artisanscope {

class CArtisanscopeApp;
class DiffReport;

class CDiffReportDlg final : public QDialog {
    Q_OBJECT

public:
    // oldName and newName say which tables were compared (their paths).
    // report must outlive the window; app asks for the file and remembers
    // its folder.
    CDiffReportDlg(const DiffReport& report, const QString& oldName, const QString& newName, CArtisanscopeApp& app,
                   QWidget* parent = nullptr);

    QTreeWidget* reportTree() const { return tree_; }
    QLabel* summary() const { return summary_; }
    QPushButton* copyButton() const { return copyButton_; }
    QPushButton* saveButton() const { return saveButton_; }
    // The text report (UTF-8 in a QString): what Copy puts on the clipboard.
    const QString& reportText() const { return text_; }

    void OnCopy();
    void OnSave();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const DiffReport& report_;
    CArtisanscopeApp& app_;
    QTreeWidget* tree_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QString text_;
};

}  // namespace artisanscope
