// Exceptions, date-time values, small string helpers and the program directory.
#include "SysUtils.h"
#include "ConfigDir.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Days from 1 January of year 1 to 30 December 1899.
constexpr long long DateDelta = 693594;
constexpr long long MSecsPerDay = 86400000;

const int DaysBeforeMonth[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

// Splits a value into whole days (truncated toward zero, as the date part of
// a negative value counts) and the milliseconds of its time of day.
void SplitValue(TDateTime Value, long long& Days, long long& MSec) {
    if (!std::isfinite(Value) || std::fabs(Value) > 1e8) {
        Days = LLONG_MIN / 4;
        MSec = 0;
        return;
    }
    double Whole = std::trunc(Value);
    Days = static_cast<long long>(Whole);
    MSec = std::llround(std::fabs(Value - Whole) * MSecsPerDay);
    if (MSec >= MSecsPerDay) {
        MSec -= MSecsPerDay;
        Days += Value >= 0 ? 1 : -1;
    }
}

void DaysToDate(long long Days, int& Year, int& Month, int& Day) {
    long long T = DateDelta + Days;  // days since 1 January of year 1, day 1 = 1
    if (T <= 0 || T > 3652059) {
        Year = Month = Day = 0;
        return;
    }
    --T;
    long long Y = 1;
    Y += (T / 146097) * 400;
    T %= 146097;
    long long C = T / 36524;
    if (C == 4) C = 3;
    Y += C * 100;
    T -= C * 36524;
    Y += (T / 1461) * 4;
    T %= 1461;
    long long I = T / 365;
    if (I == 4) I = 3;
    Y += I;
    T -= I * 365;
    Year = static_cast<int>(Y);
    const int* Table = DaysBeforeMonth[IsLeapYear(Year) ? 1 : 0];
    int M = 1;
    while (T >= Table[M]) ++M;
    Month = M;
    Day = static_cast<int>(T - Table[M - 1]) + 1;
}

std::string Pad(long long Value, int Digits) {
    std::string S = std::to_string(Value);
    if (static_cast<int>(S.size()) < Digits) S.insert(0, static_cast<size_t>(Digits) - S.size(), '0');
    return S;
}

const char* const ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonthNames[12] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
const char* const ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

inline bool IsBlank(unsigned char c) { return c <= ' '; }

std::mutex DirLock;
std::string DirOverride;

}  // namespace

bool IsLeapYear(int Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

int DaysInMonth(int Year, int Month) {
    if (Month < 1 || Month > 12) return 0;
    const int* T = DaysBeforeMonth[IsLeapYear(Year) ? 1 : 0];
    return T[Month] - T[Month - 1];
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result) {
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month))
        return false;
    long long I = Year - 1;
    long long Days =
        I * 365 + I / 4 - I / 100 + I / 400 + DaysBeforeMonth[IsLeapYear(Year) ? 1 : 0][Month - 1] + Day;
    Result = static_cast<double>(Days - DateDelta);
    return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
    TDateTime R;
    if (!TryEncodeDate(Year, Month, Day, R)) throw EConvertError("Invalid argument to date encode");
    return R;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result) {
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
        return false;
    Result = static_cast<double>(((Hour * 60LL + Min) * 60 + Sec) * 1000 + MSec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
    TDateTime R;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, R)) throw EConvertError("Invalid argument to time encode");
    return R;
}

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day) {
    long long Days, MSec;
    SplitValue(Value, Days, MSec);
    DaysToDate(Days, Year, Month, Day);
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec) {
    long long Days, Ms;
    SplitValue(Value, Days, Ms);
    Hour = static_cast<int>(Ms / 3600000);
    Min = static_cast<int>(Ms / 60000 % 60);
    Sec = static_cast<int>(Ms / 1000 % 60);
    MSec = static_cast<int>(Ms % 1000);
}

int DayOfWeek(TDateTime Value) {
    long long Days, MSec;
    SplitValue(Value, Days, MSec);
    // 30 December 1899 was a Saturday.
    long long W = (Days + 6) % 7;
    if (W < 0) W += 7;
    return static_cast<int>(W) + 1;
}

