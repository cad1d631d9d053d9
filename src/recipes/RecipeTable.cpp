#include "recipes/RecipeTable.h"

namespace artisanscope {

namespace {

// A u16 of a record whose extent was checked, at a position the layout
// places inside it (FieldsInsideRecords): the read always fits.
inline std::uint16_t U16In(const ByteView& record, std::uint64_t offset) { return record.U16leAt(offset).value_or(0); }
inline std::uint32_t U32In(const ByteView& record, std::uint64_t offset) { return record.U32leAt(offset).value_or(0); }

// A field of `width` bytes (2 or 4) of such a record; 0 for a field the
// layout lacks (width 0).
inline std::uint32_t ReadField(const ByteView& record, std::uint64_t offset, std::uint32_t width) {
    return width == 4 ? U32In(record, offset) : width == 2 ? U16In(record, offset) : 0;
}

// Decodes a pattern record whose extent has been checked, in the layout
// Fixed when one is given, else in `layout`. The instance for kLayout102
// has every field position and width folded into its code: the walk decodes
// one pattern per shown recipe.
template <const TableLayout* Fixed>
void DecodePattern(const ByteView& record, const TableLayout& layout, PatternRecord& pattern) {
    const TableLayout& l = Fixed != nullptr ? *Fixed : layout;
    // Always false (the caller cut the record to this size); it tells the
    // compiler that every read below fits, so the per-field checks fold away.
    if (record.size() < l.patternRecordSize) return;
    pattern.name = ReadField(record, 0, l.patternNameWidth);
    pattern.material = ReadField(record, l.patternMaterialOffset, l.patternMaterialWidth);
    pattern.data1 = static_cast<std::uint16_t>(ReadField(record, l.patternDataOffset, l.patternDataWidth));
    pattern.data2 = static_cast<std::uint16_t>(ReadField(record, l.patternDataOffset + 2, l.patternDataWidth));
    pattern.data3 = static_cast<std::uint16_t>(ReadField(record, l.patternDataOffset + 4, l.patternDataWidth));
    pattern.skill = U16In(record, l.patternSkillOffset);
    pattern.lvl = static_cast<std::uint16_t>(ReadField(record, l.patternLvlOffset, l.patternDataWidth));
    pattern.data5 = static_cast<std::uint16_t>(ReadField(record, l.patternData5Offset, l.patternDataWidth));
    for (std::size_t k = 0; k < kIngredientSlots; ++k) {
        const std::uint64_t slot = l.patternSlotsOffset + l.slotSize * k;
        pattern.slots[k].name = ReadField(record, slot, l.slotNameWidth);
        pattern.slots[k].quantity = U16In(record, slot + l.slotQuantityOffset);
        pattern.slots[k].material = U16In(record, slot + l.slotMaterialOffset);
    }
}

}  // namespace

std::uint32_t RecipeTableView::Field(ByteView record, std::uint64_t offset, std::uint32_t width) const {
    return ReadField(record, offset, width);
}

VersionRule VersionRuleFor(std::uint32_t version) {
    if (version < kCurrentTableVersion) return VersionRule::Legacy;
    if (version == kCurrentTableVersion) return VersionRule::Current;
    return VersionRule::Newer;
}

RecipeTableView::RecipeTableView(ByteView image, const TableLayout& layout) : image_(image), layout_(layout) {
    const auto offsetTablePos = image_.U32leAt(RecipeTableHeader::kStringOffsetTablePosOffset);
    const auto poolPos = image_.U32leAt(RecipeTableHeader::kStringPoolPosOffset);
    if (offsetTablePos && poolPos) {
        stringOffsetTable_ = RecipeTableHeader::kSize + std::uint64_t{*offsetTablePos};
        stringPool_ = RecipeTableHeader::kSize + std::uint64_t{*poolPos};
        hasStringArea_ = true;
    }
}

std::optional<RealmEntry> RecipeTableView::Realm(std::size_t r) const {
    if (r >= kRealmCount) return std::nullopt;
    const auto entry = image_.Sub(RecipeTableHeader::kFirstRealmEntryOffset + RecipeTableHeader::kRealmEntrySize * r,
                                  RecipeTableHeader::kRealmEntrySize);
    if (!entry) return std::nullopt;
    RealmEntry realm;
    realm.categoryCount = U32In(*entry, RealmEntry::kCategoryCountOffset);
    realm.patternTableOffset = U32In(*entry, RealmEntry::kPatternTableOffsetOffset);
    realm.categoryTableOffset = U32In(*entry, RealmEntry::kCategoryTableOffsetOffset);
    realm.skillTableOffset = U32In(*entry, RealmEntry::kSkillTableOffsetOffset);
    return realm;
}

std::optional<SkillRecord> RecipeTableView::Skill(const RealmEntry& realm, std::size_t slot) const {
    if (slot >= kSkillSlots) return std::nullopt;
    const std::uint64_t at = std::uint64_t{realm.skillTableOffset} + kSkillTableLeadIn + layout_.skillRecordSize * slot;
    const auto record = image_.Sub(at, layout_.skillRecordSize);
    if (!record) return std::nullopt;
    SkillRecord skill;
    skill.data1 = static_cast<std::uint16_t>(Field(*record, layout_.skillDataOffset, layout_.skillDataWidth));
    skill.data2 = static_cast<std::uint16_t>(Field(*record, layout_.skillDataOffset + 2, layout_.skillDataWidth));
    skill.data3 = static_cast<std::uint16_t>(Field(*record, layout_.skillDataOffset + 4, layout_.skillDataWidth));
    skill.name = U16In(*record, layout_.skillNameOffset);
    skill.slot = static_cast<std::uint8_t>(slot);
    // Inside the record for both layouts (FieldsInsideRecords).
    skill.categories = *record->Sub(layout_.skillCategoriesOffset, 2 * kCategoryPositions);
    return skill;
}

std::optional<CategoryRecord> RecipeTableView::Category(const RealmEntry& realm, std::uint32_t index) const {
    const std::uint64_t at = std::uint64_t{realm.categoryTableOffset} + layout_.categoryRecordSize * index;
    const auto record = image_.Sub(at, layout_.categoryRecordSize);
    if (!record) return std::nullopt;
    CategoryRecord category;
    category.name = Field(*record, 0, layout_.categoryNameWidth);
    // Inside the record for both layouts (FieldsInsideRecords).
    category.patterns = *record->Sub(layout_.categoryPatternsOffset, 2 * kPatternPositions);
    return category;
}

std::optional<PatternRecord> RecipeTableView::Pattern(const RealmEntry& realm, std::uint32_t index) const {
    const std::uint64_t at = std::uint64_t{realm.patternTableOffset} + layout_.patternRecordSize * index;
    // Decoded straight into the returned object: a record built aside and
    // copied in would be read back in wide loads right after its narrow
    // stores, which stalls.
    std::optional<PatternRecord> pattern;
    const auto record = image_.Sub(at, layout_.patternRecordSize);
    if (!record) return pattern;
    pattern.emplace();
    if (layout_.version == kLayout102.version) {
        DecodePattern<&kLayout102>(*record, layout_, *pattern);
    } else {
        DecodePattern<nullptr>(*record, layout_, *pattern);
    }
    return pattern;
}

std::string_view RecipeTableView::String(std::uint32_t index) const {
    if (!hasStringArea_) return {};
    const std::uint64_t entry = stringOffsetTable_ + std::uint64_t{layout_.stringOffsetWidth} * index;
    std::optional<std::uint32_t> poolOffset;
    if (layout_.stringOffsetWidth == 4) {
        poolOffset = image_.U32leAt(entry);
    } else if (const auto narrow = image_.U16leAt(entry)) {
        poolOffset = *narrow;
    }
    if (!poolOffset) return {};
    return image_.CStringAt(stringPool_ + *poolOffset).value_or(std::string_view());
}

NameText RecipeTableView::PatternName(const PatternRecord& pattern, Language language) const {
    NameText name;
    SetPatternName(name, pattern, language);
    return name;
}

void RecipeTableView::SetPatternName(NameText& out, const PatternRecord& pattern, Language language) const {
    if (pattern.material != 0) {
        SetMaterialName(out, language, pattern.material);
    } else {
        out.SetName(String(pattern.name));
    }
}

}  // namespace artisanscope
