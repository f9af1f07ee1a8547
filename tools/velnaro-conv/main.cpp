// velnaro-conv: converts a whole text between the program's kanji codes.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "codex.h"
#include "cp932.h"
#include "sjisconv.h"
#include "uni2sj.h"

namespace {

struct Mode {
    const char* Name;
    std::string (*Convert)(const std::string&);
    bool (*Stream)(std::FILE* In, std::FILE* Out);
};

std::string EncodeHeaderOfSJIS(const std::string& S) { return EncodeHeader(SJISToJIS(S)); }
std::string DecodeHeaderToSJIS(const std::string& S) { return JISToSJIS(DecodeHeader(S)); }

// The converters that can take the text in pieces: a large input is read,
// converted and written a piece at a time, with the same result as at once.
template <typename Stream>
struct Piecewise {
    static bool Run(std::FILE* In, std::FILE* Out) {
        Stream S;
        std::string Buf(1 << 20, '\0'), Res;
        Res.reserve(Buf.size() * 2);
        size_t N;
        while ((N = std::fread(&Buf[0], 1, Buf.size(), In)) > 0) {
            S.Feed(Buf.data(), N, Res);
            if (std::fwrite(Res.data(), 1, Res.size(), Out) != Res.size()) return false;
            Res.clear();
        }
        if (std::ferror(In)) return false;
        S.Finish(Res);
        return std::fwrite(Res.data(), 1, Res.size(), Out) == Res.size();
    }
};

const Mode Modes[] = {
    {"sjis-to-jis", SJISToJIS, Piecewise<TSJISToJISStream>::Run},
    {"jis-to-sjis", JISToSJIS, Piecewise<TJISToSJISStream>::Run},
    {"euc-to-jis", EUCToJIS, Piecewise<TEUCToJISStream>::Run},
    {"utf8-to-sjis", UTF8ToSJIS, Piecewise<TUTF8ToSJISStream>::Run},
    {"sjis-to-utf8", Cp932ToUtf8, nullptr},
    {"encode-header", EncodeHeaderOfSJIS, nullptr},
    {"decode-header", DecodeHeaderToSJIS, nullptr},
};

int Fail(const std::string& Message) {
    std::fprintf(stderr, "velnaro-conv: %s\n", Message.c_str());
    return 2;
}

// Reads the whole stream; a regular file is read straight into a string of
// its size, so a large input is neither copied nor reallocated on the way.
bool ReadAll(std::FILE* F, std::string& Out) {
    struct stat St;
    if (fstat(fileno(F), &St) == 0 && S_ISREG(St.st_mode) && St.st_size > 0) {
        Out.resize(static_cast<size_t>(St.st_size));
        Out.resize(std::fread(&Out[0], 1, Out.size(), F));
    }
    char Buf[1 << 16];
    size_t N;
    while ((N = std::fread(Buf, 1, sizeof Buf, F)) > 0) Out.append(Buf, N);
    return !std::ferror(F);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 4) {
        std::string Names;
        for (const Mode& M : Modes) Names += std::string(Names.empty() ? "" : "|") + M.Name;
        return Fail("usage: velnaro-conv " + Names + " [INPUT [OUTPUT]]");
    }
    const Mode* Chosen = nullptr;
    for (const Mode& M : Modes)
        if (std::strcmp(argv[1], M.Name) == 0) Chosen = &M;
    if (!Chosen) return Fail(std::string("unknown mode '") + argv[1] + "'");

    const bool FromStdin = argc < 3 || std::strcmp(argv[2], "-") == 0;
    std::FILE* F = FromStdin ? stdin : std::fopen(argv[2], "rb");
    if (!F) return Fail(std::string("cannot read ") + argv[2] + ": " + std::strerror(errno));
    const bool ToStdout = argc < 4 || std::strcmp(argv[3], "-") == 0;
    std::FILE* G = ToStdout ? stdout : std::fopen(argv[3], "wb");
    if (!G) return Fail(std::string("cannot write ") + argv[3] + ": " + std::strerror(errno));
    const std::string InName = FromStdin ? "standard input" : argv[2];
    const std::string OutName = ToStdout ? "standard output" : argv[3];

    bool Ok;
    if (Chosen->Stream) {
        Ok = Chosen->Stream(F, G);
        if (std::ferror(F)) return Fail("cannot read " + InName);
    } else {
        std::string In;
        if (!ReadAll(F, In)) return Fail("cannot read " + InName);
        const std::string Out = Chosen->Convert(In);
        Ok = std::fwrite(Out.data(), 1, Out.size(), G) == Out.size();
    }
    if (!FromStdin) std::fclose(F);
    Ok = (ToStdout ? std::fflush(G) : std::fclose(G)) == 0 && Ok;
    if (!Ok) return Fail("cannot write " + OutName);
    return 0;
}
