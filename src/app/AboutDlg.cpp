#include "app/AboutDlg.h"

#include "app/DialogTemplates.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace artisanscope {
namespace {

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

constexpr int kIconPixels = 32;

}  // namespace

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent) : QDialog(parent) {
    using namespace about_dialog;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(Text(kCaption));
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    const QFontMetrics metrics(dialogFont);
    const DialogBaseUnits units = BaseUnitsFromFont(
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")), metrics.height());
    const auto place = [&units](QWidget* control, const DialogRect& rect) {
        const DialogRect pixels = MapDialogRect(rect, units);
        control->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
    };

    // An icon control takes the icon's own size at the template's position.
    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(icon.pixmap(kIconPixels, kIconPixels));
    const DialogRect iconAt = MapDialogRect(kIcon, units);
    iconLabel->setGeometry(iconAt.x, iconAt.y, kIconPixels, kIconPixels);
    auto* version = new QLabel(Text(kVersionText), this);
    place(version, kVersionLine);
    auto* second = new QLabel(Text(kSecondText), this);
    place(second, kSecondLine);
    auto* ok = new QPushButton(Text(kOkText), this);
    ok->setDefault(true);
    place(ok, kOk);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    const DialogRect client = MapDialogRect(kSize, units);
    setFixedSize(client.width, client.height);
}

}  // namespace artisanscope
