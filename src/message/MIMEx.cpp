// Transfer encodings, content parameters, MIME parts and the MIME composer and decoder.
#include "MIMEx.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>
#include <string_view>

#include "LineSplitter.h"
#include "Utf8.h"
#include "codex.h"
#include "cp932.h"
#include "sjisconv.h"
#include "uni2sj.h"

namespace {

// Decoded bytes are written out in pieces of this size.
constexpr size_t OutBufferSize = 32000;

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

inline bool HasHighOrEsc(std::string_view S) {
    for (char c : S)
        if (U(c) >= 0x80 || c == '\x1b') return true;
    return false;
}

// Converts to itself under every charset: no high byte, ESC or SO.
inline bool IsPlainAscii(std::string_view S) {
    // Eight bytes at a time while none is a control or high byte (the usual
    // body line); the first word holding one is looked at byte by byte.
    const char* P = S.data();
    const char* E = P + S.size();
    for (; E - P >= 8; P += 8) {
        uint64_t W;
        std::memcpy(&W, P, 8);
        if (((W - 0x2020202020202020ULL) | W) & 0x8080808080808080ULL) break;
    }
    for (; P < E; ++P)
        if (U(*P) >= 0x80 || *P == '\x1b' || *P == '\x0e') return false;
    return true;
}

inline bool HasHigh(std::string_view S) {
    for (char c : S)
        if (U(c) >= 0x80) return true;
    return false;
}

// Collects output and hands it to a stream in large pieces.
class TOutBuffer {
public:
    explicit TOutBuffer(std::ostream& Stream) : FStream(Stream) { FBuf.reserve(OutBufferSize + 1024); }
    ~TOutBuffer() { Flush(); }
    std::string& Buf() { return FBuf; }
    void Check() {
        if (FBuf.size() >= OutBufferSize) Flush();
    }
    void Flush() {
        if (!FBuf.empty()) {
            FStream.write(FBuf.data(), static_cast<std::streamsize>(FBuf.size()));
            FBuf.clear();
        }
    }

private:
    std::ostream& FStream;
    std::string FBuf;
};

// The same for writers that fill memory through a pointer: Room gives space
// for at least N more bytes (N at most RawCapacity), Commit takes the end of
// what was written.
class TRawOut {
public:
    static constexpr size_t RawCapacity = 1 << 16;
    explicit TRawOut(std::ostream& Stream) : FStream(Stream), FBuf(new char[RawCapacity]) {}
    ~TRawOut() { Flush(); }
    char* Room(size_t N) {
        if (FPos + N > RawCapacity) Flush();
        return FBuf.get() + FPos;
    }
    void Commit(char* End) {
        FPos = static_cast<size_t>(End - FBuf.get());
        if (FPos >= OutBufferSize) Flush();
    }
    void Flush() {
        if (FPos > 0) FStream.write(FBuf.get(), static_cast<std::streamsize>(FPos));
        FPos = 0;
    }

private:
    std::ostream& FStream;
    std::unique_ptr<char[]> FBuf;
    size_t FPos = 0;
};

// V: the value of each alphabet character, -1 for others. S0..S3: the value
// already shifted to its place in a group of four, Bad for others.
struct TBase64Table {
    static constexpr uint32_t Bad = 0x80000000u;
    signed char V[256];
    uint32_t S0[256], S1[256], S2[256], S3[256];
    TBase64Table() {
        for (int i = 0; i < 256; ++i) {
            V[i] = -1;
            S0[i] = S1[i] = S2[i] = S3[i] = Bad;
        }
        const char* A = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (uint32_t i = 0; i < 64; ++i) {
            const unsigned char c = U(A[i]);
            V[c] = static_cast<signed char>(i);
            S0[c] = i << 18;
            S1[c] = i << 12;
            S2[c] = i << 6;
            S3[c] = i;
        }
    }
};
const TBase64Table Base64Table;
const char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Base64 over a stream of lines: groups of four may span lines; characters
// outside the alphabet are skipped; a pad "=" ends the group it closes.
// Feed and Finish write through Out, which has room for MaxOut(N) bytes, and
// return the end of what they wrote.
class TBase64Stream {
public:
    static size_t MaxOut(size_t N) { return N + 8; }
    char* Feed(const char* P, size_t N, char* Out) {
        const signed char* T = Base64Table.V;
        size_t i = 0;
        while (i < N) {
            // Whole groups of four alphabet characters, the usual case.
            if (FCount == 0) {
                const TBase64Table& B = Base64Table;
                while (i + 4 <= N) {
                    const uint32_t V =
                        B.S0[U(P[i])] | B.S1[U(P[i + 1])] | B.S2[U(P[i + 2])] | B.S3[U(P[i + 3])];
                    if (V & TBase64Table::Bad) break;
                    Out[0] = static_cast<char>(V >> 16);
                    Out[1] = static_cast<char>(V >> 8);
                    Out[2] = static_cast<char>(V);
                    Out += 3;
                    i += 4;
                }
                if (i == N) break;
            }
            const int V = T[U(P[i])];
            if (V >= 0) {
                FAcc = (FAcc << 6) | static_cast<uint32_t>(V);
                if (++FCount == 4) {
                    Out[0] = static_cast<char>((FAcc >> 16) & 0xFF);
                    Out[1] = static_cast<char>((FAcc >> 8) & 0xFF);
                    Out[2] = static_cast<char>(FAcc & 0xFF);
                    Out += 3;
                    FAcc = 0;
                    FCount = 0;
                }
            } else if (P[i] == '=') {
                Out = Finish(Out);
            }
            ++i;
        }
        return Out;
    }
    // Two left-over characters give one byte, three give two, one nothing.
    char* Finish(char* Out) {
        if (FCount == 2) {
            *Out++ = static_cast<char>((FAcc >> 4) & 0xFF);
        } else if (FCount == 3) {
            *Out++ = static_cast<char>((FAcc >> 10) & 0xFF);
            *Out++ = static_cast<char>((FAcc >> 2) & 0xFF);
        }
        FAcc = 0;
        FCount = 0;
        return Out;
    }
    // The same appending to a string.
    void Feed(std::string_view S, std::string& Out) {
        const size_t Old = Out.size();
        Out.resize(Old + MaxOut(S.size()));
        Out.resize(static_cast<size_t>(Feed(S.data(), S.size(), &Out[Old]) - Out.data()));
    }
    void Finish(std::string& Out) {
        const size_t Old = Out.size();
        Out.resize(Old + 2);
        Out.resize(static_cast<size_t>(Finish(&Out[Old]) - Out.data()));
    }

private:
    uint32_t FAcc = 0;
    int FCount = 0;
};

// A quoted-printable line ending in "=" (blanks after it allowed) is a soft
// line break; Text receives the line without that "=".
bool SplitSoftBreak(std::string_view Line, std::string& Text) {
    size_t E = Line.size();
    while (E > 0 && (Line[E - 1] == ' ' || Line[E - 1] == '\t')) --E;
    if (E > 0 && Line[E - 1] == '=') {
        Text.assign(Line.data(), E - 1);
        return true;
    }
    Text.assign(Line.data(), Line.size());
    return false;
}

inline bool SameTextPrefix(const std::string& S, size_t Len, const char* Prefix) {
    if (S.size() < Len) return false;
    for (size_t i = 0; i < Len; ++i) {
        char a = S[i], b = Prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
        if (a != b) return false;
    }
    return true;
}

// Lines longer than 11 characters whose first five are "begin" in any case.
inline bool IsBeginLineAnyCase(const std::string& L) {
    return L.size() > 11 && SameTextPrefix(L, 5, "begin");
}
// Lines longer than 11 characters starting with "begin " exactly.
inline bool IsBeginLineExact(const std::string& L) { return L.size() > 11 && L.compare(0, 6, "begin ") == 0; }

inline bool IsEndAnyCase(const std::string& L) { return L.size() == 3 && SameTextPrefix(L, 3, "end"); }

// Paths are program text (Shift_JIS); the file system takes UTF-8.
std::string NativePath(const std::string& Path) { return HasHigh(Path) ? Cp932ToUtf8(Path) : Path; }

bool FileExists(const std::string& Path) {
    struct stat St;
    return ::stat(NativePath(Path).c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
}

std::ofstream CreateFile(const std::string& Path) {
    std::ofstream F(NativePath(Path), std::ios::binary | std::ios::trunc);
    if (!F) throw EMIMEFileError("Cannot create file \"" + Path + "\"");
    return F;
}

void CloseFile(std::ofstream& F, const std::string& Path) {
    F.close();
    if (F.fail()) throw EMIMEFileError("Cannot write file \"" + Path + "\"");
}

std::string ReadWholeFile(const std::string& Path) {
    std::ifstream F(NativePath(Path), std::ios::binary);
    if (!F) throw EMIMEFileError("Cannot open file \"" + Path + "\"");
    std::string S;
    F.seekg(0, std::ios::end);
    const std::streamoff Size = F.tellg();
    F.seekg(0, std::ios::beg);
    if (Size > 0) {
        S.resize(static_cast<size_t>(Size));
        F.read(&S[0], Size);
        S.resize(static_cast<size_t>(F.gcount()));
    }
    return S;
}

// Direct access to the lines of a list: TStringList without copies.
class TLineReader {
public:
    explicit TLineReader(const TStrings& L) : FList(L), FFast(dynamic_cast<const TStringList*>(&L)) {}
    int Count() const { return FList.GetCount(); }
    const std::string& operator[](int i) {
        if (FFast) return FFast->At(i);
        FTemp = FList.Get(i);
        return FTemp;
    }

private:
    const TStrings& FList;
    const TStringList* FFast;
    std::string FTemp;
};

// Shift_JIS text: ASCII, lead-trail pairs and half-width katakana only.
bool IsValidSJIS(const std::string& S) {
    const size_t N = S.size();
    for (size_t i = 0; i < N; ++i) {
        const unsigned char c = U(S[i]);
        if (c < 0x80 || IsHankakuKana(c)) continue;
        if (IsSJISLead(c) && i + 1 < N && IsSJISTrail(U(S[i + 1]))) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

// Control bytes a text file does not hold (tab, line ends, form feed, ESC of
// JIS text and the old end-of-file mark are fine).
bool HasBinaryControls(const std::string& S) {
    for (char ch : S) {
        const unsigned char c = U(ch);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B && c != 0x1A) ||
            c == 0x7F)
            return true;
    }
    return false;
}

std::atomic<uint64_t> TreeGeneration{1};

}  // namespace

// ---------------------------------------------------------------------------
// TEncodingList

void TEncodingList::DecodeToFile(const std::string& FileName) const {
    std::ofstream F = CreateFile(FileName);
    DecodeTo(F);
    CloseFile(F, FileName);
}

void TEncodingList::EncodeFromFile(const std::string& FileName) {
    if (!FileExists(FileName)) return;
    std::ifstream F(NativePath(FileName), std::ios::binary);
    if (!F) throw EMIMEFileError("Cannot open file \"" + FileName + "\"");
    EncodeFrom(F);
}

// ---------------------------------------------------------------------------
// TBase64List

void TBase64List::DecodeLines(const TStringList& Lines, std::ostream& Stream) {
    TRawOut Out(Stream);
    TBase64Stream Dec;
    // Long lines go in pieces, so that each piece's output fits the buffer.
    constexpr size_t Piece = TRawOut::RawCapacity / 2;
    const int N = Lines.GetCount();
    for (int i = 0; i < N; ++i) {
        const std::string_view L = Lines.View(i);
        for (size_t Pos = 0; Pos < L.size(); Pos += Piece) {
            const size_t Len = std::min(Piece, L.size() - Pos);
            Out.Commit(Dec.Feed(L.data() + Pos, Len, Out.Room(TBase64Stream::MaxOut(Len))));
        }
    }
    Out.Commit(Dec.Finish(Out.Room(2)));
}

void TBase64List::DecodeTo(std::ostream& Stream) const { DecodeLines(*this, Stream); }

void TBase64List::EncodeStream(std::istream& Stream, TStringList& Dest) {
    Dest.Clear();
    // Read many lines' worth at a time; every line but the last takes 60 bytes.
    // The lines go to the packed store: one buffer rather than a string each.
    constexpr size_t Chunk = 60 * 1024;
    std::unique_ptr<char[]> In(new char[Chunk]);
    char Line[80];
    bool Done = false;
    while (!Done) {
        Stream.read(In.get(), static_cast<std::streamsize>(Chunk));
        const size_t Got = static_cast<size_t>(Stream.gcount());
        if (Got < Chunk) Done = true;
        for (size_t Pos = 0; Pos < Got; Pos += 60) {
            const size_t Len = std::min<size_t>(60, Got - Pos);
            const unsigned char* B = reinterpret_cast<const unsigned char*>(In.get() + Pos);
            char* O = Line;
            size_t k = 0;
            for (; k + 3 <= Len; k += 3) {
                const uint32_t V = (uint32_t(B[k]) << 16) | (uint32_t(B[k + 1]) << 8) | B[k + 2];
                O[0] = Base64Alphabet[(V >> 18) & 63];
                O[1] = Base64Alphabet[(V >> 12) & 63];
                O[2] = Base64Alphabet[(V >> 6) & 63];
                O[3] = Base64Alphabet[V & 63];
                O += 4;
            }
            if (Len - k == 1) {
                O[0] = Base64Alphabet[B[k] >> 2];
                O[1] = Base64Alphabet[(B[k] & 3) << 4];
                O[2] = '=';
                O[3] = '=';
                O += 4;
            } else if (Len - k == 2) {
                O[0] = Base64Alphabet[B[k] >> 2];
                O[1] = Base64Alphabet[((B[k] & 3) << 4) | (B[k + 1] >> 4)];
                O[2] = Base64Alphabet[(B[k + 1] & 15) << 2];
                O[3] = '=';
                O += 4;
            }
            Dest.AddPacked(std::string_view(Line, static_cast<size_t>(O - Line)));
        }
    }
}

void TBase64List::EncodeFrom(std::istream& Stream) { EncodeStream(Stream, *this); }

// ---------------------------------------------------------------------------
// TQuotedPrintableList

void TQuotedPrintableList::DecodeLines(const TStringList& Lines, std::ostream& Stream) {
    TOutBuffer Out(Stream);
    std::string Text;
    const int N = Lines.GetCount();
    for (int i = 0; i < N; ++i) {
        const bool Soft = SplitSoftBreak(Lines.View(i), Text);
        Out.Buf() += QPDecode(Text);
        if (!Soft) Out.Buf() += "\r\n";
        Out.Check();
    }
}

void TQuotedPrintableList::DecodeTo(std::ostream& Stream) const { DecodeLines(*this, Stream); }

void TQuotedPrintableList::EncodeFrom(std::istream& Stream) {
    Clear();
    std::string In((std::istreambuf_iterator<char>(Stream)), std::istreambuf_iterator<char>());
    static const char Hex[] = "0123456789ABCDEF";
    auto EncodeLine = [&](std::string_view L) {
        std::string Line;
        for (size_t i = 0; i < L.size(); ++i) {
            const unsigned char c = U(L[i]);
            const bool Last = i + 1 == L.size();
            std::string Piece;
            if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !Last)) {
                Piece.assign(1, static_cast<char>(c));
            } else {
                Piece = "=";
                Piece += Hex[c >> 4];
                Piece += Hex[c & 15];
            }
            if (Line.size() + Piece.size() > 75) {
                Add(Line + "=");
                Line.clear();
            }
            Line += Piece;
        }
        Add(Line);
    };
    ForEachLine(In, EncodeLine);
}

