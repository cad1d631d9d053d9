#include "export/CsvExport.h"

#include "io/CsvField.h"
#include "io/Decimal.h"

#include <cstdint>

namespace artisanscope {
namespace {

// Most bytes one text byte becomes in a field: three in UTF-8, two for a
// doubled quote; plus the two quotes around it.
std::size_t CsvFieldBound(std::string_view text) { return 3 * text.size() + 2; }

// The field of text (code page 1252) into a line: as it is when it asks for
// nothing, else converted and quoted through scratch.
void PutCsvField(TextCursor& line, std::string_view text, std::string& scratch) {
    if (CsvFieldAsItIs(text)) {
        line.Text(text);
        return;
    }
    scratch.clear();
    AppendCsvField(scratch, text);
    line.Text(scratch);
}

}  // namespace

void CsvExport::Begin(const ExportStart& start) {
    debug_ = start.debugColumns;
    std::string header(kCsvHeader);
    if (debug_) header += kCsvDebugHeader;
    AppendCsvHeader(out_.buffer(), header);
}

void CsvExport::Realm(std::size_t, std::string_view name) {
    realm_.clear();
    AppendCsvField(realm_, name);
    realm_ += ',';
}

void CsvExport::Skill(const SkillRecord& skill, std::string_view name) {
    skill_.clear();
    AppendCsvField(skill_, name);
    skill_ += ',';
    skillData_.clear();
    for (const std::uint16_t value : {skill.data1, skill.data2, skill.data3}) {
        skillData_ += ',';
        AppendDecimal(skillData_, value);
    }
}

void CsvExport::Category(std::size_t, std::uint32_t, std::string_view name) {
    rowStart_ = realm_;
    rowStart_ += skill_;
    AppendCsvField(rowStart_, name);
    rowStart_ += ',';
}

// Every row of a pattern shares its first five columns and, in debug mode,
// its last seven; only the ingredient columns between them differ.
void CsvExport::Pattern(const ResolvedPattern& pattern) {
    const PatternRecord& record = *pattern.record;
    patternStart_ = rowStart_;
    AppendCsvField(patternStart_, pattern.name.view());
    patternStart_ += ',';
    AppendDecimal(patternStart_, record.skill);
    patternStart_ += ',';

    patternEnd_.clear();
    if (debug_) {
        patternEnd_ += skillData_;
        for (const std::uint16_t value : {record.data1, record.data2, record.data3, record.data5}) {
            patternEnd_ += ',';
            AppendDecimal(patternEnd_, value);
        }
    }
    patternEnd_ += kCsvLineEnd;

    constexpr std::size_t kNumber = kMaxDecimalDigits + 1;  // digits and ","
    std::size_t length = patternStart_.size() + 4 + patternEnd_.size();
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        length += patternStart_.size() + 3 * kNumber + 1 + CsvFieldBound(ingredient.text) +
                  CsvFieldBound(ingredient.materialName.view()) + patternEnd_.size();
    }
    TextCursor line = out_.Claim(length);
    if (pattern.ingredientCount == 0) {
        line.Text(patternStart_);
        line.Text(",,,,");
        line.Text(patternEnd_);
    }
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        line.Text(patternStart_);
        line.Decimal(ingredient.slot + 1u);
        line.Char(',');
        line.Decimal(ingredient.quantity);
        line.Char(',');
        if (ingredient.material == 0) {
            line.Char(',');
            PutCsvField(line, ingredient.text, field_);
            line.Char(',');
        } else {
            PutCsvField(line, ingredient.text, field_);
            line.Char(',');
            PutCsvField(line, ingredient.materialName.view(), field_);
            line.Char(',');
            line.Decimal(ingredient.material);
        }
        line.Text(patternEnd_);
    }
    out_.Commit(line);
}

}  // namespace artisanscope
