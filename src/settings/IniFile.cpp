// The settings file reader and writer: INI sections and keys with the private-profile rules.
#include "IniFile.h"

#include <cerrno>

#include "LineSplitter.h"
#include "SafeFile.h"
#include "cp932.h"

namespace {

inline bool IsBlank(unsigned char C) { return C <= ' '; }

inline bool IsLeadByte(unsigned char C) { return (C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC); }

// Name key for case-blind lookups: ASCII letters folded to lower case, the
// second byte of a Shift_JIS character left alone (it may be a letter).
std::string Fold(const std::string& S) {
    std::string R = S;
    for (size_t i = 0; i < R.size(); ++i) {
        unsigned char C = static_cast<unsigned char>(R[i]);
        if (IsLeadByte(C))
            ++i;
        else if (C >= 'A' && C <= 'Z')
            R[i] = static_cast<char>(C + 32);
    }
    return R;
}

std::string TrimBlanks(const std::string& S, size_t Begin, size_t End) {
    while (Begin < End && IsBlank(static_cast<unsigned char>(S[Begin]))) ++Begin;
    while (End > Begin && IsBlank(static_cast<unsigned char>(S[End - 1]))) --End;
    return S.substr(Begin, End - Begin);
}

// A value as it may stand on one line of the file: line breaks become spaces
// and a NUL byte ends it (the profile routines take C strings).
std::string LineSafe(const std::string& Value) {
    std::string R = Value.substr(0, Value.find('\0'));
    for (char& C : R)
        if (C == '\r' || C == '\n') C = ' ';
    return R;
}

}  // namespace

std::string IniCleanValue(const std::string& Raw) {
    std::string V = TrimBlanks(Raw, 0, Raw.size());
    if (V.size() >= 2 && (V.front() == '"' || V.front() == '\'') && V.back() == V.front())
        V = V.substr(1, V.size() - 2);
    if (V.size() > IniMaxValueLength) V.resize(IniMaxValueLength);
    return V;
}

int IniStrToIntDef(const std::string& Value, int Default) {
    const size_t N = Value.size();
    if (N > 2 && Value[0] == '0' && (Value[1] == 'x' || Value[1] == 'X')) {
        // Hexadecimal: 1 to 8 significant digits, the 32-bit pattern as it stands.
        unsigned long long V = 0;
        for (size_t i = 2; i < N; ++i) {
            unsigned char C = static_cast<unsigned char>(Value[i]);
            int D;
            if (C >= '0' && C <= '9')
                D = C - '0';
            else if (C >= 'a' && C <= 'f')
                D = C - 'a' + 10;
            else if (C >= 'A' && C <= 'F')
                D = C - 'A' + 10;
            else
                return Default;
            V = V * 16 + static_cast<unsigned>(D);
            if (V > 0xFFFFFFFFULL) return Default;
        }
        return static_cast<int>(static_cast<unsigned int>(V));
    }
    // Decimal: a sign or a digit first (no blanks in front), in the 32-bit range.
    if (N == 0 || !(Value[0] == '-' || Value[0] == '+' || (Value[0] >= '0' && Value[0] <= '9')))
        return Default;
    long long V;
    return ReadDecimal(Value, V) ? static_cast<int>(V) : Default;
}

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    return IniStrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

TIniFile::TIniFile(const std::string& FileName) : TCustomIniFile(FileName) {
    std::string Text;
    int Err = SafeFile::Read(FileName, Text);
    // A missing file reads as empty; one that is there but unreadable must
    // not be replaced by what little this object knows.
    FUnreadable = Err != 0 && Err != ENOENT && Err != ENOTDIR;
    SetText(Text);
}