// ---------------------------------------------------------------------------
// TPlainList

void TPlainList::DecodeLines(const TStringList& Lines, std::ostream& Stream) {
    TOutBuffer Out(Stream);
    const int N = Lines.GetCount();
    for (int i = 0; i < N; ++i) {
        Out.Buf() += Lines.View(i);
        Out.Buf() += "\r\n";
        Out.Check();
    }
}

void TPlainList::DecodeTo(std::ostream& Stream) const { DecodeLines(*this, Stream); }

void TPlainList::EncodeFrom(std::istream& Stream) {
    Clear();
    TLineSplitter Split;
    auto Emit = [this](std::string_view L) { Add(std::string(L)); };
    char Buf[65536];
    while (Stream) {
        Stream.read(Buf, sizeof Buf);
        const std::streamsize Got = Stream.gcount();
        if (Got <= 0) break;
        Split.Feed(Buf, static_cast<size_t>(Got), Emit);
    }
    Split.Finish(Emit);
}

// ---------------------------------------------------------------------------
// TUUxList
//
// A character c stands for (c - 32) mod 64, so both the blank and the
// backquote stand for 0; characters below the blank are read the same way.

namespace {
inline int UUValue(char c) { return (U(c) - 32) & 63; }
inline char UUChar(int V) { return V == 0 ? '`' : static_cast<char>(V + 32); }
}  // namespace

