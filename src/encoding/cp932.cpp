// Shift_JIS (code page 932) to Unicode and back, for the widget boundary.
#include "cp932.h"

#include <cstdint>

#include "uni2sj.h"

namespace {

constexpr char16_t Replacement = 0xFFFD;

// Decodes Sjis and calls Emit with each UTF-16 code unit (all within the
// BMP, never a surrogate). Single bytes: 0x00-0x80 are themselves, 0xA0 is
// U+F8F0, 0xA1-0xDF half-width katakana, 0xFD-0xFF U+F8F1-U+F8F3. A lead byte
// with a trail byte that makes a code gives that code's character; a lead byte
// without one (text ends, or the pair has no character) gives U+FFFD and the
// decoding goes on at the byte after the lead byte.
template <class EmitFn>
inline void Decode(const std::string& Sjis, EmitFn Emit) {
    const auto* S = reinterpret_cast<const unsigned char*>(Sjis.data());
    const size_t N = Sjis.size();
    size_t i = 0;
    while (i < N) {
        const unsigned char C = S[i];
        if (C <= 0x80) {
            Emit(C);
            ++i;
        } else if (C >= 0xA0 && C <= 0xDF) {
            Emit(static_cast<char16_t>(C == 0xA0 ? 0xF8F0 : 0xFEC0 + C));
            ++i;
        } else if (C >= 0xFD) {
            Emit(static_cast<char16_t>(0xF8F1 + (C - 0xFD)));
            ++i;
        } else {  // a lead byte: 0x81-0x9F or 0xE0-0xFC
            char16_t U = 0;
            if (i + 1 < N) {
                const unsigned char T = S[i + 1];
                if (T >= 0x40 && T <= 0xFC)
                    U = uni2sj_tables::Cp932Pairs[C < 0xE0 ? C - 0x81 : C - 0xE0 + 31][T - 0x40];
            }
            if (U) {
                Emit(U);
                i += 2;
            } else {
                Emit(Replacement);
                ++i;
            }
        }
    }
}

inline void AppendUtf8(std::string& Out, uint32_t U) {
    if (U < 0x80) {
        Out += static_cast<char>(U);
    } else if (U < 0x800) {
        Out += static_cast<char>(0xC0 | (U >> 6));
        Out += static_cast<char>(0x80 | (U & 0x3F));
    } else {
        Out += static_cast<char>(0xE0 | (U >> 12));
        Out += static_cast<char>(0x80 | ((U >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (U & 0x3F));
    }
}

// Appends the code page 932 code of U, or "?" when it has none. U+0080 has
// the single byte 0x80 here (0x80 decodes to it), although UTF-8 text does not
// map it. The Mac and Unix forms of six marks (the wave dash among them) take
// the codes mail conversion gives them, so typed or pasted text keeps them.
// With Literal, U+2014, which a JIS X 0208-based editor shows for 0x815C,
// takes that code too, so a source literal typed with it gives the intended text.
inline void AppendCode(std::string& Out, uint32_t U, bool Literal) {
    if (U < 0x80 || U == 0x80) {
        Out += static_cast<char>(U);
        return;
    }
    uint16_t R = U <= 0xFFFF ? UnicodeToSJIS(static_cast<uint16_t>(U)) : 0;
    if (R == 0) R = Literal && U == 0x2014 ? 0x815C : JISVariantToSJIS(U);
    if (R == 0) {
        Out += '?';
    } else if (R > 0xFF) {
        Out += static_cast<char>(R >> 8);
        Out += static_cast<char>(R & 0xFF);
    } else {
        Out += static_cast<char>(R);
    }
}

// Decodes UTF-8 strictly: a malformed sequence (a stray or missing
// continuation byte, an overlong form, a surrogate, a value above U+10FFFF)
// counts as one character without a code for each maximal ill-formed piece.
std::string EncodeUtf8(const char* Text, size_t N, bool Literal) {
    std::string Out;
    Out.reserve(N);
    const auto* S = reinterpret_cast<const unsigned char*>(Text);
    size_t i = 0;
    while (i < N) {
        const unsigned char C = S[i];
        if (C < 0x80) {
            Out += static_cast<char>(C);
            ++i;
            continue;
        }
        size_t Need;
        uint32_t U;
        unsigned char Lo = 0x80, Hi = 0xBF;  // allowed range of the second byte
        if (C >= 0xC2 && C <= 0xDF) {
            Need = 1;
            U = C & 0x1F;
        } else if (C >= 0xE0 && C <= 0xEF) {
            Need = 2;
            U = C & 0x0F;
            if (C == 0xE0)
                Lo = 0xA0;
            else if (C == 0xED)
                Hi = 0x9F;
        } else if (C >= 0xF0 && C <= 0xF4) {
            Need = 3;
            U = C & 0x07;
            if (C == 0xF0)
                Lo = 0x90;
            else if (C == 0xF4)
                Hi = 0x8F;
        } else {
            Out += '?';
            ++i;
            continue;
        }
        size_t k = 1;
        for (; k <= Need && i + k < N; ++k) {
            const unsigned char T = S[i + k];
            if (k == 1 ? (T < Lo || T > Hi) : (T < 0x80 || T > 0xBF)) break;
            U = (U << 6) | (T & 0x3F);
        }
        if (k <= Need) {
            Out += '?';
            i += k;
            continue;
        }
        AppendCode(Out, U, Literal);
        i += k;
    }
    return Out;
}

}  // namespace

std::u16string Cp932ToUtf16(const std::string& Sjis) {
    std::u16string Out;
    Out.reserve(Sjis.size());
    Decode(Sjis, [&Out](char16_t U) { Out += U; });
    return Out;
}

std::string Cp932ToUtf8(const std::string& Sjis) {
    std::string Out;
    Out.reserve(Sjis.size() + Sjis.size() / 2);
    Decode(Sjis, [&Out](char16_t U) { AppendUtf8(Out, U); });
    return Out;
}

std::string Utf16ToCp932(const std::u16string& Text) {
    std::string Out;
    Out.reserve(Text.size() * 2);
    const size_t N = Text.size();
    for (size_t i = 0; i < N; ++i) {
        const char16_t U = Text[i];
        if (U >= 0xD800 && U <= 0xDFFF) {
            // A surrogate pair is one character above U+FFFF; either way no code.
            if (U <= 0xDBFF && i + 1 < N && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) ++i;
            Out += '?';
            continue;
        }
        AppendCode(Out, U, false);
    }
    return Out;
}

std::string Utf8ToCp932(const std::string& Text) { return EncodeUtf8(Text.data(), Text.size(), false); }

std::string SJ(const char* Utf8) {
    if (!Utf8) return std::string();
    size_t N = 0;
    while (Utf8[N]) ++N;
    return EncodeUtf8(Utf8, N, true);
}
