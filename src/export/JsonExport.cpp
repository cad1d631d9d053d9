#include "export/JsonExport.h"

#include "export/BlockOutput.h"
#include "load/IngredientJson.h"
#include "recipes/Cp1252.h"

#include <rapidjson/prettywriter.h>

namespace artisanscope {
namespace {

using Writer = rapidjson::PrettyWriter<BlockOutput>;

// The open containers, outermost first; each level's array of children is
// open while its object is.
enum class Open { Nothing, Realms, Realm, Skill, Category };

}  // namespace

struct JsonExport::Output {
    Output(std::FILE* file, std::string_view generatorName) : out(file), writer(out), generator(generatorName) {
        writer.SetIndent(' ', 2);
    }

    void Text(std::string_view cp1252) {
        utf8.clear();
        AppendCp1252AsUtf8(utf8, cp1252);
        writer.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()));
    }
    // Keys are given with their quotes.
    template <std::size_t N>
    void Key(const char (&quoted)[N]) {
        WriteJsonKey(writer, quoted);
    }
    template <std::size_t N>
    void Numbers(const char (&quotedKey)[N], std::initializer_list<std::uint16_t> values) {
        Key(quotedKey);
        writer.StartArray();
        for (const std::uint16_t value : values) writer.Uint(value);
        writer.EndArray();
    }
    // Closes open containers down to (and keeping) level.
    void CloseTo(Open level) {
        while (open > level) {
            writer.EndArray();
            if (open != Open::Realms) writer.EndObject();
            open = static_cast<Open>(static_cast<int>(open) - 1);
        }
    }

    BlockOutput out;
    Writer writer;
    std::string generator;
    std::string utf8;
    Open open = Open::Nothing;
    bool debug = false;
    bool began = false;
};

JsonExport::JsonExport(std::FILE* file, std::string_view generator)
    : out_(std::make_unique<Output>(file, generator)) {}

JsonExport::~JsonExport() = default;

void JsonExport::Begin(const ExportStart& start) {
    Output& o = *out_;
    o.debug = start.debugColumns;
    o.began = true;
    o.writer.StartObject();
    o.Key("\"generator\"");
    o.Text(o.generator);
    o.Key("\"table_version\"");
    o.writer.Uint(start.tableVersion);
    o.Key("\"language\"");
    o.writer.String(start.language == Language::English ? "en" : "de");
    o.Key("\"debug\"");
    o.writer.Bool(o.debug);
    o.Key("\"realms\"");
    o.writer.StartArray();
    o.open = Open::Realms;
}

void JsonExport::Realm(std::size_t, std::string_view name) {
    Output& o = *out_;
    o.CloseTo(Open::Realms);
    o.writer.StartObject();
    o.Key("\"name\"");
    o.Text(name);
    o.Key("\"skills\"");
    o.writer.StartArray();
    o.open = Open::Realm;
}

void JsonExport::Skill(const SkillRecord& skill, std::string_view name) {
    Output& o = *out_;
    o.CloseTo(Open::Realm);
    o.writer.StartObject();
    o.Key("\"slot\"");
    o.writer.Uint(skill.slot + 1u);
    o.Key("\"name\"");
    o.Text(name);
    if (o.debug) o.Numbers("\"data\"", {skill.data1, skill.data2, skill.data3});
    o.Key("\"categories\"");
    o.writer.StartArray();
    o.open = Open::Skill;
}

void JsonExport::Category(std::size_t, std::uint32_t index, std::string_view name) {
    Output& o = *out_;
    o.CloseTo(Open::Skill);
    o.writer.StartObject();
    o.Key("\"index\"");
    o.writer.Uint(index);
    o.Key("\"name\"");
    o.Text(name);
    o.Key("\"patterns\"");
    o.writer.StartArray();
    o.open = Open::Category;
}

void JsonExport::Pattern(const ResolvedPattern& pattern) {
    Output& o = *out_;
    Writer& w = o.writer;
    const PatternRecord& record = *pattern.record;
    w.StartObject();
    o.Key("\"index\"");
    w.Uint(pattern.index);
    o.Key("\"name\"");
    o.Text(pattern.name.view());
    o.Key("\"skill_level\"");
    w.Uint(record.skill);
    if (o.debug) o.Numbers("\"data\"", {record.data1, record.data2, record.data3, record.data5});
    o.Key("\"ingredients\"");
    w.StartArray();
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) WriteIngredientJson(w, pattern.ingredients[k], o.utf8);
    w.EndArray();
    w.EndObject();
    o.out.Written();
}

void JsonExport::End() {
    Output& o = *out_;
    if (!o.began) return;
    o.CloseTo(Open::Nothing);
    o.writer.EndObject();
    o.out.Put('\n');
    o.out.WriteBlock();
}

WriteFailure JsonExport::Failure() const { return out_->out.failure(); }

}  // namespace artisanscope
