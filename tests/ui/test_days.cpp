// The anniversary table: one well-formed Shift_JIS text for every day that
// exists, none for the days that do not.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "SysUtils.h"
#include "cp932.h"
#include "days.h"

namespace {

// A leap year, so that February 29 counts as a real day.
constexpr int LeapYear = 2024;

bool IsLead(unsigned char C) { return (C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC); }
bool IsTrail(unsigned char C) { return C >= 0x40 && C <= 0xFC && C != 0x7F; }

std::string Where(int Month, int Day) { return std::to_string(Month) + "/" + std::to_string(Day); }

}  // namespace

TEST(DaysTable, EveryRealDayHasAWellFormedText) {
    int Filled = 0;
    for (int Month = 1; Month <= 12; ++Month) {
        for (int Day = 1; Day <= 31; ++Day) {
            const std::string& Text = DayText(Month, Day);
            SCOPED_TRACE(Where(Month, Day));
            if (Day > DaysInMonth(LeapYear, Month)) {
                EXPECT_TRUE(Text.empty());
                continue;
            }
            ASSERT_FALSE(Text.empty());
            ++Filled;

            // Title, CR LF, description: one line break and nothing else below 0x20.
            size_t Break = Text.find("\r\n");
            ASSERT_NE(Break, std::string::npos);
            EXPECT_EQ(Text.find_first_of("\r\n", Break + 2), std::string::npos);
            size_t TitleLen = Break, DescLen = Text.size() - Break - 2;
            EXPECT_GE(TitleLen, 6u);
            EXPECT_LE(TitleLen, 32u);
            EXPECT_GE(DescLen, 20u);
            EXPECT_LE(DescLen, 152u);
            EXPECT_GE(Text.size(), 17u);
            EXPECT_LE(Text.size(), 170u);

            // Whole double-byte characters only, and no "?": the texts hold none,
            // so one would be a character that code page 932 cannot carry.
            for (size_t I = 0; I < Text.size(); ++I) {
                unsigned char C = Text[I];
                if (IsLead(C)) {
                    ASSERT_LT(I + 1, Text.size());
                    EXPECT_TRUE(IsTrail(static_cast<unsigned char>(Text[I + 1]))) << "at byte " << I;
                    ++I;
                } else {
                    EXPECT_TRUE(C == '\r' || C == '\n' || (C >= 0x20 && C < 0x7F)) << "byte " << int(C);
                    EXPECT_NE(C, '?') << "at byte " << I;
                }
            }
            EXPECT_EQ(Cp932ToUtf8(Text).find("\xEF\xBF\xBD"), std::string::npos);
        }
    }
    EXPECT_EQ(Filled, 366);
}

TEST(DaysTable, SlotsFollowMonthAndDay) {
    EXPECT_EQ(DayIndex(1, 1), 0);
    EXPECT_EQ(DayIndex(2, 29), 59);
    EXPECT_EQ(DayIndex(12, 31), DaysTableSize - 1);
    EXPECT_EQ(&DayText(3, 3), &DaysTable()[DayIndex(3, 3)]);

    // The six days that do not exist are the only empty slots.
    int Empty = 0;
    for (const std::string& Text : DaysTable()) Empty += Text.empty();
    EXPECT_EQ(Empty, 6);
    for (int Index : {DayIndex(2, 30), DayIndex(2, 31), DayIndex(4, 31), DayIndex(6, 31), DayIndex(9, 31),
                      DayIndex(11, 31)})
        EXPECT_TRUE(DaysTable()[Index].empty()) << Index;

    // Outside the table there is the empty text, not a stray read.
    EXPECT_EQ(DayIndex(0, 1), -1);
    EXPECT_EQ(DayIndex(13, 1), -1);
    EXPECT_EQ(DayIndex(1, 0), -1);
    EXPECT_EQ(DayIndex(1, 32), -1);
    EXPECT_TRUE(DayText(-1).empty());
    EXPECT_TRUE(DayText(DaysTableSize).empty());
    EXPECT_TRUE(DayText(13, 1).empty());
    EXPECT_TRUE(DayText(1, 32).empty());
}

TEST(DaysTable, TellingDays) {
    EXPECT_EQ(DaysTable()[1].substr(0, DaysTable()[1].find("\r\n")), SJ("月ロケットの日"));
    std::string Leap = SJ("閏日[うるうび]") + "\r\n";
    EXPECT_EQ(DaysTable()[59].compare(0, Leap.size(), Leap), 0);
    EXPECT_EQ(DayText(2, 29), DaysTable()[59]);
    EXPECT_TRUE(DaysTable()[60].empty());
}

TEST(DaysTable, EveryDaySaysSomethingOfItsOwn) {
    // A day copied onto its neighbour or a shifted line shows up as a repeat.
    std::set<std::string> Titles, Texts;
    for (const std::string& Text : DaysTable()) {
        if (Text.empty()) continue;
        EXPECT_TRUE(Texts.insert(Text).second) << Cp932ToUtf8(Text);
        EXPECT_TRUE(Titles.insert(Text.substr(0, Text.find("\r\n"))).second) << Cp932ToUtf8(Text);
    }
}

TEST(CalendarStep, MonthsAcrossYearsAndBackToToday) {
    const TCalendarDate Today{2026, 12, 6};
    // Forward from December goes to January 1 of the next year.
    EXPECT_EQ(StepMonth(Today, true, Today), (TCalendarDate{2027, 1, 1}));
    // Back from January goes to December 1 of the year before.
    EXPECT_EQ(StepMonth({2027, 1, 20}, false, Today), (TCalendarDate{2026, 12, 6}));
    EXPECT_EQ(StepMonth({2026, 1, 31}, false, Today), (TCalendarDate{2025, 12, 1}));
    // Away and back again restores today's day.
    TCalendarDate D = StepMonth(Today, false, Today);
    EXPECT_EQ(D, (TCalendarDate{2026, 11, 1}));
    EXPECT_EQ(StepMonth(D, true, Today), Today);
    // The day goes to 1 before the month moves: January 31 never becomes February 31.
    EXPECT_EQ(StepMonth({2024, 1, 31}, true, Today), (TCalendarDate{2024, 2, 1}));
    // February 29 of a leap year has its own text; the step reaches it only by a click.
    EXPECT_FALSE(DayText(2, 29).empty());
    EXPECT_NE(DayText(2, 29), DayText(3, 1));
}
