#include "plan/PatternIndex.h"

#include "find/FindQuery.h"
#include "io/Cp1252.h"

#include <algorithm>
#include <new>
#include <numeric>

namespace artisanscope {
namespace {

std::string RealmUtf8(std::size_t realm) { return Cp1252ToUtf8(RealmName(realm)); }

// Realm, skill, category and pattern joined by NUL bytes, which no name
// written as UTF-8 from code page 1252 holds.
std::string NamesKey(std::string_view realm, std::string_view skill, std::string_view category,
                     std::string_view pattern) {
    std::string key;
    key.reserve(realm.size() + skill.size() + category.size() + pattern.size() + 3);
    key.append(realm).append(1, '\0').append(skill).append(1, '\0').append(category).append(1, '\0').append(pattern);
    return key;
}

std::string MaterialUtf8(Language language, std::uint16_t material) {
    return Cp1252ToUtf8(MaterialName(language, material).view());
}

}  // namespace

void PatternIndex::Clear() {
    ++generation_;
    pool_.clear();
    patterns_.clear();
    slots_.clear();
    lines_.clear();
    realm_ = 0;
    skill_ = category_ = Text{};
    linesByPlace_.assign(kPlaceCacheSize, SlotPlace{});
    linesByText_.clear();
    byIndex_.clear();
    byNames_.clear();
    ranks_.clear();
}

PatternIndex::Text PatternIndex::Keep(std::string_view cp1252) {
    // Offsets are 32-bit: a table whose names would not fit (huge strings
    // shared by many patterns) is reported as memory that ran out.
    // Up to three bytes a character; compared by what is left, so that no
    // product or sum can wrap, whatever the width of size_t.
    if (cp1252.size() > (kMaxPoolBytes - pool_.size()) / 3) throw std::bad_alloc();
    Text text;
    text.begin = static_cast<std::uint32_t>(pool_.size());
    AppendCp1252AsUtf8(pool_, cp1252);
    text.size = static_cast<std::uint32_t>(pool_.size() - text.begin);
    return text;
}

void PatternIndex::Realm(TreeItem, std::size_t realm, std::string_view) {
    if (realm == 0) Clear();
    realm_ = static_cast<std::uint8_t>(realm);
}

void PatternIndex::Skill(TreeItem, const SkillRecord&, std::string_view name) { skill_ = Keep(name); }

void PatternIndex::Category(TreeItem, std::size_t, std::uint32_t, std::string_view name) { category_ = Keep(name); }

std::uint32_t PatternIndex::LineOf(const ResolvedIngredient& ingredient) {
    const auto address = reinterpret_cast<std::uintptr_t>(ingredient.text.data());
    SlotPlace& place = linesByPlace_[((address >> 2) ^ (address >> 14) ^ (ingredient.material * 0x9E37u)) &
                                     (kPlaceCacheSize - 1)];
    if (place.text == ingredient.text.data() && place.size == ingredient.text.size() &&
        place.material == ingredient.material && place.text != nullptr) {
        return place.line;
    }

    std::string bytes(ingredient.text);
    bytes += '\0';
    bytes += static_cast<char>(ingredient.material & 0xFF);
    bytes += static_cast<char>(ingredient.material >> 8);
    const auto [byText, added] = linesByText_.try_emplace(std::move(bytes), static_cast<std::uint32_t>(lines_.size()));
    if (added) {
        IngredientLine line;
        line.material = ingredient.material;
        if (ingredient.material == 0) {
            line.ingredient = ingredient.text;
            line.name = line.ingredient;
        } else {
            line.unit = ingredient.text;
            line.ingredient = ingredient.materialName.view();
            line.name = line.unit + ": " + line.ingredient;
        }
        lines_.push_back(std::move(line));
    }
    place = SlotPlace{ingredient.text.data(), ingredient.text.size(), ingredient.material, byText->second};
    return byText->second;
}

void PatternIndex::Pattern(TreeItem item, const ResolvedPattern& pattern) {
    Indexed indexed;
    indexed.item = item;
    indexed.skill = skill_;
    indexed.category = category_;
    indexed.name = Keep(pattern.name.view());
    indexed.firstSlot = static_cast<std::uint32_t>(slots_.size());
    indexed.index = pattern.index;
    indexed.material = static_cast<std::uint16_t>(pattern.record->material <= 0xFFFF ? pattern.record->material : 0);
    indexed.realm = realm_;
    indexed.slotCount = static_cast<std::uint8_t>(pattern.ingredientCount);
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        slots_.push_back(IndexedSlot{LineOf(ingredient), ingredient.quantity});
    }
    patterns_.push_back(indexed);
}

