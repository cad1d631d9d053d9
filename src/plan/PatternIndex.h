#pragma once
// A compact index of the patterns one load shows, filled as a consumer of
// the walk: per pattern its realm, skill, category and pattern names (UTF-8,
// as the CSV export shows them), its table index, the tree item a tree
// filled by the same walk gives it, and its filled ingredient slots. Every
// slot refers to an ingredient line: one distinct ingredient of a plan's
// totals, a slot text with its material or a slot text without one.
//
// A walk always begins with realm 0; that event empties the index, so it
// holds the last walk it was given. Lookups by key are built on first use.
// When memory runs out (or the names outgrow 4 GiB) the walk's sink call
// throws std::bad_alloc, which the load reports as memory that ran out; the
// index then holds part of a walk and fewer items than the tree.

#include "table/RecipeTreeStore.h"
#include "table/RecipeWalk.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace artisanscope {

// A pattern's place in the index, in walk order.
using PatternRef = std::uint32_t;
inline constexpr PatternRef kNoPattern = 0xFFFFFFFFu;

// What a plan stores of a pattern: names as the CSV export shows them
// (UTF-8) and the table index (as the JSON export's "index").
struct PatternKey {
    std::string realm, skill, category, pattern;
    std::optional<std::uint16_t> index;  // none: found by its names only
    bool operator==(const PatternKey&) const = default;
};

// One distinct ingredient of the totals. Texts are code page 1252.
struct IngredientLine {
    std::string unit;        // the slot text when the slot has a material, else empty
    std::string ingredient;  // the material's name, or the slot text
    std::uint16_t material = 0;  // 0: none
    std::string name;        // as the tree shows it without quantity: "unit: ingredient", or ingredient
};

struct IndexedSlot {
    std::uint32_t line = 0;  // into Line()
    std::uint16_t quantity = 0;
};

class PatternIndex final : public RecipeSink {
public:
    void Realm(std::size_t realm, std::string_view name) override;
    void Skill(const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(std::size_t position, std::uint32_t index, std::uint32_t categoryCount) override;
    void Category(std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(const ResolvedPattern& pattern) override;

    void Clear();
    std::size_t size() const { return patterns_.size(); }
    // Counts the walks begun (and clears): the same generation holds the
    // same patterns.
    std::uint64_t generation() const { return generation_; }
    // Items of a tree filled by the same walk, the root not counted: a tree
    // of another size was not filled by the walk this index holds.
    std::size_t treeItems() const { return items_; }

    // The pattern whose tree item is item, or kNoPattern.
    PatternRef PatternAtItem(TreeItem item) const;
    // The tree item of pattern (a ref below size()).
    TreeItem ItemOf(PatternRef pattern) const { return patterns_[pattern].item; }
    PatternKey KeyOf(PatternRef pattern) const;
    std::string_view PatternName(PatternRef pattern) const;  // UTF-8, as shown

    // The pattern key stands for: by realm and table index when the names
    // there still agree (a name the key leaves empty agrees with any),
    // otherwise the first with the same names; the pattern name of a
    // pattern named after a material agrees in either language. kNoPattern
    // when there is none.
    PatternRef Find(const PatternKey& key) const;

    std::span<const IndexedSlot> Slots(PatternRef pattern) const;
    std::size_t lineCount() const { return lines_.size(); }
    const IngredientLine& Line(std::uint32_t line) const { return lines_[line]; }
    // Each line's place in the order totals are shown in: by name, folded
    // as the find rule folds, then by bytes.
    std::span<const std::uint32_t> LineRanks() const;

private:
    struct Text {
        std::uint32_t begin = 0, size = 0;  // into pool_
    };
    struct Indexed {
        TreeItem item = 0;
        Text skill, category, name;
        std::uint32_t firstSlot = 0;
        std::uint16_t index = 0;
        std::uint16_t material = 0;  // named after this material; 0: by its own name
        std::uint8_t realm = 0;
        std::uint8_t slotCount = 0;
    };
    // A slot string by its place in the table image (valid during one walk).
    struct SlotPlace {
        const char* text = nullptr;
        std::size_t size = 0;
        std::uint16_t material = 0;
        std::uint32_t line = 0;
    };
    static constexpr std::size_t kPlaceCacheSize = 4096;  // a power of two
    static constexpr std::size_t kMaxPoolBytes = 0xFFFFFFFFu;

    Text Keep(std::string_view cp1252);
    std::string_view View(Text text) const { return std::string_view(pool_).substr(text.begin, text.size); }
    bool NamesAgree(const Indexed& indexed, const PatternKey& key) const;
    std::uint32_t LineOf(const ResolvedIngredient& ingredient);

    std::string pool_;  // UTF-8 names, back to back
    std::vector<Indexed> patterns_;
    std::vector<IndexedSlot> slots_;
    std::vector<IngredientLine> lines_;
    std::size_t items_ = 0;
    std::uint64_t generation_ = 0;
    std::uint8_t realm_ = 0;
    Text skill_, category_;
    // During a walk: lines by the place of their slot string in the table
    // image (direct-mapped, most slots share few strings), then by bytes.
    std::vector<SlotPlace> linesByPlace_ = std::vector<SlotPlace>(kPlaceCacheSize);
    std::unordered_map<std::string, std::uint32_t> linesByText_;
    // Built on first use after a walk.
    mutable std::vector<std::uint64_t> byIndex_;  // (realm << 48 | index << 32 | ref), sorted
    mutable std::unordered_map<std::string, PatternRef> byNames_;
    mutable std::vector<std::uint32_t> ranks_;
};

}  // namespace artisanscope