bool TUUxList::IsUULine(const std::string& Line) {
    if (Line.empty()) return false;
    const int Count = UUValue(Line[0]);
    const size_t Expected = 4 * static_cast<size_t>((Count + 2) / 3);
    if (Expected < 1) return false;
    return Line.size() + 1 >= Expected && Line.size() <= Expected + 1;
}

void TUUxList::DecodeUULine(const std::string& Line, std::string& Out) {
    if (Line.empty()) return;
    const int Count = UUValue(Line[0]);
    const size_t Len = Line.size();
    auto At = [&](size_t k) { return k < Len ? UUValue(Line[k]) : 0; };
    for (int Done = 0, Pos = 1; Done < Count; Pos += 4) {
        const int a = At(static_cast<size_t>(Pos)), b = At(static_cast<size_t>(Pos) + 1),
                  c = At(static_cast<size_t>(Pos) + 2), d = At(static_cast<size_t>(Pos) + 3);
        const char Bytes[3] = {static_cast<char>((a << 2) | (b >> 4)),
                               static_cast<char>(((b & 15) << 4) | (c >> 2)),
                               static_cast<char>(((c & 3) << 6) | d)};
        for (int k = 0; k < 3 && Done < Count; ++k, ++Done) Out += Bytes[k];
    }
}

bool TUUxList::HasUUBlock() {
    enum { None, Begin, Body, End } Phase = None;
    const int N = GetCount();
    for (int i = 0; i < N; ++i) {
        const std::string& L = At(i);
        if (Phase == None && IsBeginLineAnyCase(L)) {
            Phase = Begin;
            Mode = L.substr(6, 3);
            FileName = L.substr(10);
        }
        if (Phase == Begin && IsUULine(L)) Phase = Body;
        if (Phase == Body && IsEndAnyCase(L)) Phase = End;
    }
    return Phase == End;
}

void TUUxList::DecodeTo(std::ostream& Stream) const {
    if (GetCount() == 0) return;
    TOutBuffer Out(Stream);
    bool Begun = false;
    const int N = GetCount();
    for (int i = 0; i < N; ++i) {
        const std::string& L = At(i);
        if (L == "end") break;
        if (Begun) {
            if (IsUULine(L)) DecodeUULine(L, Out.Buf());
            Out.Check();
        } else if (IsBeginLineExact(L)) {
            Begun = true;
        }
    }
}

void TUUxList::EncodeFrom(std::istream& Stream) {
    Clear();
    Add("begin " + (Mode.empty() ? std::string("600") : Mode) + " " + FileName);
    const size_t Per = static_cast<size_t>(GetLineBytes());
    std::string In(Per, '\0');
    std::string Line;
    for (;;) {
        Stream.read(&In[0], static_cast<std::streamsize>(Per));
        const size_t Got = static_cast<size_t>(Stream.gcount());
        if (Got == 0) break;
        Line.assign(1, static_cast<char>(Got + 32));
        for (size_t k = 0; k < Got; k += 3) {
            const int b0 = U(In[k]);
            const int b1 = k + 1 < Got ? U(In[k + 1]) : 0;
            const int b2 = k + 2 < Got ? U(In[k + 2]) : 0;
            Line += UUChar(b0 >> 2);
            Line += UUChar(((b0 & 3) << 4) | (b1 >> 4));
            Line += UUChar(((b1 & 15) << 2) | (b2 >> 6));
            Line += UUChar(b2 & 63);
        }
        Add(Line);
        if (Got < Per) break;
    }
    Add("`");
    Add("end");
}

