// Date-time values, formatting, number texts and ASCII-only case rules.
#include <gtest/gtest.h>

#include <climits>

#include "SysUtils.h"

TEST(DateTime, EveryMonthEndRoundTripsAndTheTimeOfDayCountsAwayFromTheEpoch) {
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    int Y, M, D, H, N, S, Ms;
    auto Day = [&](TDateTime T) {
        DecodeDate(T, Y, M, D);
        DecodeTime(T, H, N, S, Ms);
        return Y * 10000 + M * 100 + D;
    };
    for (int Year : {1, 1600, 1899, 1900, 2000, 2024, 2100, 9999})
        for (int Month = 1; Month <= 12; ++Month)
            for (int Dd : {1, DaysInMonth(Year, Month)}) {
                const TDateTime T = EncodeDate(Year, Month, Dd);
                ASSERT_EQ(Day(T + (T < 0 ? -0.75 : 0.75)), Year * 10000 + Month * 100 + Dd);
            }
    // Before the epoch the time of day counts from the start of the same day.
    EXPECT_EQ(Day(EncodeDate(1899, 12, 29) - 0.25), 18991229);
    EXPECT_EQ(H, 6);
    // A time that rounds up to midnight moves to the next day.
    EXPECT_EQ(Day(EncodeDate(2024, 2, 28) + 0.99999999999), 20240229);
    EXPECT_EQ(H * 10000 + N * 100 + S, 0);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);         // a Sunday
    for (double Far : {1e300, -1e7}) EXPECT_EQ(Day(Far), 0);  // far outside the calendar: zeros
}

TEST(DateTime, ImpossibleDatesTimesAndNumbersRaise) {
    const int Dates[][3] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1},
                            {2024, 4, 31}, {0, 1, 1},     {10000, 1, 1}};
    for (auto& Dt : Dates)
        EXPECT_THROW(EncodeDate(Dt[0], Dt[1], Dt[2]), EConvertError) << Dt[0] << Dt[1] << Dt[2];
    const int Times[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
    for (auto& Tm : Times) EXPECT_THROW(EncodeTime(Tm[0], Tm[1], Tm[2], Tm[3]), EConvertError);
    const std::pair<const char*, int> Numbers[] = {
        {" -7", -7}, {"0X1f", 31}, {"$10", 16}, {"2147483647", 2147483647}, {"-2147483648", INT_MIN}};
    for (const auto& [Text, Value] : Numbers) EXPECT_EQ(StrToInt(Text), Value) << Text;
    for (const char* Bad : {"2147483648", "12x", "", "0x"}) EXPECT_THROW(StrToInt(Bad), EConvertError) << Bad;
    EXPECT_EQ(StrToIntDef("99999999999999999999", 5), 5);
}

TEST(DateTime, Formatting) {
    TDateTime T = EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 4, 7);
    const std::pair<const char*, const char*> Cases[] = {
        {"yyyymmddhhmmss.zz", "20260307090504.07"},  // "mm" right after the hour means minutes
        {"yy/m/d h:n 'at' hh:nn:s", "26/3/7 9:5 at 09:05:4"},
        {"ddd, d mmm yyyy", "Sat, 7 Mar 2026"},
    };
    for (const auto& [Format, Text] : Cases) EXPECT_EQ(FormatDateTime(Format, T), Text) << Format;
    EXPECT_EQ(FormatDateTime("zz", T + EncodeTime(0, 0, 0, 120)), "127");
}

TEST(Strings, CaseAndTrimTouchAsciiOnly) {
    // A trail byte of a Shift_JIS character is never changed (0x83 0x41 is ア).
    EXPECT_EQ(LowerCase("ABC\x83\x41Z"), "abc\x83\x41z");
    EXPECT_EQ(UpperCase("\x83\x61z"), "\x83\x61Z");
    EXPECT_TRUE(SameText("Subject", "SUBJECT"));
    EXPECT_EQ(Trim(" \t a b \r\n") + "|" + TrimLeft("  a ") + "|" + TrimRight("  a "), "a b|a |  a");
}
