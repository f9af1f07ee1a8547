// Address clean-up: reduces a display address text to the bare address; splits address lists.
#include "Cleanadd.h"

#include "SysUtils.h"

std::string CleanAddress(const std::string& Text, bool Wrap) {
    // Comment removal. Each round removes the first "(" through the first
    // ")"; what stands before that "(" holds neither bracket, so the next
    // round's first "(" and ")" are the first ones after the removed part.
    // One forward pass therefore gives the result of the repeated rounds.
    std::string R;
    R.reserve(Text.size());
    size_t Pos = 0;
    for (;;) {
        size_t P = Text.find('(', Pos);
        size_t Q = P == std::string::npos ? std::string::npos : Text.find(')', Pos);
        if (P == std::string::npos || Q == std::string::npos || Q < P) break;
        R.append(Text, Pos, P - Pos);
        Pos = Q + 1;
    }
    R.append(Text, Pos, std::string::npos);

    R = Trim(R);

    size_t P = R.find('<');
    size_t Q = R.find('>');
    if (P != std::string::npos && Q != std::string::npos)
        R = Q > P + 1 ? R.substr(P + 1, Q - P - 1) : std::string();

    if (Wrap && !R.empty()) R = "<" + R + ">";
    return R;
}

namespace {

bool IsSjisLead(unsigned char C) { return (C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC); }
bool IsSjisTrail(unsigned char C) { return C >= 0x40 && C <= 0xFC && C != 0x7F; }
bool IsSpace(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }

}  // namespace

std::vector<std::string> SplitAddressList(const std::string& Text) {
    std::vector<std::string> Items;
    const size_t N = Text.size();
    size_t Start = 0;  // first byte of the current item
    bool InQuote = false;
    bool InAngle = false;
    bool InGroup = false;
    size_t Comment = 0;  // nesting depth of parentheses
    auto Push = [&](size_t End) {
        // Only white space is trimmed: an ESC opening a JIS run stays.
        size_t B = Start, E = End;
        while (B < E && IsSpace(Text[B])) ++B;
        while (E > B && IsSpace(Text[E - 1])) --E;
        if (E > B) Items.push_back(Text.substr(B, E - B));
        Start = End + 1;
    };
    for (size_t i = 0; i < N; ++i) {
        const unsigned char C = static_cast<unsigned char>(Text[i]);
        if (C == 0x1B && i + 1 < N && Text[i + 1] == '$') {
            // A JIS double-byte run: its bytes are characters, not syntax.
            size_t j = i + 2;
            while (j < N && !(Text[j] == 0x1B && j + 1 < N && Text[j + 1] == '(')) ++j;
            i = j < N ? j + 1 : N;  // the loop steps over the byte after "("
            continue;
        }
        if (IsSjisLead(C) && i + 1 < N && IsSjisTrail(static_cast<unsigned char>(Text[i + 1]))) {
            ++i;
            continue;
        }
        if (InQuote || Comment > 0) {
            if (C == '\\') {
                ++i;  // an escaped byte
            } else if (InQuote) {
                if (C == '"') InQuote = false;
            } else if (C == '(') {
                ++Comment;
            } else if (C == ')') {
                --Comment;
            }
            continue;
        }
        switch (C) {
            case '"': InQuote = true; break;
            case '(': Comment = 1; break;
            case '<': InAngle = true; break;
            case '>': InAngle = false; break;
            case ':':
                if (!InAngle && !InGroup) {
                    InGroup = true;
                    Start = i + 1;  // the group name is no address
                }
                break;
            case ';':
                if (!InAngle) {
                    Push(i);
                    InGroup = false;
                }
                break;
            case ',':
                if (!InAngle) Push(i);
                break;
            default: break;
        }
    }
    if (Start < N) Push(N);
    return Items;
}
