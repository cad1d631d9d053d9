#pragma once
// Bounded, read-only view of a recipe table image (tdl.crf) in either of its
// two layouts: version 102 and the narrower legacy version 101. Records are
// decoded by copying their fields out of the image; nothing is ever written.
//
// Every lookup is checked against the image length: a record that would not
// lie wholly inside the image is absent (the walk skips it with everything
// below it), and a string whose offset entry, start or terminating NUL lies
// outside reads as empty text.

#include "archive/ByteView.h"
#include "recipes/Names.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace artisanscope {

// Positions inside the 76-byte header. The two string-area positions count
// from the end of the header (image offset 76); table offsets in the realm
// entries count from the start of the image.
struct RecipeTableHeader {
    static constexpr std::uint64_t kVersionOffset = 0;
    static constexpr std::uint64_t kStringOffsetTablePosOffset = 4;
    static constexpr std::uint64_t kStringPoolPosOffset = 12;
    static constexpr std::uint64_t kFirstRealmEntryOffset = 16;
    static constexpr std::uint64_t kRealmEntrySize = 20;
    static constexpr std::uint64_t kSize = 76;
};

// One of the three realm entries of the header (20 bytes).
struct RealmEntry {
    static constexpr std::uint64_t kCategoryCountOffset = 4;
    static constexpr std::uint64_t kPatternTableOffsetOffset = 8;
    static constexpr std::uint64_t kCategoryTableOffsetOffset = 12;
    static constexpr std::uint64_t kSkillTableOffsetOffset = 16;

    std::uint32_t categoryCount = 0;
    std::uint32_t patternTableOffset = 0;
    std::uint32_t categoryTableOffset = 0;
    std::uint32_t skillTableOffset = 0;
};

inline constexpr std::size_t kSkillSlots = 19;
inline constexpr std::size_t kCategoryPositions = 200;
inline constexpr std::size_t kPatternPositions = 50;
inline constexpr std::size_t kIngredientSlots = 8;
// Bytes at the start of a skill table in front of its first skill record.
inline constexpr std::uint64_t kSkillTableLeadIn = 402;
// Patterns whose skill value is above this are hidden outside debug mode.
inline constexpr std::uint16_t kHiddenSkillAbove = 2000;

// Field positions and widths of one layout. Widths are in bytes (2 or 4);
// debug-only fields of a layout that lacks them have width 0 and read as 0.
struct TableLayout {
    std::uint32_t version;  // the table version this layout belongs to
    std::uint32_t stringOffsetWidth;

    std::uint64_t skillRecordSize;
    std::uint64_t skillDataOffset;  // data1..data3 as three u16
    std::uint32_t skillDataWidth;
    std::uint64_t skillNameOffset;  // u16 in both layouts
    std::uint64_t skillCategoriesOffset;  // 200 x u16

    std::uint64_t categoryRecordSize;
    std::uint32_t categoryNameWidth;  // at offset 0
    std::uint64_t categoryPatternsOffset;  // 50 x u16

    std::uint64_t patternRecordSize;
    std::uint32_t patternNameWidth;  // at offset 0
    std::uint64_t patternMaterialOffset;
    std::uint32_t patternMaterialWidth;
    std::uint64_t patternDataOffset;  // data1..data3 as three u16
    std::uint32_t patternDataWidth;
    std::uint64_t patternSkillOffset;
    std::uint64_t patternLvlOffset;   // width patternDataWidth
    std::uint64_t patternData5Offset;  // width patternDataWidth
    std::uint64_t patternSlotsOffset;  // 8 slots of slotSize

    std::uint64_t slotSize;
    std::uint32_t slotNameWidth;  // at offset 0
    std::uint64_t slotQuantityOffset;
    std::uint64_t slotMaterialOffset;
};

inline constexpr TableLayout kLayout102{
    .version = 102,
    .stringOffsetWidth = 4,
    .skillRecordSize = 408, .skillDataOffset = 0, .skillDataWidth = 2, .skillNameOffset = 6,
    .skillCategoriesOffset = 8,
    .categoryRecordSize = 104, .categoryNameWidth = 4, .categoryPatternsOffset = 4,
    .patternRecordSize = 84, .patternNameWidth = 4, .patternMaterialOffset = 4, .patternMaterialWidth = 4,
    .patternDataOffset = 8, .patternDataWidth = 2, .patternSkillOffset = 14, .patternLvlOffset = 16,
    .patternData5Offset = 18, .patternSlotsOffset = 20,
    .slotSize = 8, .slotNameWidth = 4, .slotQuantityOffset = 4, .slotMaterialOffset = 6,
};

// No debug fields: skill data, pattern data, level and data5 have width 0.
inline constexpr TableLayout kLayout101{
    .version = 101,
    .stringOffsetWidth = 2,
    .skillRecordSize = 406, .skillDataOffset = 0, .skillDataWidth = 0, .skillNameOffset = 4,
    .skillCategoriesOffset = 6,
    .categoryRecordSize = 102, .categoryNameWidth = 2, .categoryPatternsOffset = 2,
    .patternRecordSize = 64, .patternNameWidth = 2, .patternMaterialOffset = 2, .patternMaterialWidth = 2,
    .patternDataOffset = 0, .patternDataWidth = 0, .patternSkillOffset = 10, .patternLvlOffset = 0,
    .patternData5Offset = 0, .patternSlotsOffset = 16,
    .slotSize = 6, .slotNameWidth = 2, .slotQuantityOffset = 2, .slotMaterialOffset = 4,
};

