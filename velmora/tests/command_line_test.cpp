#include "app/command_line.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(CommandLine, SplitsAtBlankRuns) {
    auto params = SplitCommandLine("  44100   0.2");
    ASSERT_TRUE(params);
    EXPECT_EQ(ParamText(*params, 0), "44100");
    EXPECT_EQ(ParamText(*params, 1), "0.2");
    EXPECT_EQ(ParamText(*params, 2), "");

    params = SplitCommandLine("");
    ASSERT_TRUE(params);
    for (int i = 0; i < kParamCount; ++i)
        EXPECT_EQ(ParamText(*params, i), "");

    // Tabs and quotes are part of words.
    params = SplitCommandLine("\"a b\"\tc");
    ASSERT_TRUE(params);
    EXPECT_EQ(ParamText(*params, 0), "\"a");
    EXPECT_EQ(ParamText(*params, 1), "b\"\tc");
}

TEST(CommandLine, HoldsEightWordsOfEightyCharacters) {
    EXPECT_TRUE(SplitCommandLine("1 2 3 4 5 6 7 8"));
    EXPECT_FALSE(SplitCommandLine("1 2 3 4 5 6 7 8 9"));
    // A trailing blank run opens an empty word: a ninth here.
    EXPECT_TRUE(SplitCommandLine("1 2 3 4 5 6 7 "));
    EXPECT_FALSE(SplitCommandLine("1 2 3 4 5 6 7 8 "));

    const std::string eighty(80, 'x');
    const auto params = SplitCommandLine(eighty + " 5");
    ASSERT_TRUE(params);
    EXPECT_EQ(ParamText(*params, 0), eighty);  // reads as text, not into the next row
    EXPECT_EQ(ParamText(*params, 1), "5");
    EXPECT_FALSE(SplitCommandLine(eighty + "x"));
}

}  // namespace
}  // namespace velmora
