#include "compare/RecipeDiff.h"

#include "find/RecipeFilter.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace artisanscope {

TextPool::TextPool() {
    views_.emplace_back();
    ids_.emplace(std::string_view(), 0);
}

std::uint32_t TextPool::Intern(std::string_view text) {
    if (const auto found = ids_.find(text); found != ids_.end()) return found->second;
    const std::string_view stored = texts_.emplace_back(text);
    const auto id = static_cast<std::uint32_t>(views_.size());
    views_.push_back(stored);
    ids_.emplace(stored, id);
    return id;
}

void RecipeDiffCollector::Begin(const ExportStart& start) {
    side_ = DiffSide{};
    side_.tableVersion = start.tableVersion;
    side_.debugValues = start.debugColumns;
    // Addresses of another table's strings mean nothing here; names of
    // materials depend on the language.
    std::fill(cache_.begin(), cache_.end(), CachedText{});
    materialNames_.clear();
    realmCategories_.clear();
}

std::uint32_t RecipeDiffCollector::TableText(std::string_view text) {
    const auto address = reinterpret_cast<std::uintptr_t>(text.data());
    CachedText& slot = cache_[((address * 0x9E3779B97F4A7C15ull) >> 40) % kCacheSlots];
    if (slot.data == text.data() && slot.size == text.size() && slot.data != nullptr) return slot.id;
    slot = CachedText{text.data(), text.size(), pool_.Intern(text)};
    return slot.id;
}

std::uint32_t RecipeDiffCollector::PatternName(const ResolvedPattern& pattern) {
    // A pattern with a material is named by it; a number held in the
    // ResolvedPattern has no lasting address, so these go by material id.
    const std::uint32_t material = pattern.record->material;
    if (material == 0) return TableText(pattern.name.view());
    const auto [found, added] = materialNames_.try_emplace(material, 0);
    if (added) found->second = pool_.Intern(pattern.name.view());
    return found->second;
}

void RecipeDiffCollector::Realm(TreeItem, std::size_t realm, std::string_view) {
    realm_ = static_cast<std::uint8_t>(realm);
    realmCategories_.clear();
}

void RecipeDiffCollector::Skill(TreeItem, const SkillRecord&, std::string_view name) {
    skillName_ = TableText(name);
    const DiffGroup group{realm_, skillName_, 0};
    // At most 19 skills a realm: a linear search over the realm's tail is enough.
    for (auto it = side_.skills.rbegin(); it != side_.skills.rend() && it->realm == realm_; ++it) {
        if (*it == group) return;
    }
    side_.skills.push_back(group);
}

void RecipeDiffCollector::Category(TreeItem, std::size_t, std::uint32_t, std::string_view name) {
    categoryName_ = TableText(name);
    if (realmCategories_.insert(std::uint64_t{skillName_} << 32 | categoryName_).second) {
        side_.categories.push_back(DiffGroup{realm_, skillName_, categoryName_});
    }
}

void RecipeDiffCollector::Pattern(TreeItem item, const ResolvedPattern& pattern) {
    const PatternRecord& record = *pattern.record;
    DiffPattern& out = side_.patterns.emplace_back();
    out.item = item;
    out.realm = realm_;
    out.skillName = skillName_;
    out.categoryName = categoryName_;
    out.name = PatternName(pattern);
    out.skill = record.skill;
    if (side_.debugValues) out.debug = {record.data1, record.data2, record.data3, record.lvl, record.data5};
    out.firstSlot = static_cast<std::uint32_t>(side_.filledSlots.size());
    out.slotCount = static_cast<std::uint8_t>(pattern.ingredientCount);
    std::size_t filled = 0;
    for (std::size_t k = 0; k < record.slots.size() && filled < pattern.ingredientCount; ++k) {
        if (record.slots[k].quantity == 0) continue;
        const ResolvedIngredient& ingredient = pattern.ingredients[filled++];
        side_.filledSlots.push_back(DiffSlot{TableText(ingredient.text), ingredient.quantity, ingredient.material,
                                             static_cast<std::uint8_t>(k)});
    }
}