// Every field of a layout lies inside its record: the 200 category
// positions inside the skill record, the 50 pattern positions inside the
// category record, the eight slots inside the pattern record. The reads of
// RecipeTableView that take a record's sub-views unchecked rest on this.
constexpr bool FieldsInsideRecords(const TableLayout& l) {
    const auto inside = [](std::uint64_t offset, std::uint64_t width, std::uint64_t size) {
        return width == 0 || offset + width <= size;
    };
    return inside(l.skillDataOffset, 3 * std::uint64_t{l.skillDataWidth}, l.skillRecordSize) &&
           inside(l.skillNameOffset, 2, l.skillRecordSize) &&
           inside(l.skillCategoriesOffset, 2 * kCategoryPositions, l.skillRecordSize) &&
           inside(0, l.categoryNameWidth, l.categoryRecordSize) &&
           inside(l.categoryPatternsOffset, 2 * kPatternPositions, l.categoryRecordSize) &&
           inside(0, l.patternNameWidth, l.patternRecordSize) &&
           inside(l.patternMaterialOffset, l.patternMaterialWidth, l.patternRecordSize) &&
           inside(l.patternDataOffset, 3 * std::uint64_t{l.patternDataWidth}, l.patternRecordSize) &&
           inside(l.patternSkillOffset, 2, l.patternRecordSize) &&
           inside(l.patternLvlOffset, l.patternDataWidth, l.patternRecordSize) &&
           inside(l.patternData5Offset, l.patternDataWidth, l.patternRecordSize) &&
           inside(l.patternSlotsOffset, l.slotSize * kIngredientSlots, l.patternRecordSize) &&
           inside(0, l.slotNameWidth, l.slotSize) && inside(l.slotQuantityOffset, 2, l.slotSize) &&
           inside(l.slotMaterialOffset, 2, l.slotSize);
}
static_assert(FieldsInsideRecords(kLayout102));
static_assert(FieldsInsideRecords(kLayout101));
// The version-101 records are the version-102 ones with narrower names and
// without the debug fields: never larger.
static_assert(kLayout101.skillRecordSize <= kLayout102.skillRecordSize &&
              kLayout101.categoryRecordSize <= kLayout102.categoryRecordSize &&
              kLayout101.patternRecordSize <= kLayout102.patternRecordSize &&
              kLayout101.slotSize <= kLayout102.slotSize);

enum class VersionRule { Legacy, Current, Newer };
inline constexpr std::uint32_t kCurrentTableVersion = 102;
inline constexpr std::uint32_t kLegacyTableVersion = 101;
VersionRule VersionRuleFor(std::uint32_t version);

struct SkillRecord {
    std::uint16_t data1 = 0, data2 = 0, data3 = 0;
    std::uint16_t name = 0;
    std::uint8_t slot = 0;  // the record's place in its realm's skill table, 0..18
    ByteView categories;  // exactly 200 u16 entries
    // The entry at position (0..199); nothing beyond.
    std::optional<std::uint16_t> Category(std::size_t position) const {
        return categories.U16leAt(2 * std::uint64_t{position});
    }
};

struct CategoryRecord {
    std::uint32_t name = 0;
    ByteView patterns;  // exactly 50 u16 entries
    // The entry at position (0..49); nothing beyond.
    std::optional<std::uint16_t> Pattern(std::size_t position) const {
        return patterns.U16leAt(2 * std::uint64_t{position});
    }
};

struct IngredientSlot {
    std::uint32_t name = 0;
    std::uint16_t quantity = 0;
    std::uint16_t material = 0;
};

struct PatternRecord {
    std::uint32_t name = 0;
    std::uint32_t material = 0;
    std::uint16_t data1 = 0, data2 = 0, data3 = 0;
    std::uint16_t skill = 0;
    std::uint16_t lvl = 0;
    std::uint16_t data5 = 0;
    std::array<IngredientSlot, kIngredientSlots> slots{};
};

class RecipeTableView {
public:
    RecipeTableView(ByteView image, const TableLayout& layout);

    // The u32 at offset 0; 0 when the image is shorter than four bytes.
    std::uint32_t version() const { return image_.U32leAt(RecipeTableHeader::kVersionOffset).value_or(0); }

    // Realm entry r (0..2); absent when it lies outside the image.
    std::optional<RealmEntry> Realm(std::size_t r) const;
    std::optional<SkillRecord> Skill(const RealmEntry& realm, std::size_t slot) const;
    // Category record by index; the categoryCount bound is the caller's test.
    std::optional<CategoryRecord> Category(const RealmEntry& realm, std::uint32_t index) const;
    std::optional<PatternRecord> Pattern(const RealmEntry& realm, std::uint32_t index) const;

    // Text of a string index, without its NUL; empty when it cannot be read.
    std::string_view String(std::uint32_t index) const;

    NameText PatternName(const PatternRecord& pattern, Language language) const;
    // PatternName into out.
    void SetPatternName(NameText& out, const PatternRecord& pattern, Language language) const;

private:
    std::uint32_t Field(ByteView record, std::uint64_t offset, std::uint32_t width) const;

    ByteView image_;
    TableLayout layout_;  // kLayout102 or kLayout101
    std::uint64_t stringOffsetTable_ = 0;
    std::uint64_t stringPool_ = 0;
    bool hasStringArea_ = false;
};

}  // namespace artisanscope
