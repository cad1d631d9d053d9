#pragma once
// Finding as a filter in front of any sink of the walk.

#include "find/RecipeFilter.h"
#include "table/RecipeWalk.h"

namespace artisanscope {

// Passes on to next the walk's events of the items filter shows, by the
// item numbers the walk hands them. The filter must have been applied to a
// tree filled from a walk of the same table with the same options (see
// RecipeWalk.h). A shown pattern is passed on whole: all its ingredients are
// shown with it.
class ShownItemsSink final : public RecipeSink {
public:
    ShownItemsSink(const RecipeFilter& filter, RecipeSink& next) : filter_(filter), next_(next) {}

    void Realm(TreeItem item, std::size_t realm, std::string_view name) override {
        if (filter_.IsShown(item)) next_.Realm(item, realm, name);
    }
    void Skill(TreeItem item, const SkillRecord& skill, std::string_view name) override {
        if (filter_.IsShown(item)) next_.Skill(item, skill, name);
    }
    void IllegalCategory(TreeItem item, std::size_t position, std::uint32_t index,
                         std::uint32_t categoryCount) override {
        if (filter_.IsShown(item)) next_.IllegalCategory(item, position, index, categoryCount);
    }
    void Category(TreeItem item, std::size_t position, std::uint32_t index, std::string_view name) override {
        if (filter_.IsShown(item)) next_.Category(item, position, index, name);
    }
    void Pattern(TreeItem item, const ResolvedPattern& pattern) override {
        if (filter_.IsShown(item)) next_.Pattern(item, pattern);
    }

private:
    const RecipeFilter& filter_;
    RecipeSink& next_;
};

}  // namespace artisanscope
