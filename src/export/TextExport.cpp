#include "export/TextExport.h"

#include "io/Decimal.h"

namespace artisanscope {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

void TextExport::Begin(const ExportStart& start) {
    debug_ = start.debugColumns;
    out_.buffer() += start.debugMode ? kTextHeaderDebug : kTextHeader;
}

void TextExport::Category(TreeItem, std::size_t, std::uint32_t, std::string_view name) {
    linePrefix_.assign(realm_);
    linePrefix_ += ';';
    linePrefix_ += skill_;
    linePrefix_ += ';';
    linePrefix_ += name;
    linePrefix_ += ';';
}

void TextExport::Skill(TreeItem, const SkillRecord& skill, std::string_view name) {
    skill_ = name;
    skillData_[0] = skill.data1;
    skillData_[1] = skill.data2;
    skillData_[2] = skill.data3;
}

// Realm;skill name;category name;pattern name;skill value, in debug mode the
// skill's data1..3 and the pattern's data1..3 and data5, then per filled slot
// ";quantity;;text" (no material) or ";quantity;text;material name".
void TextExport::Pattern(TreeItem, const ResolvedPattern& pattern) {
    const PatternRecord& record = *pattern.record;
    const std::string_view name = pattern.name.view();
    constexpr std::size_t kNumber = 1 + kMaxDecimalDigits;  // ";" and digits
    std::size_t length = linePrefix_.size() + name.size() + kNumber + (debug_ ? 7 * kNumber : 0) + kLineEnd.size();
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        length += kNumber + 2 + ingredient.text.size() + ingredient.materialName.view().size();
    }

    TextCursor line = out_.Claim(length);
    line.Text(linePrefix_);
    line.Text(name);
    line.Char(';');
    line.Decimal(record.skill);
    if (debug_) {
        for (std::uint16_t value : {skillData_[0], skillData_[1], skillData_[2], record.data1, record.data2,
                                    record.data3, record.data5}) {
            line.Char(';');
            line.Decimal(value);
        }
    }
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        line.Char(';');
        line.Decimal(ingredient.quantity);
        line.Char(';');
        if (ingredient.material == 0) {
            line.Char(';');
            line.Text(ingredient.text);
        } else {
            line.Text(ingredient.text);
            line.Char(';');
            line.Text(ingredient.materialName.view());
        }
    }
    line.Text(kLineEnd);
    out_.Commit(line);
}

}  // namespace artisanscope
