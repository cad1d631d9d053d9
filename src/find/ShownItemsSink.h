#pragma once
// The export side of finding: a filter between the walk and a writer.

#include "find/RecipeFilter.h"
#include "table/RecipeWalk.h"

#include <cstddef>

namespace artisanscope {

// Passes on to next the walk's events of the items filter shows. The filter
// must be over a tree that a TreeFiller filled from the same walk of the same
// table: the n-th item of that tree is the n-th item of the walk (a realm,
// skill, illegal category or category is one item, a pattern one and one per
// ingredient). A shown pattern is passed on whole: all its ingredients are
// shown with it.
class ShownItemsSink final : public RecipeSink {
public:
    ShownItemsSink(const RecipeFilter& filter, RecipeSink& next) : filter_(filter), next_(next) {}

    void Realm(std::size_t realm, std::string_view name) override;
    void Skill(const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(std::size_t position, std::uint32_t index, std::uint32_t categoryCount) override;
    void Category(std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(const ResolvedPattern& pattern) override;

    // Tree items the walk has made so far: the tree's size once it is over.
    std::size_t itemsWalked() const { return nextItem_ - 1; }

private:
    // Counts the item the event makes; whether it is shown.
    bool Take(std::size_t items);

    const RecipeFilter& filter_;
    RecipeSink& next_;
    std::size_t nextItem_ = 1;
};

}  // namespace artisanscope