// ---------------------------------------------------------------------------
// Content parameters

void ParseParamItem(const std::string& Item, std::string& Name, std::string& Section, std::string& Value) {
    const size_t Eq = Item.find('=');
    const size_t Star = Item.find('*');
    const size_t NameEnd = std::min(Eq, Star);
    Name = Item.substr(0, NameEnd == std::string::npos ? Item.size() : NameEnd);
    Section.clear();
    if (Star != std::string::npos && Star < Eq)
        Section = Item.substr(Star + 1, Eq == std::string::npos ? std::string::npos : Eq - Star - 1);
    Value = Eq == std::string::npos ? std::string() : Item.substr(Eq + 1);
}

std::string PercentDecode(const std::string& Text) {
    auto HexVal = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string Out;
    Out.reserve(Text.size());
    const size_t N = Text.size();
    for (size_t i = 0; i < N; ++i) {
        if (Text[i] == '%' && i + 2 < N) {
            const int H = HexVal(Text[i + 1]), L = HexVal(Text[i + 2]);
            if (H >= 0 && L >= 0) {
                Out += static_cast<char>(H * 16 + L);
                i += 2;
                continue;
            }
        }
        Out += Text[i];
    }
    return Out;
}

std::string PercentEncode(const std::string& Text) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string Out;
    Out.reserve(Text.size() * 3);
    for (char ch : Text) {
        const unsigned char c = U(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            std::strchr("!#$&*+-.^_{|}", c) != nullptr) {
            if (c != 0) {
                Out += ch;
                continue;
            }
        }
        Out += '%';
        Out += Hex[c >> 4];
        Out += Hex[c & 15];
    }
    return Out;
}

std::string CharsetToSJIS(const std::string& Charset, const std::string& Bytes, bool ForUnknownAsJIS) {
    const std::string C = UpperCase(Trim(Charset));
    if (C.compare(0, 11, "ISO-2022-JP") == 0) return JISToSJIS(Bytes);
    if (C == "UTF-8" || C == "UTF8") return UTF8ToSJIS(Bytes);
    if (C == "SHIFT_JIS" || C == "SHIFT-JIS" || C == "SJIS" || C == "X-SJIS" || C == "CP932" ||
        C == "WINDOWS-31J" || C == "MS_KANJI")
        return Bytes;
    if (C == "EUC-JP" || C == "X-EUC-JP" || C == "EUCJP") return JISToSJIS(EUCToJIS(Bytes));
    return ForUnknownAsJIS ? JISToSJIS(Bytes) : Bytes;
}

std::string RFC2231Decode(const std::string& Value) {
    const size_t Q1 = Value.find('\'');
    if (Q1 == std::string::npos) return PercentDecode(Value);
    const size_t Q2 = Value.find('\'', Q1 + 1);
    const std::string Encoded = Value.substr((Q2 == std::string::npos ? Q1 : Q2) + 1);
    return CharsetToSJIS(Value.substr(0, Q1), PercentDecode(Encoded), false);
}

std::string RFC2231EncodeValue(const std::string& Value) {
    bool Plain = true;
    for (char c : Value)
        if (U(c) < 0x20 || U(c) > 0x7F) Plain = false;
    if (Plain) return PercentEncode(Value);
    return "iso-2022-jp'jp'" + PercentEncode(SJISToJIS(Value));
}

std::vector<std::string> SplitParamValue(const std::string& Value) {
    std::vector<std::string> Pieces;
    std::string Cur;
    int CurKind = 0;
    const size_t N = Value.size();
    for (size_t i = 0; i < N;) {
        const bool Double = IsSJISLead(U(Value[i])) && i + 1 < N && IsSJISTrail(U(Value[i + 1]));
        const int Kind = Double ? 2 : 1;
        if (Kind != CurKind && !Cur.empty()) {
            Pieces.push_back(Cur);
            Cur.clear();
        }
        CurKind = Kind;
        Cur.append(Value, i, static_cast<size_t>(Kind));
        i += static_cast<size_t>(Kind);
        if (Cur.size() >= 40) {
            Pieces.push_back(Cur);
            Cur.clear();
        }
    }
    if (!Cur.empty()) Pieces.push_back(Cur);
    return Pieces;
}

// Items end at a ";" outside double quotes, so a quoted file name holding
// ";" stays one item. The blanks and ";" after an item are skipped.
void TContentParams::SetText(const std::string& Text) {
    BeginUpdate();
    Clear();
    const size_t N = Text.size();
    size_t i = 0;
    while (i < N) {
        const size_t Start = i;
        bool Quoted = false;
        while (i < N && (Quoted || Text[i] != ';')) {
            if (Text[i] == '"') Quoted = !Quoted;
            ++i;
        }
        Add(Text.substr(Start, i - Start));
        while (i < N &&
               (Text[i] == '\t' || Text[i] == '\n' || Text[i] == '\r' || Text[i] == ' ' || Text[i] == ';'))
            ++i;
    }
    EndUpdate();
}

std::string TContentParams::ParamValue(const std::string& Name) const {
    std::string Result;
    // A value in the standard continued form: its charset and the bytes
    // gathered so far, converted once when the value ends.
    bool InGroup = false;
    std::string GroupCharset, GroupBytes;
    auto Flush = [&]() {
        if (InGroup) Result += CharsetToSJIS(GroupCharset, GroupBytes, false);
        InGroup = false;
        GroupCharset.clear();
        GroupBytes.clear();
    };
    std::string ItemName, Section, Value;
    const int N = GetCount();
    for (int i = 0; i < N; ++i) {
        const std::string& Item = At(i);
        ParseParamItem(Item, ItemName, Section, Value);
        if (!SameText(Trim(ItemName), Name)) continue;
        // Blanks around the value (before a following ";") are not part of it.
        size_t B = 0, E = Value.size();
        while (B < E && (Value[B] == ' ' || Value[B] == '\t')) ++B;
        while (E > B && (Value[E - 1] == ' ' || Value[E - 1] == '\t')) --E;
        if (B == E) continue;
        if (B > 0 || E < Value.size()) Value = Value.substr(B, E - B);
        if (Value.size() >= 2 && Value.front() == '"' && Value.back() == '"') {
            Flush();
            Result.append(Value, 1, Value.size() - 2);
            continue;
        }
        const size_t Eq = Item.find('=');
        const bool Extended = Eq != std::string::npos && Eq > 0 && Item[Eq - 1] == '*';
        const size_t Q1 = Value.find('\'');
        if (Q1 != std::string::npos) {
            Flush();
            const size_t Q2 = Value.find('\'', Q1 + 1);
            InGroup = true;
            GroupCharset = Value.substr(0, Q1);
            GroupBytes = PercentDecode(Value.substr((Q2 == std::string::npos ? Q1 : Q2) + 1));
        } else if (Extended && InGroup) {
            GroupBytes += PercentDecode(Value);
        } else {
            Flush();
            Result += PercentDecode(Value);
        }
    }
    Flush();
    return Result;
}

