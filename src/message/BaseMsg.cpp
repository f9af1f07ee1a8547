// Messages as header and body lines with field access, internet message
// fields, the mail date parser and the address routines.
#include "BaseMsg.h"

#include <climits>
#include <cstdint>
#include <vector>

#include "codex.h"
#include "sjisconv.h"

namespace {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

inline bool IsContinuation(const std::string& Line) {
    return !Line.empty() && (Line[0] == ' ' || Line[0] == '\t');
}

// The date parser keeps its numbers in 16-bit unsigned variables, so a
// number wraps modulo 65536 before the range checks.
inline uint16_t Word(long long V) {
    return static_cast<uint16_t>(static_cast<unsigned long long>(V) & 0xFFFF);
}

// Copies the lines of a list that is about to be cleared by its reader.
std::unique_ptr<TStringList> Snapshot(const TStrings& Source) {
    auto Copy = std::make_unique<TStringList>();
    const int N = Source.GetCount();
    Copy->Reserve(N);
    for (int i = 0; i < N; ++i) Copy->Add(Source.Get(i));
    return Copy;
}

const char* const MonthList = "jan feb mar apr may jun jul aug sep oct nov dec";

// Zone names of mail dates with their offsets from GMT in hours; any other
// name reads as GMT.
struct ZoneName {
    const char* Name;
    int Hours;
};
const ZoneName ZoneNames[] = {
    {"UT", 0},   {"GMT", 0},  {"Z", 0},    {"EST", -5}, {"EDT", -4}, {"CST", -6},
    {"CDT", -5}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}, {"JST", 9},
};

// Dates the date arithmetic accepts: 1 January 1 to 31 December 9999.
constexpr TDateTime MinDateTime = -693593.0;
constexpr TDateTime MaxDateTime = 2958466.0;

}  // namespace

// ---------------------------------------------------------------------------
// TBaseMessage

TBaseMessage::TBaseMessage()
    : FHeader(std::make_unique<TStringList>()), FBody(std::make_unique<TStringList>()) {}

TBaseMessage::~TBaseMessage() = default;

std::unique_ptr<TBaseMessage> TBaseMessage::NewInstance() const { return std::make_unique<TBaseMessage>(); }

std::string TBaseMessage::IndexMessage(int Index) {
    return "Out of Index range (" + std::to_string(Index) + ")";
}

void TBaseMessage::RestoreSeparator() const {
    if (FBody->GetCount() > 0) FHasSeparator = true;
}

bool TBaseMessage::HasSeparator() const {
    RestoreSeparator();
    return FHasSeparator;
}

int TBaseMessage::GetCount() const {
    RestoreSeparator();
    return FHasSeparator ? FHeader->GetCount() + FBody->GetCount() + 1 : FHeader->GetCount();
}

std::string TBaseMessage::Get(int Index) const {
    const int Count = GetCount();
    if (Index < 0 || Index >= Count) throw BM_Exception(IndexMessage(Index));
    const int H = FHeader->GetCount();
    if (Index < H) return FHeader->At(Index);
    if (Index == H) return std::string();
    return FBody->At(Index - H - 1);
}

void TBaseMessage::Insert(int Index, const std::string& S) {
    const int Count = GetCount();
    if (Index < 0 || Index > Count) throw BM_Exception(IndexMessage(Index));
    const int H = FHeader->GetCount();
    if (Index < H) {
        // The header never holds an empty line.
        if (!S.empty()) FHeader->Insert(Index, S);
    } else if (Index == H) {
        if (!S.empty())
            FHeader->Add(S);
        else if (!FHasSeparator)
            FHasSeparator = true;
        else
            FBody->Insert(0, S);
    } else {
        FBody->Insert(Index - H - 1, S);
    }
}

void TBaseMessage::Delete(int Index) {
    RestoreSeparator();
    if (Index < 0) throw BM_Exception(IndexMessage(Index));
    const int H = FHeader->GetCount();
    const int B = FBody->GetCount();
    if (Index < H) {
        FHeader->Delete(Index);
    } else if (Index == H) {
        if (!FHasSeparator) throw BM_Exception(IndexMessage(Index));
        // The separator goes only when no body line needs it.
        if (B == 0) FHasSeparator = false;
    } else if (Index <= H + B) {
        FBody->Delete(Index - H - 1);
    } else {
        throw BM_Exception(IndexMessage(Index));
    }
    if (FHeader->GetCount() == 0 && FBody->GetCount() == 0) FHasSeparator = false;
}

