// velnaro-conv: converts a whole text between the program's kanji codes.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "codex.h"
#include "cp932.h"
#include "sjisconv.h"
#include "uni2sj.h"

namespace {

struct Mode {
    const char* Name;
    std::string (*Convert)(const std::string&);
};

std::string EncodeHeaderOfSJIS(const std::string& S) { return EncodeHeader(SJISToJIS(S)); }
std::string DecodeHeaderToSJIS(const std::string& S) { return JISToSJIS(DecodeHeader(S)); }

const Mode Modes[] = {
    {"sjis-to-jis", SJISToJIS},       {"jis-to-sjis", JISToSJIS},
    {"euc-to-jis", EUCToJIS},         {"utf8-to-sjis", UTF8ToSJIS},
    {"sjis-to-utf8", Cp932ToUtf8},    {"encode-header", EncodeHeaderOfSJIS},
    {"decode-header", DecodeHeaderToSJIS},
};

int Fail(const std::string& Message) {
    std::fprintf(stderr, "velnaro-conv: %s\n", Message.c_str());
    return 2;
}

bool ReadAll(std::FILE* F, std::string& Out) {
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

    std::string In;
    const bool FromStdin = argc < 3 || std::strcmp(argv[2], "-") == 0;
    std::FILE* F = FromStdin ? stdin : std::fopen(argv[2], "rb");
    if (!F) return Fail(std::string("cannot read ") + argv[2] + ": " + std::strerror(errno));
    bool Ok = ReadAll(F, In);
    if (!FromStdin) std::fclose(F);
    if (!Ok) return Fail(std::string("cannot read ") + (FromStdin ? "standard input" : argv[2]));

    const std::string Out = Chosen->Convert(In);

    const bool ToStdout = argc < 4 || std::strcmp(argv[3], "-") == 0;
    std::FILE* G = ToStdout ? stdout : std::fopen(argv[3], "wb");
    if (!G) return Fail(std::string("cannot write ") + argv[3] + ": " + std::strerror(errno));
    bool Written = std::fwrite(Out.data(), 1, Out.size(), G) == Out.size();
    Written = (ToStdout ? std::fflush(G) : std::fclose(G)) == 0 && Written;
    if (!Written) return Fail(std::string("cannot write ") + (ToStdout ? "standard output" : argv[3]));
    return 0;
}
