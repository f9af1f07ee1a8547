// Conversion between JIS (ISO-2022-JP), Shift_JIS and EUC-JP, with half-width katakana.
#include "sjisconv.h"

#include "Classes.h"
#include "piecewise.h"

namespace {

constexpr unsigned char SO = 0x0E;
constexpr unsigned char SI = 0x0F;

// Full-width Shift_JIS characters for the half-width katakana bytes
// 0xA1-0xDF, in byte order: 。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテト
// ナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜ (the voiced-sound marks stay separate).
constexpr uint16_t ZenkakuTable[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B};

inline void PutCode(std::string& Out, uint16_t Code) {
    Out += static_cast<char>(Code >> 8);
    Out += static_cast<char>(Code & 0xFF);
}

inline bool IsJISByte(unsigned char c) { return c >= 0x21 && c <= 0x7F; }

// Appends the JIS pair of a Shift_JIS lead and trail byte (both checked).
inline void PutSJISAsJIS(std::string& Out, unsigned char Lead, unsigned char Trail) {
    PutCode(Out, SJISCharToJIS(static_cast<uint16_t>(Lead << 8 | Trail)));
}

// Copies the run of bytes below 0x80 that starts at I in one piece and
// returns the position after it.
inline size_t CopySingleBytes(const unsigned char* T, size_t I, size_t N, std::string& Out) {
    size_t J = I + 1;
    while (J < N && T[J] < 0x80) ++J;
    Out.append(reinterpret_cast<const char*>(T) + I, J - I);
    return J;
}

inline void OpenDouble(std::string& Out, bool& On) {
    if (!On) {
        Out += "\x1B$B";
        On = true;
    }
}

inline void CloseDouble(std::string& Out, bool& On) {
    if (On) {
        Out += "\x1B(J";
        On = false;
    }
}

}  // namespace

uint16_t JISCharToSJIS(uint16_t Code) {
    unsigned j1 = Code >> 8, j2 = Code & 0xFF;
    unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    unsigned s2;
    if (j1 & 1)
        s2 = j2 <= 0x5F ? j2 + 0x1F : j2 + 0x20;
    else
        s2 = j2 + 0x7E;
    return static_cast<uint16_t>((s1 << 8) + s2);
}

uint16_t SJISCharToJIS(uint16_t Code) {
    int s1 = Code >> 8, s2 = Code & 0xFF;
    int j1 = s1 <= 0x9F ? 2 * (s1 - 0x70) - 1 : 2 * (s1 - 0xB0) - 1;
    if (s2 >= 0x9F) ++j1;
    int j2;
    if (s2 >= 0x9F)
        j2 = s2 - 0x7E;
    else if (s2 >= 0x80)
        j2 = s2 - 0x20;
    else
        j2 = s2 - 0x1F;
    return static_cast<uint16_t>((j1 * 256 + j2) & 0x7F7F);
}

std::string JISPairToSJIS(const std::string& Text) {
    if (Text.size() >= 2 && IsJISByte(static_cast<unsigned char>(Text[0])) &&
        IsJISByte(static_cast<unsigned char>(Text[1])))
        return CodeToStr(JISCharToSJIS(StrToCode(Text)));
    return Text.substr(0, 2);
}

std::string SJISPairToJIS(unsigned char Lead, unsigned char Trail) {
    std::string R;
    if (IsSJISLead(Lead) && IsSJISTrail(Trail)) {
        PutSJISAsJIS(R, Lead, Trail);
    } else {
        R += static_cast<char>(Lead);
        R += static_cast<char>(Trail);
    }
    return R;
}

std::string HankakuToZenkaku(const std::string& Text) {
    if (Text.empty() || !IsHankakuKana(static_cast<unsigned char>(Text[0]))) return std::string();
    return CodeToStr(ZenkakuTable[static_cast<unsigned char>(Text[0]) - 0xA1]);
}

std::string CodeToStr(uint16_t Code) {
    std::string R;
    PutCode(R, Code);
    return R;
}

