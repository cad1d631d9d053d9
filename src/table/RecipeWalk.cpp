#include "table/RecipeWalk.h"

#include <array>

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

// The texts of recently read string indices. Ingredient slots name the same
// few texts again and again; each read otherwise looks up the offset table
// and searches the pool for the text's end.
class StringCache {
public:
    explicit StringCache(const RecipeTableView& table) : table_(table) {}

    std::string_view Get(std::uint32_t index) {
        Entry& entry = entries_[index % kEntries];
        if (!entry.filled || entry.index != index) entry = {index, true, table_.String(index)};
        return entry.text;
    }

private:
    static constexpr std::size_t kEntries = 256;
    struct Entry {
        std::uint32_t index = 0;
        bool filled = false;
        std::string_view text;
    };
    const RecipeTableView& table_;
    std::array<Entry, kEntries> entries_{};
};

// Fills pattern, which the walk reuses from pattern to pattern: a fresh one
// would be zeroed whole (over 500 bytes) for every shown pattern.
void Resolve(const RecipeTableView& table, StringCache& strings, const PatternRecord& record, std::uint16_t index,
             std::size_t position, Language language, ResolvedPattern& pattern) {
    pattern.record = &record;
    pattern.index = index;
    pattern.position = static_cast<std::uint8_t>(position);
    table.SetPatternName(pattern.name, record, language);
    pattern.ingredientCount = 0;
    for (std::size_t k = 0; k < kIngredientSlots; ++k) {
        const IngredientSlot& slot = record.slots[k];
        if (slot.quantity == 0) continue;
        ResolvedIngredient& ingredient = pattern.ingredients[pattern.ingredientCount++];
        ingredient.slot = static_cast<std::uint8_t>(k);
        ingredient.quantity = slot.quantity;
        ingredient.material = slot.material;
        ingredient.text = strings.Get(slot.name);
        if (slot.material != 0) {
            SetMaterialName(ingredient.materialName, language, slot.material);
        } else {
            ingredient.materialName.SetName({});
        }
    }
}

}  // namespace

void WalkRecipes(const RecipeTableView& table, const WalkOptions& options, std::span<RecipeSink* const> sinkSpan) {
    const SinkList sinks(sinkSpan);
    ResolvedPattern pattern;
    StringCache strings(table);
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
                const std::uint16_t categoryIndex = skill->Category(c).value_or(0);  // 0: an empty position
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
                    const std::uint16_t patternIndex = category->Pattern(p).value_or(0);  // 0: an empty position
                    if (patternIndex == 0) continue;
                    const auto record = table.Pattern(*realm, patternIndex);
                    if (!record) continue;
                    if (options.hideGameHiddenPatterns && record->skill > kHiddenSkillAbove) continue;
                    Resolve(table, strings, *record, patternIndex, p, options.language, pattern);
                    sinks.Each([&](RecipeSink& sink) { sink.Pattern(pattern); });
                }
            }
        }
    }
}

}  // namespace artisanscope
