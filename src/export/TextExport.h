#pragma once
// The semicolon-separated text export: one header line, then one line per
// shown pattern, CR LF line ends, the table's bytes unchanged, no quoting.
// Lines are gathered in memory and written in large blocks.

#include "io/BlockOutput.h"
#include "load/ExportWriter.h"

#include <cstdio>
#include <string>

namespace artisanscope {

inline constexpr std::string_view kTextHeader =
    "Realm;Beruf;Item;Item level;skill;mat1_count;mat1_einheit;mat1_name;....\r\n";
inline constexpr std::string_view kTextHeaderDebug =
    "Realm;Beruf;Item;Item level;skill;cat_unkown1;cat_unkown2;cat_unkown3;rec_unknown1;rec_unknown2;"
    "rec_unknown3;rec_unknown4;mat1_count;mat1_einheit;mat1_name;....\r\n";

class TextExport final : public ExportWriter {
public:
    // The stream stays the caller's; the export only writes to it, and only
    // until End(): what is gathered when it is destroyed without one is
    // thrown away (the caller may have closed the stream by then).
    explicit TextExport(std::FILE* file) : out_(file) {}
    TextExport(const TextExport&) = delete;
    TextExport& operator=(const TextExport&) = delete;

    // The header line (the debug one in debug mode, whatever the version).
    void Begin(const ExportStart& start) override;
    void End() override { out_.WriteBlock(); }
    WriteFailure Failure() const override { return out_.failure(); }

    void Realm(std::size_t, std::string_view name) override { realm_ = name; }
    void Skill(const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(std::size_t, std::uint32_t, std::uint32_t) override {}
    void Category(std::size_t, std::uint32_t, std::string_view name) override;
    void Pattern(const ResolvedPattern& pattern) override;

private:
    BlockOutput out_;
    bool debug_ = false;  // the debug columns
    std::string_view realm_, skill_;
    std::string linePrefix_;  // "realm;skill;category;" of the current category
    std::uint16_t skillData_[3] = {0, 0, 0};
};

}  // namespace artisanscope
