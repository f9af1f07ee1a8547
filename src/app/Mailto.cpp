// mailto links (RFC 6068) taken apart into the fields of the send page.
#include "Mailto.h"

#include <utility>

#include "SysUtils.h"
#include "uni2sj.h"

namespace {

int HexValue(unsigned char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

// Decodes the escapes "%XY"; any other "%" is kept with what follows it.
std::string PercentDecode(const std::string& S, size_t Begin, size_t End) {
    std::string Out;
    Out.reserve(End - Begin);
    for (size_t i = Begin; i < End; ++i) {
        if (S[i] == '%' && i + 2 < End) {
            const int Hi = HexValue(static_cast<unsigned char>(S[i + 1]));
            const int Lo = HexValue(static_cast<unsigned char>(S[i + 2]));
            if (Hi >= 0 && Lo >= 0) {
                Out += static_cast<char>(Hi * 16 + Lo);
                i += 2;
                continue;
            }
        }
        Out += S[i];
    }
    return Out;
}

// True when S is well-formed UTF-8 (shortest forms, no surrogates, at most U+10FFFF).
bool IsUtf8(const std::string& S) {
    const auto* P = reinterpret_cast<const unsigned char*>(S.data());
    const size_t N = S.size();
    size_t i = 0;
    while (i < N) {
        const unsigned char C = P[i];
        if (C < 0x80) {
            ++i;
            continue;
        }
        size_t Len;
        unsigned char Lo = 0x80, Hi = 0xBF;  // range of the second byte
        if (C >= 0xC2 && C <= 0xDF)
            Len = 2;
        else if (C >= 0xE0 && C <= 0xEF) {
            Len = 3;
            if (C == 0xE0) Lo = 0xA0;
            if (C == 0xED) Hi = 0x9F;
        } else if (C >= 0xF0 && C <= 0xF4) {
            Len = 4;
            if (C == 0xF0) Lo = 0x90;
            if (C == 0xF4) Hi = 0x8F;
        } else
            return false;
        if (N - i < Len || P[i + 1] < Lo || P[i + 1] > Hi) return false;
        for (size_t k = 2; k < Len; ++k)
            if ((P[i + k] & 0xC0) != 0x80) return false;
        i += Len;
    }
    return true;
}

// The decoded value of Link[Begin, End) as program text.
std::string ValueText(const std::string& Link, size_t Begin, size_t End) {
    std::string Bytes = PercentDecode(Link, Begin, End);
    return IsUtf8(Bytes) ? UTF8ToSJIS(Bytes) : Bytes;
}

// A header value: control characters become spaces, blanks around are trimmed.
std::string HeaderText(std::string S) {
    for (char& C : S)
        if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F) C = ' ';
    return Trim(S);
}

// Body text: CR LF, CR and LF become CR LF; tabs stay; other control characters go.
std::string BodyText(const std::string& S) {
    std::string Out;
    Out.reserve(S.size());
    for (size_t i = 0; i < S.size(); ++i) {
        const unsigned char C = static_cast<unsigned char>(S[i]);
        if (C == '\r' || C == '\n') {
            Out += "\r\n";
            if (C == '\r' && i + 1 < S.size() && S[i + 1] == '\n') ++i;
        } else if (C == '\t' || (C >= 0x20 && C != 0x7F)) {
            Out += S[i];
        }
    }
    return Out;
}

// Appends the addresses of a comma-separated list to List, joined by ", ";
// commas inside double quotes (a display name) do not separate.
void AddAddresses(const std::string& Text, std::string& List) {
    const std::string Clean = HeaderText(Text);
    bool Quoted = false;
    size_t Start = 0;
    for (size_t i = 0; i <= Clean.size(); ++i) {
        if (i < Clean.size()) {
            const unsigned char C = static_cast<unsigned char>(Clean[i]);
            // Step over Shift_JIS double-byte characters whole: a trail byte may look like a quote.
            if (((C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC)) && i + 1 < Clean.size()) {
                ++i;
                continue;
            }
            if (C == '"') Quoted = !Quoted;
            if (C != ',' || Quoted) continue;
        }
        const std::string One = Trim(Clean.substr(Start, i - Start));
        if (!One.empty()) {
            if (!List.empty()) List += ", ";
            List += One;
        }
        Start = i + 1;
    }
}

}  // namespace

bool ParseMailto(const std::string& Link, TMailtoFields& Fields) {
    static const char Scheme[] = "mailto:";
    const size_t SchemeLength = sizeof Scheme - 1;
    if (Link.size() < SchemeLength || !SameText(Link.substr(0, SchemeLength), Scheme)) return false;

    TMailtoFields F;
    bool HaveSubject = false, HaveBody = false;
    const size_t Query = Link.find('?', SchemeLength);
    const size_t PathEnd = Query == std::string::npos ? Link.size() : Query;
    AddAddresses(ValueText(Link, SchemeLength, PathEnd), F.To);

    size_t Pos = PathEnd;
    while (Pos < Link.size()) {
        const size_t Begin = Pos + 1;  // after "?" or "&"
        size_t End = Link.find('&', Begin);
        if (End == std::string::npos) End = Link.size();
        Pos = End;
        const size_t Equals = Link.find('=', Begin);
        if (Equals == std::string::npos || Equals > End) continue;
        const std::string Name = LowerCase(PercentDecode(Link, Begin, Equals));
        if (Name == "to") {
            AddAddresses(ValueText(Link, Equals + 1, End), F.To);
        } else if (Name == "cc") {
            AddAddresses(ValueText(Link, Equals + 1, End), F.CC);
        } else if (Name == "subject" && !HaveSubject) {
            F.Subject = HeaderText(ValueText(Link, Equals + 1, End));
            HaveSubject = true;
        } else if (Name == "body" && !HaveBody) {
            F.Body = BodyText(ValueText(Link, Equals + 1, End));
            HaveBody = true;
        }
    }
    Fields = std::move(F);
    return true;
}
