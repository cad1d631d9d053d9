#include "table/RecipeWalk.h"

namespace artisanscope {
namespace {

class SinkList {
public:
    explicit SinkList(std::span<RecipeSink* const> sinks) : sinks_(sinks) {}
    template <typename Call>
    void Each(Call call) const {
        for (RecipeSink* sink : sinks_) call(*sink);
    }

private:
    std::span<RecipeSink* const> sinks_;
};

ResolvedPattern Resolve(const RecipeTableView& table, const PatternRecord& record, std::uint16_t index,
                        std::size_t position, Language language) {
    ResolvedPattern pattern;
    pattern.record = &record;
    pattern.index = index;
    pattern.position = static_cast<std::uint8_t>(position);
    pattern.name = table.PatternName(record, language);
    for (std::size_t k = 0; k < kIngredientSlots; ++k) {
        const IngredientSlot& slot = record.slots[k];
        if (slot.quantity == 0) continue;
        ResolvedIngredient& ingredient = pattern.ingredients[pattern.ingredientCount++];
        ingredient.slot = static_cast<std::uint8_t>(k);
        ingredient.quantity = slot.quantity;
        ingredient.material = slot.material;
        ingredient.text = table.String(slot.name);
        if (slot.material != 0) ingredient.materialName = MaterialName(language, slot.material);
    }
    return pattern;
}

}  // namespace

void WalkRecipes(const RecipeTableView& table, const WalkOptions& options, std::span<RecipeSink* const> sinkSpan) {
    const SinkList sinks(sinkSpan);
    for (std::size_t r = 0; r < kRealmCount; ++r) {
        sinks.Each([&](RecipeSink& s) { s.Realm(r, RealmName(r)); });
        const auto realm = table.Realm(r);
        if (!realm) continue;

        for (std::size_t s = 0; s < kSkillSlots; ++s) {
            const auto skill = table.Skill(*realm, s);
            if (!skill || skill->name == 0) continue;
            const std::string_view skillName = table.String(skill->name);
            sinks.Each([&](RecipeSink& sink) { sink.Skill(*skill, skillName); });

            for (std::size_t c = 0; c < kCategoryPositions; ++c) {
                const std::uint16_t categoryIndex = skill->Category(c);
                if (categoryIndex == 0) continue;
                if (categoryIndex >= realm->categoryCount) {
                    sinks.Each([&](RecipeSink& sink) { sink.IllegalCategory(c, categoryIndex, realm->categoryCount); });
                    continue;
                }
                const auto category = table.Category(*realm, categoryIndex);
                if (!category) continue;
                const std::string_view categoryName = table.String(category->name);
                sinks.Each([&](RecipeSink& sink) { sink.Category(c, categoryIndex, categoryName); });

                for (std::size_t p = 0; p < kPatternPositions; ++p) {
                    const std::uint16_t patternIndex = category->Pattern(p);
                    if (patternIndex == 0) continue;
                    const auto record = table.Pattern(*realm, patternIndex);
                    if (!record) continue;
                    if (options.hideGameHiddenPatterns && record->skill > kHiddenSkillAbove) continue;
                    const ResolvedPattern pattern = Resolve(table, *record, patternIndex, p, options.language);
                    sinks.Each([&](RecipeSink& sink) { sink.Pattern(pattern); });
                }
            }
        }
    }
}

}  // namespace artisanscope