PatternRef PatternIndex::PatternAtItem(TreeItem item) const {
    // Items grow with the walk, and so do the patterns' items.
    const auto found = std::lower_bound(patterns_.begin(), patterns_.end(), item,
                                        [](const Indexed& p, TreeItem wanted) { return p.item < wanted; });
    if (found == patterns_.end() || found->item != item) return kNoPattern;
    return static_cast<PatternRef>(found - patterns_.begin());
}

PatternKey PatternIndex::KeyOf(PatternRef pattern) const {
    const Indexed& p = patterns_.at(pattern);
    return PatternKey{RealmUtf8(p.realm), std::string(View(p.skill)), std::string(View(p.category)),
                      std::string(View(p.name)), p.index};
}

std::string_view PatternIndex::PatternName(PatternRef pattern) const { return View(patterns_.at(pattern).name); }

std::span<const IndexedSlot> PatternIndex::Slots(PatternRef pattern) const {
    const Indexed& p = patterns_.at(pattern);
    return std::span<const IndexedSlot>(slots_).subspan(p.firstSlot, p.slotCount);
}

bool PatternIndex::NamesAgree(const Indexed& p, const PatternKey& key) const {
    // A name the key leaves empty agrees with any: realm and index decide.
    const auto agree = [this](Text have, std::string_view given) { return given.empty() || View(have) == given; };
    if (!agree(p.skill, key.skill) || !agree(p.category, key.category) || RealmUtf8(p.realm) != key.realm) return false;
    if (agree(p.name, key.pattern)) return true;
    // A pattern named after a material carries the other language's name
    // in a plan made before the language changed.
    return p.material != 0 && (MaterialUtf8(Language::German, p.material) == key.pattern ||
                               MaterialUtf8(Language::English, p.material) == key.pattern);
}

PatternRef PatternIndex::Find(const PatternKey& key) const {
    if (patterns_.empty()) return kNoPattern;
    if (key.index) {
        if (byIndex_.empty()) {
            byIndex_.reserve(patterns_.size());
            for (std::size_t i = 0; i < patterns_.size(); ++i) {
                byIndex_.push_back(std::uint64_t{patterns_[i].realm} << 48 | std::uint64_t{patterns_[i].index} << 32 | i);
            }
            std::sort(byIndex_.begin(), byIndex_.end());
        }
        for (std::size_t realm = 0; realm < kRealmCount; ++realm) {
            if (RealmUtf8(realm) != key.realm) continue;
            const std::uint64_t first = std::uint64_t{realm} << 48 | std::uint64_t{*key.index} << 32;
            for (auto at = std::lower_bound(byIndex_.begin(), byIndex_.end(), first);
                 at != byIndex_.end() && (*at >> 32) == (first >> 32); ++at) {
                const auto ref = static_cast<PatternRef>(*at & 0xFFFFFFFFu);
                if (NamesAgree(patterns_[ref], key)) return ref;
            }
        }
    }
    if (byNames_.empty()) {
        byNames_.reserve(patterns_.size());
        for (std::size_t i = 0; i < patterns_.size(); ++i) {
            const Indexed& p = patterns_[i];
            const std::string realm = RealmUtf8(p.realm);
            const auto ref = static_cast<PatternRef>(i);
            byNames_.try_emplace(NamesKey(realm, View(p.skill), View(p.category), View(p.name)), ref);
            if (p.material == 0) continue;
            for (const Language language : {Language::German, Language::English}) {
                byNames_.try_emplace(NamesKey(realm, View(p.skill), View(p.category), MaterialUtf8(language, p.material)),
                                     ref);
            }
        }
    }
    const auto found = byNames_.find(NamesKey(key.realm, key.skill, key.category, key.pattern));
    return found == byNames_.end() ? kNoPattern : found->second;
}

std::span<const std::uint32_t> PatternIndex::LineRanks() const {
    if (ranks_.size() == lines_.size()) return ranks_;
    std::vector<std::string> folded(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) FoldInto(folded[i], lines_[i].name);
    std::vector<std::uint32_t> order(lines_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (folded[a] != folded[b]) return folded[a] < folded[b];
        return lines_[a].name < lines_[b].name;
    });
    ranks_.assign(lines_.size(), 0);
    for (std::size_t place = 0; place < order.size(); ++place) ranks_[order[place]] = static_cast<std::uint32_t>(place);
    return ranks_;
}

}  // namespace artisanscope
