#include "export/TextExport.h"

#include "recipes/Decimal.h"

namespace artisanscope {

void TextExport::Begin(const ExportStart& start) {
    debug_ = start.debugColumns;
    out_.buffer() += start.debugMode ? kTextHeaderDebug : kTextHeader;
}

void TextExport::Skill(const SkillRecord& skill, std::string_view name) {
    skill_ = name;
    skillData_[0] = skill.data1;
    skillData_[1] = skill.data2;
    skillData_[2] = skill.data3;
}

// Realm;skill name;category name;pattern name;skill value, in debug mode the
// skill's data1..3 and the pattern's data1..3 and data5, then per filled slot
// ";quantity;;text" (no material) or ";quantity;text;material name".
void TextExport::Pattern(const ResolvedPattern& pattern) {
    const PatternRecord& record = *pattern.record;
    std::string& out = out_.buffer();
    out += realm_;
    out += ';';
    out += skill_;
    out += ';';
    out += category_;
    out += ';';
    out += pattern.name.view();
    out += ';';
    AppendDecimal(out, record.skill);
    if (debug_) {
        for (std::uint16_t value : {skillData_[0], skillData_[1], skillData_[2], record.data1, record.data2,
                                    record.data3, record.data5}) {
            out += ';';
            AppendDecimal(out, value);
        }
    }
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        out += ';';
        AppendDecimal(out, ingredient.quantity);
        out += ';';
        if (ingredient.material == 0) {
            out += ';';
            out += ingredient.text;
        } else {
            out += ingredient.text;
            out += ';';
            out += ingredient.materialName.view();
        }
    }
    out += "\r\n";
    out_.Written();
}

}  // namespace artisanscope