bool RestrictToShownPatterns(DiffSide& side, const RecipeFilter& filter) {
    const RecipeTree* tree = filter.tree();
    for (const DiffPattern& pattern : side.patterns) {
        if (tree == nullptr || !tree->Contains(pattern.item)) return false;
    }
    for (DiffPattern& pattern : side.patterns) pattern.filterShows = filter.IsShown(pattern.item);
    side.filtered = filter.active();
    return true;
}

DiffReport::DiffReport(std::shared_ptr<const TextPool> pool, DiffSide oldSide, DiffSide newSide,
                       DiffOptions options)
    : pool_(std::move(pool)), old_(std::move(oldSide)), new_(std::move(newSide)), options_(options) {}

std::span<const DiffSlot> DiffReport::Slots(const DiffSide& side, const DiffPattern& pattern) const {
    const std::span<const DiffSlot> all(side.filledSlots);
    if (pattern.firstSlot > all.size() || pattern.slotCount > all.size() - pattern.firstSlot) return {};
    return all.subspan(pattern.firstSlot, pattern.slotCount);
}

namespace {

constexpr std::uint32_t kNone = DiffEntry::kNone;

// Places the items of two lists in one order: the new list's order, each
// item only the old list has right after the old item in front of it (the
// first ones before everything). partnerOfOld[i] is the new position of old
// item i, or kNone. Yields (old position, new position) pairs, kNone where a
// side has no such item.
std::vector<std::pair<std::uint32_t, std::uint32_t>> MergeOrder(const std::vector<std::uint32_t>& partnerOfOld,
                                                                  const std::vector<std::uint32_t>& partnerOfNew) {
    std::vector<std::vector<std::uint32_t>> before(partnerOfNew.size() + 1);
    std::uint32_t slot = 0;
    for (std::uint32_t i = 0; i < partnerOfOld.size(); ++i) {
        if (partnerOfOld[i] != kNone) {
            slot = partnerOfOld[i] + 1;
        } else {
            before[slot].push_back(i);
        }
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> order;
    order.reserve(partnerOfOld.size() + partnerOfNew.size());
    for (std::uint32_t j = 0; j <= partnerOfNew.size(); ++j) {
        for (const std::uint32_t i : before[j]) order.emplace_back(i, kNone);
        if (j < partnerOfNew.size()) order.emplace_back(partnerOfNew[j], j);
    }
    return order;
}

// Partners of two lists of unique groups, by equality.
void PairUnique(const std::vector<DiffGroup>& oldList, const std::vector<DiffGroup>& newList,
                std::vector<std::uint32_t>& partnerOfOld, std::vector<std::uint32_t>& partnerOfNew) {
    partnerOfOld.assign(oldList.size(), kNone);
    partnerOfNew.assign(newList.size(), kNone);
    for (std::uint32_t j = 0; j < newList.size(); ++j) {
        const auto found = std::find(oldList.begin(), oldList.end(), newList[j]);
        if (found == oldList.end()) continue;
        const auto i = static_cast<std::uint32_t>(found - oldList.begin());
        partnerOfOld[i] = j;
        partnerOfNew[j] = i;
    }
}

// A side's pattern indices sorted by (realm, skill name, category name),
// walk order kept within each group, so every group is one range.
class GroupIndex {
public:
    explicit GroupIndex(const DiffSide& side) : side_(side), order_(side.patterns.size()) {
        for (std::uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
        std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
            return Key(side_.patterns[a]) < Key(side_.patterns[b]);
        });
    }

    // The patterns of a skill (category 0 with wholeSkill) or of a category.
    std::span<const std::uint32_t> Range(const DiffGroup& group, bool wholeSkill) const {
        const auto less = [&](std::uint32_t index, const DiffGroup& g) {
            const DiffPattern& p = side_.patterns[index];
            if (wholeSkill) return std::tie(p.realm, p.skillName) < std::tie(g.realm, g.skillName);
            return Key(p) < std::tuple(g.realm, g.skillName, g.categoryName);
        };
        const auto greater = [&](const DiffGroup& g, std::uint32_t index) {
            const DiffPattern& p = side_.patterns[index];
            if (wholeSkill) return std::tie(g.realm, g.skillName) < std::tie(p.realm, p.skillName);
            return std::tuple(g.realm, g.skillName, g.categoryName) < Key(p);
        };
        const auto first = std::lower_bound(order_.begin(), order_.end(), group, less);
        const auto last = std::upper_bound(first, order_.end(), group, greater);
        return std::span<const std::uint32_t>(order_).subspan(static_cast<std::size_t>(first - order_.begin()),
                                                             static_cast<std::size_t>(last - first));
    }

    std::uint32_t CountShown(std::span<const std::uint32_t> range) const {
        return static_cast<std::uint32_t>(std::count_if(
            range.begin(), range.end(), [&](std::uint32_t i) { return side_.patterns[i].filterShows; }));
    }

private:
    static std::tuple<std::uint8_t, std::uint32_t, std::uint32_t> Key(const DiffPattern& p) {
        return {p.realm, p.skillName, p.categoryName};
    }

    const DiffSide& side_;
    std::vector<std::uint32_t> order_;
};

// The patterns of one group on one side with their occurrence numbers,
// sorted by (name, occurrence).
struct KeyedPattern {
    std::uint32_t name;
    std::uint32_t occurrence;
    std::uint32_t position;  // in the group's walk order
};

std::vector<KeyedPattern> KeyGroup(const DiffSide& side, std::span<const std::uint32_t> range) {
    std::vector<KeyedPattern> keyed;
    keyed.reserve(range.size());
    for (std::uint32_t pos = 0; pos < range.size(); ++pos) keyed.push_back({side.patterns[range[pos]].name, 0, pos});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const KeyedPattern& a, const KeyedPattern& b) { return a.name < b.name; });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        keyed[i].occurrence = (i > 0 && keyed[i - 1].name == keyed[i].name) ? keyed[i - 1].occurrence + 1 : 1;
    }
    return keyed;
}

}  // namespace

