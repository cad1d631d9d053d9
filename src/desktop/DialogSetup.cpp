#include "desktop/DialogSetup.h"

#include <QFontMetrics>
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

}  // namespace artisanscope
