#include "plan/CraftingPlan.h"

#include "io/Cp1252.h"
#include "io/CsvField.h"
#include "io/JsonText.h"
#include "io/Decimal.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <algorithm>

namespace artisanscope {

std::vector<PatternRef> ResolvePlan(std::span<const PlanEntry> plan, const PatternIndex& index) {
    std::vector<PatternRef> resolved;
    resolved.reserve(plan.size());
    for (const PlanEntry& entry : plan) resolved.push_back(index.Find(entry.key));
    return resolved;
}

std::size_t AddToPlan(Plan& plan, std::vector<PatternRef>& resolved, const PatternIndex& index, PatternRef pattern) {
    const auto same = std::find(resolved.begin(), resolved.end(), pattern);
    if (same != resolved.end()) {
        const auto place = static_cast<std::size_t>(same - resolved.begin());
        plan[place].count = std::min(plan[place].count + 1, kMaxPlanCount);
        return place;
    }
    plan.push_back(PlanEntry{index.KeyOf(pattern), 1});
    resolved.push_back(pattern);
    return plan.size() - 1;
}

PlanTotals SumPlan(std::span<const PlanEntry> plan, std::span<const PatternRef> resolved, const PatternIndex& index) {
    PlanTotals totals;
    std::vector<std::uint64_t> sums(index.lineCount(), 0);
    // A line is listed once, whatever its sum: a count or a quantity of 0
    // leaves it at 0.
    std::vector<bool> listed(index.lineCount(), false);
    std::vector<std::uint32_t> touched;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const PatternRef pattern = i < resolved.size() ? resolved[i] : kNoPattern;
        if (pattern == kNoPattern || pattern >= index.size()) {
            ++totals.missing;
            continue;
        }
        for (const IndexedSlot& slot : index.Slots(pattern)) {
            if (!listed[slot.line]) {
                listed[slot.line] = true;
                touched.push_back(slot.line);
            }
            sums[slot.line] += std::uint64_t{plan[i].count} * slot.quantity;
        }
    }
    const std::span<const std::uint32_t> ranks = index.LineRanks();
    std::sort(touched.begin(), touched.end(), [&](std::uint32_t a, std::uint32_t b) { return ranks[a] < ranks[b]; });
    totals.lines.reserve(touched.size());
    for (const std::uint32_t line : touched) totals.lines.push_back(PlanTotal{line, sums[line]});
    return totals;
}

std::string MissingEntriesLine(std::size_t missing) {
    if (missing == 0) return {};
    std::string line = std::to_string(missing);
    line += missing == 1 ? " entry is missing from this table and left out" : " entries are missing from this table and left out";
    return line;
}

std::string PlanTotalsText(const PlanTotals& totals, const PatternIndex& index) {
    std::size_t width = 0;
    std::vector<std::string> quantities;
    quantities.reserve(totals.lines.size());
    for (const PlanTotal& total : totals.lines) {
        const std::string& digits = quantities.emplace_back(std::to_string(total.quantity));
        width = std::max(width, digits.size());
    }
    std::string text;
    for (std::size_t i = 0; i < totals.lines.size(); ++i) {
        text.append(width - quantities[i].size(), ' ');
        text += quantities[i];
        text += ' ';
        AppendCp1252AsUtf8(text, index.Line(totals.lines[i].line).name);
        text += '\n';
    }
    if (totals.missing > 0) text += MissingEntriesLine(totals.missing) + '\n';
    return text;
}

std::string PlanTotalsCsv(const PlanTotals& totals, const PatternIndex& index) {
    std::string csv;
    AppendCsvHeader(csv, "unit,ingredient,material_id,quantity");
    for (const PlanTotal& total : totals.lines) {
        const IngredientLine& line = index.Line(total.line);
        AppendCsvField(csv, line.unit);
        csv += ',';
        AppendCsvField(csv, line.ingredient);
        csv += ',';
        if (line.material != 0) AppendDecimal(csv, line.material);
        csv += ',';
        csv += std::to_string(total.quantity);
        csv += kCsvLineEnd;
    }
    return csv;
}

std::string PlanJson(std::span<const PlanEntry> plan, std::span<const PatternRef> resolved, const PlanTotals& totals,
                     const PatternIndex& index) {
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> w(buffer);
    w.SetIndent(' ', 2);
    std::string scratch;
    const auto text = [&w](std::string_view utf8) { WriteJsonUtf8(w, utf8); };
    const auto cp1252 = [&w, &scratch](std::string_view bytes) { WriteJsonCp1252(w, bytes, scratch); };
    w.StartObject();
    w.Key("entries");
    w.StartArray();
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const PatternRef pattern = i < resolved.size() ? resolved[i] : kNoPattern;
        const bool found = pattern != kNoPattern && pattern < index.size();
        // A resolved entry shows the pattern as the table has it now.
        const PatternKey key = found ? index.KeyOf(pattern) : plan[i].key;
        w.StartObject();
        w.Key("realm");
        text(key.realm);
        w.Key("skill");
        text(key.skill);
        w.Key("category");
        text(key.category);
        w.Key("pattern");
        text(key.pattern);
        w.Key("index");
        if (key.index) {
            w.Uint(*key.index);
        } else {
            w.Null();
        }
        w.Key("count");
        w.Uint(plan[i].count);
        w.Key("resolved");
        w.Bool(found);
        w.EndObject();
    }
    w.EndArray();
    w.Key("missing");
    w.Uint64(totals.missing);
    w.Key("totals");
    w.StartArray();
    for (const PlanTotal& total : totals.lines) {
        const IngredientLine& line = index.Line(total.line);
        w.StartObject();
        w.Key("name");
        cp1252(line.name);
        w.Key("unit");
        if (line.material != 0) {
            cp1252(line.unit);
        } else {
            w.Null();
        }
        w.Key("ingredient");
        cp1252(line.ingredient);
        w.Key("material_id");
        if (line.material != 0) {
            w.Uint(line.material);
        } else {
            w.Null();
        }
        w.Key("quantity");
        w.Uint64(total.quantity);
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    std::string json(buffer.GetString(), buffer.GetSize());
    json += '\n';
    return json;
}

}  // namespace artisanscope
