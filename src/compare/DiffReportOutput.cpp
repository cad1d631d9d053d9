#include "compare/DiffReportOutput.h"

#include "load/IngredientJson.h"
#include "io/Cp1252.h"
#include "io/JsonText.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

namespace artisanscope {
namespace {

constexpr std::string_view kArrow = " \xE2\x86\x92 ";  // " → "
constexpr std::array<std::string_view, 5> kDebugFieldNames = {"data1", "data2", "data3", "lvl", "data5"};

void AppendNumber(std::string& out, std::uint64_t value) { out += std::to_string(value); }

// How a slot is named in a difference: "T: Eisen" for a slot with slot text
// and material (as the tree shows it, without the quantity), "Eisen" for a
// material without slot text, "U" for a slot without material.
std::string IngredientName(const DiffReport& report, std::uint32_t slotText, std::uint16_t material) {
    std::string out;
    const std::string_view text = report.Text(slotText);
    if (material == 0) {
        AppendCp1252AsUtf8(out, text);
        return out;
    }
    if (!text.empty()) {
        AppendCp1252AsUtf8(out, text);
        out += ": ";
    }
    AppendCp1252AsUtf8(out, MaterialName(report.options().language, material).view());
    return out;
}

const DiffPattern* OldPattern(const DiffReport& report, const DiffEntry& entry) {
    return entry.oldPattern == DiffEntry::kNone ? nullptr : &report.oldSide().patterns[entry.oldPattern];
}

const DiffPattern* NewPattern(const DiffReport& report, const DiffEntry& entry) {
    return entry.newPattern == DiffEntry::kNone ? nullptr : &report.newSide().patterns[entry.newPattern];
}

void AppendPatternName(std::string& out, const DiffReport& report, const DiffEntry& entry) {
    AppendCp1252AsUtf8(out, report.Text(entry.patternName));
    if (entry.occurrence > 1) {
        out += " #";
        AppendNumber(out, entry.occurrence);
    }
}

std::string_view KindWord(DiffKind kind) {
    switch (kind) {
        case DiffKind::Added: return "added";
        case DiffKind::Removed: return "removed";
        case DiffKind::Changed: return "changed";
        case DiffKind::Group: break;
    }
    return "";
}

std::string_view LevelWord(DiffLevel level) {
    switch (level) {
        case DiffLevel::Realm: return "realm";
        case DiffLevel::Skill: return "skill";
        case DiffLevel::Category: return "category";
        case DiffLevel::Pattern: break;
    }
    return "pattern";
}

using JsonWriter = rapidjson::PrettyWriter<rapidjson::StringBuffer>;

void Key(JsonWriter& json, std::string_view key) {
    json.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
}

void Utf8String(JsonWriter& json, std::string_view utf8) { WriteJsonUtf8(json, utf8); }

void TableString(JsonWriter& json, std::string_view cp1252) {
    std::string utf8;
    WriteJsonCp1252(json, cp1252, utf8);
}

// A pattern's values on one side: the skill level, the filled slots and, when
// that side has them, the debug values.
void PatternValues(JsonWriter& json, const DiffReport& report, const DiffSide& side, const DiffPattern& pattern) {
    json.StartObject();
    Key(json, "skill_level");
    json.Uint(pattern.skill);
    Key(json, "ingredients");
    json.StartArray();
    std::string utf8;
    for (const DiffSlot& slot : report.Slots(side, pattern)) {
        ResolvedIngredient ingredient;
        ingredient.slot = slot.position;
        ingredient.quantity = slot.quantity;
        ingredient.material = slot.material;
        ingredient.text = report.Text(slot.text);
        if (slot.material != 0) ingredient.materialName = MaterialName(report.options().language, slot.material);
        WriteIngredientJson(json, ingredient, utf8);
    }
    json.EndArray();
    if (side.debugValues) {
        Key(json, "lvl");
        json.Uint(pattern.debug[3]);
        Key(json, "data");
        json.StartArray();
        for (const std::size_t f : {0u, 1u, 2u, 4u}) json.Uint(pattern.debug[f]);
        json.EndArray();
    }
    json.EndObject();
}

}  // namespace

std::string DifferenceText(const DiffReport& report, const Difference& d) {
    std::string out;
    switch (d.kind) {
        case Difference::Kind::Skill:
            out = "skill";
            break;
        case Difference::Kind::Debug:
            out = kDebugFieldNames[d.field < kDebugFieldNames.size() ? d.field : 0];
            break;
        case Difference::Kind::Quantity:
            out = IngredientName(report, d.slotText, d.material);
            break;
        case Difference::Kind::Position:
            out = IngredientName(report, d.slotText, d.material) + " slot";
            break;
        case Difference::Kind::SlotAdded:
            out = "+ " + IngredientName(report, d.slotText, d.material) + " ";
            AppendNumber(out, d.newValue);
            return out;
        case Difference::Kind::SlotRemoved:
            out = "- " + IngredientName(report, d.slotText, d.material) + " ";
            AppendNumber(out, d.oldValue);
            return out;
    }
    out += ' ';
    AppendNumber(out, d.oldValue);
    out += kArrow;
    AppendNumber(out, d.newValue);
    return out;
}

std::string DiffEntryLine(const DiffReport& report, const DiffEntry& entry) {
    std::string out;
    switch (entry.kind) {
        case DiffKind::Added: out = "+ "; break;
        case DiffKind::Removed: out = "- "; break;
        case DiffKind::Changed: out = "~ "; break;
        case DiffKind::Group: break;
    }
    switch (entry.level) {
        case DiffLevel::Realm:
            AppendCp1252AsUtf8(out, RealmName(entry.realm));
            return out;
        case DiffLevel::Skill:
            AppendCp1252AsUtf8(out, report.Text(entry.skillName));
            break;
        case DiffLevel::Category:
            AppendCp1252AsUtf8(out, report.Text(entry.categoryName));
            break;
        case DiffLevel::Pattern: {
            AppendPatternName(out, report, entry);
            if (entry.kind == DiffKind::Changed) {
                for (std::size_t i = 0; i < entry.differences.size(); ++i) {
                    out += i == 0 ? ": " : "; ";
                    out += DifferenceText(report, entry.differences[i]);
                }
                return out;
            }
            const DiffPattern* pattern = entry.kind == DiffKind::Removed ? OldPattern(report, entry)
                                                                          : NewPattern(report, entry);
            if (pattern != nullptr) {
                out += " (";
                AppendNumber(out, pattern->skill);
                out += ')';
            }
            return out;
        }
    }
    if (entry.kind == DiffKind::Added || entry.kind == DiffKind::Removed) {
        out += " (";
        AppendNumber(out, entry.patternCount);
        out += entry.patternCount == 1 ? " pattern)" : " patterns)";
    }
    return out;
}

std::string DiffTotalsLine(const DiffTotals& totals) {
    std::string out;
    AppendNumber(out, totals.added);
    out += " added, ";
    AppendNumber(out, totals.removed);
    out += " removed, ";
    AppendNumber(out, totals.changed);
    out += " changed";
    return out;
}

std::string DiffReportText(const DiffReport& report) {
    std::string out;
    if (!report.HasDifferences()) return out;
    for (const DiffEntry& entry : report.entries()) {
        out.append(2 * static_cast<std::size_t>(entry.level), ' ');
        out += DiffEntryLine(report, entry);
        out += '\n';
    }
    out += DiffTotalsLine(report.totals());
    out += '\n';
    return out;
}

std::string DiffReportJson(const DiffReport& report) {
    rapidjson::StringBuffer buffer;
    JsonWriter json(buffer);
    json.SetIndent(' ', 2);
    json.StartObject();
    Key(json, "old_table_version");
    json.Uint(report.oldSide().tableVersion);
    Key(json, "new_table_version");
    json.Uint(report.newSide().tableVersion);
    Key(json, "language");
    Utf8String(json, report.options().language == Language::English ? "en" : "de");
    Key(json, "debug");
    json.Bool(report.options().debug);
    Key(json, "differences");
    json.StartArray();
    for (const DiffEntry& entry : report.entries()) {
        if (entry.kind == DiffKind::Group) continue;
        json.StartObject();
        Key(json, "change");
        Utf8String(json, KindWord(entry.kind));
        Key(json, "level");
        Utf8String(json, LevelWord(entry.level));
        Key(json, "realm");
        TableString(json, RealmName(entry.realm));
        Key(json, "skill");
        TableString(json, report.Text(entry.skillName));
        if (entry.level >= DiffLevel::Category) {
            Key(json, "category");
            TableString(json, report.Text(entry.categoryName));
        }
        if (entry.level == DiffLevel::Pattern) {
            Key(json, "pattern");
            TableString(json, report.Text(entry.patternName));
            Key(json, "occurrence");
            json.Uint(entry.occurrence);
            if (const DiffPattern* old = OldPattern(report, entry)) {
                Key(json, "old");
                PatternValues(json, report, report.oldSide(), *old);
            }
            if (const DiffPattern* now = NewPattern(report, entry)) {
                Key(json, "new");
                PatternValues(json, report, report.newSide(), *now);
            }
            if (entry.kind == DiffKind::Changed) {
                Key(json, "differences");
                json.StartArray();
                for (const Difference& d : entry.differences) Utf8String(json, DifferenceText(report, d));
                json.EndArray();
            }
        } else {
            Key(json, "patterns");
            json.Uint(entry.patternCount);
        }
        json.EndObject();
    }
    json.EndArray();
    Key(json, "totals");
    json.StartObject();
    Key(json, "added");
    json.Uint64(report.totals().added);
    Key(json, "removed");
    json.Uint64(report.totals().removed);
    Key(json, "changed");
    json.Uint64(report.totals().changed);
    json.EndObject();
    json.EndObject();
    std::string out(buffer.GetString(), buffer.GetSize());
    out += '\n';
    return out;
}

}  // namespace artisanscope
