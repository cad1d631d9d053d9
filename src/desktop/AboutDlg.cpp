#include "desktop/AboutDlg.h"

#include "desktop/DialogSetup.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace artisanscope {
namespace {

constexpr int kIconPixels = 32;

}  // namespace

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent) : QDialog(parent) {
    using namespace about_dialog;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(Utf8Text(kCaption));
    const DialogBaseUnits units = UseDialogFont(*this);
    const auto place = [&units](QWidget* control, const DialogRect& rect) {
        const DialogRect pixels = MapDialogRect(rect, units);
        control->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
    };

    // An icon control takes the icon's own size at the template's position.
    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(icon.pixmap(kIconPixels, kIconPixels));
    const DialogRect iconAt = MapDialogRect(kIcon, units);
    iconLabel->setGeometry(iconAt.x, iconAt.y, kIconPixels, kIconPixels);
    auto* version = new QLabel(Utf8Text(kVersionText), this);
    place(version, kVersionLine);
    auto* second = new QLabel(Utf8Text(kSecondText), this);
    place(second, kSecondLine);
    auto* ok = new QPushButton(Utf8Text(kOkText), this);
    ok->setDefault(true);
    place(ok, kOk);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    const DialogRect client = MapDialogRect(kSize, units);
    setFixedSize(client.width, client.height);
}

}  // namespace artisanscope