void TContentParams::SetParam(const std::string& Name, const std::string& Value) {
    DeleteParam(Name);
    // Values that need a charset prefix are written as extended ("*=") items.
    auto Extended = [](const std::string& V) {
        for (char c : V)
            if (U(c) < 0x20 || U(c) > 0x7F) return true;
        return false;
    };
    const std::vector<std::string> Pieces = SplitParamValue(Value);
    if (Pieces.size() <= 1) {
        Add(Name + (Extended(Value) ? "*=" : "=") + RFC2231EncodeValue(Value));
        return;
    }
    for (size_t k = 0; k < Pieces.size(); ++k)
        Add(Name + "*" + std::to_string(k) + (Extended(Pieces[k]) ? "*=" : "=") +
            RFC2231EncodeValue(Pieces[k]));
}

void TContentParams::DeleteParam(const std::string& Name) {
    // One pass that keeps the other items, rather than deleting one by one.
    std::vector<std::string> Kept;
    std::string ItemName, Section, Value;
    const int N = GetCount();
    bool Any = false;
    for (int i = 0; i < N; ++i) {
        ParseParamItem(At(i), ItemName, Section, Value);
        if (SameText(Trim(ItemName), Name))
            Any = true;
        else
            Kept.push_back(At(i));
    }
    if (!Any) return;
    Clear();
    for (const std::string& S : Kept) Add(S);
}

void TContentParams::WriteToField(TBaseMessage& Part, const std::string& FieldName) const {
    std::string V = Part.GetField(FieldName);
    if (V.empty()) return;
    const size_t Semi = V.find(';');
    if (Semi != std::string::npos) V.resize(Semi);
    Part.DeleteField(FieldName);
    const int N = GetCount();
    for (int i = 0; i < N; ++i) {
        V += ";\r\n\t";
        V += At(i);
    }
    Part.Header().Add(FieldName + ": " + V);
}

// ---------------------------------------------------------------------------
// TMIMEPart

TMIMEPart::TMIMEPart()
    : TypeParams(std::make_unique<TContentParams>()), DispositionParams(std::make_unique<TContentParams>()) {}

TMIMEPart::~TMIMEPart() = default;

std::unique_ptr<TBaseMessage> TMIMEPart::NewInstance() const { return std::make_unique<TMIMEPart>(); }

void TMIMEPart::TreeChanged() { ++TreeGeneration; }

void TMIMEPart::Clear() {
    TypeParams->Clear();
    DispositionParams->Clear();
    Parts.clear();
    TreeChanged();
    InHeader = true;
    Closed = false;
    MediaType = "text";
    MimeVersion.clear();
    Charset.clear();
    TextDecoded = false;
    TBaseMessage::Clear();
}

void TMIMEPart::LoadFromStrings(const TStrings& Source) {
    TBaseMessage::LoadFromStrings(Source);
    ParseHeader();
}

void TMIMEPart::ParseHeader() {
    MimeVersion = GetField("MIME-Version");
    const std::string CT = GetField("Content-Type");
    if (!CT.empty()) {
        const size_t Slash = CT.find('/');
        std::string Rest;
        bool HasParams = false;
        if (Slash == std::string::npos) {
            const size_t Semi = CT.find(';');
            MediaType = LowerCase(Trim(CT.substr(0, Semi)));
            SubType.clear();
            if (Semi != std::string::npos) {
                HasParams = true;
                Rest = CT.substr(Semi + 1);
            }
        } else {
            MediaType = LowerCase(Trim(CT.substr(0, Slash)));
            const size_t Semi = CT.find(';', Slash + 1);
            if (Semi != std::string::npos) {
                SubType = LowerCase(Trim(CT.substr(Slash + 1, Semi - Slash - 1)));
                HasParams = true;
                Rest = CT.substr(Semi + 1);
            } else {
                SubType = LowerCase(Trim(CT.substr(Slash + 1)));
            }
        }
        if (HasParams) {
            TypeParams->SetText(Trim(Rest));
            Charset = TypeParams->ParamValue("charset");
            Boundary = TypeParams->ParamValue("boundary");
        }
    }
    Encoding = LowerCase(Trim(GetField("Content-Transfer-Encoding")));
    DispositionParams->SetText(GetField("Content-Disposition"));
    FileName = DispositionParams->ParamValue("filename");
    if (!RFC2231Encode) FileName = JISToSJIS(DecodeHeader(FileName));
    if (FileName.empty()) FileName = JISToSJIS(DecodeHeader(TypeParams->ParamValue("name")));
}

bool TMIMEPart::SplitsBody() const {
    // Called for every line: the cheap tests first.
    return !Boundary.empty() && !Closed && Depth < MaxMIMEDepth && MediaType == "multipart";
}

TMIMEPart* TMIMEPart::AddChild() {
    auto P = std::make_unique<TMIMEPart>();
    P->MimeVersion = MimeVersion;
    P->DecodeAsHeader = DecodeAsHeader;
    P->RFC2231Encode = RFC2231Encode;
    P->Depth = Depth + 1;
    Parts.push_back(std::move(P));
    TreeChanged();
    return Parts.back().get();
}

void TMIMEPart::AddLine(const std::string& Line) {
    if (InHeader) {
        if (!Line.empty()) {
            Header().Add(Line);
        } else {
            ParseHeader();
            InHeader = false;
        }
        return;
    }
    if (SplitsBody()) {
        const size_t BL = Boundary.size();
        if (Line.size() >= BL + 2 && Line[0] == '-' && Line[1] == '-' && Line.compare(2, BL, Boundary) == 0) {
            if (Line.size() == BL + 2) {
                AddChild();
                return;
            }
            if (Line.size() == BL + 4 && Line[BL + 2] == '-' && Line[BL + 3] == '-') {
                Closed = true;
                return;
            }
        }
        if (!Parts.empty()) {
            Parts.back()->AddLine(Line);
        } else {
            Body().AddPacked(ConvertCharset(Line));  // the preamble
        }
        return;
    }
    // Body lines go to the packed store: a large attachment is then one
    // buffer, not a string per line.
    if (!MimeVersion.empty() && (MediaType != "text" || (SubType != "plain" && !SubType.empty()))) {
        Body().AddPacked(Line);
    } else if (MimeVersion.empty() || !DecodeAsHeader) {
        if (IsPlainAscii(Line))
            Body().AddPacked(Line);  // the conversion would copy it unchanged
        else
            Body().AddPacked(ConvertCharset(Line));
    } else {
        Body().AddPacked(ConvertCharset(DecodeHeader(Line)));
    }
}

