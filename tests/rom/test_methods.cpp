#include <gtest/gtest.h>

#include "rom/methods.h"

namespace {

using rom::ParamKind;

TEST(KindOf, EveryCodeAndTheCodesOutsideTheList)
{
    const std::vector<std::pair<std::vector<int>, ParamKind>> cases = {
        {{0}, ParamKind::None},
        {{4, 12, 13, 14, 23, 24}, ParamKind::Level},
        {{6, 8, 17, 18, 19, 20}, ParamKind::Item},
        {{21}, ParamKind::Move},
        {{22}, ParamKind::Species},
        {{1, 2, 3, 5, 7, 9, 10, 11, 15, 16, 25, 26, 27, 28, 255, 65535, -1, -32768}, ParamKind::Constant},
    };
    int covered = 0;
    for (const auto& [codes, kind] : cases) {
        for (int code : codes) {
            EXPECT_EQ(rom::KindOf(code), kind) << "code " << code;
            covered += (code >= 0 && code <= 27);
        }
    }
    EXPECT_EQ(covered, 28) << "every listed code is checked once";
}

TEST(MethodNames, RowsKeepTheirInnerSpaces)
{
    ASSERT_EQ(rom::MethodNames.size(), 28u);
    EXPECT_EQ(rom::MethodNames[0], "None");
    EXPECT_EQ(rom::MethodNames[7], "Special Trade ( Only Shelmet/Karrablast )");
    EXPECT_EQ(rom::MethodNames[12], "Level Up (Personality < 5 )");
    EXPECT_EQ(rom::MethodNames[14], "Special Evo. ( Only Shedinja free )");
    EXPECT_EQ(rom::MethodNames[23], "Level Up (Male )");
    EXPECT_EQ(rom::MethodNames[27], "Level Up in Twist Mountain Basement");
    for (std::string_view name : rom::MethodNames) {
        EXPECT_NE(name.front(), ' ');
        EXPECT_NE(name.back(), ' ');
    }
}

}  // namespace
