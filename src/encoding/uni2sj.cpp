// Unicode (UTF-8) to Shift_JIS through the inverse of code page 932.
#include "uni2sj.h"

#include <cstring>

#include "piecewise.h"

uint16_t JISVariantToSJIS(uint32_t U) {
    switch (U) {
        case 0x301C: return 0x8160;  // WAVE DASH
        case 0x2016: return 0x8161;  // DOUBLE VERTICAL LINE
        case 0x2212: return 0x817C;  // MINUS SIGN
        case 0x00A2: return 0x8191;  // CENT SIGN
        case 0x00A3: return 0x8192;  // POUND SIGN
        case 0x00AC: return 0x81CA;  // NOT SIGN
        default: return 0;
    }
}

namespace {

inline uint16_t Lookup(uint32_t U) {
    const uint32_t Page = U >> 8, Low = U & 0xFF;
    if (Page == 0 && Low < 0x80) return static_cast<uint16_t>(Low);
    const uni2sj_tables::PageTable& P = uni2sj_tables::Pages[Page];
    if (!P.Table) return 0;
    const uint32_t Index = Low - P.Table[0];  // wraps to a huge value below F
    return Index < P.Count ? P.Table[1 + Index] : 0;
}

// Length of the UTF-8 form announced by the first byte. Bytes that cannot
// start a character (0x80-0xBF, 0xFC-0xFF) announce the six-byte form.
inline size_t FormLength(unsigned char B0) {
    if (B0 < 0x80) return 1;
    if ((B0 & 0xE0) == 0xC0) return 2;
    if ((B0 & 0xF0) == 0xE0) return 3;
    if ((B0 & 0xF8) == 0xF0) return 4;
    if ((B0 & 0xFC) == 0xF8) return 5;
    return 6;
}

// Converts the character at Src, of which Avail (>= 1) bytes remain, into Dst
// and returns the number of bytes it took; Written receives the number of
// bytes stored, never more than were taken.
//
// The form is chosen by the first byte alone and the following bytes are not
// checked to be continuation bytes: only their low six bits count. A form
// longer than the rest of the text takes all of it, unchanged. A character
// without a Shift_JIS code keeps its bytes. The six marks of JISVariantToSJIS
// take the codes that code page 932 decodes to their full-width twins, so that
// a wave dash from a Mac reads as "〜" and not as its UTF-8 bytes.
//
// Values above U+FFFF (four-byte characters, and five- and six-byte forms)
// have no Shift_JIS code. Looking them up by their low 16 bits would turn
// them into an unrelated character (U+1F600 into U+F600's code, U+20B9F into
// a kanji of U+0B9F's page, a stray continuation byte and the five bytes after
// it into one kanji), so they keep their bytes like any unmapped character.
inline size_t ConvertChar(const unsigned char* Src, size_t Avail, char* Dst, size_t& Written) {
    static const unsigned char PayloadMask[7] = {0, 0x7F, 0x1F, 0x0F, 0x07, 0x03, 0x01};
    const size_t Len = FormLength(Src[0]);
    if (Avail < Len) {
        std::memcpy(Dst, Src, Avail);
        Written = Avail;
        return Avail;
    }
    uint32_t Value = Src[0] & PayloadMask[Len];
    for (size_t k = 1; k < Len; ++k) Value = (Value << 6) | (Src[k] & 0x3F);
    uint16_t R = Value > 0xFFFF ? 0 : Lookup(Value);
    if (R == 0) R = JISVariantToSJIS(Value);
    if (R == 0) {
        std::memcpy(Dst, Src, Len);
        Written = Len;
    } else if (R > 0xFF) {
        Dst[0] = static_cast<char>(R >> 8);
        Dst[1] = static_cast<char>(R & 0xFF);
        Written = 2;
    } else {
        Dst[0] = static_cast<char>(R);
        Written = 1;
    }
    return Len;
}

// Length of the run of bytes below 0x80 starting at Src.
inline size_t AsciiRun(const unsigned char* Src, size_t Avail) {
    size_t n = 0;
    while (n + 8 <= Avail) {
        uint64_t Word;
        std::memcpy(&Word, Src + n, 8);
        if (Word & 0x8080808080808080ULL) break;
        n += 8;
    }
    while (n < Avail && Src[n] < 0x80) ++n;
    return n;
}

}  // namespace

uint16_t UnicodeToSJIS(uint16_t U) { return Lookup(U); }

size_t UTF8CharToSJISAt(const std::string& Text, size_t Pos, std::string& Out) {
    if (Pos >= Text.size()) return 0;
    char Buf[6];  // a truncated form copies at most five bytes, a whole one at most six
    size_t Written;
    const size_t Avail = Text.size() - Pos;
    const auto* Src = reinterpret_cast<const unsigned char*>(Text.data()) + Pos;
    const size_t Taken = ConvertChar(Src, Avail, Buf, Written);
    Out.append(Buf, Written);
    return Taken;
}

std::string UTF8CharToSJIS(const std::string& Text, int& Length) {
    std::string Out;
    Length = static_cast<int>(UTF8CharToSJISAt(Text, 0, Out));
    return Out;
}

namespace {

// Converts Src[0..N) into Dst, which has room for N bytes (every character
// gives at most as many bytes as it takes); Done receives the bytes written.
// With Final false it stops before a character whose form runs past the end,
// since the next piece may complete it, and returns the bytes used.
size_t UTF8ToSJISPiece(const unsigned char* Src, size_t N, bool Final, char* Dst, size_t& Done) {
    size_t In = 0;
    Done = 0;
    while (In < N) {
        if (Src[In] < 0x80) {
            const size_t Run = AsciiRun(Src + In, N - In);
            std::memcpy(Dst + Done, Src + In, Run);
            In += Run;
            Done += Run;
            continue;
        }
        if (!Final && FormLength(Src[In]) > N - In) break;
        size_t Written;
        In += ConvertChar(Src + In, N - In, Dst + Done, Written);
        Done += Written;
    }
    return In;
}

}  // namespace

std::string UTF8ToSJIS(const std::string& Text) {
    std::string Out(Text.size(), '\0');
    size_t Done;
    UTF8ToSJISPiece(piecewise::Bytes(Text), Text.size(), true, &Out[0], Done);
    Out.resize(Done);
    return Out;
}

void TUTF8ToSJISStream::Feed(const char* Data, size_t Size, std::string& Out) {
    piecewise::Feed(Held, Data, Size,
                    [&](const unsigned char* T, size_t N, bool F) { return Convert(T, N, F, Out); });
}

void TUTF8ToSJISStream::Finish(std::string& Out) {
    Convert(piecewise::Bytes(Held), Held.size(), true, Out);
    Held.clear();
}

size_t TUTF8ToSJISStream::Convert(const unsigned char* T, size_t N, bool Final, std::string& Out) {
    const size_t Start = Out.size();
    Out.resize(Start + N);
    size_t Done;
    const size_t Used = UTF8ToSJISPiece(T, N, Final, &Out[Start], Done);
    Out.resize(Start + Done);
    return Used;
}
