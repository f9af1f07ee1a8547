// Date-time values, formatting, number texts and ASCII-only case rules.
#include <gtest/gtest.h>

#include <climits>

#include "SysUtils.h"

TEST(DateTime, EveryMonthEndRoundTripsAndTheTimeOfDayCountsAwayFromTheEpoch) {
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    int Y, M, D, H, N, S, Ms;
    for (int Year : {1, 1600, 1899, 1900, 2000, 2024, 2100, 9999}) {
        for (int Month = 1; Month <= 12; ++Month) {
            for (int Day : {1, DaysInMonth(Year, Month)}) {
                TDateTime T = EncodeDate(Year, Month, Day);
                DecodeDate(T + (T < 0 ? -0.75 : 0.75), Y, M, D);
                ASSERT_EQ(Y * 10000 + M * 100 + D, Year * 10000 + Month * 100 + Day);
            }
        }
    }
    // Before the epoch the time of day counts from the start of the same day.
    TDateTime T = EncodeDate(1899, 12, 29) - 0.25;  // -1.25: 29 December 06:00
    DecodeDate(T, Y, M, D);
    DecodeTime(T, H, N, S, Ms);
    EXPECT_EQ(Y * 10000 + M * 100 + D, 18991229);
    EXPECT_EQ(H, 6);
    // A time that rounds up to midnight moves to the next day.
    T = EncodeDate(2024, 2, 28) + 0.99999999999;
    DecodeDate(T, Y, M, D);
    DecodeTime(T, H, N, S, Ms);
    EXPECT_EQ(Y * 10000 + M * 100 + D, 20240229);
    EXPECT_EQ(H * 10000 + N * 100 + S, 0);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);  // a Sunday
    // Values far outside the calendar decode to zeros, never crash.
    for (double Far : {1e300, -1e7}) {
        DecodeDate(Far, Y, M, D);
        EXPECT_EQ(Y + M + D, 0);
    }
}

TEST(DateTime, ImpossibleDatesTimesAndNumbersRaise) {
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    const int Dates[][3] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1},
                            {2024, 4, 31}, {0, 1, 1},     {10000, 1, 1}};
    for (auto& Dt : Dates)
        EXPECT_THROW(EncodeDate(Dt[0], Dt[1], Dt[2]), EConvertError) << Dt[0] << Dt[1] << Dt[2];
    const int Times[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
    for (auto& Tm : Times) EXPECT_THROW(EncodeTime(Tm[0], Tm[1], Tm[2], Tm[3]), EConvertError);
    const std::pair<const char*, int> Numbers[] = {{" -7", -7},
                                                   {"0x1F", 31},
                                                   {"0X1f", 31},
                                                   {"$10", 16},
                                                   {"2147483647", 2147483647},
                                                   {"-2147483648", INT_MIN}};
    for (const auto& [Text, Value] : Numbers) EXPECT_EQ(StrToInt(Text), Value) << Text;
    for (const char* Bad : {"2147483648", "12x", "", "0x"}) EXPECT_THROW(StrToInt(Bad), EConvertError) << Bad;
    EXPECT_EQ(StrToIntDef("99999999999999999999", 5), 5);
}

TEST(DateTime, Formatting) {
    TDateTime T = EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 4, 7);
    const std::pair<const char*, const char*> Cases[] = {
        {"yyyymmddhhnnss", "20260307090504"},
        {"yyyymmddhhmmss", "20260307090504"},  // "mm" right after the hour means minutes
        {"yyyymmddhhnnss.zz", "20260307090504.07"},
        {"zzz", "007"},
        {"yy/m/d h:n:s", "26/3/7 9:5:4"},
        {"yyyy-mm-dd 'at' hh:nn", "2026-03-07 at 09:05"},
        {"ddd, d mmm yyyy", "Sat, 7 Mar 2026"},
    };
    for (const auto& [Format, Text] : Cases) EXPECT_EQ(FormatDateTime(Format, T), Text) << Format;
    EXPECT_EQ(FormatDateTime("zz", T + EncodeTime(0, 0, 0, 120)), "127");
}

TEST(Strings, CaseAndTrimTouchAsciiOnly) {
    EXPECT_EQ(UpperCase("abc\x82\xA0xyz"), "ABC\x82\xA0XYZ");
    // A trail byte of a Shift_JIS character is never changed (0x83 0x41 is ア).
    EXPECT_EQ(LowerCase("ABC\x83\x41Z"), "abc\x83\x41z");
    EXPECT_EQ(UpperCase("\x83\x61z"), "\x83\x61Z");
    EXPECT_TRUE(SameText("Subject", "SUBJECT"));
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a ") + "|" + TrimRight("  a "), "a |  a");
}
