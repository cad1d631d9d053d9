#include "export/JsonExport.h"

#include "io/BlockOutput.h"
#include "load/IngredientJson.h"
#include "io/Cp1252.h"
#include "io/JsonText.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <array>

namespace artisanscope {
namespace {

using Writer = rapidjson::PrettyWriter<BlockOutput>;

// The open containers, outermost first; each level's array of children is
// open while its object is.
enum class Open { Nothing, Realms, Realm, Skill, Category };

// Open containers around a pattern object: the root object, "realms", a
// realm, "skills", a skill, "categories", a category and "patterns". The
// writer indents a value by two spaces per open container.
constexpr std::size_t kPatternDepth = 8;
constexpr std::size_t kIndentWidth = 2;
constexpr std::string_view kSpaces = "                                                ";
static_assert(kSpaces.size() >= (kPatternDepth + 3) * kIndentWidth);

constexpr std::string_view Indent(std::size_t depth) { return kSpaces.substr(0, depth * kIndentWidth); }

// Bytes that a JSON string must escape: the quote, the backslash and the
// control characters.
constexpr std::array<bool, 256> kEscapes = [] {
    std::array<bool, 256> escapes{};
    for (std::size_t c = 0; c < 0x20; ++c) escapes[c] = true;
    escapes['"'] = escapes['\\'] = true;
    return escapes;
}();

// Plain ASCII with nothing to escape: the text is its own JSON string.
bool PlainAscii(std::string_view text) {
    bool plain = true;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        plain &= byte < 0x80 && !kEscapes[byte];
    }
    return plain;
}

}  // namespace

// Writes the pattern objects, the bulk of the document, byte for byte as the
// pretty writer would at their depth, straight into the output: strings
// that need converting or escaping go through RapidJSON's own writer.
class JsonPatternWriter {
public:
    // Most bytes a text of n bytes becomes: UTF-8 triples, each escaped as
    // \uXXXX at worst, and the quotes.
    static std::size_t TextBound(std::string_view text) { return 18 * text.size() + 2; }

    void Text(TextCursor& line, std::string_view cp1252) {
        if (PlainAscii(cp1252)) {
            line.Char('"');
            line.Text(cp1252);
            line.Char('"');
            return;
        }
        utf8_.clear();
        AppendCp1252AsUtf8(utf8_, cp1252);
        escaped_.Clear();
        escaper_.Reset(escaped_);
        escaper_.String(utf8_.data(), static_cast<rapidjson::SizeType>(utf8_.size()));
        line.Text(std::string_view(escaped_.GetString(), escaped_.GetSize()));
    }

    // A member's start: separator of the one before, line break, indent, key.
    static void Member(TextCursor& line, std::size_t depth, std::string_view quotedKey, bool first) {
        line.Text(first ? "\n" : ",\n");
        line.Text(Indent(depth));
        line.Text(quotedKey);
        line.Text(": ");
    }

private:
    std::string utf8_;
    rapidjson::StringBuffer escaped_;
    rapidjson::Writer<rapidjson::StringBuffer> escaper_;
};

struct JsonExport::Output {
    Output(std::FILE* file, std::string_view generatorName) : out(file), writer(out), generator(generatorName) {
        writer.SetIndent(' ', 2);
    }

    void Text(std::string_view cp1252) { WriteJsonCp1252(writer, cp1252, utf8); }
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
    JsonPatternWriter patterns;
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
    const PatternRecord& record = *pattern.record;
    constexpr std::size_t kMember = (kPatternDepth + 3) * kIndentWidth + 24;  // ",\n", indent, key, ": "
    constexpr std::size_t kNumber = kMaxDecimalDigits;
    // At most twelve lines of a member's length around the pattern's own
    // values (in debug mode: four data lines and the list's end), seven
    // around each ingredient's.
    std::size_t length = 12 * kMember + 6 * kNumber + JsonPatternWriter::TextBound(pattern.name.view());
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        length += 7 * kMember + 3 * kNumber + JsonPatternWriter::TextBound(ingredient.text) +
                  JsonPatternWriter::TextBound(ingredient.materialName.view());
    }

    // The writer puts the separator and indent in front of the object and
    // counts it; the object's bytes follow.
    o.writer.RawValue("", 0, rapidjson::kObjectType);
    TextCursor line = o.out.Claim(length);
    constexpr std::size_t depth = kPatternDepth + 1;
    line.Char('{');
    JsonPatternWriter::Member(line, depth, "\"index\"", true);
    line.Decimal(pattern.index);
    JsonPatternWriter::Member(line, depth, "\"name\"", false);
    o.patterns.Text(line, pattern.name.view());
    JsonPatternWriter::Member(line, depth, "\"skill_level\"", false);
    line.Decimal(record.skill);
    if (o.debug) {
        JsonPatternWriter::Member(line, depth, "\"data\"", false);
        line.Char('[');
        bool first = true;
        for (const std::uint16_t value : {record.data1, record.data2, record.data3, record.data5}) {
            line.Text(first ? "\n" : ",\n");
            line.Text(Indent(depth + 1));
            line.Decimal(value);
            first = false;
        }
        line.Char('\n');
        line.Text(Indent(depth));
        line.Char(']');
    }
    JsonPatternWriter::Member(line, depth, "\"ingredients\"", false);
    line.Char('[');
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        const bool hasMaterial = ingredient.material != 0;
        line.Text(k == 0 ? "\n" : ",\n");
        line.Text(Indent(depth + 1));
        line.Char('{');
        JsonPatternWriter::Member(line, depth + 2, "\"slot\"", true);
        line.Decimal(ingredient.slot + 1u);
        JsonPatternWriter::Member(line, depth + 2, "\"quantity\"", false);
        line.Decimal(ingredient.quantity);
        JsonPatternWriter::Member(line, depth + 2, "\"unit\"", false);
        if (hasMaterial) {
            o.patterns.Text(line, ingredient.text);
        } else {
            line.Text("null");
        }
        JsonPatternWriter::Member(line, depth + 2, "\"name\"", false);
        o.patterns.Text(line, hasMaterial ? ingredient.materialName.view() : ingredient.text);
        JsonPatternWriter::Member(line, depth + 2, "\"material_id\"", false);
        if (hasMaterial) {
            line.Decimal(ingredient.material);
        } else {
            line.Text("null");
        }
        line.Char('\n');
        line.Text(Indent(depth + 1));
        line.Char('}');
    }
    if (pattern.ingredientCount > 0) {
        line.Char('\n');
        line.Text(Indent(depth));
    }
    line.Char(']');
    line.Char('\n');
    line.Text(Indent(kPatternDepth));
    line.Char('}');
    o.out.Commit(line);
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