std::string TMIMEPart::ConvertCharset(const std::string& Line) const {
    if (IsPlainAscii(Line)) return Line;
    return CharsetToSJIS(Charset, Line, true);
}

std::string TMIMEPart::GetEncoding() {
    if (Encoding.empty()) Encoding = Trim(GetField("Content-Transfer-Encoding"));
    return LowerCase(Encoding);
}

std::string TMIMEPart::GetFileName() {
    if (FileName.empty()) ParseHeader();
    return FileName;
}

void TMIMEPart::SetFileName(const std::string& Name) {
    if (Name == FileName) return;
    FileName = Name;
    if (Name.empty()) return;
    if (RFC2231Encode) {
        // The file name alone goes into Content-Disposition; parameters of
        // Content-Type stay where they are.
        SetField("Content-Disposition", "attachment");
        TContentParams Params;
        Params.SetParam("filename", Name);
        Params.WriteToField(*this, "Content-Disposition");
    } else {
        const std::string W = EncodeHeader(SJISToJIS(Name));
        // Start from the parameters the field holds now (a charset set just
        // before must survive the rewrite).
        const std::string CT = GetField("Content-Type");
        const size_t Semi = CT.find(';');
        if (Semi != std::string::npos) TypeParams->SetText(Trim(CT.substr(Semi + 1)));
        TypeParams->DeleteParam("name");
        TypeParams->Add("name=\"" + W + "\"");
        TypeParams->WriteToField(*this, "Content-Type");
        ParseHeader();
        FileName = Name;
        SetField("Content-Disposition", "attachment; filename=\"" + W + "\"");
    }
}

std::string TMIMEPart::GetBoundary() {
    if (Boundary.empty())
        Boundary = "=_Velnaro001_Boundary_" + FormatDateTime("yyyymmddhhmmss", Now()) + "_=";
    return Boundary;
}

void TMIMEPart::AttachFile(const std::string& Path) {
    // Encoded straight into the body; a missing file leaves it empty.
    if (FileExists(Path)) {
        std::ifstream F(NativePath(Path), std::ios::binary);
        if (!F) throw EMIMEFileError("Cannot open file \"" + Path + "\"");
        TBase64List::EncodeStream(F, Body());
    } else {
        Body().Clear();
    }
    SetField("Content-Transfer-Encoding", "base64");
    const size_t Slash = Path.find_last_of('/');
    SetFileName(Slash == std::string::npos ? Path : Path.substr(Slash + 1));
}

void TMIMEPart::WriteTo(TStrings& Dest) {
    TStringList* Fast = dynamic_cast<TStringList*>(&Dest);
    const TStringList& H = Header();
    for (int i = 0; i < H.GetCount(); ++i) {
        const std::string& L = H.At(i);
        Dest.Add(HasHighOrEsc(L) ? EncodeHeader(SJISToJIS(L)) : L);
    }
    Dest.Add("");
    if (MediaType != "multipart" || Depth >= MaxMIMEDepth) {
        const TStringList& B = Body();
        const int N = B.GetCount();
        if (Fast) {
            Fast->Reserve(Fast->GetCount() + N);
            for (int i = 0; i < N; ++i) {
                const std::string_view L = B.View(i);
                Fast->Add(HasHigh(L) ? SJISToJIS(std::string(L)) : std::string(L));
            }
        } else {
            for (int i = 0; i < N; ++i) {
                const std::string_view L = B.View(i);
                Dest.Add(HasHigh(L) ? SJISToJIS(std::string(L)) : std::string(L));
            }
        }
        return;
    }
    Dest.Add("This is multipart message.");
    Dest.Add("");
    const std::string Delim = "--" + GetBoundary();
    for (auto& P : Parts) {
        Dest.Add(Delim);
        P->WriteTo(Dest);
    }
    Dest.Add(Delim + "--");
}

void TMIMEPart::BuildLeafIndex() const {
    FLeafEnds.resize(Parts.size());
    int Sum = 0;
    for (size_t i = 0; i < Parts.size(); ++i) {
        Sum += Parts[i]->LeafCount();
        FLeafEnds[i] = Sum;
    }
    FLeafCount = Sum;
    FLeafGen = TreeGeneration.load();
}

int TMIMEPart::LeafCount() const {
    if (Parts.empty()) return 1;
    if (FLeafGen != TreeGeneration.load()) BuildLeafIndex();
    return FLeafCount;
}

TMIMEPart* TMIMEPart::LeafAt(int Index) const {
    if (Parts.empty()) return Index == 0 ? const_cast<TMIMEPart*>(this) : nullptr;
    if (Index < 0 || Index >= LeafCount()) return nullptr;
    const auto It = std::upper_bound(FLeafEnds.begin(), FLeafEnds.end(), Index);
    const size_t K = static_cast<size_t>(It - FLeafEnds.begin());
    const int Before = K == 0 ? 0 : FLeafEnds[K - 1];
    return Parts[K]->LeafAt(Index - Before);
}

// Decoded base64 text lines lose exactly the CR of their CR LF (and a CR
// closing the last line) and nothing else: indentation, trailing blanks and
// the ESC that opens a line of ISO-2022-JP text are part of the text.
void TMIMEPart::DecodeTextBody() {
    if (TextDecoded || MediaType != "text") return;
    const std::string Enc = GetEncoding();
    std::vector<std::string> Out;
    const TStringList& B = Body();
    const int N = B.GetCount();
    if (Enc == "quoted-printable") {
        std::string Buffer, Text;
        for (int i = 0; i < N; ++i) {
            const bool Soft = SplitSoftBreak(B.View(i), Text);
            Buffer += Text;
            if (!Soft) {
                Out.push_back(ConvertCharset(QPDecode(Buffer)));
                Buffer.clear();
            }
        }
        if (!Buffer.empty()) Out.push_back(ConvertCharset(QPDecode(Buffer)));
    } else if (Enc == "base64") {
        TBase64Stream Dec;
        std::string Bytes;
        auto TakeLines = [&](size_t From) {
            size_t Start = 0;
            for (;;) {
                const size_t LF = Bytes.find('\n', From);
                if (LF == std::string::npos) break;
                size_t E = LF;
                if (E > Start && Bytes[E - 1] == '\r') --E;
                Out.push_back(ConvertCharset(Bytes.substr(Start, E - Start)));
                Start = From = LF + 1;
            }
            if (Start > 0) Bytes.erase(0, Start);
        };
        for (int i = 0; i < N; ++i) {
            const size_t From = Bytes.size();
            Dec.Feed(B.View(i), Bytes);
            TakeLines(From);
        }
        const size_t From = Bytes.size();
        Dec.Finish(Bytes);
        TakeLines(From);
        if (!Bytes.empty()) {
            if (Bytes.back() == '\r') Bytes.pop_back();
            Out.push_back(ConvertCharset(Bytes));
        }
    } else {
        return;
    }
    Body().Clear();
    Body().Reserve(static_cast<int>(Out.size()));
    for (const std::string& L : Out) Body().Add(L);
    TextDecoded = true;
}

