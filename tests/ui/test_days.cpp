// The anniversary table: one well-formed Shift_JIS text of its own for every
// day that exists, none for the days that do not.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "SysUtils.h"
#include "cp932.h"
#include "days.h"

namespace {

TEST(DaysTable, EveryRealDayHasAWellFormedTextOfItsOwn) {
    std::set<std::string> Titles, Texts;
    for (int Month = 0; Month <= 13; ++Month) {
        for (int Day = 0; Day <= 32; ++Day) {
            SCOPED_TRACE(std::to_string(Month) + "/" + std::to_string(Day));
            const std::string& Text = DayText(Month, Day);
            // A leap year, so that February 29 counts; outside the table the empty text.
            const bool Real = Month >= 1 && Month <= 12 && Day >= 1 && Day <= DaysInMonth(2024, Month);
            ASSERT_EQ(Text.empty(), !Real);
            if (!Real) continue;

            // Title, CR LF, description: one line break and nothing else below 0x20.
            const size_t Break = Text.find("\r\n");
            ASSERT_NE(Break, std::string::npos);
            EXPECT_EQ(std::count_if(Text.begin(), Text.end(),
                                    [](unsigned char C) { return C < 0x20 || C == 0x7F; }),
                      2);
            EXPECT_TRUE(Break >= 6 && Break <= 32 && Text.size() >= Break + 22 && Text.size() <= 170);
            // Whole Shift_JIS characters only, and no "?": the texts hold none,
            // so one would be a character that code page 932 cannot carry.
            const std::string Utf8 = Cp932ToUtf8(Text);
            EXPECT_TRUE(Utf8.find("\xEF\xBF\xBD") == std::string::npos && Utf8ToCp932(Utf8) == Text);
            EXPECT_EQ(Text.find('?'), std::string::npos);
            // A day copied onto its neighbour or a shifted line shows up as a repeat.
            EXPECT_TRUE(Texts.insert(Text).second) << Cp932ToUtf8(Text);
            EXPECT_TRUE(Titles.insert(Text.substr(0, Break)).second) << Cp932ToUtf8(Text);
        }
    }
    EXPECT_EQ(Texts.size(), 366u);
    EXPECT_TRUE(DayText(-1).empty() && DayText(DaysTableSize).empty());
    // Two telling days: the texts sit at their dates.
    EXPECT_EQ(DayText(1, 2).substr(0, DayText(1, 2).find("\r\n")), SJ("月ロケットの日"));
    EXPECT_EQ(DayText(2, 29).rfind(SJ("閏日[うるうび]") + "\r\n", 0), 0u);
}

}  // namespace
