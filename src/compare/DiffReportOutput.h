#pragma once
// The comparison report as people and scripts read it, all UTF-8.
//
// Text: one line per entry, two blanks of indent per level (realm, skill,
// category, pattern), LF line ends, then the totals line; nothing at all
// when the tables show no difference.
//   "+ Langschwert (150)"              a pattern only the new table has
//   "- Kurzschwert (100)"              a pattern only the old table has
//   "~ Breitschwert: skill 150 → 160; T: Eisen 2 → 3; + Holz 1; - Leder 2"
//   "+ Schneiderei (12 patterns)"      a skill or category only one side has
// A pattern that is not the first of its name in its category carries its
// occurrence number ("Schwert #2").
//
// JSON: one object with the table versions, the language, the debug flag,
// the list of differences (each with its full key, and the old and new
// values of a pattern) and the totals.

#include "compare/RecipeDiff.h"

#include <string>

namespace artisanscope {

// The entry's line without its indent.
std::string DiffEntryLine(const DiffReport& report, const DiffEntry& entry);

// One difference of a changed pattern, e.g. "skill 150 → 160" or "+ Holz 1".
std::string DifferenceText(const DiffReport& report, const Difference& difference);

// "3 added, 1 removed, 2 changed"
std::string DiffTotalsLine(const DiffTotals& totals);

std::string DiffReportText(const DiffReport& report);
std::string DiffReportJson(const DiffReport& report);

}  // namespace artisanscope