std::string TMIMEPart::SaveAttachment(const std::string& Dir, const std::string& FileName) {
    std::string Path = Dir;
    if (!Path.empty() && Path.back() != '/') Path += '/';
    Path += FileName;
    const std::string Enc = GetEncoding();
    auto Write = [&](void (*Decode)(const TStringList&, std::ostream&)) {
        std::ofstream F = CreateFile(Path);
        Decode(Body(), F);
        CloseFile(F, Path);
        return Path;
    };
    // Text already decoded for display is saved as those lines.
    if (TextDecoded) return Write(&TPlainList::DecodeLines);
    if (Enc == "base64") return Write(&TBase64List::DecodeLines);
    if (Enc == "quoted-printable") return Write(&TQuotedPrintableList::DecodeLines);
    if (Enc == "7bit" || Enc == "8bit" || Enc == "binary") return Write(&TPlainList::DecodeLines);

    std::string Result;
    bool InBlock = false, Decoded = false;
    TUUxList Block;
    const TStringList& B = Body();
    for (int i = 0; i < B.GetCount(); ++i) {
        const std::string& L = B.At(i);
        if (!InBlock) {
            if (IsBeginLineAnyCase(L)) {
                InBlock = true;
                Block.Clear();
                Block.Add(L);
            }
            continue;
        }
        Block.Add(L);
        if (IsEndAnyCase(L)) {
            InBlock = false;
            if (Block.HasUUBlock()) {
                Block.DecodeToFile(Path);
                if (!Result.empty()) Result += ";";
                Result += Path;
                Decoded = true;
            }
        }
    }
    if (!InBlock && !Decoded) return Write(&TPlainList::DecodeLines);
    return Result;
}

// ---------------------------------------------------------------------------
// TMIMEx

TMIMEx::TMIMEx() : Lines(std::make_unique<TStringList>()) { Root = NewPart(); }

TMIMEx::~TMIMEx() = default;

std::unique_ptr<TMIMEPart> TMIMEx::NewPart() const {
    auto P = std::make_unique<TMIMEPart>();
    P->DecodeAsHeader = DecodeAsHeader;
    P->RFC2231Encode = RFC2231Encode;
    return P;
}

void TMIMEx::BeginDecode() {
    Root->Clear();
    // A new message starts from nothing: no boundary or type of the last one.
    Root->SubType = "plain";
    Root->Encoding.clear();
    Root->FileName.clear();
    Root->Boundary.clear();
}

void TMIMEx::Decode(const TStrings& Source) {
    if (&Source != Lines.get()) {
        Lines->Clear();
        Lines->Reserve(Source.GetCount());
        Lines->AddStrings(Source);
    }
    BeginDecode();
    const int N = Lines->GetCount();
    for (int i = 0; i < N; ++i) Root->AddLine(Lines->At(i));
}

void TMIMEx::DecodeText(const std::string& Text) {
    Lines->Clear();
    BeginDecode();
    TLineSplitter Split;
    TMIMEPart* R = Root.get();
    auto Emit = [R](std::string_view L) { R->AddLine(std::string(L)); };
    Split.Feed(Text.data(), Text.size(), Emit);
    Split.Finish(Emit);
}

void TMIMEx::DecodeFile(const std::string& Path) {
    std::ifstream F(NativePath(Path), std::ios::binary);
    if (!F) throw EMIMEFileError("Cannot open file \"" + Path + "\"");
    Lines->Clear();
    BeginDecode();
    TLineSplitter Split;
    TMIMEPart* R = Root.get();
    auto Emit = [R](std::string_view L) { R->AddLine(std::string(L)); };
    std::string Buf(1 << 20, '\0');
    while (F) {
        F.read(&Buf[0], static_cast<std::streamsize>(Buf.size()));
        const std::streamsize Got = F.gcount();
        if (Got <= 0) break;
        Split.Feed(Buf.data(), static_cast<size_t>(Got), Emit);
    }
    Split.Finish(Emit);
}

namespace {
void AppendHeaderLines(TStringList& Dest, const TStrings* Src) {
    if (!Src) return;
    for (int i = 0; i < Src->GetCount(); ++i) {
        std::string L = Src->Get(i);
        if (!L.empty()) Dest.Add(L);  // a header holds no empty line
    }
}
void AppendLines(TStringList& Dest, const TStrings* Src) {
    if (!Src) return;
    for (int i = 0; i < Src->GetCount(); ++i) Dest.Add(Src->Get(i));
}
}  // namespace

void TMIMEx::AddTextPart(const TStrings* HeaderLines, const TStrings* BodyLines) {
    if (!HeaderLines && !BodyLines) return;
    bool Ascii = !BodyLines || IsAllASCII(*BodyLines);
    if (Ascii && HeaderLines) Ascii = IsAllASCII(*HeaderLines);
    const std::string CT = Ascii ? "text/plain; charset=us-ascii" : "text/plain; charset=iso-2022-jp";
    TMIMEPart* P;
    if (Root->Header().GetCount() == 0 && Root->Body().GetCount() == 0) {
        P = Root.get();
    } else {
        if (Root->MediaType != "multipart") MakeMultipart();
        Root->Parts.push_back(NewPart());
        P = Root->Parts.back().get();
        P->Depth = 1;
        TMIMEPart::TreeChanged();
    }
    AppendHeaderLines(P->Header(), HeaderLines);
    P->SetField("Content-Type", CT);
    P->SetField("Content-Transfer-Encoding", "7bit");
    P->ParseHeader();
    AppendLines(P->Body(), BodyLines);
}