void TIniFile::SetText(const std::string& Text) {
    FPreamble.clear();
    FSections.clear();
    FSectionIndex.clear();
    FModified = false;
    TSection* Current = nullptr;
    ForEachLine(Text, [&](std::string_view View) {
        const std::string Line(View);
        const size_t End = Line.size();
        size_t B = 0;
        while (B < End && IsBlank(static_cast<unsigned char>(Line[B]))) ++B;
        if (B == End) return;
        if (Line[B] == '[') {
            size_t Close = Line.find(']', B + 1);
            if (Close == std::string::npos) Close = End;
            TSection S;
            S.Name = TrimBlanks(Line, B + 1, Close);
            FSectionIndex[Fold(S.Name)].push_back(FSections.size());
            FSections.push_back(std::move(S));
            Current = &FSections.back();
            return;
        }
        TLine L;
        const size_t Eq = Line.find('=', B);
        if (Eq != std::string::npos) {
            L.IsKey = true;
            L.Key = TrimBlanks(Line, B, Eq);
            L.Value = Line.substr(Eq + 1);
        } else {
            L.Raw = Line;
        }
        if (Current)
            AddLine(*Current, std::move(L));
        else
            FPreamble.push_back(L.IsKey ? L.Key + "=" + L.Value : L.Raw);
    });
}

void TIniFile::AddLine(TSection& S, TLine Line) {
    if (Line.IsKey) S.Index.emplace(Fold(Line.Key), S.Lines.size());
    S.Lines.push_back(std::move(Line));
}

std::string TIniFile::GetText() const {
    std::string Out;
    for (const std::string& L : FPreamble) Out += L + "\r\n";
    for (const TSection& S : FSections) {
        if (S.Erased) continue;
        Out += "[" + S.Name + "]\r\n";
        for (const TLine& L : S.Lines) {
            if (L.IsKey)
                Out += L.Key + "=" + L.Value + "\r\n";
            else
                Out += L.Raw + "\r\n";
        }
    }
    return Out;
}

TIniFile::TSection* TIniFile::Find(const std::string& Section) {
    auto It = FSectionIndex.find(Fold(Section));
    if (It == FSectionIndex.end() || It->second.empty()) return nullptr;
    return &FSections[It->second.front()];
}

const TIniFile::TLine* TIniFile::FindKey(const std::string& Section, const std::string& Ident) {
    TSection* S = Find(Section);
    if (!S) return nullptr;
    auto It = S->Index.find(Fold(Ident));
    return It == S->Index.end() ? nullptr : &S->Lines[It->second];
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) {
    const TLine* L = FindKey(Section, Ident);
    return L ? IniCleanValue(L->Value) : Default;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    TSection* S = Find(Section);
    if (!S) {
        TSection New;
        New.Name = Section;
        FSectionIndex[Fold(Section)].push_back(FSections.size());
        FSections.push_back(std::move(New));
        S = &FSections.back();
    }
    auto It = S->Index.find(Fold(Ident));
    if (It != S->Index.end()) {
        S->Lines[It->second].Value = LineSafe(Value);
    } else {
        TLine L;
        L.IsKey = true;
        L.Key = Ident;
        L.Value = LineSafe(Value);
        AddLine(*S, std::move(L));
    }
    FModified = true;
}

void TIniFile::ReadSectionValues(const std::string& Section, TIniSectionValues& Values) {
    Values.clear();
    TSection* S = Find(Section);
    if (!S) return;
    for (size_t i = 0; i < S->Lines.size(); ++i) {
        const TLine& L = S->Lines[i];
        // Only the first line of a key that occurs twice is listed.
        if (L.IsKey && S->Index[Fold(L.Key)] == i) Values.emplace_back(L.Key, IniCleanValue(L.Value));
    }
}

void TIniFile::EraseSection(const std::string& Section) {
    auto It = FSectionIndex.find(Fold(Section));
    if (It == FSectionIndex.end()) return;
    for (size_t i : It->second) {
        FSections[i].Erased = true;
        // Free the lines now: a long run of erase-and-rewrite keeps only live data.
        std::vector<TLine>().swap(FSections[i].Lines);
        FSections[i].Index.clear();
    }
    FSectionIndex.erase(It);
    FModified = true;
}

void TIniFile::UpdateFile() {
    if (!FModified) return;
    int Err = FUnreadable ? EACCES : SafeFile::Write(FileName(), GetText(), 0600);
    if (Err != 0) {
        std::string Msg = SJ("%s に書き込めません");
        Msg.replace(Msg.find("%s"), 2, Utf8ToCp932(FileName()));
        throw EIniFileException(Msg);
    }
    FModified = false;
}
