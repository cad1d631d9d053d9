#include "desktop/DialogSetup.h"

#include <QFontMetrics>
#include <QPalette>
#include <QWidget>

namespace artisanscope {

DialogBaseUnits UseDialogFont(QWidget& dialog) {
    QFont font = dialog.font();
    font.setPointSize(kDialogFontPoints);
    dialog.setFont(font);
    const QFontMetrics metrics(font);
    return BaseUnitsFromFont(metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
                             metrics.height());
}

QColor ReadableOnBase(const QPalette& palette, const QColor& onLight, const QColor& onDark) {
    return palette.color(QPalette::Base).lightness() < 128 ? onDark : onLight;
}

}  // namespace artisanscope