void TMIMEx::AddAttachment(const std::string& Path, const std::string& MediaType,
                           const std::string& SubType) {
    std::string CT;
    if (MediaType.empty()) {
        const size_t Slash = Path.find_last_of('/');
        const size_t Dot = Path.find_last_of('.');
        const std::string Ext = (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash))
                                    ? ""
                                    : LowerCase(Path.substr(Dot));
        if (Ext == ".jpg" || Ext == ".jpeg") {
            CT = "image/jpeg";
        } else if (Ext == ".gif") {
            CT = "image/gif";
        } else if (Ext == ".txt") {
            // ASCII and Shift_JIS text travels as an inline text part. Other
            // bytes (UTF-8 text as Linux editors write it, binary data) would
            // lose their characters there: they go as a named attachment.
            const std::string Bytes = ReadWholeFile(Path);
            const bool Binary = HasBinaryControls(Bytes);
            if (!Binary && (!HasHigh(Bytes) || (!IsValidUtf8(Bytes) && IsValidSJIS(Bytes)))) {
                TStringList TextLines;
                TextLines.SetText(Bytes);
                AddTextPart(nullptr, &TextLines);
                return;
            }
            CT = (!Binary && IsValidUtf8(Bytes)) ? "text/plain; charset=utf-8" : "application/octet-stream";
        } else {
            CT = "application/octet-stream";
        }
    } else {
        CT = MediaType + "/" + (SubType.empty() ? std::string("octet-stream") : SubType);
    }
    if (Root->Header().GetCount() > 0) {
        if (Root->MediaType != "multipart") MakeMultipart();
        auto P = NewPart();
        P->Depth = 1;
        P->SetField("Content-Type", CT);
        P->AttachFile(Path);
        P->ParseHeader();
        Root->Parts.push_back(std::move(P));
        TMIMEPart::TreeChanged();
    } else {
        Root->SetField("Content-Type", CT);
        Root->AttachFile(Path);
        Root->ParseHeader();
    }
}

void TMIMEx::MakeMultipart() {
    if (Root->MediaType == "multipart") return;
    std::string CT = Root->GetField("Content-Type");
    if (CT.empty()) {
        if (!IsAllASCII(Root->Header()))
            CT = "text/plain; charset=iso-2022-jp";
        else if (IsAllASCII(Root->Body()))
            CT = "text/plain; charset=us-ascii";
        else
            CT = "text/plain; charset=iso-2022-jp";
    }
    std::string CTE = Root->GetField("Content-Transfer-Encoding");
    if (CTE.empty()) CTE = "7bit";
    const std::string CD = Root->GetField("Content-Disposition");
    const std::string CDesc = Root->GetField("Content-Description");

    auto Child = NewPart();
    Child->Depth = 1;
    TStringList& RB = Root->Body();
    for (int i = 0; i < RB.GetCount(); ++i) Child->Body().AddPacked(RB.View(i));
    RB.Clear();
    Child->SetField("Content-Type", CT);
    Child->SetField("Content-Transfer-Encoding", CTE);
    if (!CD.empty()) Child->SetField("Content-Disposition", CD);
    if (!CDesc.empty()) Child->SetField("Content-Description", CDesc);
    Child->ParseHeader();

    Root->SetField("Content-Type", "multipart/mixed; Boundary=\"" + Root->GetBoundary() + "\"");
    Root->DeleteField("Content-Transfer-Encoding");
    Root->DeleteField("Content-Disposition");
    Root->DeleteField("Content-Description");
    Root->Parts.insert(Root->Parts.begin(), std::move(Child));
    TMIMEPart::TreeChanged();
    Root->ParseHeader();
}

void TMIMEx::Compose() {
    Lines->Clear();
    Root->SetMimeVersion("1.0");
    Root->SetField("MIME-Version", "1.0");
    Root->WriteTo(*Lines);
}

// ---------------------------------------------------------------------------
// Uuencoded blocks in plain text

int UUBlockCount(const TStrings& Lines) {
    enum { None, Begin, Body, End } Phase = None;
    int Count = 0;
    TLineReader R(Lines);
    for (int i = 0; i < R.Count(); ++i) {
        const std::string& L = R[i];
        if ((Phase == None || Phase == End) && IsBeginLineAnyCase(L)) Phase = Begin;
        if (Phase == Begin && TUUxList::IsUULine(L)) Phase = Body;
        if (Phase == Body && IsEndAnyCase(L)) {
            ++Count;
            Phase = End;
        }
    }
    return Phase == End ? Count : 0;
}

std::string UUBlockName(const TStrings& Lines, int N) {
    enum { None, Begin, Body, End } Phase = None;
    int Block = 0;
    std::string Name;
    TLineReader R(Lines);
    for (int i = 0; i < R.Count(); ++i) {
        const std::string& L = R[i];
        if (Phase == None && IsBeginLineAnyCase(L)) {
            Phase = Begin;
            ++Block;
            Name = L.substr(10);
        }
        if (Phase == Begin && TUUxList::IsUULine(L)) Phase = Body;
        if (Phase == Body && IsEndAnyCase(L)) Phase = Block == N ? End : None;
    }
    return Phase == End ? Name : std::string();
}

void UUSaveBlock(const TStrings& Lines, int N, const std::string& Path) {
    std::ofstream F = CreateFile(Path);
    {
        TOutBuffer Out(F);
        int Seen = 0;
        bool On = false;
        TLineReader R(Lines);
        for (int i = 0; i < R.Count(); ++i) {
            const std::string& L = R[i];
            if (On && L == "end") break;
            if (On) {
                if (TUUxList::IsUULine(L)) TUUxList::DecodeUULine(L, Out.Buf());
                Out.Check();
                continue;
            }
            if (IsBeginLineExact(L) && ++Seen == N) On = true;
        }
    }
    CloseFile(F, Path);
}

std::string SafeFileName(const std::string& Name) {
    std::string Comp;
    const size_t N = Name.size();
    for (size_t i = 0; i < N; ++i) {
        const unsigned char c = U(Name[i]);
        if (IsSJISLead(c) && i + 1 < N && IsSJISTrail(U(Name[i + 1]))) {
            Comp.append(Name, i, 2);
            ++i;
        } else if (c == '/' || c == '\\') {
            Comp.clear();
        } else if (c >= 0x20 && c != 0x7F) {
            Comp += static_cast<char>(c);
        }
    }
    Comp = Trim(Comp);
    if (Comp == "." || Comp == "..") return std::string();
    constexpr size_t MaxLen = 200;
    if (Comp.size() <= MaxLen) return Comp;
    std::string Ext;
    const size_t Dot = Comp.find_last_of('.');
    if (Dot != std::string::npos && Dot > 0 && Comp.size() - Dot <= 16 && !HasHigh(Comp.substr(Dot)))
        Ext = Comp.substr(Dot);
    const size_t Keep = MaxLen - Ext.size();
    std::string Stem;
    for (size_t i = 0; i < Comp.size() - Ext.size();) {
        const size_t Len =
            (IsSJISLead(U(Comp[i])) && i + 1 < Comp.size() && IsSJISTrail(U(Comp[i + 1]))) ? 2 : 1;
        if (Stem.size() + Len > Keep) break;
        Stem.append(Comp, i, Len);
        i += Len;
    }
    return Stem + Ext;
}
