#include "table/TreeFiller.h"

#include "recipes/Decimal.h"

namespace artisanscope {

void TreeFiller::Realm(std::size_t, std::string_view name) {
    realm_ = tree_.InsertItem(kTreeRoot, name);
}

// "%s" or, in debug mode, "%s %i %i %i" with data1..data3.
void TreeFiller::Skill(const SkillRecord& skill, std::string_view name) {
    label_.assign(name);
    if (debug_) {
        for (std::uint16_t value : {skill.data1, skill.data2, skill.data3}) {
            label_ += ' ';
            AppendDecimal(label_, value);
        }
    }
    skill_ = tree_.InsertItem(realm_, label_);
}

// "ILLEGAL INDEX %i cat=%i max=%i" with the position, the index and the count.
void TreeFiller::IllegalCategory(std::size_t position, std::uint32_t index, std::uint32_t categoryCount) {
    label_.assign("ILLEGAL INDEX ");
    AppendDecimal(label_, static_cast<std::uint32_t>(position));
    label_ += " cat=";
    AppendDecimal(label_, index);
    label_ += " max=";
    AppendDecimal(label_, categoryCount);
    tree_.InsertItem(skill_, label_);
}

// "%s" or, in debug mode, "%i %s cat=%i" with the position, name and index.
void TreeFiller::Category(std::size_t position, std::uint32_t index, std::string_view name) {
    if (debug_) {
        label_.clear();
        AppendDecimal(label_, static_cast<std::uint32_t>(position));
        label_ += ' ';
        label_ += name;
        label_ += " cat=";
        AppendDecimal(label_, index);
        category_ = tree_.InsertItem(skill_, label_);
    } else {
        category_ = tree_.InsertItem(skill_, name);
    }
}

// Pattern: "%s (%i)" or, in debug mode, "%s (%i) lvl=%i %i %i %i-%i".
// Ingredient: "%i %s" without a material, "%s: %i %s" with one.
// The pattern keeps its skill value, an ingredient its material id.
void TreeFiller::Pattern(const ResolvedPattern& pattern) {
    const PatternRecord& record = *pattern.record;
    label_.assign(pattern.name.view());
    label_ += " (";
    AppendDecimal(label_, record.skill);
    label_ += ')';
    if (debug_) {
        label_ += " lvl=";
        AppendDecimal(label_, record.lvl);
        label_ += ' ';
        AppendDecimal(label_, record.data1);
        label_ += ' ';
        AppendDecimal(label_, record.data2);
        label_ += ' ';
        AppendDecimal(label_, record.data3);
        label_ += '-';
        AppendDecimal(label_, record.data5);
    }
    const TreeItem item = tree_.InsertItem(category_, label_);
    tree_.SetItemValue(item, record.skill);

    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        label_.clear();
        if (ingredient.material == 0) {
            AppendDecimal(label_, ingredient.quantity);
            label_ += ' ';
            label_ += ingredient.text;
        } else {
            label_ += ingredient.text;
            label_ += ": ";
            AppendDecimal(label_, ingredient.quantity);
            label_ += ' ';
            label_ += ingredient.materialName.view();
        }
        tree_.SetItemValue(tree_.InsertItem(item, label_), ingredient.material);
    }
}

}  // namespace artisanscope
