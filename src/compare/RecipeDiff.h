#pragma once
// Compares two recipe tables as the walk shows them. Each side is collected
// by a RecipeDiffCollector fed by the walk; CompareRecipeTables pairs the
// patterns of both sides and builds a DiffReport: a flat list of entries
// grouped by realm, skill and category in the new table's order, with the
// items only the old table has placed where they stood in it.
//
// A pattern is identified by its realm, its skill's name, its category's
// name, its shown name and its occurrence number: the n-th pattern of a name
// under one (realm, skill name, category name) pairs with the n-th of that
// name on the other side, counted in walk order over every place that group
// is shown. A pair is changed when its skill value, its filled ingredient
// slots (position, quantity, slot text, material) or, when both sides carry
// them, its debug values differ.
//
// Texts are kept in code page 1252 as the table has them; the line texts of
// the report are UTF-8.

#include "load/ExportWriter.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace artisanscope {

// Texts shared by both sides of a comparison, so that equal texts have equal
// ids. Id 0 is the empty text.
class TextPool {
public:
    TextPool();
    TextPool(const TextPool&) = delete;
    TextPool& operator=(const TextPool&) = delete;

    std::uint32_t Intern(std::string_view text);
    std::string_view Text(std::uint32_t id) const { return id < views_.size() ? views_[id] : std::string_view(); }

private:
    std::deque<std::string> texts_;  // a deque never moves what it holds
    std::vector<std::string_view> views_;
    std::unordered_map<std::string_view, std::uint32_t> ids_;
};

// One filled ingredient slot of a collected pattern.
struct DiffSlot {
    std::uint32_t text = 0;       // TextPool id of the slot's own string
    std::uint16_t quantity = 0;
    std::uint16_t material = 0;   // 0: none
    std::uint8_t position = 0;    // 0..7 in the record
};

// One shown pattern of one side, in walk order.
struct DiffPattern {
    std::uint32_t skillName = 0;     // TextPool ids
    std::uint32_t categoryName = 0;
    std::uint32_t name = 0;          // the shown name
    std::uint32_t firstSlot = 0;     // into DiffSide::filledSlots
    TreeItem item = 0;               // the walk's number for it
    std::uint16_t skill = 0;
    // data1, data2, data3, lvl, data5; zero unless the side has debug values
    std::array<std::uint16_t, 5> debug{};
    std::uint8_t realm = 0;
    std::uint8_t slotCount = 0;
    bool filterShows = true;         // a find filter shows it (true without one)
};

// The (realm, skill name) and (realm, skill name, category name) groups of a
// side, each at its first place in walk order.
struct DiffGroup {
    std::uint8_t realm = 0;
    std::uint32_t skillName = 0;
    std::uint32_t categoryName = 0;  // 0 for a skill group
    bool operator==(const DiffGroup&) const = default;
};

// Everything one side contributes to a comparison.
struct DiffSide {
    std::uint32_t tableVersion = 0;
    bool debugValues = false;  // the walk delivered debug values
    bool filtered = false;     // a find filter decided filterShows
    std::vector<DiffPattern> patterns;
    std::vector<DiffSlot> filledSlots;
    std::vector<DiffGroup> skills;
    std::vector<DiffGroup> categories;
};

// Collects one side. Shares the TextPool with the other side's collector.
class RecipeDiffCollector final : public ExportWriter {
public:
    explicit RecipeDiffCollector(TextPool& pool) : pool_(pool), cache_(kCacheSlots) {}

    void Begin(const ExportStart& start) override;
    void End() override {}

