// Writes the bundled sample game folder: <folder>/Camelot.exe (empty) and
// <folder>/data/ifd.mpk holding a small, plausible tdl.crf. With --patched,
// the same game after a patch (recipes added, removed and changed), to try a
// comparison on. The output is the same on every run.
//
//   make_sample <folder> [--patched]

#include "fixtures/TableWriter.h"

#include <array>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

using namespace artisanscope::fixtures;

struct Ingredient {
    const char* name;
    std::uint16_t quantity;
    std::uint16_t material;  // 0: none
};

struct Recipe {
    const char* name;
    std::uint16_t skill;
    std::vector<Ingredient> ingredients;
    std::uint32_t material = 0;  // non-zero: named after this material
};

struct Category {
    const char* name;
    std::vector<Recipe> recipes;
};

struct Skill {
    const char* name;
    std::vector<Category> categories;
};

// Patterns get levels and the undocumented fields from their skill, so
// debug mode has something to show.
RealmPlan MakeRealm(const std::vector<Skill>& skills) {
    RealmPlan realm;
    std::uint16_t skillNumber = 0;
    for (const Skill& skill : skills) {
        ++skillNumber;
        SkillPlan skillPlan{.name = skill.name, .data1 = skillNumber, .data2 = 0, .data3 = 1};
        for (const Category& category : skill.categories) {
            CategoryPlan categoryPlan{.name = category.name};
            for (const Recipe& recipe : category.recipes) {
                PatternPlan pattern{.name = recipe.name,
                                    .material = recipe.material,
                                    .data1 = skillNumber,
                                    .data2 = static_cast<std::uint16_t>(recipe.skill / 10),
                                    .data3 = 0,
                                    .skill = recipe.skill,
                                    .lvl = static_cast<std::uint16_t>(recipe.skill / 20 + 1),
                                    .data5 = 1};
                for (const Ingredient& ingredient : recipe.ingredients) {
                    pattern.slots.push_back({.name = ingredient.name,
                                             .quantity = ingredient.quantity,
                                             .material = ingredient.material});
                }
                categoryPlan.patterns.push_back(realm.AddPattern(pattern));
            }
            skillPlan.categories.push_back(realm.AddCategory(categoryPlan));
        }
        realm.skills.push_back(skillPlan);
    }
    return realm;
}

// Material ids of the name tables.
constexpr std::uint16_t kBronze = 7, kIron = 8, kSteel = 15, kEmbossed = 22, kImbued = 23, kRowan = 31,
                        kOak = 33, kWoolen = 41, kLinen = 42, kLeaves = 50, kDuskwood = 71;

using SampleRealms = std::array<std::vector<Skill>, 3>;

