#include "find/RecipeFilter.h"
#include "table/RecipeTree.h"
#include "io/Cp1252.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace artisanscope;

namespace {

// A byte of code page 1252 folded, and whether a label holds a folded term,
// through the filter's own folding of labels.
unsigned char FoldCp1252(unsigned char byte) {
    std::string out;
    FoldInto(out, std::string(1, static_cast<char>(byte)));
    return static_cast<unsigned char>(out[0]);
}
bool FoldedContains(std::string_view label, std::string_view foldedTerm) {
    std::string folded;
    FoldInto(folded, label);
    return folded.find(foldedTerm) != std::string::npos;
}

// A small recipe tree; labels are code page 1252 as the walk makes them,
// values a pattern's level and an ingredient's material id.
// Depth: realm 0, skill 1, category 2, pattern 3, ingredient 4.
struct Item {
    int depth;
    std::string label;
    std::uint16_t value = 0;
};
const std::vector<Item> kItems = {
    {0, "Albion"},
    {1, "Waffenschmied"},
    {2, "Schwerter"},
    {3, "Kurzschwert (10)", 10},
    {4, "2 Griff"},
    {4, "Metall: 3 Eisen", 8},
    {3, "Langschwert (20)", 20},
    {4, "Metall: 5 Bronze", 7},
    {2, "\xC4xte"},  // Äxte
    {3, "Beil (5)", 5},
    {4, "Holz: 1 Eiche", 33},
    {2, "ILLEGAL INDEX 7 cat=300 max=200"},
    {1, "Schneider"},
    {2, "M\xE4ntel"},  // Mäntel
    {3, "Umhang (1)", 1},
    {4, "Stoff: 2 Wolle", 41},
    {0, "Midgard"},
    {1, "R\xFCstungsbauer 1 2 3"},  // Rüstungsbauer, a debug label
    {2, "4 Helme cat=9"},
    {3, "\xC9lite Helm (30) lvl=12 4 5 6-7", 30},  // Élite
    {4, "Metall: 4 Eisen", 8},
    {3, "Gro\xDFschild (40) lvl=3 0 0 0-0", 40},  // Großschild
    {4, "Holz: 2 Eiche", 33},
    {0, "Hibernia"},
};

// Added for the level and material terms.
const std::vector<Item> kMoreItems = {
    {0, "Avalon"},
    {1, "Schneider"},
    {2, "Kappen"},
    {3, "Lederkappe (300)", 300},
    {4, "Leder: 2 Gepr\xE4gt", 22},  // Geprägt
    {4, "Holz: 1 Eisenholz", 34},
    {3, "Netherkappe (350)", 350},
    {4, "Stein: 1 Netherit", 68},  // the name of 66 as well
    {3, "Kappe 300 (400)", 400},
    {4, "Klinge: 1 Lange glatte scharfe", 110},
    {4, "3 Faden"},
};

RecipeTree MakeTree(bool withMore = false, Language language = Language::German) {
    RecipeTree tree;
    tree.SetLanguage(language);
    std::vector<TreeItem> parents{kTreeRoot};
    std::vector<Item> items = kItems;
    if (withMore) items.insert(items.end(), kMoreItems.begin(), kMoreItems.end());
    for (const auto& [depth, label, value] : items) {
        parents.resize(depth + 1);
        parents.push_back(tree.InsertItem(parents[depth], label));
        tree.SetItemValue(parents.back(), value);
    }
    tree.Finish();
    return tree;
}

// The shown items, depth first through the filter, as "depth label".
std::vector<std::string> Shown(const RecipeFilter& filter) {
    std::vector<std::string> out;
    auto visit = [&](auto&& self, TreeItem item, int depth) -> void {
        for (std::uint32_t row = 0; row < filter.ShownChildCount(item); ++row) {
            const TreeItem child = filter.ShownChild(item, row);
            EXPECT_EQ(filter.ShownRow(child), row);
            EXPECT_TRUE(filter.IsShown(child));
            out.push_back(std::to_string(depth) + " " + std::string(filter.tree()->Label(child)));
            self(self, child, depth + 1);
        }
    };
    visit(visit, kTreeRoot, 0);
    return out;
}

std::vector<std::string> All() {
    std::vector<std::string> out;
    for (const Item& item : kItems) out.push_back(std::to_string(item.depth) + " " + item.label);
    return out;
}

using Lines = std::vector<std::string>;
const Lines kKurzschwert = {"0 Albion", "1 Waffenschmied", "2 Schwerter", "3 Kurzschwert (10)", "4 2 Griff",
                            "4 Metall: 3 Eisen"};
const Lines kAexte = {"0 Albion", "1 Waffenschmied", "2 \xC4xte", "3 Beil (5)", "4 Holz: 1 Eiche"};
const Lines kElite = {"0 Midgard", "1 R\xFCstungsbauer 1 2 3", "2 4 Helme cat=9",
                      "3 \xC9lite Helm (30) lvl=12 4 5 6-7", "4 Metall: 4 Eisen"};
const Lines kGross = {"0 Midgard", "1 R\xFCstungsbauer 1 2 3", "2 4 Helme cat=9",
                      "3 Gro\xDFschild (40) lvl=3 0 0 0-0", "4 Holz: 2 Eiche"};

}  // namespace

