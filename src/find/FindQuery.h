#pragma once
// The find rule: a query of terms and the folding under which terms and
// labels are compared. RecipeFilter computes the shown set from it.
//
// The rule. A query is split at white space into terms; a stretch in double
// quotes belongs to its term whole, blanks included, without the quotes. A
// word term matches a label when the folded label contains the folded term;
// folding makes the upper and lower case of code page 1252 letters equal and
// takes accented letters to their base letter (ä, Ä, à, Å -> a; É -> e;
// Ç -> c; ß stays ß). An item matches when every term matches its own label
// or one of its ancestors' labels; a pattern (an item at kPatternDepth) also
// matches when every term matches among its own label, its ancestors' labels
// and the labels of its children, the ingredients. The filtered tree shows
// every matching item, all its ancestors and everything below it, in the
// tree's order. An empty query shows everything.
//
// Two more kinds of term ask for the values the tree keeps besides labels:
// "level:A-B", "level:A-", "level:-B" and "level:A" (decimal numbers) hold
// for a pattern whose skill value lies in the range, both ends included;
// "material:NAME" (NAME may be quoted) holds for a pattern one of whose
// ingredients has a material whose name, in the tree's language, folds to
// the folded NAME, whole. A "level:" term of another form, a term quoted from
// its start and an empty NAME are word terms. With either kind in the query
// only patterns match: those whose level and material terms hold and whose
// word terms match among their own, their ancestors' and their ingredients'
// labels; shown are they, their ancestors and their ingredients.
//
// The labels are the tree's own (debug labels in debug mode, the "ILLEGAL
// INDEX" items), folded on the fly through a 256-byte table.

#include "recipes/Names.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace artisanscope {

// One bit per material id: the ids whose name is wanted.
using MaterialIdSet = std::bitset<0x10000>;

// The material ids (never 0, which is no material) whose name in language
// folds to foldedName, whole.
MaterialIdSet MaterialIdsNamed(Language language, std::string_view foldedName);

struct FindQuery {
    // The word terms in code page 1252, folded, without duplicates, in the
    // order first given.
    std::vector<std::string> terms;
    // The level terms, all of them at once: the skill values from levelMin
    // to levelMax, both included (empty when levelMin > levelMax).
    bool hasLevel = false;
    std::uint32_t levelMin = 0;
    std::uint32_t levelMax = 0xFFFFFFFFu;
    // The names of the material terms, folded, without duplicates.
    std::vector<std::string> materials;
    // A term holds a character that code page 1252 cannot write (or bytes
    // that are not UTF-8): no label can contain it, so nothing matches.
    bool matchesNothing = false;
    // What the user probably meant otherwise, as typed (UTF-8): unquoted
    // "level:" terms of no level form and "material:" without a name (both
    // taken as words), and the names of the material terms in the order of
    // materials. openQuote: the last quote runs to the end.
    struct UnreadTerm {
        std::string typed;
        bool level = false;  // else "material:"
        bool operator==(const UnreadTerm&) const = default;
    };
    std::vector<UnreadTerm> unreadTerms;
    std::vector<std::string> materialNames;
    bool openQuote = false;

    // A query typed by a user or given on the command line, in UTF-8. White
    // space (blank, tab, line ends, no-break space) outside double quotes
    // separates terms; a quote left open runs to the end.
    static FindQuery FromUtf8(std::string_view text);

    // No terms: the whole tree is shown.
    bool empty() const { return terms.empty() && !hasLevel && materials.empty() && !matchesNothing; }
    // A level or material term: only patterns match.
    bool patternsOnly() const { return hasLevel || !materials.empty(); }
};

// What of query was not understood, in words for the user (UTF-8), the
// parts joined by "; ": an unread term ("'level:abc' is no level such as
// 300-350"), a quote left open, a material name that no material of
// language has ("no material is called Eisn"). Empty when all was understood.
std::string NotUnderstood(const FindQuery& query, Language language);

// Finds a folded term in folded text. Longer terms are looked for eight
// starting places at a time: a place is a candidate when the term's first
// and last bytes both fit there, and only candidates are compared whole.
class TermFinder {
public:
    // term must not be empty.
    explicit TermFinder(std::string_view term);

    // Where term begins in text at or after from, or npos.
    std::size_t Find(std::string_view text, std::size_t from) const;

private:
    std::string term_;
    std::uint64_t first_, last_;  // the first and the last byte in every byte
};

// Folds text into out (resized to its length). Eight bytes of plain ASCII,
// the bulk of most labels, are folded at once: 'A'-'Z' get 0x20 added.
void FoldInto(std::string& out, std::string_view text);

}  // namespace artisanscope