uint16_t StrToCode(const std::string& Text) {
    if (Text.size() < 2)
        return Text.empty() ? 0 : static_cast<uint16_t>(static_cast<unsigned char>(Text[0]) << 8);
    return static_cast<uint16_t>(static_cast<unsigned char>(Text[0]) << 8 |
                                 static_cast<unsigned char>(Text[1]));
}

// The converters work on a piece of text with their state passed in, so that
// a text delivered in pieces converts exactly as the whole text would. With
// Final false a converter stops before the bytes whose meaning depends on
// bytes not yet delivered, and returns how many it used; with Final true it
// uses everything.

static size_t SJISToJISPiece(const unsigned char* T, size_t N, bool Final, bool& On, std::string& Out) {
    size_t i = 0;
    while (i < N) {
        unsigned char c = T[i];
        if (c < 0x80) {
            CloseDouble(Out, On);
            i = CopySingleBytes(T, i, N, Out);
            continue;
        }
        if (i + 1 >= N && !Final && IsSJISLead(c)) break;
        // The byte after the last one reads as a space, never a trail byte.
        unsigned char Next = i + 1 < N ? T[i + 1] : 0x20;
        if (IsSJISLead(c) && IsSJISTrail(Next)) {
            OpenDouble(Out, On);
            PutSJISAsJIS(Out, c, Next);
            i += 2;
        } else if (IsHankakuKana(c)) {
            OpenDouble(Out, On);
            uint16_t Z = ZenkakuTable[c - 0xA1];
            PutSJISAsJIS(Out, static_cast<unsigned char>(Z >> 8), static_cast<unsigned char>(Z & 0xFF));
            ++i;
        } else {
            CloseDouble(Out, On);
            Out += '?';
            ++i;
        }
    }
    if (Final) CloseDouble(Out, On);
    return i;
}

static size_t EUCToJISPiece(const unsigned char* T, size_t N, bool Final, bool& On, std::string& Out) {
    size_t i = 0;
    while (i < N) {
        unsigned char c = T[i];
        if (c < 0x80) {
            CloseDouble(Out, On);
            i = CopySingleBytes(T, i, N, Out);
            continue;
        }
        if (!Final && (i + 1 >= N || (c == 0x8F && T[i + 1] > 0x80 && i + 2 >= N))) break;
        unsigned char Next = i + 1 < N ? T[i + 1] : 0x20;
        if (c == 0x8E && IsHankakuKana(Next)) {
            // SS2 + half-width katakana: the full-width character, as the
            // Shift_JIS converter writes half-width katakana.
            OpenDouble(Out, On);
            uint16_t Z = ZenkakuTable[Next - 0xA1];
            PutSJISAsJIS(Out, static_cast<unsigned char>(Z >> 8), static_cast<unsigned char>(Z & 0xFF));
            i += 2;
        } else if (c == 0x8F && Next > 0x80 && i + 2 < N && T[i + 2] > 0x80) {
            // SS3 + two bytes: a JIS X 0212 character, which neither JIS X 0208
            // nor Shift_JIS can hold. One "?" stands for it, so the bytes after
            // it keep their pairing.
            CloseDouble(Out, On);
            Out += '?';
            i += 3;
        } else if (c > 0x80 && Next > 0x80) {
            OpenDouble(Out, On);
            Out += static_cast<char>(c - 0x80);
            Out += static_cast<char>(Next - 0x80);
            i += 2;
        } else {
            // 0x80, or a high byte without a partner: dropped.
            ++i;
        }
    }
    if (Final) CloseDouble(Out, On);
    return i;
}

