#pragma once
// The one walk over a recipe table: three realms, 19 skill slots, 200
// category positions, 50 pattern positions and 8 ingredient slots, each in
// ascending order. It resolves names and hands every shown element to its
// sinks (tree, XML, text) in walk order. Whatever is skipped is skipped with
// its whole subtree, for every sink alike.
//
// The numbering of tree items. The walk numbers the items it makes from 1
// in walk order and hands every event its number: a realm, a skill, an
// illegal category and a category are one item each, a pattern is one item
// and its ingredients the next ingredientCount numbers. A TreeFiller that
// starts on an empty tree gives every item just that number, so item n of
// the walk is item n of the tree, and a find filter applied to that tree
// answers for the events of any walk of the same table with the same
// options. Nothing else counts items.

#include "recipes/Names.h"
#include "recipes/RecipeTable.h"
#include "table/RecipeTreeStore.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace artisanscope {

struct WalkOptions {
    Language language = Language::German;
    // Debug labels and columns (version-102 tables in debug mode only).
    bool debug = false;
    // Hide the patterns the game hides, those whose skill is above
    // kHiddenSkillAbove (version-102 tables outside debug mode).
    bool hideGameHiddenPatterns = false;
};

struct ResolvedIngredient {
    std::uint8_t slot = 0;  // place in the pattern record, 0..7
    std::uint16_t quantity = 0;
    std::uint16_t material = 0;  // 0: none
    std::string_view text;       // the slot's own string
    NameText materialName;       // meaningful when material != 0
};

struct ResolvedPattern {
    const PatternRecord* record = nullptr;
    std::uint16_t index = 0;    // the record's index in its realm's pattern table
    std::uint8_t position = 0;  // the place in its category's pattern list, 0..49
    NameText name;
    std::array<ResolvedIngredient, kIngredientSlots> ingredients{};
    std::size_t ingredientCount = 0;  // filled slots, in slot order
};

// A consumer of the walk. Every event comes with the tree item number the
// walk gives it; a sink overrides the events it needs.
class RecipeSink {
public:
    virtual ~RecipeSink() = default;
    virtual void Realm(TreeItem /*item*/, std::size_t /*realm*/, std::string_view /*name*/) {}
    virtual void Skill(TreeItem /*item*/, const SkillRecord& /*skill*/, std::string_view /*name*/) {}
    // A category position whose index is not below the realm's categoryCount.
    virtual void IllegalCategory(TreeItem /*item*/, std::size_t /*position*/, std::uint32_t /*index*/,
                                 std::uint32_t /*categoryCount*/) {}
    virtual void Category(TreeItem /*item*/, std::size_t /*position*/, std::uint32_t /*index*/,
                          std::string_view /*name*/) {}
    // A shown pattern together with its filled ingredient slots; ingredient
    // k is item + 1 + k.
    virtual void Pattern(TreeItem /*item*/, const ResolvedPattern& /*pattern*/) {}
};

void WalkRecipes(const RecipeTableView& table, const WalkOptions& options, std::span<RecipeSink* const> sinks);

}  // namespace artisanscope
