// Encoded words of header fields (RFC 2047), and the base64 and
// quoted-printable text decoders the transfer encodings reuse.
#include "codex.h"

#include "SysUtils.h"
#include "sjisconv.h"
#include "uni2sj.h"

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of each base64 character; -1 for everything else.
struct DecodeTable {
    signed char V[256];
    constexpr DecodeTable() : V() {
        for (int i = 0; i < 256; ++i) V[i] = -1;
        for (int i = 0; i < 64; ++i) V[static_cast<unsigned char>(Alphabet[i])] = static_cast<signed char>(i);
    }
};
constexpr DecodeTable B64;

inline int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// True when Text holds "=?" + Charset + "?" at Pos, ASCII case ignored.
bool WordStartAt(const std::string& Text, size_t Pos, const std::string& Charset) {
    const size_t L = Charset.size();
    if (Pos + L + 3 > Text.size()) return false;
    if (Text[Pos] != '=' || Text[Pos + 1] != '?' || Text[Pos + L + 2] != '?') return false;
    for (size_t k = 0; k < L; ++k)
        if (LowerAscii(Text[Pos + 2 + k]) != LowerAscii(Charset[k])) return false;
    return true;
}

struct Pass {
    const char* Marker;
    const char* Charset;
    std::string (*Post)(const std::string&);
};

std::string Unchanged(const std::string& S) { return S; }

const Pass Passes[] = {
    {"=?ISO-2022-JP?", "iso-2022-jp", Unchanged},
    {"=?EUC-JP?", "euc-jp", EUCToJIS},
    {"=?SHIFT_JIS?", "shift_jis", Unchanged},
    {"=?UTF-8?", "utf-8", UTF8ToSJIS},
};

}  // namespace

char Base64Digit(int Value) {
    if (Value < 0 || Value > 63) return '=';
    return Alphabet[Value];
}

std::string Base64Decode(const std::string& Text) {
    std::string Out;
    Out.reserve(Text.size() / 4 * 3 + 3);
    unsigned Acc = 0;
    int Have = 0;
    for (char ch : Text) {
        int v = B64.V[static_cast<unsigned char>(ch)];
        if (v < 0) continue;
        Acc = (Acc << 6) | static_cast<unsigned>(v);
        if (++Have == 4) {
            Out += static_cast<char>(Acc >> 16);
            Out += static_cast<char>((Acc >> 8) & 0xFF);
            Out += static_cast<char>(Acc & 0xFF);
            Acc = 0;
            Have = 0;
        }
    }
    if (Have == 2) {
        Out += static_cast<char>(Acc >> 4);
    } else if (Have == 3) {
        Out += static_cast<char>(Acc >> 10);
        Out += static_cast<char>((Acc >> 2) & 0xFF);
    }
    return Out;
}

std::string QPDecode(const std::string& Text) {
    const size_t N = Text.size();
    std::string Out;
    Out.reserve(N);
    size_t i = 0;
    while (i < N) {
        size_t Eq = Text.find('=', i);
        if (Eq == std::string::npos) {
            Out.append(Text, i, std::string::npos);
            break;
        }
        Out.append(Text, i, Eq - i);
        if (Eq + 2 < N) {
            int h = HexValue(static_cast<unsigned char>(Text[Eq + 1]));
            int l = HexValue(static_cast<unsigned char>(Text[Eq + 2]));
            if (h >= 0 && l >= 0) {
                Out += static_cast<char>(h * 16 + l);
                i = Eq + 3;
                continue;
            }
        }
        Out += '=';
        i = Eq + 1;
    }
    return Out;
}

std::string DecodeText(char Letter, const std::string& Text) {
    if (Letter == 'B' || Letter == 'b') return Base64Decode(Text);
    if (Letter == 'Q' || Letter == 'q') {
        // In a Q-encoded word "_" stands for a blank; "=5F" still gives "_".
        std::string S = Text;
        for (char& c : S)
            if (c == '_') c = ' ';
        return QPDecode(S);
    }
    return Text;
}

std::string DecodeWords(const std::string& Text, const std::string& Charset) {
    const size_t N = Text.size();
    const size_t L = Charset.size();
    std::string Out, Payload;
    Out.reserve(N);
    char Letter = ' ';  // blank outside a word
    size_t i = 0;
    while (i < N) {
        if (Text[i] == '=' && i + L + 4 < N && WordStartAt(Text, i, Charset) && Text[i + L + 4] == '?') {
            Letter = Text[i + L + 3];
            Payload.clear();
            i += L + 5;
        } else if (Letter != ' ' && Text[i] == '?' && i + 1 < N && Text[i + 1] == '=') {
            if (!Payload.empty()) {
                Out += DecodeText(Letter, Payload);
                Payload.clear();
            }
            Letter = ' ';
            i += 2;
        } else {
            (Letter != ' ' ? Payload : Out) += Text[i];
            ++i;
        }
    }
    // A word never closed is decoded all the same.
    if (Letter != ' ' && !Payload.empty()) Out += DecodeText(Letter, Payload);
    return Out;
}

std::string DecodeHeader(const std::string& Text) {
    std::string S = Text;
    if (S.find("=?") == std::string::npos) return S;
    for (const Pass& P : Passes) {
        if (UpperCase(S).find(P.Marker) != std::string::npos) S = P.Post(DecodeWords(S, P.Charset));
    }
    return S;
}

std::string EncodeWordB(const std::string& Bytes) {
    const unsigned char* B = reinterpret_cast<const unsigned char*>(Bytes.data());
    const size_t N = Bytes.size();
    std::string Out = "=?ISO-2022-JP?B?";
    Out.reserve(Out.size() + (N + 2) / 3 * 4 + 2);
    size_t i = 0;
    for (; i + 3 <= N; i += 3) {
        Out += Alphabet[B[i] >> 2];
        Out += Alphabet[(B[i] & 3) << 4 | B[i + 1] >> 4];
        Out += Alphabet[(B[i + 1] & 15) << 2 | B[i + 2] >> 6];
        Out += Alphabet[B[i + 2] & 63];
    }
    if (N - i == 1) {
        Out += Alphabet[B[i] >> 2];
        Out += Alphabet[(B[i] & 3) << 4];
        Out += "==";
    } else if (N - i == 2) {
        Out += Alphabet[B[i] >> 2];
        Out += Alphabet[(B[i] & 3) << 4 | B[i + 1] >> 4];
        Out += Alphabet[(B[i + 1] & 15) << 2];
        Out += '=';
    }
    Out += "?=";
    return Out;
}

std::string EncodeHeader(const std::string& Text) {
    const size_t N = Text.size();
    std::string Out;
    Out.reserve(N * 2);
    size_t Start = 0;
    bool InDouble = false;
    for (size_t i = 0; i < N; ++i) {
        // An escape sequence counts only with at least one byte after it.
        if (Text[i] != 0x1B || i + 3 >= N) continue;
        char a = Text[i + 1], b = Text[i + 2];
        if (!InDouble && a == '$' && (b == 'B' || b == '@')) {
            Out.append(Text, Start, i - Start);
            InDouble = true;
            Start = i;
        } else if (InDouble && a == '(' && (b == 'J' || b == 'B')) {
            if (i > Start) Out += EncodeWordB(Text.substr(Start, i + 3 - Start));
            InDouble = false;
            Start = i + 3;
        }
    }
    if (Start < N) {
        if (InDouble)
            Out += EncodeWordB(Text.substr(Start));
        else
            Out.append(Text, Start, std::string::npos);
    }
    return Out;
}
