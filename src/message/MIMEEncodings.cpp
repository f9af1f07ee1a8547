// Transfer encodings: base64, quoted-printable, plain and uuencoded lines to
// bytes and back.
#include "MIMEEncodings.h"

#include <algorithm>
#include <istream>
#include <ostream>

#include "LineSplitter.h"
#include "MIMEShared.h"
#include "codex.h"

using namespace mime_detail;

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
