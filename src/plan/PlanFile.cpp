#include "plan/PlanFile.h"

#include "io/CsvField.h"
#include "io/OutputFile.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>

namespace artisanscope {
namespace {

enum Column { kRealm, kSkill, kCategory, kPattern, kIndex, kCount, kColumns };
constexpr std::array<std::string_view, kColumns> kColumnNames = {"realm", "skill", "category", "pattern", "index", "count"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Row {
    std::size_t line = 0;
    std::vector<std::string> fields;
    std::string problem;  // the row's bytes could not be split into fields
};

// Splits bytes into rows of fields by RFC 4180, accepting LF, CR LF and a
// lone CR as line ends. Blanks (spaces, tabs) around a field are dropped,
// those inside quotes kept. Blank lines give no row.
class RowReader {
public:
    explicit RowReader(std::string_view bytes) : bytes_(bytes) {}

    bool Next(Row& row) {
        while (at_ < bytes_.size()) {
            row = Row{line_, {}, {}};
            ReadRow(row);
            if (!row.problem.empty() || row.fields.size() > 1 || !row.fields.front().empty()) return true;
        }
        return false;
    }

private:
    void SkipBlanks() {
        while (at_ < bytes_.size() && IsBlank(bytes_[at_])) ++at_;
    }
    bool LineEndAt(std::size_t at) const { return at < bytes_.size() && (bytes_[at] == '\n' || bytes_[at] == '\r'); }
    // Steps over one line end at at_.
    void SkipLineEnd() {
        if (bytes_[at_] == '\r' && at_ + 1 < bytes_.size() && bytes_[at_ + 1] == '\n') ++at_;
        ++at_;
        ++line_;
    }

    void ReadRow(Row& row) {
        std::string skipped;
        for (;;) {
            // A row of endless commas costs no more than its first fields.
            std::string& field = row.fields.size() < kMaxPlanFields ? row.fields.emplace_back() : skipped;
            field.clear();
            SkipBlanks();
            if (at_ < bytes_.size() && bytes_[at_] == '"') {
                ++at_;
                for (;;) {
                    if (at_ >= bytes_.size()) {
                        row.problem = "a quoted field is not closed";
                        return;
                    }
                    const char c = bytes_[at_];
                    if (c == '"' && at_ + 1 < bytes_.size() && bytes_[at_ + 1] == '"') {
                        field += '"';
                        at_ += 2;
                    } else if (c == '"') {
                        ++at_;
                        break;
                    } else if (LineEndAt(at_)) {
                        const std::size_t from = at_;
                        SkipLineEnd();
                        field.append(bytes_.substr(from, at_ - from));
                    } else {
                        field += c;
                        ++at_;
                    }
                }
                SkipBlanks();
                if (at_ < bytes_.size() && bytes_[at_] != ',' && !LineEndAt(at_)) {
                    row.problem = "text follows a closing quote";
                    while (at_ < bytes_.size() && !LineEndAt(at_)) ++at_;
                }
            } else {
                while (at_ < bytes_.size() && bytes_[at_] != ',' && !LineEndAt(at_)) field += bytes_[at_++];
                while (!field.empty() && IsBlank(field.back())) field.pop_back();
            }
            if (at_ >= bytes_.size()) return;
            if (bytes_[at_] == ',') {
                ++at_;
                continue;
            }
            SkipLineEnd();
            return;
        }
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
};

// A number, blanks around it allowed even inside quotes.
std::optional<std::uint32_t> NumberIn(std::string_view text, std::uint32_t low, std::uint32_t high) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The place of each column in a row; the header row names them.
struct Columns {
    std::array<std::optional<std::size_t>, kColumns> at;
    std::size_t needed = 0;  // fields a row must have
};

Columns DefaultColumns() {
    Columns columns;
    for (std::size_t c = 0; c < kColumns; ++c) columns.at[c] = c;
    columns.needed = kColumns;
    return columns;
}

// The columns a header row names, or nothing when the row is no header.
std::optional<Columns> HeaderColumns(const std::vector<std::string>& fields) {
    Columns columns;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const std::string name = Lower(fields[f]);
        for (std::size_t c = 0; c < kColumns; ++c) {
            if (name == kColumnNames[c] && !columns.at[c]) columns.at[c] = f;
        }
    }
    if (!columns.at[kRealm] && !columns.at[kPattern] && !columns.at[kCount]) return std::nullopt;
    return columns;
}

void AddProblem(PlanFileRead& read, std::size_t line, std::string reason) {
    if (read.problems.size() < kMaxReportedProblems) {
        read.problems.push_back(PlanFileProblem{line, std::move(reason)});
    } else {
        ++read.unreportedProblems;
    }
}

}  // namespace

PlanFileRead ParsePlanFile(std::string_view bytes) {
    PlanFileRead read;
    if (bytes.starts_with(kUtf8ByteOrderMark)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
    RowReader reader(bytes);
    Row row;
    std::optional<Columns> columns;
    while (reader.Next(row)) {
        if (!row.problem.empty()) {
            AddProblem(read, row.line, row.problem);
            continue;
        }
        if (!columns) {
            columns = HeaderColumns(row.fields);
            if (columns) {
                for (const Column required : {kRealm, kSkill, kCategory, kPattern, kCount}) {
                    if (!columns->at[required]) {
                        AddProblem(read, row.line,
                                   "the header has no column '" + std::string(kColumnNames[required]) + "'");
                        return read;
                    }
                }
                for (const auto& at : columns->at) {
                    if (at) columns->needed = std::max(columns->needed, *at + 1);
                }
                continue;
            }
            columns = DefaultColumns();  // no header: the columns in their usual order
        }
        if (read.plan.size() == kMaxPlanEntries) {
            AddProblem(read, row.line, "more than " + std::to_string(kMaxPlanEntries) + " entries: the rest is not read");
            return read;
        }
        const Columns& c = *columns;
        if (row.fields.size() < c.needed) {
            AddProblem(read, row.line,
                       "a short row: " + std::to_string(row.fields.size()) + " fields, " + std::to_string(c.needed) +
                           " expected");
            continue;
        }
        const auto field = [&](Column column) -> const std::string& { return row.fields[*c.at[column]]; };
        PlanEntry entry;
        entry.key.realm = field(kRealm);
        entry.key.skill = field(kSkill);
        entry.key.category = field(kCategory);
        entry.key.pattern = field(kPattern);
        const std::optional<std::uint32_t> count = NumberIn(field(kCount), kMinPlanCount, kMaxPlanCount);
        if (!count) {
            AddProblem(read, row.line, "count '" + field(kCount) + "' is not a number from 1 to 9999");
            continue;
        }
        entry.count = *count;
        if (c.at[kIndex] && !field(kIndex).empty()) {
            const std::optional<std::uint32_t> index = NumberIn(field(kIndex), 1, 0xFFFF);
            if (!index) {
                AddProblem(read, row.line, "index '" + field(kIndex) + "' is not a number from 1 to 65535");
                continue;
            }
            entry.key.index = static_cast<std::uint16_t>(*index);
        }
        // Realm and index identify a pattern whatever its names; without an
        // index, its pattern name is needed.
        if (entry.key.realm.empty() || (entry.key.pattern.empty() && !entry.key.index)) {
            AddProblem(read, row.line, "the realm or the pattern is empty");
            continue;
        }
        read.plan.push_back(std::move(entry));
    }
    return read;
}

PlanFileRead ReadPlanFile(const std::string& path) {
    PlanFileRead read;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        read.failure = path + ": " + std::strerror(errno);
        return read;
    }
    std::string bytes;
    std::array<char, 65536> block;
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file);
        bytes.append(block.data(), got);
        if (bytes.size() > kMaxPlanFileBytes) {
            std::fclose(file);
            read.failure = path + ": larger than " + std::to_string(kMaxPlanFileBytes >> 20) + " MiB";
            return read;
        }
        if (got < block.size()) break;
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        read.failure = path + ": " + std::strerror(error);
        return read;
    }
    return ParsePlanFile(bytes);
}

