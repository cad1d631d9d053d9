#include "archive/ByteView.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

using artisanscope::ByteView;

namespace {
constexpr std::array<std::uint8_t, 6> kBytes{0x01, 0x02, 0x03, 0x04, 'a', 0x00};
}

TEST(ByteViewTest, ContainsNeverWraps) {
    const ByteView view(kBytes);
    EXPECT_TRUE(view.Contains(0, 6));
    EXPECT_TRUE(view.Contains(6, 0));
    EXPECT_FALSE(view.Contains(0, 7));
    EXPECT_FALSE(view.Contains(7, 0));
    EXPECT_FALSE(view.Contains(1, std::numeric_limits<std::uint64_t>::max()));
    EXPECT_FALSE(view.Contains(std::numeric_limits<std::uint64_t>::max(), 2));
}

TEST(ByteViewTest, TypedReadsExactFitAndOneTooMany) {
    const ByteView view(kBytes);
    EXPECT_EQ(view.U16leAt(0), 0x0201);
    EXPECT_EQ(view.U16leAt(4), 0x0061);
    EXPECT_EQ(view.U16leAt(5), std::nullopt);
    EXPECT_EQ(view.U32leAt(0), 0x04030201u);
    EXPECT_EQ(view.U32leAt(2), 0x00610403u);
    EXPECT_EQ(view.U32leAt(3), std::nullopt);
    EXPECT_EQ(view.U8At(6), std::nullopt);
}

TEST(ByteViewTest, StringsNeedTheirNulInside) {
    const ByteView view(kBytes);
    EXPECT_EQ(view.CStringAt(4), "a");
    EXPECT_EQ(view.CStringAt(5), "");
    EXPECT_EQ(view.CStringAt(6), std::nullopt);
    const ByteView cut(std::span<const std::uint8_t>(kBytes).first(5));
    EXPECT_EQ(cut.CStringAt(4), std::nullopt) << "no NUL before the end";
    EXPECT_EQ(cut.FixedStringAt(3, 2), std::string_view("\x04" "a", 2)) << "fixed field without NUL";
    EXPECT_EQ(view.FixedStringAt(4, 2), "a");
    EXPECT_EQ(view.FixedStringAt(5, 2), std::nullopt);
}

TEST(ByteViewTest, SubViewsStayInside) {
    const ByteView view(kBytes);
    const auto sub = view.Sub(2, 3);
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->size(), 3u);
    EXPECT_EQ(sub->U16leAt(0), 0x0403);
    EXPECT_EQ(sub->U16leAt(2), std::nullopt) << "the sub-view ends before the parent does";
    EXPECT_FALSE(view.Sub(5, 2));
}