SampleRealms Sample() {
    SampleRealms realms;
    realms[0] = {
        {"Waffenschmied",
         {{"Schwerter",
           {{"Kurzschwert", 15, {{"Metallbarren", 2, kBronze}, {"Lederstreifen", 1, kEmbossed}}},
            {"Breitschwert", 115, {{"Metallbarren", 4, kIron}, {"Lederstreifen", 2, kImbued}}},
            {"Langschwert", 215, {{"Metallbarren", 6, kSteel}, {"Lederstreifen", 2, kImbued}, {"Schleifstein", 1, 0}}},
            {"Pr\xFC" "fschwert (Test)", 2100, {{"Metallbarren", 1, kSteel}}}}},
          {"\xC4xte",
           {{"Handaxt", 35, {{"Metallbarren", 3, kBronze}, {"Holzgriff", 1, kRowan}}},
            {"Streitaxt", 235, {{"Metallbarren", 8, kSteel}, {"Holzgriff", 1, kOak}}}}}}},
        {"R\xFC" "stungsschmied",
         {{"Plattenr\xFC" "stung",
           {{"Plattenhelm", 55, {{"Metallbarren", 5, kIron}, {"Polsterung", 2, kWoolen}}},
            {"Plattenhandschuhe", 75, {{"Metallbarren", 4, kIron}, {"Polsterung", 1, kWoolen}}}}}}},
        {"Schneider",
         {{"Lederr\xFC" "stung",
           {{"Lederweste", 20, {{"Lederquadrat", 6, kEmbossed}, {"Faden", 2, 0}}},
            {"Lederhose", 40, {{"Lederquadrat", 5, kImbued}, {"Faden", 2, 0}}}}},
          {"Stoffr\xFC" "stung", {{"Robe", 10, {{"Stoffballen", 4, kLinen}, {"Faden", 3, 0}}}}}}},
    };
    realms[1] = {
        {"Waffenschmied",
         {{"Hammer",
           {{"Kriegshammer", 25, {{"Metallbarren", 4, kBronze}, {"Holzgriff", 1, kDuskwood}}},
            {"Gro\xDFhammer", 145, {{"Metallbarren", 9, kIron}, {"Holzgriff", 2, kDuskwood}}}}},
          {"Barren", {{"", 50, {{"Erz", 2, 0}}, kIron}, {"", 150, {{"Erz", 3, 0}}, kSteel}}}}},
        {"Alchemie",
         {{"Tr\xE4nke",
           {{"Heiltrank", 60, {{"Kr\xE4uter", 3, kLeaves}, {"Phiole", 1, 0}}},
            {"Manatrank", 160, {{"Kr\xE4uter", 5, kLeaves}, {"Phiole", 1, 0}}},
            {"Trank der Entwickler", 2500, {{"Phiole", 1, 0}}}}}}},
        {"Schneider",
         {{"Lederr\xFC" "stung", {{"Fellumhang", 30, {{"Lederquadrat", 4, kEmbossed}, {"Faden", 2, 0}}}}}}},
    };
    realms[2] = {
        {"Bogenbauer",
         {{"B\xF6gen",
           {{"Kurzbogen", 15, {{"Holzbrett", 3, kRowan}, {"Bogensehne", 1, 0}}},
            {"Kompositbogen", 125, {{"Holzbrett", 5, kDuskwood}, {"Bogensehne", 1, 0}}},
            {"Langbogen", 245, {{"Holzbrett", 7, kDuskwood}, {"Bogensehne", 2, 0}}}}},
          {"Pfeile", {{"Jagdpfeile", 5, {{"Holzschaft", 10, kRowan}, {"Federn", 10, 0}}}}}}},
        {"Juwelier",
         {{"Schmuck",
           {{"Bronzering", 45, {{"Metallbarren", 1, kBronze}}},
            {"Halskette \x84Nebelmond\x93", 185, {{"Metallbarren", 2, kSteel}, {"Edelstein", 1, 0}}},
            {"Testjuwel", 2050, {{"Edelstein", 9, 0}}}}}}},
        {"Schneider",
         {{"Stoffr\xFC" "stung", {{"Mantel", 25, {{"Stoffballen", 5, kWoolen}, {"Faden", 4, 0}}}}}}},
    };
    return realms;
}

// A plausible patch: values and ingredients changed, recipes added and
// retired, a category added and a skill removed.
void Patch(SampleRealms& realms) {
    std::vector<Recipe>& swords = realms[0][0].categories[0].recipes;
    swords[1].skill = 120;                                     // Breitschwert
    swords[1].ingredients[0].quantity = 5;
    swords[2].ingredients.pop_back();                          // Langschwert without Schleifstein
    swords[2].ingredients.push_back({"Griffband", 1, kEmbossed});
    realms[0][0].categories[1].recipes.push_back({"Doppelaxt", 265, {{"Metallbarren", 10, kSteel}, {"Holzgriff", 2, kOak}}});
    realms[0][2].categories[1].recipes.clear();                // Robe retired
    realms[1][1].categories.push_back({"Gifte",
                                       {{"Schlafgift", 80, {{"Kr\xE4uter", 2, kLeaves}, {"Phiole", 1, 0}}},
                                        {"L\xE4hmgift", 180, {{"Kr\xE4uter", 4, kLeaves}, {"Phiole", 1, 0}}}}});
    realms[2].erase(realms[2].begin() + 1);                    // no more Juwelier
}

TablePlan SampleTable(bool patched) {
    SampleRealms realms = Sample();
    if (patched) Patch(realms);
    TablePlan table;
    table.version = 102;
    for (std::size_t r = 0; r < realms.size(); ++r) table.realms[r] = MakeRealm(realms[r]);
    return table;
}

}  // namespace

int main(int argc, char** argv) {
    const bool patched = argc == 3 && std::string(argv[2]) == "--patched";
    if (argc != 2 && !patched) {
        std::fprintf(stderr, "usage: make_sample <folder> [--patched]\n");
        return 2;
    }
    try {
        const std::string folder = argv[1];
        WriteGameDirectory(folder, WriteRecipeTable(SampleTable(patched)));
        WriteFile(folder + "/Camelot.exe", {});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_sample: %s\n", error.what());
        return 1;
    }
    return 0;
}
