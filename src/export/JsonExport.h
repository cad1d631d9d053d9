#pragma once
// The JSON export: one UTF-8 object, indented two spaces, written as a stream
// during the walk (only the open objects of the current path are kept):
//   {"generator", "table_version", "language", "debug", "realms": [
//     {"name", "skills": [{"slot", "name", ["data",] "categories": [
//       {"index", "name", "patterns": [{"index", "name", "skill_level",
//         ["data",] "ingredients": [{"slot", "quantity", "unit", "name",
//         "material_id"}]}]}]}]}]}
// "data" only when the walk delivers debug values; "unit" and "material_id"
// are null for a slot without a material.

#include "load/ExportWriter.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace artisanscope {

class JsonExport final : public ExportWriter {
public:
    // Writes to file, which the caller opened for binary writing and closes.
    // generator names the program in the document ("Artisanscope 1.1.0.0").
    JsonExport(std::FILE* file, std::string_view generator);
    ~JsonExport() override;
    JsonExport(const JsonExport&) = delete;
    JsonExport& operator=(const JsonExport&) = delete;

    void Begin(const ExportStart& start) override;
    void Realm(TreeItem item, std::size_t realm, std::string_view name) override;
    void Skill(TreeItem item, const SkillRecord& skill, std::string_view name) override;
    void Category(TreeItem item, std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(TreeItem item, const ResolvedPattern& pattern) override;
    void End() override;
    WriteFailure Failure() const override;

private:
    struct Output;
    std::unique_ptr<Output> out_;
};

}  // namespace artisanscope
