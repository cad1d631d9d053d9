#pragma once
// The semicolon-separated text export: one header line, then one line per
// shown pattern, CR LF line ends, the table's bytes unchanged, no quoting.
// Lines are gathered in memory and written in large blocks; write errors are
// left on the FILE for the caller, who checks them when closing.

#include "export/RecipeWalk.h"

#include <cstdio>
#include <string>

namespace artisanscope {

inline constexpr std::string_view kTextHeader =
    "Realm;Beruf;Item;Item level;skill;mat1_count;mat1_einheit;mat1_name;....\r\n";
inline constexpr std::string_view kTextHeaderDebug =
    "Realm;Beruf;Item;Item level;skill;cat_unkown1;cat_unkown2;cat_unkown3;rec_unknown1;rec_unknown2;"
    "rec_unknown3;rec_unknown4;mat1_count;mat1_einheit;mat1_name;....\r\n";

void WriteTextHeader(std::FILE* file, bool debugMode);

class TextExport final : public RecipeSink {
public:
    TextExport(std::FILE* file, bool debugColumns) : file_(file), debug_(debugColumns) {}
    ~TextExport() override { Flush(); }
    TextExport(const TextExport&) = delete;
    TextExport& operator=(const TextExport&) = delete;

    void Realm(std::size_t, std::string_view name) override { realm_ = name; }
    void Skill(const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(std::size_t, std::uint32_t, std::uint32_t) override {}
    void Category(std::size_t, std::uint32_t, std::string_view name) override { category_ = name; }
    void Pattern(const ResolvedPattern& pattern) override;

    void Flush();

private:
    std::FILE* file_;
    const bool debug_;
    std::string buffer_;
    std::string_view realm_, skill_, category_;
    std::uint16_t skillData_[3] = {0, 0, 0};
};

}  // namespace artisanscope
