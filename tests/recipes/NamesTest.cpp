#include "recipes/Names.h"

#include <gtest/gtest.h>

using namespace artisanscope;

TEST(NamesTest, MaterialLookups) {
    struct Case {
        std::uint32_t id;
        std::string_view german, english;
    } cases[] = {
        {8, "Eisen", "Iron"},
        {14, "Titan", "Alloy"},
        {3, "3", "3"},                       // empty entry: its number
        {0, "0", "0"},
        {176, "176", "176"},                 // the table holds the number itself
        {110, "Lange glatte scharfe", "Lange glatte scharfe"},
        {66, "Netherit", "Netherite"},
        {68, "Netherit", "Netherium"},
        {50, "Bl\xE4tter", "Leaf"},          // code page 1252 umlaut
        {71, "D\xFCsterholz", "Duskwood"},
        {101, "kurze grobe", "kurze grobe"},
        {255, "255", "255"},
        {256, "256", "256"},                 // beyond the table
        {65535, "65535", "65535"},
        {4294967295u, "4294967295", "4294967295"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaterialName(Language::German, c.id).view(), c.german) << c.id;
        EXPECT_EQ(MaterialName(Language::English, c.id).view(), c.english) << c.id;
    }
}

TEST(NamesTest, TableShape) {
    int named = 0;
    for (std::size_t id = 0; id < kMaterialIdsPerLanguage; ++id) {
        const bool german = !MaterialNames[0][id].empty();
        EXPECT_EQ(german, !MaterialNames[1][id].empty()) << "id " << id << " empty in one column only";
        named += german;
        EXPECT_LE(MaterialNames[0][id].size(), 31u);
        EXPECT_LE(MaterialNames[1][id].size(), 31u);
    }
    EXPECT_EQ(named, 87);
    EXPECT_EQ(RealmName(0), "Albion");
    EXPECT_EQ(RealmName(1), "Midgard");
    EXPECT_EQ(RealmName(2), "Hibernia");
    EXPECT_EQ(RealmName(3), "");
}

TEST(NamesTest, NumberTextSurvivesCopies) {
    NameText a = MaterialName(Language::German, 12345);
    NameText b = a;
    a = MaterialName(Language::German, 8);
    EXPECT_EQ(b.view(), "12345");
    EXPECT_EQ(a.view(), "Eisen");
}
