// Date-time values, formatting, number texts and the program folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "SysUtils.h"

TEST(DateTime, EncodeAndDecodeAroundTheEpoch) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(18, 0, 0, 0), 0.75);
    int Y, M, D;
    for (int Year : {1, 1600, 1899, 1900, 2000, 2024, 2100, 9999}) {
        for (int Month = 1; Month <= 12; ++Month) {
            for (int Day : {1, DaysInMonth(Year, Month)}) {
                // The time of day counts away from the epoch on either side of it.
                TDateTime T = EncodeDate(Year, Month, Day);
                DecodeDate(T + (T < 0 ? -0.75 : 0.75), Y, M, D);
                ASSERT_EQ(Y * 10000 + M * 100 + D, Year * 10000 + Month * 100 + Day);
            }
        }
    }
    // Before the epoch the time of day counts from the start of the same day.
    int H, N, S, Ms;
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
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
}

TEST(DateTime, ImpossibleValuesRaise) {
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(2024, 4, 31), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
    // Values far outside the calendar decode to zeros, never crash.
    int Y, M, D;
    DecodeDate(1e300, Y, M, D);
    EXPECT_EQ(Y + M + D, 0);
    DecodeDate(-1e7, Y, M, D);
    EXPECT_EQ(Y + M + D, 0);
}

TEST(DateTime, Formatting) {
    TDateTime T = EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 4, 7);
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss", T), "20260307090504");
    // "mm" right after the hour means minutes.
    EXPECT_EQ(FormatDateTime("yyyymmddhhmmss", T), "20260307090504");
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss.zz", T), "20260307090504.07");
    EXPECT_EQ(FormatDateTime("zz", T + EncodeTime(0, 0, 0, 120)), "127");
    EXPECT_EQ(FormatDateTime("zzz", T), "007");
    EXPECT_EQ(FormatDateTime("yy/m/d h:n:s", T), "26/3/7 9:5:4");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd 'at' hh:nn", T), "2026-03-07 at 09:05");
    EXPECT_EQ(FormatDateTime("ddd, d mmm yyyy", T), "Sat, 7 Mar 2026");
}

TEST(Numbers, IntegerTexts) {
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt(" -7"), -7);
    EXPECT_EQ(StrToInt("0x1F"), 31);
    EXPECT_EQ(StrToInt("0X1f"), 31);
    EXPECT_EQ(StrToInt("$10"), 16);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_THROW(StrToInt("2147483648"), EConvertError);
    EXPECT_THROW(StrToInt("12x"), EConvertError);
    EXPECT_THROW(StrToInt(""), EConvertError);
    EXPECT_THROW(StrToInt("0x"), EConvertError);
    EXPECT_EQ(StrToIntDef("99999999999999999999", 5), 5);
    EXPECT_EQ(IntToStr(-12), "-12");
}

TEST(Strings, CaseAndTrimTouchAsciiOnly) {
    EXPECT_EQ(UpperCase("abc\x82\xA0xyz"), "ABC\x82\xA0XYZ");
    // A trail byte of a Shift_JIS character is never changed (0x83 0x41 is ア).
    EXPECT_EQ(LowerCase("ABC\x83\x41Z"), "abc\x83\x41z");
    EXPECT_EQ(UpperCase("\x83\x61z"), "\x83\x61Z");
    EXPECT_TRUE(SameText("Subject", "SUBJECT"));
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim("   "), "");
}