std::string DescribeProblem(const PlanFileProblem& problem) {
    return "line " + std::to_string(problem.line) + ": " + problem.reason;
}

std::string DescribeProblems(const PlanFileRead& read) {
    if (!read.failure.empty()) return read.failure + '\n';
    std::string text;
    for (const PlanFileProblem& problem : read.problems) text += DescribeProblem(problem) + '\n';
    if (read.unreportedProblems > 0) text += std::to_string(read.unreportedProblems) + " more rows could not be read\n";
    return text;
}

std::string PlanFileText(std::span<const PlanEntry> plan) {
    std::string text;
    AppendCsvHeader(text, kPlanFileHeader);
    // Names keep the blanks around them through the reader's trimming.
    constexpr CsvFieldRule kName{.fromCp1252 = false, .quoteOuterBlanks = true};
    for (const PlanEntry& entry : plan) {
        for (const std::string* name : {&entry.key.realm, &entry.key.skill, &entry.key.category, &entry.key.pattern}) {
            AppendCsvField(text, *name, kName);
            text += ',';
        }
        if (entry.key.index) text += std::to_string(*entry.key.index);
        text += ',';
        text += std::to_string(entry.count);
        text += kCsvLineEnd;
    }
    return text;
}

bool WritePlanFile(const std::string& path, std::span<const PlanEntry> plan) {
    OutputFile output(path);
    if (!output.Create()) return false;
    const std::string text = PlanFileText(plan);
    if (std::fwrite(text.data(), 1, text.size(), output.file()) != text.size()) return false;
    return output.Commit();
}

}  // namespace artisanscope