TEST(RecipeFilterTest, RuleOverTheTree) {
    struct Case {
        const char* query;  // UTF-8, as typed
        Lines shown;        // empty: nothing; {"all"}: the whole tree
        std::size_t patterns;
    };
    const Case cases[] = {
        // The empty query, and one of white space only.
        {"", {"all"}, 6},
        {" \t\r\n\u00A0", {"all"}, 6},
        // Folding: ä, Ä and a are one letter; so are É, é and e; ß stays ß.
        {"äxte", kAexte, 1},
        {"ÄXTE", kAexte, 1},
        {"axte", kAexte, 1},
        {"élite", kElite, 1},
        {"ELITE", kElite, 1},
        {"rüstungsbauer helm élite", kElite, 1},
        {"GROß", kGross, 1},
        {"gross", {}, 0},
        // Terms split over ancestors; every term must be found.
        {"albion kurz", kKurzschwert, 1},
        {"kurz albion", kKurzschwert, 1},
        {"midgard kurz", {}, 0},
        // A pattern matches through its ingredients and shows all of them.
        {"schwert eisen", kKurzschwert, 1},
        {"eisen", {"0 Albion", "1 Waffenschmied", "2 Schwerter", "3 Kurzschwert (10)", "4 2 Griff",
                   "4 Metall: 3 Eisen", "0 Midgard", "1 R\xFCstungsbauer 1 2 3", "2 4 Helme cat=9",
                   "3 \xC9lite Helm (30) lvl=12 4 5 6-7", "4 Metall: 4 Eisen"},
         2},
        // Ingredients count only for their own pattern, not for siblings.
        {"griff bronze", {}, 0},
        // A match on a skill or a category shows everything below it.
        {"schneider", {"0 Albion", "1 Schneider", "2 M\xE4ntel", "3 Umhang (1)", "4 Stoff: 2 Wolle"}, 1},
        {"schwerter", {"0 Albion", "1 Waffenschmied", "2 Schwerter", "3 Kurzschwert (10)", "4 2 Griff",
                       "4 Metall: 3 Eisen", "3 Langschwert (20)", "4 Metall: 5 Bronze"},
         2},
        // Illegal index items, an empty realm and debug labels are text like any other.
        {"illegal", {"0 Albion", "1 Waffenschmied", "2 ILLEGAL INDEX 7 cat=300 max=200"}, 0},
        {"cat=300", {"0 Albion", "1 Waffenschmied", "2 ILLEGAL INDEX 7 cat=300 max=200"}, 0},
        {"hibernia", {"0 Hibernia"}, 0},
        {"lvl=12", kElite, 1},
        {"cat=9 6-7", kElite, 1},
        // Repeated terms count once; a character code page 1252 cannot write
        // matches nothing, nor do bytes that are not UTF-8.
        {"kurz KURZ albion", kKurzschwert, 1},
        {"kurz 水", {}, 0},
        {"kurz \xFF", {}, 0},
        {"\xE4xte", {}, 0},
    };
    const RecipeTree tree = MakeTree();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        RecipeFilter filter;
        ASSERT_TRUE(filter.Apply(tree, FindQuery::FromUtf8(c.query)));
        EXPECT_EQ(Shown(filter), c.shown == Lines{"all"} ? All() : c.shown);
        EXPECT_EQ(filter.ShownPatternCount(), c.patterns);
        EXPECT_LE(filter.MemoryBytes(), 8 * tree.size());
    }
}

