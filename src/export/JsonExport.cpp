#include "export/JsonExport.h"

#include "recipes/Cp1252.h"

#include <rapidjson/prettywriter.h>

#include <algorithm>

namespace artisanscope {
namespace {

// A RapidJSON output stream that collects bytes in a fixed block and writes
// each full block to the FILE; remembers whether every block got there.
class BlockStream {
public:
    using Ch = char;
    static constexpr std::size_t kBlockBytes = 256 * 1024;

    explicit BlockStream(std::FILE* file) : file_(file), block_(std::make_unique<char[]>(kBlockBytes)) {}
    void Put(char c) {
        if (used_ == kBlockBytes) Write();
        block_[used_++] = c;
    }
    // n copies of c: the indentation of every line.
    void PutN(char c, std::size_t n) {
        while (n > 0) {
            if (used_ == kBlockBytes) Write();
            const std::size_t chunk = std::min(n, kBlockBytes - used_);
            std::fill_n(&block_[used_], chunk, c);
            used_ += chunk;
            n -= chunk;
        }
    }
    // RapidJSON flushes at the end of a document; blocks are written by size.
    void Flush() {}
    void Write() {
        if (used_ == 0) return;
        if (file_ == nullptr || std::fwrite(block_.get(), 1, used_, file_) != used_) ok_ = false;
        used_ = 0;
    }
    bool ok() const { return ok_; }

private:
    std::FILE* file_;
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

// Found by RapidJSON's writers through argument-dependent lookup, in place
// of their character-by-character default.
[[maybe_unused]] void PutN(BlockStream& stream, char c, std::size_t n) { stream.PutN(c, n); }

using Writer = rapidjson::PrettyWriter<BlockStream>;

// The open containers, outermost first; each level's array of children is
// open while its object is.
enum class Open { Nothing, Realms, Realm, Skill, Category };

}  // namespace

struct JsonExport::Output {
    Output(std::FILE* file, std::string_view generatorName) : stream(file), writer(stream), generator(generatorName) {
        writer.SetIndent(' ', 2);
    }

    void Text(std::string_view cp1252) {
        utf8.clear();
        AppendCp1252AsUtf8(utf8, cp1252);
        writer.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()));
    }
    void Key(const char* key) { writer.Key(key); }
    void Numbers(const char* key, std::initializer_list<std::uint16_t> values) {
        writer.Key(key);
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

    BlockStream stream;
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
    o.Key("generator");
    o.Text(o.generator);
    o.Key("table_version");
    o.writer.Uint(start.tableVersion);
    o.Key("language");
    o.writer.String(start.language == Language::English ? "en" : "de");
    o.Key("debug");
    o.writer.Bool(o.debug);
    o.Key("realms");
    o.writer.StartArray();
    o.open = Open::Realms;
}

void JsonExport::Realm(std::size_t, std::string_view name) {
    Output& o = *out_;
    o.CloseTo(Open::Realms);
    o.writer.StartObject();
    o.Key("name");
    o.Text(name);
    o.Key("skills");
    o.writer.StartArray();
    o.open = Open::Realm;
}

void JsonExport::Skill(const SkillRecord& skill, std::string_view name) {
    Output& o = *out_;
    o.CloseTo(Open::Realm);
    o.writer.StartObject();
    o.Key("slot");
    o.writer.Uint(skill.slot + 1u);
    o.Key("name");
    o.Text(name);
    if (o.debug) o.Numbers("data", {skill.data1, skill.data2, skill.data3});
    o.Key("categories");
    o.writer.StartArray();
    o.open = Open::Skill;
}

void JsonExport::Category(std::size_t, std::uint32_t index, std::string_view name) {
    Output& o = *out_;
    o.CloseTo(Open::Skill);
    o.writer.StartObject();
    o.Key("index");
    o.writer.Uint(index);
    o.Key("name");
    o.Text(name);
    o.Key("patterns");
    o.writer.StartArray();
    o.open = Open::Category;
}

void JsonExport::Pattern(const ResolvedPattern& pattern) {
    Output& o = *out_;
    Writer& w = o.writer;
    const PatternRecord& record = *pattern.record;
    w.StartObject();
    o.Key("index");
    w.Uint(pattern.index);
    o.Key("name");
    o.Text(pattern.name.view());
    o.Key("skill_level");
    w.Uint(record.skill);
    if (o.debug) o.Numbers("data", {record.data1, record.data2, record.data3, record.data5});
    o.Key("ingredients");
    w.StartArray();
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        const bool hasMaterial = ingredient.material != 0;
        w.StartObject();
        o.Key("slot");
        w.Uint(ingredient.slot + 1u);
        o.Key("quantity");
        w.Uint(ingredient.quantity);
        o.Key("unit");
        if (hasMaterial) {
            o.Text(ingredient.text);
        } else {
            w.Null();
        }
        o.Key("name");
        o.Text(hasMaterial ? ingredient.materialName.view() : ingredient.text);
        o.Key("material_id");
        if (hasMaterial) {
            w.Uint(ingredient.material);
        } else {
            w.Null();
        }
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
}

void JsonExport::End() {
    Output& o = *out_;
    if (!o.began) return;
    o.CloseTo(Open::Nothing);
    o.writer.EndObject();
    o.stream.Put('\n');
    o.stream.Write();
}

bool JsonExport::Ok() const { return out_->stream.ok(); }

}  // namespace artisanscope
