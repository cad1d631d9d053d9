#include "BenchData.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string_view>

namespace artisanscope::bench {
namespace {

using fixtures::CategoryPlan;
using fixtures::PatternPlan;
using fixtures::RealmPlan;
using fixtures::SkillPlan;
using fixtures::SlotPlan;
using fixtures::TablePlan;

// Bumped whenever the generator's output changes, so that stale data is
// written again.
constexpr std::string_view kGeneratorStamp = "artisanscope bench data 3\n";

// splitmix64: the same sequence on every platform and standard library,
// unlike the <random> distributions.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform enough in [0, n) for n far below 2^32.
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
    std::uint32_t Between(std::uint32_t low, std::uint32_t high) { return low + Below(high - low + 1); }
    bool Percent(std::uint32_t p) { return Below(100) < p; }
    template <typename T>
    const T& Pick(std::span<const T> items) { return items[Below(static_cast<std::uint32_t>(items.size()))]; }

private:
    std::uint64_t state_;
};

// A crafting trade: the materials its patterns are made of, the ingredient
// kinds its slots name, and the items its categories hold.
struct Trade {
    std::string_view skill;
    std::span<const std::uint16_t> materials;
    std::span<const std::string_view> ingredients;
    std::span<const std::string_view> items;
};

constexpr std::uint16_t kMetals[] = {7, 8, 15, 14, 26, 9, 10, 29};
constexpr std::uint16_t kLeathers[] = {17, 18, 19, 20, 21, 22, 23, 24, 25};
constexpr std::uint16_t kWoods[] = {31, 32, 33, 34, 35, 36, 37, 38, 39};
constexpr std::uint16_t kCloths[] = {41, 42, 43, 44, 45, 46, 47, 48, 49};
constexpr std::uint16_t kGems[] = {80, 81, 82, 83, 84, 85, 86, 87, 88, 89};
constexpr std::uint16_t kNatural[] = {50, 51, 52, 53, 54, 55, 56, 57};

constexpr std::string_view kMetalParts[] = {"metal bars", "metal sheets", "leather strips", "heavy thread"};
constexpr std::string_view kLeatherParts[] = {"leather squares", "heavy thread", "metal studs", "leather strips"};
constexpr std::string_view kWoodParts[] = {"wooden boards", "wooden pegs", "heavy thread", "feathers"};
constexpr std::string_view kClothParts[] = {"cloth squares", "silk thread", "heavy thread", "dye"};
constexpr std::string_view kGemParts[] = {"raw gems", "polishing cloth", "fine thread", "essence jars"};
constexpr std::string_view kNaturalParts[] = {"bone fragments", "dried herbs", "glass vials", "crushed amber"};

constexpr std::string_view kBlades[] = {"Long Sword", "Broad Sword", "Bastard Sword", "Short Sword", "Great Axe",
                                        "Bearded Axe", "War Hammer", "Flanged Mace", "Spiked Flail", "Halberd",
                                        "Two Handed Sword", "Falchion", "Dirk", "Rapier", "Lance"};
constexpr std::string_view kArmor[] = {"Chain Boots", "Chain Gloves", "Plate Helm", "Plate Vest", "Scale Sleeves",
                                       "Studded Leggings", "Reinforced Jerkin", "Ring Coif", "Kite Shield",
                                       "Tower Shield", "Round Shield", "Banded Greaves"};
constexpr std::string_view kBows[] = {"Short Bow", "Composite Bow", "Recurve Bow", "Crossbow", "Broadhead Arrows",
                                      "Footed Arrows", "Clout Bolts", "Quarterstaff", "Shod Staff", "Lute",
                                      "Drum", "Flute"};
constexpr std::string_view kGarments[] = {"Quilted Vest", "Padded Boots", "Robe", "Cloak", "Silk Gloves",
                                          "Woven Sleeves", "Hooded Cowl", "Wrapped Leggings", "Sash", "Tabard"};
constexpr std::string_view kTrinkets[] = {"Signet Ring", "Jeweled Necklace", "Gem Bracer", "Belt Buckle",
                                          "Charm", "Potion of Healing", "Tincture", "Dye Pot", "Siege Ram",
                                          "Ballista Bolt", "Catapult Stone", "Tinderbox"};

constexpr std::array<Trade, 15> kTrades{{
    {"Weaponcraft", kMetals, kMetalParts, kBlades},
    {"Armorcraft", kMetals, kMetalParts, kArmor},
    {"Fletching", kWoods, kWoodParts, kBows},
    {"Tailoring", kCloths, kClothParts, kGarments},
    {"Leatherworking", kLeathers, kLeatherParts, kArmor},
    {"Clothworking", kCloths, kClothParts, kGarments},
    {"Woodworking", kWoods, kWoodParts, kBows},
    {"Metalworking", kMetals, kMetalParts, kBlades},
    {"Siegecraft", kWoods, kWoodParts, kTrinkets},
    {"Alchemy", kNatural, kNaturalParts, kTrinkets},
    {"Spellcraft", kGems, kGemParts, kTrinkets},
    {"Gemcutting", kGems, kGemParts, kTrinkets},
    {"Jewelcrafting", kGems, kGemParts, kTrinkets},
    {"Herbalism", kNatural, kNaturalParts, kTrinkets},
    {"Basic Crafting", kLeathers, kLeatherParts, kGarments},
}};

constexpr std::string_view kRealmStyle[] = {"Albion", "Norse", "Celtic"};
constexpr std::string_view kQualities[] = {"Crude", "Light", "Heavy", "Sturdy", "Fine", "Reinforced", "Ornate",
                                           "Masterwork", "Runed", "Gilded"};

std::string Join(std::string_view a, std::string_view b) {
    std::string out(a);
    out += ' ';
    out += b;
    return out;
}

// A pattern as a trade makes it: usually named by its material (the item
// level), sometimes by its own name; 3 or 4 filled slots.
PatternPlan TradePattern(Random& random, const Trade& trade, std::string_view item, std::uint16_t skill) {
    PatternPlan pattern;
    if (random.Percent(70)) {
        pattern.material = random.Pick(trade.materials);
    } else {
        pattern.name = Join(random.Pick(std::span<const std::string_view>(kQualities)), item);
    }
    pattern.skill = skill;
    pattern.lvl = static_cast<std::uint16_t>(skill / 20);
    pattern.data1 = static_cast<std::uint16_t>(random.Below(64));
    pattern.data2 = static_cast<std::uint16_t>(random.Below(1000));
    pattern.data3 = static_cast<std::uint16_t>(random.Below(4));
    pattern.data5 = static_cast<std::uint16_t>(random.Below(300));
    const std::size_t slots = random.Percent(80) ? 4 : 3;
    for (std::size_t k = 0; k < slots; ++k) {
        SlotPlan slot;
        slot.name = trade.ingredients[k % trade.ingredients.size()];
        slot.quantity = static_cast<std::uint16_t>(random.Between(1, 48));
        if (random.Percent(75)) slot.material = random.Pick(trade.materials);
        pattern.slots.push_back(std::move(slot));
    }
    return pattern;
}

// Positions that stay empty in a list of `filled` entries spread over
// `filled + gaps` positions.
std::vector<std::uint16_t> WithGaps(Random& random, const std::vector<std::uint16_t>& entries, std::size_t gaps) {
    std::vector<std::uint16_t> out = entries;
    for (std::size_t g = 0; g < gaps; ++g) {
        out.insert(out.begin() + random.Below(static_cast<std::uint32_t>(out.size() + 1)), 0);
    }
    return out;
}

RealmPlan RealisticRealm(std::size_t r) {
    Random random(0xA27150 + r);
    RealmPlan realm;
    const std::string_view style = kRealmStyle[r];

    // Patterns and categories that several skills' lists share.
    constexpr std::size_t kSharedPatterns = 300;
    constexpr std::size_t kSharedCategories = 48;
    std::vector<std::uint16_t> sharedPatterns;
    for (std::size_t i = 0; i < kSharedPatterns; ++i) {
        const Trade& trade = kTrades[i % kTrades.size()];
        const std::string_view item = random.Pick(trade.items);
        sharedPatterns.push_back(realm.AddPattern(
            TradePattern(random, trade, item, static_cast<std::uint16_t>(random.Between(1, 1100)))));
    }

    // A category: 16 patterns of its own and 4 shared ones, skill rising
    // with the position as in a real recipe list, 2 empty positions.
    auto makeCategory = [&](const Trade& trade, std::size_t serial) {
        const std::string_view item = trade.items[serial % trade.items.size()];
        std::vector<std::uint16_t> patterns;
        for (std::size_t p = 0; p < 20; ++p) {
            if (p % 5 == 4) {
                patterns.push_back(sharedPatterns[random.Below(kSharedPatterns)]);
            } else {
                patterns.push_back(realm.AddPattern(TradePattern(random, trade, item, static_cast<std::uint16_t>(p * 55 + 1))));
            }
        }
        std::string name = Join(style, item);
        name += ' ';
        name += std::to_string(serial / trade.items.size() + 1);
        return realm.AddCategory({.name = std::move(name), .patterns = WithGaps(random, patterns, 2)});
    };

    std::vector<std::uint16_t> sharedCategories;
    for (std::size_t i = 0; i < kSharedCategories; ++i) sharedCategories.push_back(makeCategory(kTrades[i % kTrades.size()], 100 + i));

    // 15 named skills in slots 0..16; slots 4 and 12 are empty, as are 17, 18.
    std::size_t trade = 0;
    for (std::size_t s = 0; s < 17; ++s) {
        if (s == 4 || s == 12) {
            realm.skills.push_back({});
            continue;
        }
        const Trade& t = kTrades[trade++];
        std::vector<std::uint16_t> categories;
        for (std::size_t c = 0; c < 40; ++c) {
            if (c % 10 < 3) {
                std::uint16_t pick;
                do pick = sharedCategories[random.Below(kSharedCategories)];
                while (std::find(categories.begin(), categories.end(), pick) != categories.end());
                categories.push_back(pick);
            } else {
                categories.push_back(makeCategory(t, c));
            }
        }
        realm.skills.push_back({.name = std::string(t.skill),
                                .data1 = static_cast<std::uint16_t>(s + 1),
                                .data2 = static_cast<std::uint16_t>(r),
                                .data3 = static_cast<std::uint16_t>(random.Below(8)),
                                .categories = WithGaps(random, categories, 4)});
    }

    // Retired patterns no category lists any more; live tables carry them.
    for (std::size_t i = 0; i < 4500; ++i) {
        const Trade& t = kTrades[i % kTrades.size()];
        realm.AddPattern(TradePattern(random, t, random.Pick(t.items), static_cast<std::uint16_t>(random.Between(2001, 2400))));
    }
    return realm;
}

bool UpToDate(const std::string& stampPath) {
    std::ifstream in(stampPath, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return content == kGeneratorStamp;
}

}  // namespace

TablePlan RealisticTable() {
    TablePlan plan;
    for (std::size_t r = 0; r < 3; ++r) plan.realms[r] = RealisticRealm(r);
    return plan;
}

std::vector<fixtures::MpakMemberPlan> RealisticExtraMembers() {
    // Sizes in bytes; contents are noise, so they barely compress and the
    // archive on disk is about as large as a real one.
    constexpr std::pair<std::string_view, std::size_t> kMembers[] = {
        {"zones.dat", 3'100'000}, {"items.dat", 2'400'000}, {"npcs.dat", 1'900'000},
        {"spells.dat", 1'200'000}, {"quests.txt", 400'000},
    };
    Random random(0x5EED);
    std::vector<fixtures::MpakMemberPlan> members;
    for (const auto& [name, size] : kMembers) {
        fixtures::MpakMemberPlan member;
        member.name = std::string(name);
        member.content.resize(size);
        for (std::size_t i = 0; i < size; i += 8) {
            const std::uint64_t v = random.Next();
            for (std::size_t b = 0; b < 8 && i + b < size; ++b) member.content[i + b] = static_cast<std::uint8_t>(v >> (8 * b));
        }
        members.push_back(std::move(member));
    }
    return members;
}

TablePlan MaximumTable(std::size_t categoryPositions) {
    constexpr std::size_t kCategories = 200;
    constexpr std::size_t kPatternsPerRealm = 2000;
    TablePlan plan;
    for (std::size_t r = 0; r < 3; ++r) {
        Random random(0x3A7 + r);
        RealmPlan& realm = plan.realms[r];
        std::vector<std::uint16_t> patterns;
        for (std::size_t i = 0; i < kPatternsPerRealm; ++i) {
            const Trade& trade = kTrades[i % kTrades.size()];
            PatternPlan pattern = TradePattern(random, trade, random.Pick(trade.items),
                                               static_cast<std::uint16_t>(1 + i % 2000));
            pattern.slots.clear();
            for (std::size_t k = 0; k < 8; ++k) {
                pattern.slots.push_back({.name = std::string(trade.ingredients[k % trade.ingredients.size()]),
                                         .quantity = static_cast<std::uint16_t>(random.Between(1, 48)),
                                         .material = k % 4 == 3 ? std::uint16_t{0} : random.Pick(trade.materials)});
            }
            patterns.push_back(realm.AddPattern(std::move(pattern)));
        }
        std::vector<std::uint16_t> categories;
        for (std::size_t i = 0; i < kCategories; ++i) {
            const Trade& trade = kTrades[i % kTrades.size()];
            std::vector<std::uint16_t> list;
            for (std::size_t p = 0; p < 50; ++p) list.push_back(patterns[(i * 50 + p * 7) % kPatternsPerRealm]);
            std::string name = Join(kRealmStyle[r], trade.items[i % trade.items.size()]);
            name += ' ';
            name += std::to_string(i + 1);
            categories.push_back(realm.AddCategory({.name = std::move(name), .patterns = std::move(list)}));
        }
        for (std::size_t s = 0; s < 19; ++s) {
            // Every skill lists all 200 categories, rotated so that skills differ.
            std::vector<std::uint16_t> list = categories;
            std::rotate(list.begin(), list.begin() + static_cast<std::ptrdiff_t>((s * 11) % kCategories), list.end());
            list.resize(categoryPositions);
            std::string name(kTrades[s % kTrades.size()].skill);
            if (s >= kTrades.size()) name += " II";
            realm.skills.push_back({.name = std::move(name),
                                    .data1 = static_cast<std::uint16_t>(s + 1),
                                    .categories = std::move(list)});
        }
    }
    return plan;
}

std::size_t MaximumTreeItems(std::size_t categoryPositions) {
    return 3 + 57 + 57 * categoryPositions * (1 + 50 * (1 + 8));
}

std::vector<BenchInput> EnsureBenchData(const std::string& root) {
    struct Plan {
        std::string name;
        std::size_t maximumPositions;  // 0: the realistic table
    };
    const Plan plans[] = {{"realistic", 0}, {"maximum-1of4", 50}, {"maximum-1of2", 100}, {"maximum", 200}};
    std::vector<BenchInput> inputs;
    for (const Plan& plan : plans) {
        BenchInput input{plan.name, root + "/" + plan.name, root + "/" + plan.name + "/data/ifd.mpk"};
        const std::string stamp = input.directory + "/generator.txt";
        if (!UpToDate(stamp) || !std::filesystem::exists(input.archive)) {
            if (plan.maximumPositions == 0) {
                fixtures::WriteGameDirectory(input.directory, fixtures::WriteRecipeTable(RealisticTable()),
                                             RealisticExtraMembers());
            } else {
                fixtures::WriteGameDirectory(input.directory,
                                             fixtures::WriteRecipeTable(MaximumTable(plan.maximumPositions)));
            }
            std::ofstream(stamp, std::ios::binary) << kGeneratorStamp;
        }
        inputs.push_back(std::move(input));
    }
    return inputs;
}

TablePlan PatchedTable(TablePlan plan, std::size_t changedRecords) {
    for (RealmPlan& realm : plan.realms) {
        const std::size_t records = realm.patterns.size();
        for (std::size_t n = 0; n < changedRecords && records > 1; ++n) {
            PatternPlan& pattern = realm.patterns[1 + n * (records - 1) / changedRecords];
            pattern.skill = static_cast<std::uint16_t>(pattern.skill + 1);
            if (!pattern.slots.empty() && pattern.slots[0].quantity < 0xFFFF) ++pattern.slots[0].quantity;
        }
    }
    RealmPlan& midgard = plan.realms[1];
    for (std::size_t i = 1; i < midgard.categories.size(); ++i) {
        if (midgard.categories[i].patterns.empty() || midgard.categories[i].patterns[0] == 0) continue;
        midgard.categories[i].patterns[0] = midgard.AddPattern(
            {.name = "Neues Muster", .skill = 777, .slots = {{.name = "Barren", .quantity = 3, .material = 8}}});
        break;
    }
    RealmPlan& hibernia = plan.realms[2];
    if (!hibernia.skills.empty()) {
        std::vector<std::uint16_t>& list = hibernia.skills[0].categories;
        const auto last = std::find_if(list.rbegin(), list.rend(), [](std::uint16_t c) { return c != 0; });
        if (last != list.rend()) *last = 0;
    }
    RealmPlan& albion = plan.realms[0];
    if (albion.skills.size() < 19) {
        std::vector<std::uint16_t> patterns;
        for (std::uint16_t q = 1; q <= 12; ++q) {
            patterns.push_back(albion.AddPattern({.name = "Rune " + std::to_string(q), .skill = static_cast<std::uint16_t>(100 * q),
                                                  .slots = {{.name = "Stein", .quantity = q, .material = 80}}}));
        }
        const std::uint16_t category = albion.AddCategory({.name = "Runensteine", .patterns = patterns});
        albion.skills.push_back({.name = "Runenmetz", .categories = {category}});
    }
    return plan;
}

std::vector<DiffBenchPair> EnsureDiffBenchData(const std::string& root) {
    // Record changes per realm: a few hundred differences in each pair (a
    // record of the maximum table is listed 95 times).
    const std::pair<std::string, std::size_t> plans[] = {{"realistic", 60}, {"maximum", 1}};
    const std::vector<BenchInput> inputs = EnsureBenchData(root);
    std::vector<DiffBenchPair> pairs;
    for (const auto& [name, changed] : plans) {
        DiffBenchPair pair{name, root + "/" + name, root + "/" + name + "-patched"};
        const std::string stamp = pair.newDirectory + "/generator.txt";
        if (!UpToDate(stamp) || !std::filesystem::exists(pair.newDirectory + "/data/ifd.mpk")) {
            const TablePlan table = name == "realistic" ? RealisticTable() : MaximumTable(200);
            fixtures::WriteGameDirectory(pair.newDirectory, fixtures::WriteRecipeTable(PatchedTable(table, changed)));
            std::ofstream(stamp, std::ios::binary) << kGeneratorStamp;
        }
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

}  // namespace artisanscope::bench
