#pragma once
// Deterministic game directories for the benchmarks and the process-level
// comparison, written with the fixture library:
//
// - "realistic": a version-102 table shaped like a live one: three realms of
//   15 named skills, 40 categories per skill and 20 patterns per category
//   (36,000 shown patterns, about 175,000 tree items), categories and
//   patterns shared between skills, unreferenced records and a few other
//   archive members around tdl.crf;
// - "maximum": every realm with 19 named skills, all 200 category positions,
//   all 50 pattern positions and all 8 slots filled (570,000 patterns,
//   5,141,460 tree items), records shared so that the image stays small;
//   "maximum-1of4" and "maximum-1of2" fill only the first 50 and 100
//   category positions, for checking that cost grows linearly.
//
// The same seed always gives the same bytes.

#include "fixtures/MpakWriter.h"
#include "fixtures/TableWriter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace artisanscope::bench {

struct BenchInput {
    std::string name;       // "realistic", "maximum-1of4", ...
    std::string directory;  // game directory: <directory>/data/ifd.mpk
    std::string archive;    // <directory>/data/ifd.mpk
};

fixtures::TablePlan RealisticTable();
// Other archive members of the realistic game directory (about 9 MiB).
std::vector<fixtures::MpakMemberPlan> RealisticExtraMembers();

// categoryPositions: how many of a skill's 200 category positions are filled.
fixtures::TablePlan MaximumTable(std::size_t categoryPositions);

// Shown items of a maximum table, by the walk's rules: 3 realms, 57 skills,
// 57 * categoryPositions categories, 50 patterns each with 8 ingredients.
std::size_t MaximumTreeItems(std::size_t categoryPositions);

// The second table of a comparison pair: plan after a patch. In every realm
// changedRecords pattern records, spread over the table, get a skill value
// one higher and one more of their first ingredient (each difference shows
// wherever the record is listed); in Midgard one pattern is replaced by a new
// one; in Hibernia the first skill loses its last category; Albion gains a
// skill when it has a free slot.
fixtures::TablePlan PatchedTable(fixtures::TablePlan plan, std::size_t changedRecords);

// A pair of game directories to compare: an input and its patched twin.
struct DiffBenchPair {
    std::string name;  // "realistic", "maximum"
    std::string oldDirectory;
    std::string newDirectory;  // <root>/<name>-patched
};

// Writes the inputs and the patched twins of "realistic" and "maximum" that
// are not there yet and returns the two pairs.
std::vector<DiffBenchPair> EnsureDiffBenchData(const std::string& root);

// Writes every input below root that is not there yet (or was written by an
// older generator) and returns them all, realistic first.
std::vector<BenchInput> EnsureBenchData(const std::string& root);

}  // namespace artisanscope::bench
