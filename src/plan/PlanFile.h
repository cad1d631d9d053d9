#pragma once
// The plan file: CSV as the CSV export writes it (RFC 4180, UTF-8 behind a
// byte-order mark, CR LF), the header realm,skill,category,pattern,index,count
// and one row per entry. Read leniently: with or without the byte-order
// mark, LF or CR LF line ends, the columns in any order the header names,
// blanks around a field dropped unless they are inside its quotes, an empty
// index (the entry is then found by its names), empty names when there is
// an index. A row that cannot be read is reported with its line number and
// the reason. Every plan written reads back the same.

#include "plan/CraftingPlan.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace artisanscope {

inline constexpr std::string_view kPlanFileHeader = "realm,skill,category,pattern,index,count";
// A larger file is refused unread (100,000 entries stay far below).
inline constexpr std::size_t kMaxPlanFileBytes = 16u << 20;
// Rows beyond this many entries are not read.
inline constexpr std::size_t kMaxPlanEntries = 100000;
// Fields of a row beyond this many are skipped.
inline constexpr std::size_t kMaxPlanFields = 64;
// Rows reported one by one; more are counted.
inline constexpr std::size_t kMaxReportedProblems = 100;

struct PlanFileProblem {
    std::size_t line = 0;  // the row's first line, from 1
    std::string reason;    // UTF-8
};

struct PlanFileRead {
    Plan plan;  // the rows that could be read, in file order
    std::vector<PlanFileProblem> problems;
    std::size_t unreportedProblems = 0;  // beyond kMaxReportedProblems
    std::string failure;  // the file as a whole could not be read: why (UTF-8)
    bool ok() const { return failure.empty() && problems.empty(); }
};

PlanFileRead ParsePlanFile(std::string_view bytes);
PlanFileRead ReadPlanFile(const std::string& path);

// "line N: reason"
std::string DescribeProblem(const PlanFileProblem& problem);
// Every problem of read (or its failure), one per line, LF line ends.
std::string DescribeProblems(const PlanFileRead& read);

std::string PlanFileText(std::span<const PlanEntry> plan);
// Replaces path atomically; false, the file untouched, when it cannot.
bool WritePlanFile(const std::string& path, std::span<const PlanEntry> plan);

}  // namespace artisanscope
