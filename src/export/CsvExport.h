#pragma once
// The CSV export for today's spreadsheets: RFC 4180 (comma separator, CR LF
// line ends, a field quoted when it holds a comma, a double quote, CR or LF,
// quotes doubled inside), UTF-8 behind a byte-order mark. One header row,
// then one row per filled ingredient slot of each shown pattern, in walk
// order; a pattern without filled slots gets one row with the ingredient
// columns empty.

#include "io/BlockOutput.h"
#include "load/ExportWriter.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace artisanscope {

inline constexpr std::string_view kCsvHeader =
    "realm,skill,category,pattern,skill_level,slot,quantity,unit,ingredient,material_id";
inline constexpr std::string_view kCsvDebugHeader =
    ",skill_data1,skill_data2,skill_data3,pattern_data1,pattern_data2,pattern_data3,pattern_data5";

class CsvExport final : public ExportWriter {
public:
    // Writes to file, which the caller opened for binary writing and closes.
    explicit CsvExport(std::FILE* file) : out_(file) {}

    void Begin(const ExportStart& start) override;
    void Realm(std::size_t realm, std::string_view name) override;
    void Skill(const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(std::size_t, std::uint32_t, std::uint32_t) override {}
    void Category(std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(const ResolvedPattern& pattern) override;
    void End() override { out_.WriteBlock(); }
    WriteFailure Failure() const override { return out_.failure(); }

private:
    BlockOutput out_;
    bool debug_ = false;
    // Finished fields, each with its trailing comma: "realm," "skill," and
    // "realm,skill,category,".
    std::string realm_, skill_, rowStart_;
    std::string skillData_;  // ",data1,data2,data3" of the current skill
    std::string patternStart_, patternEnd_;
    std::string field_;  // a field being converted or quoted
};

}  // namespace artisanscope