    void Realm(TreeItem item, std::size_t realm, std::string_view name) override;
    void Skill(TreeItem item, const SkillRecord& skill, std::string_view name) override;
    void Category(TreeItem item, std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(TreeItem item, const ResolvedPattern& pattern) override;

    const DiffSide& side() const { return side_; }
    DiffSide TakeSide() { return std::move(side_); }

private:
    // The pool id of a string of the table being walked. Such strings stay
    // where they are for the whole walk, so their address identifies them;
    // a small direct-mapped cache of addresses spares most hash lookups.
    std::uint32_t TableText(std::string_view text);
    // The pool id of a pattern's shown name.
    std::uint32_t PatternName(const ResolvedPattern& pattern);

    struct CachedText {
        const char* data = nullptr;
        std::size_t size = 0;
        std::uint32_t id = 0;
    };
    static constexpr std::size_t kCacheSlots = 4096;

    TextPool& pool_;
    std::vector<CachedText> cache_;
    std::unordered_map<std::uint32_t, std::uint32_t> materialNames_;  // material id -> pool id
    // (skill name, category name) of the current realm's category groups.
    std::unordered_set<std::uint64_t> realmCategories_;
    DiffSide side_;
    std::uint8_t realm_ = 0;
    std::uint32_t skillName_ = 0;
    std::uint32_t categoryName_ = 0;
};

class RecipeFilter;

// Restricts a side to the patterns a find filter shows, by their tree items:
// filter was applied to a tree the walk that collected the side filled.
// False when that tree lacks one of the side's patterns (it ran out of
// memory); the side is then left unrestricted.
bool RestrictToShownPatterns(DiffSide& side, const RecipeFilter& filter);

enum class DiffKind : std::uint8_t {
    Group,    // a realm, skill or category heading that holds differences
    Added,
    Removed,
    Changed,
};

enum class DiffLevel : std::uint8_t { Realm, Skill, Category, Pattern };

// One named difference of a changed pattern.
struct Difference {
    enum class Kind : std::uint8_t {
        Skill,        // the pattern's skill value
        Quantity,     // a slot present on both sides, other quantity
        Position,     // a slot present on both sides, other position (1..8)
        SlotAdded,    // newValue: the quantity
        SlotRemoved,  // oldValue: the quantity
        Debug,        // field: 0 data1, 1 data2, 2 data3, 3 lvl, 4 data5
    };
    Kind kind = Kind::Skill;
    std::uint8_t field = 0;
    std::uint16_t material = 0;  // the slot's, for the slot kinds
    std::uint32_t slotText = 0;  // TextPool id, for the slot kinds
    std::uint32_t oldValue = 0;
    std::uint32_t newValue = 0;
};

struct DiffEntry {
    DiffLevel level = DiffLevel::Realm;
    DiffKind kind = DiffKind::Group;
    std::uint8_t realm = 0;
    std::uint32_t skillName = 0;     // TextPool ids; 0 above the entry's level
    std::uint32_t categoryName = 0;
    std::uint32_t patternName = 0;
    std::uint32_t occurrence = 0;    // 1 for the first of its name; patterns only
    std::uint32_t patternCount = 0;  // an added or removed skill or category
    // Indices into the sides' patterns; kNone where the side has none.
    std::uint32_t oldPattern = kNone;
    std::uint32_t newPattern = kNone;
    std::vector<Difference> differences;  // changed patterns only

    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
};

struct DiffTotals {
    std::uint64_t added = 0;
    std::uint64_t removed = 0;
    std::uint64_t changed = 0;
};

struct DiffOptions {
    Language language = Language::German;  // names the slots' materials
    bool debug = false;                    // the sides were loaded in debug mode
};

class DiffReport {
public:
    DiffReport(std::shared_ptr<const TextPool> pool, DiffSide oldSide, DiffSide newSide, DiffOptions options);

    const std::vector<DiffEntry>& entries() const { return entries_; }
    const DiffTotals& totals() const { return totals_; }
    bool HasDifferences() const { return !entries_.empty(); }
    const DiffSide& oldSide() const { return old_; }
    const DiffSide& newSide() const { return new_; }
    const DiffOptions& options() const { return options_; }
    std::string_view Text(std::uint32_t id) const { return pool_->Text(id); }
    const std::shared_ptr<const TextPool>& pool() const { return pool_; }

    // The filled slots of a pattern of one side.
    std::span<const DiffSlot> Slots(const DiffSide& side, const DiffPattern& pattern) const;

private:
    friend class DiffBuilder;
    std::shared_ptr<const TextPool> pool_;
    DiffSide old_;
    DiffSide new_;
    DiffOptions options_;
    std::vector<DiffEntry> entries_;
    DiffTotals totals_;
};

// Pairs the patterns of both sides and builds the report. The pool is the
// one both collectors interned into.
DiffReport CompareRecipeTables(std::shared_ptr<const TextPool> pool, DiffSide oldSide, DiffSide newSide,
                               const DiffOptions& options);

}  // namespace artisanscope
