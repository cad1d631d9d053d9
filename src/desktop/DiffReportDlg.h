#pragma once
// The window that shows a comparison of two recipe tables: which tables were
// compared, the report as a tree (realm, skill, category, pattern) with added,
// removed and changed entries marked by their sign and colour, the totals
// line, and Copy (also Ctrl+C), which puts the text report on the clipboard.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace artisanscope {

class DiffReport;

class CDiffReportDlg final : public QDialog {
    Q_OBJECT

public:
    // oldName and newName say which tables were compared (their paths).
    CDiffReportDlg(const DiffReport& report, const QString& oldName, const QString& newName,
                   QWidget* parent = nullptr);

    QTreeWidget* reportTree() const { return tree_; }
    QLabel* summary() const { return summary_; }
    QPushButton* copyButton() const { return copyButton_; }
    // The text report (UTF-8 in a QString): what Copy puts on the clipboard.
    const QString& reportText() const { return text_; }

    void OnCopy();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* tree_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QString text_;
};

}  // namespace artisanscope
