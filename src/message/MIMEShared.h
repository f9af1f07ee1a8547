// Helpers the MIME files share: output buffers, the base64 stream decoder,
// quoted-printable soft breaks, uuencode "begin"/"end" lines and file access.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace mime_detail {

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
    TBase64Table();
};
extern const TBase64Table Base64Table;
extern const char Base64Alphabet[];

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
bool SplitSoftBreak(std::string_view Line, std::string& Text);

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
std::string NativePath(const std::string& Path);
bool FileExists(const std::string& Path);
// Create (or replace) a file for writing; close it, reporting a failed write.
std::ofstream CreateFile(const std::string& Path);
void CloseFile(std::ofstream& F, const std::string& Path);
std::string ReadWholeFile(const std::string& Path);

}  // namespace mime_detail
