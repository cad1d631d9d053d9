#include "find/ShownItemsSink.h"

namespace artisanscope {

bool ShownItemsSink::Take(std::size_t items) {
    const std::size_t item = nextItem_;
    nextItem_ += items;
    return item < kNoTreeItem && filter_.IsShown(static_cast<TreeItem>(item));
}

void ShownItemsSink::Realm(std::size_t realm, std::string_view name) {
    if (Take(1)) next_.Realm(realm, name);
}

void ShownItemsSink::Skill(const SkillRecord& skill, std::string_view name) {
    if (Take(1)) next_.Skill(skill, name);
}

void ShownItemsSink::IllegalCategory(std::size_t position, std::uint32_t index, std::uint32_t categoryCount) {
    if (Take(1)) next_.IllegalCategory(position, index, categoryCount);
}

void ShownItemsSink::Category(std::size_t position, std::uint32_t index, std::string_view name) {
    if (Take(1)) next_.Category(position, index, name);
}

void ShownItemsSink::Pattern(const ResolvedPattern& pattern) {
    if (Take(1 + pattern.ingredientCount)) next_.Pattern(pattern);
}

}  // namespace artisanscope