TDateTime Now() {
    struct timespec TS;
    clock_gettime(CLOCK_REALTIME, &TS);
    struct tm TM;
    localtime_r(&TS.tv_sec, &TM);
    return EncodeDate(TM.tm_year + 1900, TM.tm_mon + 1, TM.tm_mday) +
           EncodeTime(TM.tm_hour, TM.tm_min, TM.tm_sec > 59 ? 59 : TM.tm_sec,
                      static_cast<int>(TS.tv_nsec / 1000000));
}

TDateTime Date() { return std::trunc(Now()); }

std::string FormatDateTime(const std::string& Format, TDateTime Value) {
    int Y, Mo, D, H, Mi, S, Ms;
    DecodeDate(Value, Y, Mo, D);
    DecodeTime(Value, H, Mi, S, Ms);
    std::string Out;
    bool AfterHour = false;  // "m" right after an hour token means minutes
    const size_t N = Format.size();
    size_t i = 0;
    while (i < N) {
        char C = Format[i];
        char L = static_cast<char>((C >= 'A' && C <= 'Z') ? C + 32 : C);
        if (C == '"' || C == '\'') {
            size_t End = Format.find(C, i + 1);
            if (End == std::string::npos) End = N;
            Out.append(Format, i + 1, End - i - 1);
            i = End < N ? End + 1 : N;
            continue;
        }
        if (L != 'y' && L != 'm' && L != 'd' && L != 'h' && L != 'n' && L != 's' && L != 'z') {
            Out += C;
            ++i;
            continue;
        }
        size_t Run = 1;
        while (i + Run < N && (Format[i + Run] | 0x20) == L) ++Run;
        int Count = static_cast<int>(Run);
        switch (L) {
            case 'y': Out += Count <= 2 ? Pad(Y % 100, 2) : Pad(Y, 4); break;
            case 'm':
                if (AfterHour)
                    Out += Pad(Mi, Count >= 2 ? 2 : 1);
                else if (Count <= 2)
                    Out += Pad(Mo, Count);
                else if (Mo >= 1)
                    Out += (Count == 3 ? ShortMonthNames : LongMonthNames)[Mo - 1];
                break;
            case 'd':
                if (Count <= 2)
                    Out += Pad(D, Count);
                else
                    Out += (Count == 3 ? ShortDayNames : LongDayNames)[DayOfWeek(Value) - 1];
                break;
            case 'h': Out += Pad(H, Count >= 2 ? 2 : 1); break;
            case 'n': Out += Pad(Mi, Count >= 2 ? 2 : 1); break;
            case 's': Out += Pad(S, Count >= 2 ? 2 : 1); break;
            case 'z': Out += Pad(Ms, Count >= 3 ? 3 : Count); break;
        }
        AfterHour = (L == 'h');
        i += Run;
    }
    return Out;
}

std::string IntToStr(long long Value) { return std::to_string(Value); }

bool TryStrToInt(const std::string& S, int& Value) {
    size_t i = 0, N = S.size();
    while (i < N && IsBlank(static_cast<unsigned char>(S[i]))) ++i;
    bool Neg = false;
    if (i < N && (S[i] == '-' || S[i] == '+')) {
        Neg = S[i] == '-';
        ++i;
    }
    int Base = 10;
    if (i < N && S[i] == '$') {
        Base = 16;
        ++i;
    } else if (i + 1 < N && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
        Base = 16;
        i += 2;
    }
    if (i >= N) return false;
    long long V = 0;
    for (; i < N; ++i) {
        unsigned char c = static_cast<unsigned char>(S[i]);
        int Digit;
        if (c >= '0' && c <= '9')
            Digit = c - '0';
        else if (Base == 16 && c >= 'a' && c <= 'f')
            Digit = c - 'a' + 10;
        else if (Base == 16 && c >= 'A' && c <= 'F')
            Digit = c - 'A' + 10;
        else
            return false;
        V = V * Base + Digit;
        if (V > 0xFFFFFFFFLL) return false;
    }
    if (Base == 10) {
        if (Neg ? V > 2147483648LL : V > 2147483647LL) return false;
        Value = static_cast<int>(Neg ? -V : V);
    } else {
        // Hexadecimal texts cover the whole 32-bit pattern, as 0xFFFFFFFF = -1.
        long long R = Neg ? -V : V;
        Value = static_cast<int>(static_cast<unsigned int>(R));
    }
    return true;
}