// Level and material terms, and quoted terms, over the tree with kMoreItems.
TEST(RecipeFilterTest, LevelMaterialAndQuotedTerms) {
    struct Case {
        const char* query;
        Lines shown;
        std::size_t patterns;
        const char* notUnderstood = "";  // what the user is told
        Language language = Language::German;
    };
    const Lines kKappen = {"0 Avalon", "1 Schneider", "2 Kappen"};
    const Lines kLederkappe = {"3 Lederkappe (300)", "4 Leder: 2 Gepr\xE4gt", "4 Holz: 1 Eisenholz"};
    const Lines kNetherkappe = {"3 Netherkappe (350)", "4 Stein: 1 Netherit"};
    const Lines kKappe400 = {"3 Kappe 300 (400)", "4 Klinge: 1 Lange glatte scharfe", "4 3 Faden"};
    auto join = [](std::initializer_list<Lines> parts) {
        Lines out;
        for (const Lines& part : parts) out.insert(out.end(), part.begin(), part.end());
        return out;
    };
    const Lines kEisen = join({kKurzschwert, Lines(kElite)});
    const Case cases[] = {
        // The four level forms; the level is the stored value, not the label's
        // text (the debug label says lvl=12, the name of one holds 300).
        {"level:10-20", join({kKurzschwert, {"3 Langschwert (20)", "4 Metall: 5 Bronze"}}), 2},
        {"level:300-", join({kKappen, kLederkappe, kNetherkappe, kKappe400}), 3},
        {"level:-5", join({{"0 Albion", "1 Waffenschmied"}, Lines(kAexte.begin() + 2, kAexte.end()),
                           {"1 Schneider", "2 M\xE4ntel", "3 Umhang (1)", "4 Stoff: 2 Wolle"}}),
         2},
        {"level:30", kElite, 1},
        {"LEVEL:300", join({kKappen, kLederkappe}), 1},
        {"level:12", {}, 0},
        {"level:350-300", {}, 0},
        {"level:99999999999-", {}, 0},
        {"level:10-20 level:15-", join({{"0 Albion", "1 Waffenschmied", "2 Schwerter"}, {"3 Langschwert (20)", "4 Metall: 5 Bronze"}}), 1},
        // Not one of the four forms, or quoted: a word, found in no label.
        {"level:5a", {}, 0, "'level:5a' is no level such as 300-350"},
        {"level:1-2-3", {}, 0, "'level:1-2-3' is no level such as 300-350"},
        {"level:-", {}, 0, "'level:-' is no level such as 300-350"},
        {"\"level:300\"", {}, 0},
        {"material:", {}, 0, "'material:' names no material"},
        // With a level or material term only patterns match: a skill named
        // by a word is not shown whole.
        {"schneider level:300-350", join({kKappen, kLederkappe, kNetherkappe}), 2},
        {"waffenschmied level:0-15", join({Lines(kKurzschwert), Lines(kAexte.begin() + 2, kAexte.end())}), 2},
        {"illegal level:0-", {}, 0},
        {"griff level:10", kKurzschwert, 1},
        // Material: the whole name, folded, in the tree's language.
        {"material:eisen", kEisen, 2},
        {"material:eisenholz", join({kKappen, kLederkappe}), 1},
        {"material:eise", {}, 0, "no material is called eise"},
        {"material:gepragt", join({kKappen, kLederkappe}), 1},
        {"material:GEPRÄGT", join({kKappen, kLederkappe}), 1},
        {"material:netherit", join({kKappen, kNetherkappe}), 1},
        {"material:\"lange glatte scharfe\"", join({kKappen, kKappe400}), 1},
        {"material:lange", {}, 0},  // a material of that name exists
        {"material:iron", {}, 0, "no material is called iron"},
        {"material:iron", kEisen, 2, "", Language::English},
        {"material:eisen", {}, 0, "no material is called eisen", Language::English},
        // Told as typed, every part of it; a quote left open still finds.
        {"material:Eisn", {}, 0, "no material is called Eisn"},
        {"LEVEL:abc material:\"Lange glatt\" material:Eisen material:\"Gepr\u00E4gt",
         {}, 0, "'LEVEL:abc' is no level such as 300-350; no material is called Lange glatt; a quote is not closed"},
        // Every term must hold.
        {"material:eisen level:20-", kElite, 1},
        {"material:eisen midgard", kElite, 1},
        {"material:eisen griff", kKurzschwert, 1},
        {"material:eisen material:bronze", {}, 0},
        {"material:水 level:0-", {}, 0},
        // A quoted term is one word, blanks included; unquoted, "3" and
        // "eisen" are two words and find the helm and the cap as well.
        {"\"3 eisen\"", kKurzschwert, 1},
        {"3 eisen", join({kEisen, kKappen, kLederkappe}), 3},
        {"\"kurz", kKurzschwert, 1, "a quote is not closed"},
        // The quoted blank is part of the phrase: "Eisenholz" has no
        // "eisen holz", while "1 eisen" runs into the word after it.
        {"\"eisen holz\"", {}, 0},
        {"\"1 eisen\"", join({kKappen, kLederkappe}), 1},
        {"\"1 eisen\" \"3 eisen\"", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const RecipeTree tree = MakeTree(true, c.language);
        RecipeFilter filter;
        const FindQuery query = FindQuery::FromUtf8(c.query);
        ASSERT_TRUE(filter.Apply(tree, query));
        EXPECT_EQ(Shown(filter), c.shown);
        EXPECT_EQ(filter.ShownPatternCount(), c.patterns);
        EXPECT_EQ(NotUnderstood(query, c.language), c.notUnderstood);
        EXPECT_LE(filter.MemoryBytes(), 8 * tree.size());
    }
}

TEST(RecipeFilterTest, FoldingTable) {
    const std::string_view upper = "ABCXYZ\xC0\xC1\xC2\xC3\xC4\xC5\xC7\xC8\xC9\xCA\xCB\xCC\xCF\xD1\xD2\xD6\xD8\xD9\xDC\xDD\x8A\x8E\x9F";
    const std::string_view folded = "abcxyzaaaaaaceeeeiinooouuyszy";
    ASSERT_EQ(upper.size(), folded.size());
    for (std::size_t i = 0; i < upper.size(); ++i) {
        EXPECT_EQ(FoldCp1252(static_cast<unsigned char>(upper[i])), static_cast<unsigned char>(folded[i])) << i;
    }
    // Letters without a base letter pair their cases; the rest stay.
    for (const auto& [in, out] : std::vector<std::pair<int, int>>{
             {0xC6, 0xE6}, {0xE6, 0xE6}, {0xDE, 0xFE}, {0xD0, 0xF0}, {0x8C, 0x9C}, {0xDF, 0xDF},
             {0xD7, 0xD7}, {0xF7, 0xF7}, {'1', '1'}, {' ', ' '}, {0x80, 0x80}, {0xFF, 'y'}}) {
        EXPECT_EQ(FoldCp1252(static_cast<unsigned char>(in)), out) << std::hex << in;
    }
    EXPECT_TRUE(FoldedContains("Gro\xDF", "gro\xDF"));
    EXPECT_FALSE(FoldedContains("Gro", "gro\xDF"));
    EXPECT_TRUE(FoldedContains("x", ""));
}

// Every byte of code page 1252, folded by each way the filter folds: the
// byte alone, labels (inside a block of eight and after it), a query typed
// in UTF-8, and the search. The table is written out here, apart from the
// program's: upper case of ASCII to lower case; in the high half, letters
// with a base letter to that letter, the other letters to their lower case,
// everything else as it is.
TEST(RecipeFilterTest, FoldingOfEveryByte) {
    constexpr unsigned char kHighHalf[128] = {
        // 0x80: € undefined ‚ ƒ „ … † ‡ ˆ ‰ Š ‹ Œ undefined Ž undefined
        0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 's', 0x8B, 0x9C, 0x8D, 'z', 0x8F,
        // 0x90: undefined ‘ ’ “ ” • – — ˜ ™ š › œ undefined ž Ÿ
        0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 's', 0x9B, 0x9C, 0x9D, 'z', 'y',
        // 0xA0: no-break space ¡ ¢ £ ¤ ¥ ¦ § ¨ © ª « ¬ soft hyphen ® ¯
        0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
        // 0xB0: ° ± ² ³ ´ µ ¶ · ¸ ¹ º » ¼ ½ ¾ ¿
        0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
        // 0xC0: À Á Â Ã Ä Å Æ Ç È É Ê Ë Ì Í Î Ï
        'a', 'a', 'a', 'a', 'a', 'a', 0xE6, 'c', 'e', 'e', 'e', 'e', 'i', 'i', 'i', 'i',
        // 0xD0: Ð Ñ Ò Ó Ô Õ Ö × Ø Ù Ú Û Ü Ý Þ ß
        0xF0, 'n', 'o', 'o', 'o', 'o', 'o', 0xD7, 'o', 'u', 'u', 'u', 'u', 'y', 0xFE, 0xDF,
        // 0xE0: à á â ã ä å æ ç è é ê ë ì í î ï
        'a', 'a', 'a', 'a', 'a', 'a', 0xE6, 'c', 'e', 'e', 'e', 'e', 'i', 'i', 'i', 'i',
        // 0xF0: ð ñ ò ó ô õ ö ÷ ø ù ú û ü ý þ ÿ
        0xF0, 'n', 'o', 'o', 'o', 'o', 'o', 0xF7, 'o', 'u', 'u', 'u', 'u', 'y', 0xFE, 'y',
    };
    const auto expected = [&](unsigned char byte) -> unsigned char {
        if (byte >= 0x80) return kHighHalf[byte - 0x80];
        return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
    };
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(::testing::Message() << "byte 0x" << std::hex << b);
        const auto byte = static_cast<unsigned char>(b);
        const char c = static_cast<char>(byte);
        const char folded = static_cast<char>(expected(byte));
        EXPECT_EQ(FoldCp1252(byte), expected(byte));

        std::string label = "Abcdefg";
        label += c;
        label += "Zz";
        label += c;
        std::string out;
        FoldInto(out, label);
        EXPECT_EQ(out, std::string("abcdefg") + folded + "zz" + folded);
        EXPECT_TRUE(FoldedContains(label, std::string(1, folded) + "zz" + folded));

        // The character typed: one term, folded alike, unless it separates
        // terms or code page 1252 leaves the byte undefined. The double
        // quote is the query's own syntax.
        if (c == '"') continue;
        const FindQuery query = FindQuery::FromUtf8(Cp1252ToUtf8(std::string(1, c)));
        if (c == ' ' || (b >= 0x09 && b <= 0x0D) || b == 0xA0) {
            EXPECT_TRUE(query.empty());
        } else if (Cp1252ToUnicode(byte) == 0xFFFD) {
            EXPECT_TRUE(query.matchesNothing);
        } else {
            EXPECT_EQ(query.terms, std::vector<std::string>{std::string(1, folded)});
            // The filter finds the character among the letters of a label.
            RecipeTree tree;
            const TreeItem with = tree.InsertItem(kTreeRoot, "Abcdefghijklmnop" + label + "qrstuvwxyz");
            const TreeItem without = tree.InsertItem(kTreeRoot, "Abcdefghijklmnopqrstuvwxyz");
            tree.Finish();
            RecipeFilter filter;
            ASSERT_TRUE(filter.Apply(tree, FindQuery::FromUtf8(Cp1252ToUtf8(std::string(1, c) + "zZ" + c))));
            EXPECT_TRUE(filter.IsShown(with));
            EXPECT_FALSE(filter.IsShown(without));
        }
    }
}

