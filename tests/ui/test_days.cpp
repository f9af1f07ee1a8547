// The anniversary table: one well-formed Shift_JIS text of its own for every
// day that exists, none for the days that do not; the month button's step.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "SysUtils.h"
#include "cp932.h"
#include "days.h"

namespace {

bool IsLead(unsigned char C) { return (C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC); }
bool IsTrail(unsigned char C) { return C >= 0x40 && C <= 0xFC && C != 0x7F; }

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
            EXPECT_EQ(Text.find_first_of("\r\n", Break + 2), std::string::npos);
            EXPECT_TRUE(Break >= 6 && Break <= 32 && Text.size() >= Break + 22 && Text.size() <= 170);
            // Whole double-byte characters only, and no "?": the texts hold none,
            // so one would be a character that code page 932 cannot carry.
            for (size_t I = 0; I < Text.size(); ++I) {
                const unsigned char C = Text[I];
                if (IsLead(C)) {
                    ASSERT_LT(I + 1, Text.size());
                    EXPECT_TRUE(IsTrail(static_cast<unsigned char>(Text[++I]))) << "at byte " << I;
                } else {
                    EXPECT_TRUE(C == '\r' || C == '\n' || (C >= 0x20 && C < 0x7F && C != '?'))
                        << "at byte " << I;
                }
            }
            EXPECT_EQ(Cp932ToUtf8(Text).find("\xEF\xBF\xBD"), std::string::npos);
            // A day copied onto its neighbour or a shifted line shows up as a repeat.
            EXPECT_TRUE(Texts.insert(Text).second) << Cp932ToUtf8(Text);
            EXPECT_TRUE(Titles.insert(Text.substr(0, Break)).second) << Cp932ToUtf8(Text);
        }
    }
    EXPECT_EQ(Texts.size(), 366u);
    EXPECT_TRUE(DayText(-1).empty() && DayText(DaysTableSize).empty());
    EXPECT_EQ(&DayText(3, 3), &DaysTable()[DayIndex(3, 3)]);
    // Two telling days: the texts sit at their dates.
    EXPECT_EQ(DayText(1, 2).substr(0, DayText(1, 2).find("\r\n")), SJ("月ロケットの日"));
    EXPECT_EQ(DayText(2, 29).rfind(SJ("閏日[うるうび]") + "\r\n", 0), 0u);
}

TEST(CalendarStep, MonthsAcrossYearsAndBackToToday) {
    const TCalendarDate Today{2026, 12, 6};
    const struct {
        TCalendarDate From;
        bool Forward;
        TCalendarDate To;
    } Cases[] = {
        {Today, true, {2027, 1, 1}},            // forward across the year, to the 1st
        {{2027, 1, 20}, false, Today},          // back across the year into today's month: today
        {{2026, 1, 31}, false, {2025, 12, 1}},  // back across the year
        {Today, false, {2026, 11, 1}},
        {{2024, 1, 31}, true, {2024, 2, 1}},  // the day goes to 1 first: never February 31
    };
    for (const auto& C : Cases)
        EXPECT_EQ(StepMonth(C.From, C.Forward, Today), C.To)
            << C.From.Year << "-" << C.From.Month << "-" << C.From.Day << (C.Forward ? " forward" : " back");
}

}  // namespace