class DiffBuilder {
public:
    explicit DiffBuilder(DiffReport& report)
        : report_(report), old_(report.old_), new_(report.new_), oldIndex_(old_), newIndex_(new_),
          filtered_(old_.filtered || new_.filtered),
          compareDebug_(report.options_.debug && old_.debugValues && new_.debugValues) {}

    void Build() {
        for (std::uint8_t realm = 0; realm < kRealmCount; ++realm) BuildRealm(realm);
    }

private:
    static std::vector<DiffGroup> Select(const std::vector<DiffGroup>& groups, std::uint8_t realm,
                                         std::optional<std::uint32_t> skillName) {
        std::vector<DiffGroup> selected;
        for (const DiffGroup& g : groups) {
            if (g.realm == realm && (!skillName || g.skillName == *skillName)) selected.push_back(g);
        }
        return selected;
    }

    void BuildRealm(std::uint8_t realm) {
        context_ = DiffEntry{};
        context_.realm = realm;
        emittedLevels_ = 0;
        BuildGroups(DiffLevel::Skill, Select(old_.skills, realm, std::nullopt), Select(new_.skills, realm, std::nullopt),
                    [this](const DiffGroup& skill) { BuildSkill(skill); });
    }

    void BuildSkill(const DiffGroup& skill) {
        BuildGroups(DiffLevel::Category, Select(old_.categories, skill.realm, skill.skillName),
                    Select(new_.categories, skill.realm, skill.skillName), [this](const DiffGroup& category) {
                        BuildCategory(oldIndex_.Range(category, false), newIndex_.Range(category, false));
                    });
    }

