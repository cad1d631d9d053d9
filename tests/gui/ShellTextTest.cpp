#include "app/CommandLineJob.h"
#include "app/DialogTemplates.h"
#include "app/Startup.h"
#include "platform/Cp1252.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

using namespace artisanscope;

namespace {

// Decodes one UTF-8 sequence of one to three bytes at text[at].
char32_t DecodeUtf8(const std::string& text, std::size_t& at) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text.at(i)); };
    const unsigned char lead = b(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        const char32_t c = ((lead & 0x1F) << 6) | (b(at + 1) & 0x3F);
        at += 2;
        return c;
    }
    const char32_t c = ((lead & 0x0F) << 12) | ((b(at + 1) & 0x3F) << 6) | (b(at + 2) & 0x3F);
    at += 3;
    return c;
}

}  // namespace

TEST(Cp1252Test, BytesMapToTheirCharacters) {
    const std::map<unsigned, char16_t> known = {
        {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0xFFFD}, {0x84, 0x201E},
        {0x8A, 0x0160}, {0x8D, 0xFFFD}, {0x8F, 0xFFFD}, {0x90, 0xFFFD}, {0x93, 0x201C}, {0x96, 0x2013},
        {0x99, 0x2122}, {0x9D, 0xFFFD}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xC4, 0x00C4}, {0xDF, 0x00DF},
        {0xE4, 0x00E4}, {0xFC, 0x00FC}, {0xFF, 0x00FF},
    };
    for (const auto& [byte, unicode] : known) {
        EXPECT_EQ(Cp1252ToUnicode(static_cast<unsigned char>(byte)), unicode) << std::hex << byte;
    }
    // No byte of the high controls range falls through as Latin-1.
    for (unsigned byte = 0x80; byte <= 0x9F; ++byte) EXPECT_NE(Cp1252ToUnicode(static_cast<unsigned char>(byte)), byte);
}

TEST(Cp1252Test, Utf8OfEveryByteDecodesToItsCharacter) {
    std::string all;
    for (unsigned byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    const std::string utf8 = Cp1252ToUtf8(all);
    std::size_t at = 0;
    for (unsigned byte = 0; byte < 256; ++byte) {
        ASSERT_LT(at, utf8.size()) << byte;
        EXPECT_EQ(DecodeUtf8(utf8, at), Cp1252ToUnicode(static_cast<unsigned char>(byte))) << byte;
    }
    EXPECT_EQ(at, utf8.size());

    std::string appended = "Eisen ";
    AppendCp1252AsUtf8(appended, "Gepr\xE4gt \x80");
    EXPECT_EQ(appended, "Eisen Gepr\xC3\xA4gt \xE2\x82\xAC");
}

TEST(ConsoleTextTest, MessagesAndUsage) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"can't write file", "artisanscope: can't write file\n"},
        {"not supported file version\r\nAND you have an OLD file-version plz update camelot",
         "artisanscope: not supported file version\nAND you have an OLD file-version plz update camelot\n"},
        {"a\rb\n\r\n", "artisanscope: a\rb\n\n\n"},
        {"Gepr\xE4gt", "artisanscope: Gepr\xC3\xA4gt\n"},
        {"", "artisanscope: \n"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatConsoleMessage("artisanscope", c.text), c.expected) << c.text;

    const std::string usage = ConsoleUsageText();
    EXPECT_EQ(usage,
              "artisanscope.exe <options> <camelot_dir> <output_file>\n"
              "\n"
              "Options are:\n"
              " -english (or -e) for english\n"
              " -quit (or -q) for quit after export\n"
              " -debug (or -d) exports also the currently unknown values\n"
              "<camelot_dir> can be the camelot path or complete path to ift.mpk\n");
}

TEST(StartupTest, LongOptionsAndDisplay) {
    struct Case {
        std::vector<std::string> args;
        bool tree, help, version;
    } cases[] = {
        {{}, false, false, false},
        {{"--tree", "dir"}, true, false, false},
        {{"-q", "--help"}, false, true, false},
        {{"--version", "--tree"}, true, false, true},
        {{"--Tree", "-tree", "--tree=1", "---tree", "--"}, false, false, false},
    };
    for (const Case& c : cases) {
        const LongOptions options = ParseLongOptions(c.args);
        EXPECT_EQ(options.tree, c.tree);
        EXPECT_EQ(options.help, c.help);
        EXPECT_EQ(options.version, c.version);
    }

    struct Env {
        const char* display;
        const char* wayland;
        bool headless;
    } envs[] = {
        {nullptr, nullptr, true}, {"", "", true}, {":0", nullptr, false}, {nullptr, "wayland-0", false}, {"", "w", false},
    };
    for (const Env& e : envs) {
        static const Env* current;
        current = &e;
        const auto getenv = [](const char* name) -> const char* {
            return std::strcmp(name, "DISPLAY") == 0 ? current->display
                   : std::strcmp(name, "WAYLAND_DISPLAY") == 0 ? current->wayland
                                                               : ":bogus";
        };
        EXPECT_EQ(IsHeadless(getenv), e.headless);
    }
}

TEST(DialogUnitsTest, ConversionRoundsLikeTheTemplates) {
    struct Case {
        int value, numerator, denominator, expected;
    } mulDivs[] = {
        {7, 6, 4, 11}, {5, 6, 4, 8}, {1, 6, 4, 2}, {3, 13, 8, 5}, {4, 13, 8, 7}, {0, 13, 8, 0}, {-5, 6, 4, -8},
        {346, 6, 4, 519}, {243, 13, 8, 395},
    };
    for (const Case& c : mulDivs) {
        EXPECT_EQ(MulDiv(c.value, c.numerator, c.denominator), c.expected) << c.value << "*" << c.numerator;
    }

    // 52 letters 312 pixels wide: 6 per letter on average.
    EXPECT_EQ(BaseUnitsFromFont(312, 13).cx, 6);
    EXPECT_EQ(BaseUnitsFromFont(300, 13).cx, 6);  // 5.77 rounds up
    EXPECT_EQ(BaseUnitsFromFont(286, 13).cx, 6);  // 5.5 rounds up
    EXPECT_EQ(BaseUnitsFromFont(285, 13).cx, 5);
    EXPECT_EQ(BaseUnitsFromFont(312, 13).cy, 13);

    const DialogBaseUnits units{7, 15};
    EXPECT_EQ(MapDialogRect({275, 58, 50, 14}, units), (DialogRect{481, 109, 88, 26}));
    // Controls that touch in dialog units still touch in pixels.
    const DialogRect upper = MapDialogRect({0, 3, 5, 3}, units);
    const DialogRect lower = MapDialogRect({0, 6, 5, 3}, units);
    EXPECT_EQ(upper.y + upper.height, lower.y);
    // The tree of template 102 has equal top and bottom margins in dialog units.
    EXPECT_EQ(main_dialog::kTree.y, main_dialog::kSize.height - main_dialog::kTree.y - main_dialog::kTree.height);
}
