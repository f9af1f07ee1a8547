// Tests of the address clean-up routine and of splitting address lists.
#include <gtest/gtest.h>

#include "Cleanadd.h"
#include "cp932.h"

namespace {

TEST(CleanAddress, ReducesDisplayTextsToTheBareAddressAndStaysLinear) {
    const std::pair<std::string, std::string> Cases[] = {
        {"(3) Taro <taro@example.jp>", "taro@example.jp"},
        {" \t taro@example.jp (Taro) \r\n", "taro@example.jp"},
        {SJ("山田 太郎 <taro@example.jp>"), "taro@example.jp"},
        {"a (b (c) d) e", "a  d) e"},
        {"<a@b>, <c@d>", "a@b"},
        {"(only)(comments)", ""},
    };
    for (const auto& [Text, Bare] : Cases) EXPECT_EQ(CleanAddress(Text, false), Bare) << Text;
    EXPECT_EQ(CleanAddress("N <a@b>", true), "<a@b>");
    std::string Pairs;
    for (int i = 0; i < 100000; ++i) Pairs += "(c)a";
    EXPECT_EQ(CleanAddress(Pairs, false), std::string(100000, 'a'));
}

TEST(SplitAddressList, CommasSplitOnlyOutsideQuotesCommentsAndBrackets) {
    using V = std::vector<std::string>;
    const std::string Esc = "\x1b";
    const struct {
        std::string Text;
        V Items;
    } Cases[] = {
        {" , a@x,, ,", {"a@x"}},  // empty items are dropped
        {"\"Yamada, Taro\" <t@example.jp>, b@x", {"\"Yamada, Taro\" <t@example.jp>", "b@x"}},
        {"t@x (Yamada, (Taro, Jr)), b@x", {"t@x (Yamada, (Taro, Jr))", "b@x"}},
        {"<@relay,@hub:t@x>, b@x", {"<@relay,@hub:t@x>", "b@x"}},
        {"\"a \\\", b\" <a@x>, c@x", {"\"a \\\", b\" <a@x>", "c@x"}},  // escaped quote
        {"Team: a@x, b@x;, c@x", {"a@x", "b@x", "c@x"}},
        {"\"open, quote <a@x>, b@x", {"\"open, quote <a@x>, b@x"}},  // runs to the end
        // Shift_JIS: the trail byte 0x5C of "表" is no escape, so the quote closes.
        {"\"" + SJ("表") + "\" <a@x>, b@x", {"\"" + SJ("表") + "\" <a@x>", "b@x"}},
        // A JIS run whose bytes include a quote and a comma.
        {Esc + "$B\",\"(" + Esc + "(B <a@x>, b@x", {Esc + "$B\",\"(" + Esc + "(B <a@x>", "b@x"}},
    };
    for (const auto& C : Cases) EXPECT_EQ(SplitAddressList(C.Text), C.Items) << C.Text;

    // Linear: a long list and a long unclosed comment.
    std::string Long;
    for (int i = 0; i < 100000; ++i) Long += "a@x,";
    EXPECT_EQ(SplitAddressList(Long).size(), 100000u);
    EXPECT_EQ(SplitAddressList(std::string(200000, '(')).size(), 1u);
}

}  // namespace