TEST(RecipeFilterTest, MoreThanSixtyFourTerms) {
    // Every printable ASCII character but the quote as a term of its own: 67
    // after folding.
    std::string label, query;
    for (char c = '!'; c <= '~'; ++c) {
        label += c;
        if (c == '"') continue;
        query += c;
        query += ' ';
    }
    RecipeTree tree;
    const TreeItem realm = tree.InsertItem(kTreeRoot, "R");
    tree.InsertItem(realm, label);
    tree.InsertItem(realm, label.substr(1));
    tree.Finish();
    RecipeFilter filter;
    ASSERT_TRUE(filter.Apply(tree, FindQuery::FromUtf8(query)));
    EXPECT_EQ(FindQuery::FromUtf8(query).terms.size(), 67u);
    EXPECT_EQ(Shown(filter), (Lines{"0 R", "1 " + label}));
    ASSERT_TRUE(filter.Apply(tree, FindQuery::FromUtf8(query + "~~")));
    EXPECT_EQ(Shown(filter), Lines{});
}

TEST(RecipeFilterTest, NextAndPreviousPatternWrapAround) {
    const RecipeTree tree = MakeTree();
    RecipeFilter filter;
    ASSERT_TRUE(filter.Apply(tree, FindQuery::FromUtf8("eisen")));
    auto label = [&](TreeItem item) { return std::string(item == kNoTreeItem ? "none" : tree.Label(item)); };
    const TreeItem kurz = filter.NextPattern(kTreeRoot);
    EXPECT_EQ(label(kurz), "Kurzschwert (10)");
    const TreeItem elite = filter.NextPattern(kurz);
    EXPECT_EQ(label(elite), "\xC9lite Helm (30) lvl=12 4 5 6-7");
    EXPECT_EQ(filter.NextPattern(elite), kurz) << "after the last comes the first";
    EXPECT_EQ(filter.PreviousPattern(kurz), elite);
    EXPECT_EQ(filter.PreviousPattern(elite), kurz);
    // From an ingredient or a realm.
    const TreeItem eisen = filter.ShownChild(kurz, 1);
    EXPECT_EQ(filter.NextPattern(eisen), elite);
    EXPECT_EQ(filter.PreviousPattern(eisen), kurz);
    const TreeItem midgard = filter.ShownChild(kTreeRoot, 1);
    EXPECT_EQ(filter.NextPattern(midgard), elite);
    EXPECT_EQ(filter.PreviousPattern(midgard), kurz);
    // A hidden item starts from the top or the bottom.
    EXPECT_FALSE(filter.IsShown(7));  // Langschwert
    EXPECT_EQ(filter.NextPattern(7), kurz);
    EXPECT_EQ(filter.PreviousPattern(7), elite);

    ASSERT_TRUE(filter.Apply(tree, FindQuery::FromUtf8("hibernia")));
    EXPECT_EQ(filter.NextPattern(kTreeRoot), kNoTreeItem);
    EXPECT_EQ(filter.PreviousPattern(kTreeRoot), kNoTreeItem);

    // Without a query every pattern is visited in order.
    ASSERT_TRUE(filter.Apply(tree, FindQuery{}));
    std::vector<std::string> order;
    TreeItem item = kTreeRoot;
    for (int i = 0; i < 8; ++i) order.push_back(label(item = filter.NextPattern(item)));
    EXPECT_EQ(order, (std::vector<std::string>{"Kurzschwert (10)", "Langschwert (20)", "Beil (5)", "Umhang (1)",
                                               "\xC9lite Helm (30) lvl=12 4 5 6-7",
                                               "Gro\xDFschild (40) lvl=3 0 0 0-0", "Kurzschwert (10)",
                                               "Langschwert (20)"}));
}

