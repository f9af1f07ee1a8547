// Exceptions, date-time values (days since 30 December 1899), small string
// helpers and the program directory.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// Base of every exception the program raises.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& Msg) : std::runtime_error(Msg) {}
    std::string Message() const { return what(); }
};

// Raised for impossible dates and times and for bad number texts.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Days since 30 December 1899 00:00; the fraction is the time of day.
using TDateTime = double;

bool IsLeapYear(int Year);
int DaysInMonth(int Year, int Month);

// Year 1..9999, Month 1..12, Day within the month; EConvertError otherwise.
TDateTime EncodeDate(int Year, int Month, int Day);
// Hour 0..23, Min 0..59, Sec 0..59, MSec 0..999; EConvertError otherwise.
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result);

// The calendar date of a value; values outside years 1..9999 give 0, 0, 0.
void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime Value);

// The machine's local time now.
TDateTime Now();
TDateTime Date();

// Formats a value: yyyy/yy year, m/mm month (minutes right after h/hh),
// d/dd day, h/hh hour, n/nn minute, s/ss second, z/zz/zzz milliseconds with at
// least that many digits; text in double or single quotes is copied; any other
// character is copied as it is.
std::string FormatDateTime(const std::string& Format, TDateTime Value);

// Decimal text of a number.
std::string IntToStr(long long Value);
// Decimal (or "0x"/"$" hexadecimal) integer, blanks around allowed; EConvertError otherwise.
int StrToInt(const std::string& S);
int StrToIntDef(const std::string& S, int Default);
bool TryStrToInt(const std::string& S, int& Value);
// A decimal integer in the 32-bit range: blanks and control bytes in front
// and a sign allowed, nothing after the digits. False for anything else.
bool ReadDecimal(const std::string& S, long long& Value);
// The same, 0 for anything that is not such a number.
long long DecimalOrZero(const std::string& S);

// ASCII letters only; Shift_JIS double-byte characters are stepped over whole.
std::string UpperCase(const std::string& S);
std::string LowerCase(const std::string& S);
bool SameText(const std::string& A, const std::string& B);
// Removes bytes up to and including the space (control bytes too) from both ends / the front / the back.
std::string Trim(const std::string& S);
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);

// Decodes the escapes "%XY" (two hexadecimal digits); a "%" without them is
// kept as it stands, and "+" stays "+".
std::string PercentDecode(std::string_view Text);

// The folder of VELNARO.ini and VELNARO.LST, ending in "/": the folder of the
// executable when it holds VELNARO.ini or the program runs with --portable,
// else $XDG_CONFIG_HOME/velnaro/ (default ~/.config/velnaro/); see
// ConfigDir.h. SetProgramDir overrides it; an empty Dir drops the override.
std::string ProgramDir();
void SetProgramDir(const std::string& Dir);
// The folder of the running executable, ending in "/".
std::string ExecutableDir();
