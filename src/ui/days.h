// The anniversary texts of the connection page's calendar: one short text
// for every day of the year, naming an anniversary or memorial day of that
// date and saying one line about it. The year plays no part.
#pragma once

#include <array>
#include <string>

// One slot for every pair (month 1..12, day 1..31).
constexpr int DaysTableSize = 12 * 31;

// The slot of a calendar day: (Month - 1) * 31 + (Day - 1); -1 when the month
// is outside 1..12 or the day outside 1..31.
int DayIndex(int Month, int Day);

// All slots as Shift_JIS text, built on first use: a title, CR LF and one
// line of description. The slots of days that do not exist (February 30 and
// 31; April, June, September and November 31) hold the empty text, so 366
// slots are filled; February 29 has a text of its own.
const std::array<std::string, DaysTableSize>& DaysTable();

// The text of slot Index; the empty text for an index outside the table.
const std::string& DayText(int Index);
// The text of a calendar day; the empty text for a day that does not exist
// or lies outside 1..31 of a month 1..12.
const std::string& DayText(int Month, int Day);

// A calendar date as the connection page's month grid holds it.
struct TCalendarDate {
    int Year = 0, Month = 0, Day = 0;
    bool operator==(const TCalendarDate& O) const {
        return Year == O.Year && Month == O.Month && Day == O.Day;
    }
};

// The date the grid takes when it comes to a month: Today where the month is
// Today's, otherwise the first day of the month.
TCalendarDate LandOnMonth(int Year, int Month, const TCalendarDate& Today);

// One step of the month button from Current: the day goes to 1 first (so no
// impossible date arises), then the month moves one forward or back, across
// the year where needed; landing on Today's month restores Today's day.
TCalendarDate StepMonth(const TCalendarDate& Current, bool Forward, const TCalendarDate& Today);