    // The skills of a realm or the categories of a skill, paired by equality
    // and placed in the merged order: a group only one side has becomes one
    // added or removed entry, a group both have is handed to buildBoth.
    template <typename BuildBoth>
    void BuildGroups(DiffLevel level, const std::vector<DiffGroup>& oldGroups, const std::vector<DiffGroup>& newGroups,
                     BuildBoth buildBoth) {
        const bool wholeSkill = level == DiffLevel::Skill;
        std::vector<std::uint32_t> partnerOfOld, partnerOfNew;
        PairUnique(oldGroups, newGroups, partnerOfOld, partnerOfNew);
        for (const auto& [i, j] : MergeOrder(partnerOfOld, partnerOfNew)) {
            const DiffGroup& group = j != kNone ? newGroups[j] : oldGroups[i];
            SetContext(level, group);
            if (i == kNone) {
                OneSided(level, DiffKind::Added, newIndex_.Range(group, wholeSkill), newIndex_);
            } else if (j == kNone) {
                OneSided(level, DiffKind::Removed, oldIndex_.Range(group, wholeSkill), oldIndex_);
            } else {
                buildBoth(group);
            }
        }
    }

    void BuildCategory(std::span<const std::uint32_t> oldRange, std::span<const std::uint32_t> newRange) {
        const std::vector<KeyedPattern> oldKeyed = KeyGroup(old_, oldRange);
        const std::vector<KeyedPattern> newKeyed = KeyGroup(new_, newRange);
        std::vector<std::uint32_t> partnerOfOld(oldRange.size(), kNone), partnerOfNew(newRange.size(), kNone);
        std::vector<std::uint32_t> occurrenceOfOld(oldRange.size()), occurrenceOfNew(newRange.size());
        for (const KeyedPattern& k : oldKeyed) occurrenceOfOld[k.position] = k.occurrence;
        for (const KeyedPattern& k : newKeyed) occurrenceOfNew[k.position] = k.occurrence;
        for (std::size_t a = 0, b = 0; a < oldKeyed.size() && b < newKeyed.size();) {
            const auto ka = std::tie(oldKeyed[a].name, oldKeyed[a].occurrence);
            const auto kb = std::tie(newKeyed[b].name, newKeyed[b].occurrence);
            if (ka < kb) {
                ++a;
            } else if (kb < ka) {
                ++b;
            } else {
                partnerOfOld[oldKeyed[a].position] = newKeyed[b].position;
                partnerOfNew[newKeyed[b].position] = oldKeyed[a].position;
                ++a;
                ++b;
            }
        }
        for (const auto& [i, j] : MergeOrder(partnerOfOld, partnerOfNew)) {
            DiffEntry entry = context_;
            entry.level = DiffLevel::Pattern;
            entry.oldPattern = i != kNone ? oldRange[i] : kNone;
            entry.newPattern = j != kNone ? newRange[j] : kNone;
            const DiffPattern* oldPattern = i != kNone ? &old_.patterns[oldRange[i]] : nullptr;
            const DiffPattern* newPattern = j != kNone ? &new_.patterns[newRange[j]] : nullptr;
            entry.patternName = newPattern != nullptr ? newPattern->name : oldPattern->name;
            entry.occurrence = j != kNone ? occurrenceOfNew[j] : occurrenceOfOld[i];
            if (oldPattern == nullptr) {
                if (!newPattern->filterShows) continue;
                entry.kind = DiffKind::Added;
                ++report_.totals_.added;
            } else if (newPattern == nullptr) {
                if (!oldPattern->filterShows) continue;
                entry.kind = DiffKind::Removed;
                ++report_.totals_.removed;
            } else {
                if (!oldPattern->filterShows && !newPattern->filterShows) continue;
                entry.differences = Compare(*oldPattern, *newPattern);
                if (entry.differences.empty()) continue;
                entry.kind = DiffKind::Changed;
                ++report_.totals_.changed;
            }
            Emit(std::move(entry));
        }
    }