TEST(RecipeFilterTest, EmptyTreeAndUnfinishedTree) {
    RecipeTree empty;
    empty.Finish();
    RecipeFilter filter;
    EXPECT_EQ(filter.ShownChildCount(kTreeRoot), 0u) << "bound to no tree";
    ASSERT_TRUE(filter.Apply(empty, FindQuery::FromUtf8("x")));
    EXPECT_EQ(filter.ShownChildCount(kTreeRoot), 0u);
    EXPECT_EQ(filter.NextPattern(kTreeRoot), kNoTreeItem);

    RecipeTree unfinished;
    unfinished.InsertItem(kTreeRoot, "x");
    EXPECT_FALSE(filter.Apply(unfinished, FindQuery::FromUtf8("x")));
    EXPECT_EQ(filter.ShownChildCount(kTreeRoot), 0u) << "a failed filter shows nothing";
}

// The shown set against the rule written out plainly, over random trees of
// short labels from a small alphabet (so that terms hit, miss and run across
// label borders in the filter's blocks) and random queries.
TEST(RecipeFilterTest, AgreesWithThePlainRule) {
    std::uint64_t seed = 12345;
    auto next = [&](std::uint32_t below) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::uint32_t>((seed >> 33) % below);
    };
    const std::string alphabet = "abAB\xE4\xC4 e";
    auto text = [&](std::size_t length) {
        std::string s;
        for (std::size_t i = 0; i < length; ++i) s += alphabet[next(static_cast<std::uint32_t>(alphabet.size()))];
        return s;
    };
    int roundsFindingByValue = 0;
    for (int round = 0; round < 400; ++round) {
        RecipeTree tree;
        std::vector<TreeItem> parents{kTreeRoot};
        std::vector<int> depth{-1};
        const int items = 1 + static_cast<int>(next(60));
        for (int i = 0; i < items; ++i) {
            const TreeItem parent = parents[next(static_cast<std::uint32_t>(parents.size()))];
            if (depth[parent] >= 4) continue;
            parents.push_back(tree.InsertItem(parent, text(next(30))));
            depth.push_back(depth[parent] + 1);
            // Levels 0..49 for patterns, a few material ids for ingredients.
            constexpr std::uint16_t kIds[] = {0, 7, 8, 22, 34, 66, 68};
            tree.SetItemValue(parents.back(), static_cast<std::uint16_t>(depth.back() == kPatternDepth ? next(50)
                                                                                                     : kIds[next(7)]));
        }
        const Language language = next(2) == 0 ? Language::German : Language::English;
        tree.SetLanguage(language);
        tree.Finish();
        std::string query = text(1 + next(6)) + " " + text(next(3));
        // Half the rounds with a level term of one of the four forms, half
        // with a material term (both: a quarter).
        const bool withLevel = next(2) == 0;
        std::uint32_t low = next(50), high = next(50);
        if (withLevel) {
            switch (next(4)) {
                case 0: query += " level:" + std::to_string(low) + "-" + std::to_string(high); break;
                case 1: query += " level:" + std::to_string(low) + "-", high = 0xFFFF; break;
                case 2: query += " level:-" + std::to_string(high), low = 0; break;
                default: query += " level:" + std::to_string(low), high = low; break;
            }
        }
        const char* const kNames[] = {"eisen", "Iron", "EISENHOLZ", "netherit", "gepr\xC4gt", "Bronze"};
        const std::string material = next(2) == 0 ? kNames[next(6)] : "";
        if (!material.empty()) query += " material:" + material;
        const FindQuery parsed = FindQuery::FromUtf8(Cp1252ToUtf8(query));
        auto fold = [](std::string_view in) {
            std::string out;
            for (const char c : in) out += static_cast<char>(FoldCp1252(static_cast<unsigned char>(c)));
            return out;
        };
        // Whether a pattern's own values hold the level and material terms.
        auto valuesHold = [&](TreeItem pattern) {
            const std::uint16_t level = tree.Value(pattern);
            bool taken = material.empty();
            for (std::uint32_t k = 0; k < tree.ChildCount(pattern); ++k) {
                const std::uint16_t id = tree.Value(tree.Child(pattern, k));
                taken = taken || (id != 0 && fold(MaterialName(language, id).view()) == fold(material));
            }
            return taken && (!withLevel || (level >= low && level <= high));
        };

        // The rule: every term in the item's path, or for a pattern in its
        // path and its children; shown: a match, above one or below one.
        auto holds = [&](TreeItem item, const std::string& term, bool withChildren) {
            for (TreeItem up = item; up != kTreeRoot; up = tree.Parent(up)) {
                if (FoldedContains(tree.Label(up), term)) return true;
            }
            if (withChildren) {
                for (std::uint32_t k = 0; k < tree.ChildCount(item); ++k) {
                    if (FoldedContains(tree.Label(tree.Child(item, k)), term)) return true;
                }
            }
            return false;
        };
        std::vector<bool> matches(tree.size() + 1, false);
        for (TreeItem item = 1; item <= tree.size(); ++item) {
            matches[item] = (!withLevel && material.empty()) || (depth[item] == kPatternDepth && valuesHold(item));
            for (const std::string& term : parsed.terms) {
                matches[item] = matches[item] && holds(item, term, depth[item] == kPatternDepth);
            }
        }
        std::vector<bool> expected(tree.size() + 1, false);
        for (TreeItem item = 1; item <= tree.size(); ++item) {
            if (!matches[item]) continue;
            for (TreeItem up = item; up != kTreeRoot; up = tree.Parent(up)) expected[up] = true;
            for (TreeItem below = item + 1; below <= tree.size(); ++below) {
                for (TreeItem up = tree.Parent(below); up != kTreeRoot; up = tree.Parent(up)) {
                    if (up == item) expected[below] = true;
                }
            }
        }
        RecipeFilter filter;
        ASSERT_TRUE(filter.Apply(tree, parsed));
        for (TreeItem item = 1; item <= tree.size(); ++item) {
            ASSERT_EQ(filter.IsShown(item), expected[item]) << "round " << round << " item " << item;
        }
        if (parsed.patternsOnly() && filter.ShownPatternCount() > 0) ++roundsFindingByValue;
    }
    EXPECT_GT(roundsFindingByValue, 40) << "the level and material terms found patterns";
}
