#pragma once
// What every dialog of the program sets up alike: the 8-point dialog font,
// the base units it gives, and the program's texts as Qt strings.

#include "desktop/DialogTemplates.h"

#include <QColor>
#include <QString>

#include <string_view>

class QPalette;
class QWidget;

namespace artisanscope {

// Both dialog templates use the dialog font at this size.
inline constexpr int kDialogFontPoints = 8;

// Gives dialog the dialog font and returns its base units.
DialogBaseUnits UseDialogFont(QWidget& dialog);

// Of two colours for text on palette's base (the background of lists and
// trees), the one that reads there: onLight on a light base, onDark on a
// dark theme's.
QColor ReadableOnBase(const QPalette& palette, const QColor& onLight, const QColor& onDark);

// A UTF-8 text of the program (labels, captions) as a QString.
inline QString Utf8Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace artisanscope