static size_t JISToSJISPiece(const unsigned char* T, size_t N, bool Final, TJISToSJISStream::TMode& M,
                             TJISToSJISStream::TMode& Saved, std::string& Out) {
    using TMode = TJISToSJISStream::TMode;
    size_t i = 0;
    while (i < N) {
        unsigned char c = T[i];
        if (c == 0x1B) {
            if (i + 2 < N) {
                unsigned char a = T[i + 1], b = T[i + 2];
                if (a == '$' && (b == 'B' || b == '@')) {
                    M = TMode::Double;
                    i += 3;
                    continue;
                }
                if (a == '(' && (b == 'B' || b == 'J')) {
                    M = TMode::Single;
                    i += 3;
                    continue;
                }
                if (a == '(' && b == 'I') {
                    M = TMode::Kana;
                    i += 3;
                    continue;
                }
            } else if (!Final) {
                break;
            }
        }
        if (c == SO && M != TMode::Kana) {
            Saved = M;
            M = TMode::Kana;
            ++i;
            continue;
        }
        if (c == SI && M == TMode::Kana) {
            M = Saved;
            ++i;
            continue;
        }
        switch (M) {
            case TMode::Single: {
                // Copy up to the next byte that could change the mode.
                size_t j = i + 1;
                while (j < N && T[j] != 0x1B && T[j] != SO) ++j;
                Out.append(reinterpret_cast<const char*>(T) + i, j - i);
                i = j;
                break;
            }
            case TMode::Double:
                if (i + 1 < N) {
                    unsigned char d = T[i + 1];
                    if (IsJISByte(c) && IsJISByte(d)) {
                        PutCode(Out, JISCharToSJIS(static_cast<uint16_t>(c << 8 | d)));
                    } else {
                        Out += static_cast<char>(c);
                        Out += static_cast<char>(d);
                    }
                    i += 2;
                } else if (Final) {
                    Out += static_cast<char>(c);
                    ++i;
                } else {
                    return i;
                }
                break;
            case TMode::Kana:
                if (c >= 0x21 && c <= 0x5F)
                    PutCode(Out, ZenkakuTable[c + 0x80 - 0xA1]);
                else
                    Out += static_cast<char>(c);
                ++i;
                break;
        }
    }
    return i;
}

using piecewise::Bytes;

std::string SJISToJIS(const std::string& Text) {
    std::string Out;
    Out.reserve(Text.size() + Text.size() / 4 + 16);
    bool On = false;
    SJISToJISPiece(Bytes(Text), Text.size(), true, On, Out);
    return Out;
}

std::string EUCToJIS(const std::string& Text) {
    std::string Out;
    Out.reserve(Text.size() + Text.size() / 4 + 16);
    bool On = false;
    EUCToJISPiece(Bytes(Text), Text.size(), true, On, Out);
    return Out;
}

std::string JISToSJIS(const std::string& Text) {
    std::string Out;
    Out.reserve(Text.size());
    auto M = TJISToSJISStream::TMode::Single, Saved = TJISToSJISStream::TMode::Single;
    JISToSJISPiece(Bytes(Text), Text.size(), true, M, Saved, Out);
    return Out;
}

void TSJISToJISStream::Feed(const char* Data, size_t Size, std::string& Out) {
    piecewise::Feed(Held, Data, Size, [&](const unsigned char* T, size_t N, bool F) {
        return SJISToJISPiece(T, N, F, On, Out);
    });
}

void TSJISToJISStream::Finish(std::string& Out) {
    SJISToJISPiece(Bytes(Held), Held.size(), true, On, Out);
    Held.clear();
}

void TEUCToJISStream::Feed(const char* Data, size_t Size, std::string& Out) {
    piecewise::Feed(Held, Data, Size, [&](const unsigned char* T, size_t N, bool F) {
        return EUCToJISPiece(T, N, F, On, Out);
    });
}

void TEUCToJISStream::Finish(std::string& Out) {
    EUCToJISPiece(Bytes(Held), Held.size(), true, On, Out);
    Held.clear();
}

void TJISToSJISStream::Feed(const char* Data, size_t Size, std::string& Out) {
    piecewise::Feed(Held, Data, Size, [&](const unsigned char* T, size_t N, bool F) {
        return JISToSJISPiece(T, N, F, Mode, Saved, Out);
    });
}

void TJISToSJISStream::Finish(std::string& Out) {
    JISToSJISPiece(Bytes(Held), Held.size(), true, Mode, Saved, Out);
    Held.clear();
}

bool IsAllASCII(const TStrings& Lines) {
    const int N = Lines.GetCount();
    for (int k = 0; k < N; ++k) {
        const std::string L = Lines.Get(k);
        for (char ch : L) {
            unsigned char c = static_cast<unsigned char>(ch);
            if (c > 0x7F || c == 0x1B) return false;
        }
    }
    return true;
}
