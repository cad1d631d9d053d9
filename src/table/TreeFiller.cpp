#include "table/TreeFiller.h"

#include "io/Decimal.h"
#include "io/TextCursor.h"

namespace artisanscope {

TreeItem TreeFiller::Insert(TreeItem parent, std::string_view label) {
    if (!complete_) return kNoTreeItem;
    const TreeItem item = tree_.InsertItem(parent, label);
    complete_ = item != kNoTreeItem;
    return item;
}

void TreeFiller::Realm(TreeItem, std::size_t, std::string_view name) {
    realm_ = Insert(kTreeRoot, name);
}

// "%s" or, in debug mode, "%s %i %i %i" with data1..data3.
void TreeFiller::Skill(TreeItem, const SkillRecord& skill, std::string_view name) {
    if (!debug_) {
        skill_ = Insert(realm_, name);
        return;
    }
    TextCursor label = LabelRoom(name.size() + 3 * (kMaxDecimalDigits + 1));
    label.Text(name);
    for (std::uint16_t value : {skill.data1, skill.data2, skill.data3}) {
        label.Char(' ');
        label.Decimal(value);
    }
    skill_ = Insert(realm_, label.view());
}

// "ILLEGAL INDEX %i cat=%i max=%i" with the position, the index and the count.
void TreeFiller::IllegalCategory(TreeItem, std::size_t position, std::uint32_t index, std::uint32_t categoryCount) {
    TextCursor label = LabelRoom(32 + 3 * kMaxDecimalDigits);
    label.Text("ILLEGAL INDEX ");
    label.Decimal(static_cast<std::uint32_t>(position));
    label.Text(" cat=");
    label.Decimal(index);
    label.Text(" max=");
    label.Decimal(categoryCount);
    Insert(skill_, label.view());
}

// "%s" or, in debug mode, "%i %s cat=%i" with the position, name and index.
void TreeFiller::Category(TreeItem, std::size_t position, std::uint32_t index, std::string_view name) {
    if (!debug_) {
        category_ = Insert(skill_, name);
        return;
    }
    TextCursor label = LabelRoom(name.size() + 6 + 2 * kMaxDecimalDigits);
    label.Decimal(static_cast<std::uint32_t>(position));
    label.Char(' ');
    label.Text(name);
    label.Text(" cat=");
    label.Decimal(index);
    category_ = Insert(skill_, label.view());
}

// Pattern: "%s (%i)" or, in debug mode, "%s (%i) lvl=%i %i %i %i-%i".
// Ingredient: "%i %s" without a material, "%s: %i %s" with one.
// The pattern keeps its skill value, an ingredient its material id.
void TreeFiller::Pattern(TreeItem, const ResolvedPattern& pattern) {
    const PatternRecord& record = *pattern.record;
    constexpr std::size_t kNumbers = 6 * (kMaxDecimalDigits + 5);  // up to six numbers and their separators
    TextCursor label = LabelRoom(pattern.name.view().size() + kNumbers);
    label.Text(pattern.name.view());
    label.Text(" (");
    label.Decimal(record.skill);
    label.Char(')');
    if (debug_) {
        label.Text(" lvl=");
        label.Decimal(record.lvl);
        label.Char(' ');
        label.Decimal(record.data1);
        label.Char(' ');
        label.Decimal(record.data2);
        label.Char(' ');
        label.Decimal(record.data3);
        label.Char('-');
        label.Decimal(record.data5);
    }
    const TreeItem item = Insert(category_, label.view());
    if (item == kNoTreeItem) return;
    tree_.SetItemValue(item, record.skill);

    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        const std::string_view material = ingredient.material == 0 ? std::string_view() : ingredient.materialName.view();
        TextCursor line = LabelRoom(ingredient.text.size() + material.size() + kMaxDecimalDigits + 3);
        if (ingredient.material == 0) {
            line.Decimal(ingredient.quantity);
            line.Char(' ');
            line.Text(ingredient.text);
        } else {
            line.Text(ingredient.text);
            line.Text(": ");
            line.Decimal(ingredient.quantity);
            line.Char(' ');
            line.Text(material);
        }
        const TreeItem ingredientItem = Insert(item, line.view());
        if (ingredientItem == kNoTreeItem) return;
        tree_.SetItemValue(ingredientItem, ingredient.material);
    }
}

}  // namespace artisanscope
