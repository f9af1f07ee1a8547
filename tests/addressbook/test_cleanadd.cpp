// Tests of the address clean-up routine.
#include <gtest/gtest.h>

#include "Cleanadd.h"
#include "cp932.h"

namespace {

TEST(CleanAddress, ReducesDisplayTextsToTheBareAddress) {
    EXPECT_EQ(CleanAddress("Taro Yamada <taro@example.jp>", false), "taro@example.jp");
    EXPECT_EQ(CleanAddress("taro@example.jp (Taro)", false), "taro@example.jp");
    EXPECT_EQ(CleanAddress("(3) Taro <taro@example.jp>", false), "taro@example.jp");
    EXPECT_EQ(CleanAddress(" \t taro@example.jp \r\n", false), "taro@example.jp");
    EXPECT_EQ(CleanAddress(SJ("山田 太郎 <taro@example.jp>"), false), "taro@example.jp");
    EXPECT_EQ(CleanAddress("a (b (c) d) e", false), "a  d) e");
    EXPECT_EQ(CleanAddress(") a (", false), ") a (");  // ")" first: nothing removed
    EXPECT_EQ(CleanAddress("<>", false), "");
    EXPECT_EQ(CleanAddress("x > y <", false), "");
    EXPECT_EQ(CleanAddress("<a@b>, <c@d>", false), "a@b");
    EXPECT_EQ(CleanAddress("a@b, c@d (C)", false), "a@b, c@d");
    EXPECT_EQ(CleanAddress("(only)(comments)", false), "");
    EXPECT_EQ(CleanAddress("N <a@b>", true), "<a@b>");
    EXPECT_EQ(CleanAddress("  ", true), "");
}

TEST(CleanAddress, ManyNestedParenthesesStayFast) {
    const std::string Text = std::string(200000, '(') + "x" + std::string(200000, ')');
    EXPECT_EQ(CleanAddress(Text, false), std::string(199999, ')'));
    std::string Pairs;
    for (int i = 0; i < 100000; ++i) Pairs += "(c)a";
    EXPECT_EQ(CleanAddress(Pairs, false), std::string(100000, 'a'));
}

}  // namespace