    std::vector<Difference> Compare(const DiffPattern& a, const DiffPattern& b) const {
        std::vector<Difference> out;
        if (a.skill != b.skill) out.push_back({Difference::Kind::Skill, 0, 0, 0, a.skill, b.skill});
        const std::span<const DiffSlot> oldSlots = report_.Slots(old_, a);
        const std::span<const DiffSlot> newSlots = report_.Slots(new_, b);
        std::array<bool, kIngredientSlots> used{};
        for (const DiffSlot& n : newSlots) {
            std::optional<std::size_t> partner;
            for (std::size_t k = 0; k < oldSlots.size() && k < used.size(); ++k) {
                if (!used[k] && oldSlots[k].text == n.text && oldSlots[k].material == n.material) {
                    partner = k;
                    break;
                }
            }
            if (!partner) {
                out.push_back({Difference::Kind::SlotAdded, 0, n.material, n.text, 0, n.quantity});
                continue;
            }
            used[*partner] = true;
            const DiffSlot& o = oldSlots[*partner];
            if (o.quantity != n.quantity) {
                out.push_back({Difference::Kind::Quantity, 0, n.material, n.text, o.quantity, n.quantity});
            }
            if (o.position != n.position) {
                out.push_back({Difference::Kind::Position, 0, n.material, n.text,
                               std::uint32_t{o.position} + 1u, std::uint32_t{n.position} + 1u});
            }
        }
        for (std::size_t k = 0; k < oldSlots.size() && k < used.size(); ++k) {
            if (used[k]) continue;
            out.push_back({Difference::Kind::SlotRemoved, 0, oldSlots[k].material, oldSlots[k].text,
                           oldSlots[k].quantity, 0});
        }
        if (compareDebug_) {
            for (std::uint8_t f = 0; f < a.debug.size(); ++f) {
                if (a.debug[f] != b.debug[f]) out.push_back({Difference::Kind::Debug, f, 0, 0, a.debug[f], b.debug[f]});
            }
        }
        return out;
    }

    // A skill or category only one side has: one entry with its number of
    // (shown) patterns, which all count as added or removed. With a find
    // filter, a group none of whose patterns it shows is left out.
    void OneSided(DiffLevel level, DiffKind kind, std::span<const std::uint32_t> range, const GroupIndex& index) {
        const std::uint32_t count = index.CountShown(range);
        if (filtered_ && count == 0) return;
        DiffEntry entry = context_;
        entry.level = level;
        entry.kind = kind;
        entry.patternCount = count;
        (kind == DiffKind::Added ? report_.totals_.added : report_.totals_.removed) += count;
        Emit(std::move(entry));
    }

    // The heading an entry at level stands under; headings are emitted with
    // their first entry.
    void SetContext(DiffLevel level, const DiffGroup& group) {
        context_.skillName = group.skillName;
        context_.categoryName = level == DiffLevel::Category ? group.categoryName : 0;
        emittedLevels_ = std::min<int>(emittedLevels_, static_cast<int>(level));
    }

    void Emit(DiffEntry entry) {
        const int level = static_cast<int>(entry.level);
        for (int heading = emittedLevels_; heading < level; ++heading) {
            DiffEntry group{};
            group.level = static_cast<DiffLevel>(heading);
            group.realm = context_.realm;
            if (heading >= static_cast<int>(DiffLevel::Skill)) group.skillName = context_.skillName;
            if (heading >= static_cast<int>(DiffLevel::Category)) group.categoryName = context_.categoryName;
            report_.entries_.push_back(std::move(group));
        }
        emittedLevels_ = std::max(emittedLevels_, level);
        report_.entries_.push_back(std::move(entry));
    }

    DiffReport& report_;
    const DiffSide& old_;
    const DiffSide& new_;
    GroupIndex oldIndex_;
    GroupIndex newIndex_;
    const bool filtered_;
    const bool compareDebug_;
    DiffEntry context_;
    // Headings of the current path already in the report: 0 none, 1 the
    // realm, 2 realm and skill, 3 realm, skill and category.
    int emittedLevels_ = 0;
};

DiffReport CompareRecipeTables(std::shared_ptr<const TextPool> pool, DiffSide oldSide, DiffSide newSide,
                               const DiffOptions& options) {
    DiffReport report(std::move(pool), std::move(oldSide), std::move(newSide), options);
    DiffBuilder(report).Build();
    return report;
}

}  // namespace artisanscope