void TBaseMessage::Clear() {
    FHeader->Clear();
    FBody->Clear();
    FHasSeparator = false;
}

void TBaseMessage::Assign(const TStrings& Source) {
    if (&Source == this) return;
    if (const auto* M = dynamic_cast<const TBaseMessage*>(&Source)) {
        BeginUpdate();
        FHeader->Assign(*M->FHeader);
        FBody->Assign(*M->FBody);
        FHasSeparator = M->FHasSeparator;
        EndUpdate();
        return;
    }
    if (&Source == FHeader.get() || &Source == FBody.get()) {
        auto Copy = Snapshot(Source);
        TStrings::Assign(*Copy);
        return;
    }
    TStrings::Assign(Source);
}

bool TBaseMessage::IsFieldLine(const std::string& Line, const std::string& Name) {
    const size_t N = Name.size();
    if (Line.size() < N + 2) return false;
    for (size_t i = 0; i < N; ++i)
        if (LowerAscii(Line[i]) != LowerAscii(Name[i])) return false;
    return Line[N] == ':' && Line[N + 1] == ' ';
}

int TBaseMessage::FindField(const std::string& Name) const {
    const int H = FHeader->GetCount();
    for (int i = 0; i < H; ++i)
        if (IsFieldLine(FHeader->At(i), Name)) return i;
    return -1;
}

std::string TBaseMessage::TrimLeadingBlanks(const std::string& S) {
    size_t i = 0;
    while (i < S.size() && (S[i] == ' ' || S[i] == '\t')) ++i;
    return S.substr(i);
}

std::string TBaseMessage::GetField(const std::string& Name) const {
    const int First = FindField(Name);
    if (First < 0) return std::string();
    std::string Value = FHeader->At(First).substr(Name.size() + 2);
    const int H = FHeader->GetCount();
    for (int i = First + 1; i < H; ++i) {
        const std::string& Line = FHeader->At(i);
        if (!IsContinuation(Line)) break;
        Value += ' ';
        Value += TrimLeadingBlanks(Line);
    }
    return Value;
}

void TBaseMessage::DeleteField(const std::string& Name) {
    const int First = FindField(Name);
    if (First < 0) return;
    const int H = FHeader->GetCount();
    int End = First + 1;
    while (End < H && IsContinuation(FHeader->At(End))) ++End;
    if (End == First + 1) {
        FHeader->Delete(First);
        return;
    }
    // A long folded field: move the later lines down over it and cut the tail,
    // so the work stays proportional to the header however many lines go.
    int To = First;
    for (int From = End; From < H; ++From, ++To) FHeader->Put(To, FHeader->At(From));
    for (int i = H - 1; i >= To; --i) FHeader->Delete(i);
}

void TBaseMessage::SetField(const std::string& Name, const std::string& Value) {
    DeleteField(Name);
    // A header line holds no line end: a CR or LF in the value would start a
    // line of its own (another field) once the message is written out.
    std::string Clean = Value;
    for (char& c : Clean)
        if (c == '\r' || c == '\n') c = ' ';
    FHeader->Add(Name + ": " + Clean);
}

void TBaseMessage::SaveToStrings(TStrings& Dest) const {
    // Counts are read first, so saving into this message or one of its own
    // lists copies each line once.
    const int H = FHeader->GetCount();
    const int B = FBody->GetCount();
    for (int i = 0; i < H; ++i) Dest.Add(FHeader->Get(i));
    Dest.Add(std::string());
    for (int i = 0; i < B; ++i) Dest.Add(FBody->Get(i));
}

void TBaseMessage::LoadFromStrings(const TStrings& Source) {
    std::unique_ptr<TStringList> Copy;
    const TStrings* From = &Source;
    if (From == this || From == FHeader.get() || From == FBody.get()) {
        Copy = Snapshot(Source);
        From = Copy.get();
    }
    FHeader->Clear();
    FBody->Clear();
    const int N = From->GetCount();
    bool InHeader = true;
    for (int i = 0; i < N; ++i) {
        std::string Line = From->Get(i);
        if (!InHeader)
            FBody->Add(Line);
        else if (Line.empty())
            InHeader = false;
        else
            FHeader->Add(Line);
    }
}

// ---------------------------------------------------------------------------
// TINetMessage

TINetMessage::TINetMessage() : FReferences(std::make_unique<TStringList>()) {}

TINetMessage::~TINetMessage() = default;

std::unique_ptr<TBaseMessage> TINetMessage::NewInstance() const { return std::make_unique<TINetMessage>(); }

