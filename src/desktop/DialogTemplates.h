#pragma once
// The two dialog templates in dialog units, and their conversion to pixels.
// A horizontal dialog unit is a quarter, a vertical one an eighth of the
// dialog font's average character size (the "base units").

#include <string_view>

namespace artisanscope {

struct DialogRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const DialogRect&) const = default;
};

struct DialogBaseUnits {
    int cx = 0;  // average character width, pixels
    int cy = 0;  // character height, pixels
};

// Base units from the font: alphabetWidth is the advance of
// "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz" in pixels, height
// the font's line height. The width is averaged over the 52 letters and
// rounded to the nearest pixel.
constexpr DialogBaseUnits BaseUnitsFromFont(int alphabetWidth, int height) {
    return {(alphabetWidth / 26 + 1) / 2, height};
}

// value * numerator / denominator rounded half away from zero.
constexpr int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

// Maps the rectangle's edges, not its size, so adjacent controls stay
// adjacent whatever the rounding.
constexpr DialogRect MapDialogRect(const DialogRect& r, const DialogBaseUnits& units) {
    const int left = MulDiv(r.x, units.cx, 4);
    const int top = MulDiv(r.y, units.cy, 8);
    const int right = MulDiv(r.x + r.width, units.cx, 4);
    const int bottom = MulDiv(r.y + r.height, units.cy, 8);
    return {left, top, right - left, bottom - top};
}

// Template 102, the main dialog.
namespace main_dialog {
inline constexpr std::string_view kCaption = "Artisanscope";
inline constexpr DialogRect kSize{0, 0, 346, 243};
inline constexpr int kCloseId = 1;
inline constexpr int kTreeId = 1000;
inline constexpr int kOpenId = 1001;
inline constexpr int kEnglishNamesId = 1003;
inline constexpr int kExportId = 1004;
inline constexpr int kDebugModeId = 1005;
inline constexpr DialogRect kClose{289, 220, 50, 16};
inline constexpr DialogRect kTree{7, 7, 254, 229};
inline constexpr DialogRect kOpen{275, 58, 50, 14};
inline constexpr DialogRect kEnglishNames{274, 78, 62, 24};
inline constexpr DialogRect kInstruction{265, 7, 74, 45};
inline constexpr DialogRect kExport{276, 138, 50, 14};
inline constexpr DialogRect kDebugMode{274, 111, 57, 10};
inline constexpr std::string_view kCloseText = "Close";
inline constexpr std::string_view kOpenText = "Open";
inline constexpr std::string_view kEnglishNamesText = "English raw-material names";
inline constexpr std::string_view kInstructionText =
    "Please select your Camelot-Directory or the path to your ifd.mpk (found in \"data\" subdir)";
inline constexpr std::string_view kExportText = "Export";
inline constexpr std::string_view kDebugModeText = "Debug-Mode";
// The About item (UTF-8; '&' marks the access key) and its command id.
inline constexpr std::string_view kAboutItemText = "&Info \xC3\xBC" "ber Artisanscope...";
inline constexpr int kAboutCommandId = 16;
}  // namespace main_dialog

// Template 100, the About box. Texts are UTF-8.
namespace about_dialog {
inline constexpr std::string_view kCaption = "Info \xC3\xBC" "ber Artisanscope";
inline constexpr DialogRect kSize{0, 0, 235, 55};
inline constexpr DialogRect kIcon{11, 17, 20, 20};
inline constexpr DialogRect kVersionLine{40, 10, 119, 8};
inline constexpr DialogRect kSecondLine{40, 19, 119, 8};
inline constexpr DialogRect kOk{178, 7, 50, 16};
inline constexpr std::string_view kVersionText = "Artisanscope Version 1.0";
inline constexpr std::string_view kSecondText = "Crafting recipes of Camelot";
inline constexpr std::string_view kOkText = "OK";
}  // namespace about_dialog

}  // namespace artisanscope
