#include "recipes/Names.h"

#include "io/Decimal.h"

namespace artisanscope {
namespace {

struct MaterialRow {
    std::uint32_t id;
    std::string_view german;
    std::string_view english;
};

// The 87 named material ids. Every other id below 256 is empty in both
// languages. Umlauts are code page 1252 bytes (E4 for ä, FC for ü).
constexpr MaterialRow kMaterialRows[] = {
    {7, "Bronze", "Bronze"},
    {8, "Eisen", "Iron"},
    {9, "Mithril", "Mithril"},
    {10, "Asterit", "Asterite"},
    {14, "Titan", "Alloy"},
    {15, "Stahl", "Steel"},
    {17, "Unbehandelt", "Rawhide"},
    {18, "Gegerbt", "Tanned"},
    {19, "Getrocknet", "Cured"},
    {20, "Hart", "Hard"},
    {21, "Starr", "Rigid"},
    {22, "Gepr\xE4" "gt", "Embossed"},
    {23, "Getr\xE4" "nkt", "Imbued"},
    {24, "Runenleder", "Runed"},
    {25, "Verzaubert", "Eldritch"},
    {26, "Platin", "Fine Alloy"},
    {29, "Adamant", "Adamantium"},
    {31, "Esche", "Rowan"},
    {32, "Ulme", "Elm"},
    {33, "Eiche", "Oak"},
    {34, "Eisenholz", "Ironwood"},
    {35, "Kernholz", "Heartwood"},
    {36, "Runenholz", "Runewood"},
    {37, "Steinholz", "Stonewood"},
    {38, "Ebenholz", "Ebonwood"},
    {39, "Dyrrholz", "Dyrwood"},
    {41, "Wolle", "Woolen"},
    {42, "Leinen", "Linen"},
    {43, "Brokat", "Brocade"},
    {44, "Seide", "Silk"},
    {45, "Samt", "Gossamer"},
    {46, "Waldessenz", "Sylvan"},
    {47, "Meeresnebel", "Seamist"},
    {48, "Nachschatten", "Nightshade"},
    {49, "Wyvernhaut", "Wyvernskin"},
    {50, "Bl\xE4" "tter", "Leaf"},
    {51, "Knochen", "Bone"},
    {52, "Ranken", "Vine"},
    {53, "Muscheln", "Shell"},
    {54, "Fossilien", "Fossil"},
    {55, "Bernstein", "Amber"},
    {56, "Korallen", "Coral"},
    {57, "Chitin", "Chitin"},
    {58, "Kupfer", "Copper"},
    {59, "Ferrit", "Ferrite"},
    {60, "Quartz", "Quartz"},
    {61, "Dolomit", "Dolomite"},
    {62, "Kobalt", "Cobalt"},
    {63, "Karbid", "Carbide"},
    {64, "Saphir", "Sapphire"},
    {65, "Diamant", "Diamond"},
    {66, "Netherit", "Netherite"},
    {67, "Arkanit", "Arcanite"},
    {68, "Netherit", "Netherium"},
    {69, "Arkanit", "Arcanium"},
    {70, "Gesegnet", "Tempered"},
    {71, "D\xFC" "sterholz", "Duskwood"},
    {72, "Seidenstahl", "Silksteel"},
    {73, "Granit", "Petrified"},
    {74, "Kristal", "Crystalized"},
    {80, "roh", "raw"},
    {81, "unpoliert", "uncut"},
    {82, "rau", "rough"},
    {83, "unrein", "flawed"},
    {84, "mangelhaft", "imperfect"},
    {85, "poliert", "polished"},
    {86, "facetiert", "faceted"},
    {87, "kostbar", "precious"},
    {88, "lupenrein", "flawless"},
    {89, "perfekt", "perfect"},
    {101, "kurze grobe", "kurze grobe"},
    {102, "Grobe", "Grobe"},
    {103, "Kurze", "Kurze"},
    {104, "Grobe lange", "Grobe lange"},
    {105, "Normale", "Normale"},
    {106, "Kurze glatte", "Kurze glatte"},
    {107, "Lange", "Lange"},
    {108, "Glatte", "Glatte"},
    {109, "Lange glatte", "Lange glatte"},
    {110, "Lange glatte scharfe", "Lange glatte scharfe"},
    {111, "Lange glatte stumpfe", "Lange glatte stumpfe"},
    {112, "Lange glatte gezackte", "Lange glatte gezackte"},
    {176, "176", "176"},
    {192, "192", "192"},
    {208, "208", "208"},
    {224, "224", "224"},
    {240, "240", "240"},
};

constexpr auto BuildMaterialNames() {
    std::array<std::array<std::string_view, kMaterialIdsPerLanguage>, 2> names{};
    for (const MaterialRow& row : kMaterialRows) {
        names[0][row.id] = row.german;
        names[1][row.id] = row.english;
    }
    return names;
}

}  // namespace

namespace {
const std::array<std::string_view, kRealmCount> RealmNames = {"Albion", "Midgard", "Hibernia"};
}  // namespace

const std::array<std::array<std::string_view, kMaterialIdsPerLanguage>, 2> MaterialNames = BuildMaterialNames();

std::string_view RealmName(std::size_t realm) {
    return realm < RealmNames.size() ? RealmNames[realm] : std::string_view();
}

NameText NameText::FromNumber(std::uint32_t value) {
    NameText t;
    t.SetNumber(value);
    return t;
}

void NameText::SetNumber(std::uint32_t value) {
    isNumber_ = true;
    length_ = static_cast<std::uint8_t>(WriteDecimal(digits_, value));
}

NameText MaterialName(Language language, std::uint32_t id) {
    NameText name;
    SetMaterialName(name, language, id);
    return name;
}

}  // namespace artisanscope