void TINetMessage::ClearCaches() {
    FSubject.clear();
    FFrom.clear();
    FDate = 0;
    FMessageID.clear();
    FReferences->Clear();
    FLines = 0;
    FSize = 0;
}

void TINetMessage::Assign(const TStrings& Source) {
    if (&Source == this) return;
    if (const auto* M = dynamic_cast<const TINetMessage*>(&Source)) {
        FSubject = M->Subject();
        FFrom = M->From();
        FDate = M->Date();
        FMessageID = M->MessageID();
        FReferences->Assign(M->References());
        FLines = M->Lines();
        FSize = M->Size();
    } else {
        ClearCaches();
    }
    TBaseMessage::Assign(Source);
}

std::string TINetMessage::GetField(const std::string& Name) const {
    if (Header().GetCount() == 0) HeaderNeeded();
    return TBaseMessage::GetField(Name);
}

std::string TINetMessage::Subject() const {
    if (FSubject.empty()) FSubject = JISToSJIS(DecodeHeader(GetField("Subject")));
    return FSubject;
}

std::string TINetMessage::From() const {
    if (FFrom.empty()) FFrom = JISToSJIS(DecodeHeader(GetField("From")));
    return FFrom;
}

TDateTime TINetMessage::Date() const {
    if (FDate == 0) FDate = ParseMailDate(GetField("Date"));
    return FDate;
}

std::string TINetMessage::MessageID() const {
    if (FMessageID.empty()) FMessageID = GetField("Message-ID");
    return FMessageID;
}

const TStringList& TINetMessage::References() const {
    if (FReferences->GetCount() == 0) {
        const std::string S = GetField("References");
        size_t Pos = 0;
        while (Pos < S.size()) {
            const size_t Open = S.find('<', Pos);
            if (Open == std::string::npos) break;
            const size_t Close = S.find('>', Open);
            if (Close == std::string::npos) break;
            FReferences->Add(S.substr(Open, Close - Open + 1));
            Pos = Close + 1;
        }
        if (FReferences->GetCount() == 0) {
            const std::string Id = ExtractAngleAddr(GetField("In-Reply-To"));
            if (!Id.empty()) FReferences->Add(Id);
        }
    }
    return *FReferences;
}

int TINetMessage::Lines() const {
    if (FLines == 0) {
        long long N = DecimalOrZero(GetField("Lines"));
        // A negative count is no count.
        FLines = N > 0 ? static_cast<int>(N) : Body().GetCount();
    }
    return FLines;
}

int TINetMessage::Size() const {
    if (FSize == 0 && GetCount() > 0) {
        long long Total = 0;
        const TStringList& H = Header();
        const TStringList& B = Body();
        for (int i = 0; i < H.GetCount(); ++i) Total += static_cast<long long>(H.At(i).size()) + 1;
        if (HasSeparator()) Total += 1;
        for (int i = 0; i < B.GetCount(); ++i) Total += static_cast<long long>(B.At(i).size()) + 1;
        FSize = Total > INT_MAX ? INT_MAX : static_cast<int>(Total);
    }
    return FSize;
}

// ---------------------------------------------------------------------------
// Dates

std::string NextToken(std::string& Text, const std::string& Delimiter) {
    Text = Trim(Text);
    const size_t P = Text.find(Delimiter);
    std::string Token;
    if (P == std::string::npos) {
        Token.swap(Text);
    } else {
        Token = Text.substr(0, P);
        Text.erase(0, P + Delimiter.size());
    }
    return Token;
}

int ExpandTwoDigitYear(int Year, int CurrentYear) {
    const int R = CurrentYear % 100;
    const int Base = CurrentYear - R;
    if (R - Year > 50) return Base + Year + 100;
    if (Year - R > 50) return Base + Year - 100;
    return Base + Year;
}

int ExpandTwoDigitYear(int Year) {
    int Y, M, D;
    DecodeDate(Now(), Y, M, D);
    return ExpandTwoDigitYear(Year, Y);
}

TDateTime ZoneToGMT(const std::string& Zone, TDateTime T) {
    std::string Z = Trim(Zone);
    const std::string Name = UpperCase(Z);
    for (const ZoneName& N : ZoneNames)
        if (Name == N.Name) return T - N.Hours / 24.0;
    // "-0500": the local time is behind GMT, so GMT is later.
    const int Sign = (!Z.empty() && Z[0] == '-') ? 1 : -1;
    if (!Z.empty()) Z = Trim(Z.substr(1));
    // "0530", "05:30"; any other length is hours alone.
    std::string Hours, Minutes;
    const size_t Colon = Z.find(':');
    if (Colon != std::string::npos) {
        Hours = Z.substr(0, Colon);
        Minutes = Z.substr(Colon + 1);
    } else if (Z.size() == 4) {
        Hours = Z.substr(0, 2);
        Minutes = Z.substr(2);
    } else {
        Hours = Z;
    }
    const double Offset = DecimalOrZero(Hours) * 60.0 + DecimalOrZero(Minutes);
    return T + Sign * Offset / (24.0 * 60.0);
}

