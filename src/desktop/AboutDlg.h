#pragma once
// The About box (template 100): the icon, the version line, a second line
// and OK.

#include <QDialog>

class QIcon;

namespace artisanscope {

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    CAboutDlg(const QIcon& icon, QWidget* parent = nullptr);
};

}  // namespace artisanscope