bool ReadDecimal(const std::string& S, long long& Value) {
    size_t i = 0;
    const size_t N = S.size();
    while (i < N && IsBlank(static_cast<unsigned char>(S[i]))) ++i;
    bool Neg = false;
    if (i < N && (S[i] == '+' || S[i] == '-')) {
        Neg = S[i] == '-';
        ++i;
    }
    if (i >= N) return false;
    long long V = 0;
    for (; i < N; ++i) {
        if (S[i] < '0' || S[i] > '9') return false;
        V = V * 10 + (S[i] - '0');
        if (V > 2147483648LL) return false;
    }
    if (!Neg && V > 2147483647LL) return false;
    Value = Neg ? -V : V;
    return true;
}

long long DecimalOrZero(const std::string& S) {
    long long V;
    return ReadDecimal(S, V) ? V : 0;
}

int StrToInt(const std::string& S) {
    int V;
    if (!TryStrToInt(S, V)) throw EConvertError("'" + S + "' is not a valid integer value");
    return V;
}

int StrToIntDef(const std::string& S, int Default) {
    int V;
    return TryStrToInt(S, V) ? V : Default;
}

namespace {
// Changes the case of ASCII letters, stepping over Shift_JIS double-byte
// characters whole so that a trail byte in the letter range keeps its value.
std::string ChangeCase(const std::string& S, char From, char To) {
    std::string R = S;
    const size_t N = R.size();
    for (size_t i = 0; i < N; ++i) {
        unsigned char c = static_cast<unsigned char>(R[i]);
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < N) {
            unsigned char t = static_cast<unsigned char>(R[i + 1]);
            if (t >= 0x40 && t <= 0xFC) {
                ++i;
                continue;
            }
        }
        if (R[i] >= From && R[i] <= static_cast<char>(From + 25)) R[i] = static_cast<char>(R[i] - From + To);
    }
    return R;
}
}  // namespace

std::string UpperCase(const std::string& S) { return ChangeCase(S, 'a', 'A'); }

std::string LowerCase(const std::string& S) { return ChangeCase(S, 'A', 'a'); }

bool SameText(const std::string& A, const std::string& B) { return LowerCase(A) == LowerCase(B); }

std::string TrimLeft(const std::string& S) {
    size_t i = 0;
    while (i < S.size() && IsBlank(static_cast<unsigned char>(S[i]))) ++i;
    return S.substr(i);
}

std::string TrimRight(const std::string& S) {
    size_t n = S.size();
    while (n > 0 && IsBlank(static_cast<unsigned char>(S[n - 1]))) --n;
    return S.substr(0, n);
}

std::string Trim(const std::string& S) { return TrimLeft(TrimRight(S)); }

std::string PercentDecode(std::string_view Text) {
    auto HexValue = [](char C) -> int {
        if (C >= '0' && C <= '9') return C - '0';
        if (C >= 'a' && C <= 'f') return C - 'a' + 10;
        if (C >= 'A' && C <= 'F') return C - 'A' + 10;
        return -1;
    };
    std::string Out;
    Out.reserve(Text.size());
    const size_t N = Text.size();
    for (size_t i = 0; i < N; ++i) {
        if (Text[i] == '%' && i + 2 < N) {
            const int Hi = HexValue(Text[i + 1]), Lo = HexValue(Text[i + 2]);
            if (Hi >= 0 && Lo >= 0) {
                Out += static_cast<char>(Hi * 16 + Lo);
                i += 2;
                continue;
            }
        }
        Out += Text[i];
    }
    return Out;
}

std::string ExecutableDir() {
    char Buf[4096];
    ssize_t N = readlink("/proc/self/exe", Buf, sizeof Buf - 1);
    std::string Path = N > 0 ? std::string(Buf, static_cast<size_t>(N)) : std::string("./");
    size_t Slash = Path.rfind('/');
    return Slash == std::string::npos ? std::string("./") : Path.substr(0, Slash + 1);
}

void SetProgramDir(const std::string& Dir) {
    std::lock_guard<std::mutex> G(DirLock);
    DirOverride = Dir;
    if (!DirOverride.empty() && DirOverride.back() != '/') DirOverride += '/';
}

std::string ProgramDir() {
    {
        std::lock_guard<std::mutex> G(DirLock);
        if (!DirOverride.empty()) return DirOverride;
    }
    return ConfigDirChoice().Dir;
}