TDateTime GMTToJST(TDateTime T) { return T + 0.375; }

TDateTime ParseMailDate(const std::string& Field) {
    std::string Text = Trim(Field);
    // A three-letter weekday, its comma and the blank after it.
    if (Text.size() > 5 && Text[3] == ',') Text.erase(0, 5);

    uint16_t Day = Word(DecimalOrZero(NextToken(Text, " ")));
    if (Day < 1 || Day > 31) Day = 1;

    const std::string MonthName = LowerCase(NextToken(Text, " "));
    const size_t Found = MonthName.empty() ? std::string::npos : std::string(MonthList).find(MonthName);
    const int Position = Found == std::string::npos ? 0 : static_cast<int>(Found) + 1;
    int Month = (Position - 1) / 4 + 1;
    if (Month < 1 || Month > 12) Month = 1;

    // Without a year there is no usable date (a missing Date field would
    // otherwise read as 1 January of the year 2000).
    long long YearValue;
    if (!ReadDecimal(NextToken(Text, " "), YearValue)) return 0;
    const uint16_t YearWord = Word(YearValue);
    const int Year = YearWord < 100 ? ExpandTwoDigitYear(YearWord) : YearWord;

    uint16_t Hour = Word(DecimalOrZero(NextToken(Text, ":")));
    if (Hour > 23) Hour = 0;
    // Seconds may be left out ("10:00 +0900"): then the minutes end at the
    // blank before the zone.
    Text = Trim(Text);
    const size_t Colon = Text.find(':');
    const size_t Blank = Text.find(' ');
    const bool HasSeconds = Colon != std::string::npos && (Blank == std::string::npos || Colon < Blank);
    uint16_t Minute = Word(DecimalOrZero(NextToken(Text, HasSeconds ? ":" : " ")));
    if (Minute > 59) Minute = 0;
    uint16_t Second = HasSeconds ? Word(DecimalOrZero(NextToken(Text, " "))) : 0;
    if (Second > 59) Second = 0;

    std::string Zone = Trim(Text);
    // "+0900 (JST)": the zone name in parentheses is a comment.
    const size_t Paren = Zone.find('(');
    if (Paren != std::string::npos) Zone = Trim(Zone.substr(0, Paren));

    TDateTime Result;
    if (!TryEncodeDate(Year, Month, Day, Result)) return 0;
    Result += EncodeTime(Hour, Minute, Second, 0);

    if (Zone == "JST" || Zone == "+0900") {
        // Already Japan time.
    } else if (Zone == "GMT") {
        Result = GMTToJST(Result);
    } else {
        Result = GMTToJST(ZoneToGMT(Zone, Result));
    }
    // An offset of thousands of hours moves the date out of the calendar.
    if (!(Result >= MinDateTime && Result < MaxDateTime)) return 0;
    return Result;
}

// ---------------------------------------------------------------------------
// Addresses

std::string ExtractAngleAddr(const std::string& Text) {
    const size_t Close = Text.rfind('>');
    if (Close == std::string::npos) return Text;
    const size_t Open = Text.rfind('<', Close);
    if (Open == std::string::npos) return Text;
    return Text.substr(Open, Close - Open + 1);
}

std::string ExtractMailAddress(const std::string& Text) {
    // Quotes, parentheses and blanks are all below 0x40, so they never occur
    // as the second byte of a Shift_JIS character.
    std::string Kept;
    Kept.reserve(Text.size());
    bool InQuote = false, InComment = false;
    for (char c : Text) {
        if (InQuote) {
            if (c == '"') InQuote = false;
        } else if (InComment) {
            if (c == ')') InComment = false;
        } else if (c == '"') {
            InQuote = true;
        } else if (c == '(') {
            InComment = true;
        } else if (c != ' ') {
            Kept += c;
        }
    }
    if (Kept.empty()) return Text;
    const size_t Open = Kept.find('<');
    if (Open == std::string::npos) return Kept;
    const size_t Close = Kept.find('>', Open + 1);
    if (Close == std::string::npos) return Kept.substr(Open + 1);
    return Kept.substr(Open + 1, Close - Open - 1);
}
