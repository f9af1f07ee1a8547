// mailto links (RFC 6068) taken apart into the fields of the send page.
#include "Mailto.h"

#include <utility>

#include "SysUtils.h"
#include "Utf8.h"
#include "uni2sj.h"

namespace {

// The decoded value of Link[Begin, End) as program text.
std::string ValueText(const std::string& Link, size_t Begin, size_t End) {
    std::string Bytes = PercentDecode(std::string_view(Link).substr(Begin, End - Begin));
    return IsValidUtf8(Bytes) ? UTF8ToSJIS(Bytes) : Bytes;
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
        const std::string Name =
            LowerCase(PercentDecode(std::string_view(Link).substr(Begin, Equals - Begin)));
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
