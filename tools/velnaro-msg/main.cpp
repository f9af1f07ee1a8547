// velnaro-msg: reads one received message and prints, as one JSON object, its
// fields, its parts and what the read page shows of it; --save writes every
// listed attachment into a folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "MessageReader.h"
#include "cp932.h"

namespace {

int Fail(const std::string& Message) {
    std::fprintf(stderr, "velnaro-msg: %s\n", Message.c_str());
    return 2;
}

// A stream buffer that hashes what is written through it (SHA-256, libcrypto).
class TSha256Buf : public std::streambuf {
public:
    TSha256Buf() : FCtx(EVP_MD_CTX_new()) {
        FOk = FCtx && EVP_DigestInit_ex(FCtx, EVP_sha256(), nullptr) == 1;
    }
    ~TSha256Buf() override { EVP_MD_CTX_free(FCtx); }
    TSha256Buf(const TSha256Buf&) = delete;
    TSha256Buf& operator=(const TSha256Buf&) = delete;
    // The digest as 64 upper-case hexadecimal digits; empty when hashing failed.
    std::string HexDigest() {
        unsigned char D[EVP_MAX_MD_SIZE];
        unsigned int N = 0;
        if (!FOk || EVP_DigestFinal_ex(FCtx, D, &N) != 1) return std::string();
        static const char Digits[] = "0123456789ABCDEF";
        std::string Out;
        for (unsigned int i = 0; i < N; ++i) {
            Out += Digits[D[i] >> 4];
            Out += Digits[D[i] & 15];
        }
        return Out;
    }

private:
    std::streamsize xsputn(const char* S, std::streamsize N) override {
        if (FOk && N > 0) FOk = EVP_DigestUpdate(FCtx, S, static_cast<size_t>(N)) == 1;
        return FOk ? N : 0;
    }
    int_type overflow(int_type C) override {
        if (traits_type::eq_int_type(C, traits_type::eof())) return traits_type::not_eof(C);
        const char Ch = traits_type::to_char_type(C);
        return xsputn(&Ch, 1) == 1 ? C : traits_type::eof();
    }
    EVP_MD_CTX* FCtx;
    bool FOk;
};

// JSON text of Shift_JIS bytes: UTF-8, with quotes, backslashes and control
// characters escaped.
std::string JsonString(const std::string& Sjis) {
    const std::string U = Cp932ToUtf8(Sjis);
    std::string Out = "\"";
    for (char ch : U) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': Out += "\\\""; break;
            case '\\': Out += "\\\\"; break;
            case '\n': Out += "\\n"; break;
            case '\r': Out += "\\r"; break;
            case '\t': Out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char Buf[8];
                    std::snprintf(Buf, sizeof Buf, "\\u%04x", c);
                    Out += Buf;
                } else {
                    Out += ch;
                }
        }
    }
    return Out + "\"";
}

std::string Hex(const std::string& Bytes) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string Out = "\"";
    Out.reserve(Bytes.size() * 2 + 2);
    for (char ch : Bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        Out += Digits[c >> 4];
        Out += Digits[c & 15];
    }
    return Out + "\"";
}

template <typename It>
std::string HexArray(It Begin, It End) {
    std::string Out = "[";
    for (It i = Begin; i != End; ++i) {
        if (i != Begin) Out += ",";
        Out += Hex(*i);
    }
    return Out + "]";
}

}  // namespace

int main(int argc, char* argv[]) {
    bool WithHeader = false;
    const char* SaveDir = nullptr;
    const char* File = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string A = argv[i];
        if (A == "--header") {
            WithHeader = true;
        } else if (A == "--save" && i + 1 < argc) {
            SaveDir = argv[++i];
        } else if (!File && (A.empty() || A[0] != '-' || A == "-")) {
            File = argv[i];
        } else {
            return Fail("usage: velnaro-msg [--header] [--save DIR] FILE");
        }
    }
    if (!File) return Fail("usage: velnaro-msg [--header] [--save DIR] FILE");
    if (SaveDir) {
        struct stat St;
        const char* Why = nullptr;
        if (::stat(SaveDir, &St) != 0)
            Why = std::strerror(errno);
        else if (!S_ISDIR(St.st_mode))
            Why = "not a folder";
        else if (::access(SaveDir, W_OK | X_OK) != 0)
            Why = std::strerror(errno);
        if (Why) return Fail(std::string("cannot save into ") + SaveDir + ": " + Why);
    }

    std::FILE* In = std::string(File) == "-" ? stdin : std::fopen(File, "rb");
    if (!In) return Fail(std::string("cannot read ") + File + ": " + std::strerror(errno));

    // One pass over the text: the header goes into the message that answers
    // the field questions, every line into the MIME tree, and the sizes are
    // counted, so a large message is held once (as its parts) and not twice.
    TMessageReader Reader;
    Reader.Begin();
    {
        std::vector<char> Buf(1 << 20);
        size_t N;
        while ((N = std::fread(Buf.data(), 1, Buf.size(), In)) > 0) Reader.AddBytes(Buf.data(), N);
        const bool Bad = std::ferror(In);
        const int Err = errno;
        if (In != stdin) std::fclose(In);
        if (Bad) return Fail(std::string("cannot read ") + File + ": " + std::strerror(Err));
    }
    Reader.End();
    const TINetMessage& Msg = Reader.Message();
    TMIMEx& Mime = Reader.Mime();
    TMIMEPart* Root = Mime.Root.get();
    const TReadLayout Layout = Reader.Layout(WithHeader);

    // Save every listed attachment into the chosen folder. The folder name
    // stays a file-system name: saving happens inside it, with the listed
    // names (program text) only. The digests are of the bytes saving writes,
    // decoded once more into the hash rather than read back.
    std::vector<std::string> Digests;
    std::string Problem;
    if (SaveDir && !Layout.Attachments.empty() && ::chdir(SaveDir) != 0)
        Problem = std::string("cannot enter ") + SaveDir + ": " + std::strerror(errno);
    for (const TAttachmentEntry& E : Layout.Attachments) {
        if (!Problem.empty()) break;
        std::string Saved, Error;
        if (SaveDir && !SaveAttachmentInto(Mime, E, "", Saved, Error)) {
            Problem = Cp932ToUtf8(Error);
            break;
        }
        TSha256Buf Hash;
        std::ostream HashOut(&Hash);
        if (!WriteAttachment(Mime, E, HashOut, Error)) {
            Problem = Cp932ToUtf8(Error);
            break;
        }
        Digests.push_back(HashOut.good() ? Hash.HexDigest() : std::string());
        if (Digests.back().empty()) {
            Problem = "cannot compute the SHA-256 digest";
            break;
        }
    }
    if (!Problem.empty()) return Fail(Problem);

    std::string J = "{";
    J += "\"subject_sjis_hex\":" + Hex(Msg.Subject());
    J += ",\"subject\":" + JsonString(Msg.Subject());
    J += ",\"from_sjis_hex\":" + Hex(Msg.From());
    J += ",\"from\":" + JsonString(Msg.From());
    const TDateTime D = Msg.Date();
    J += ",\"date_jst\":" +
         (D == 0 ? std::string("null") : JsonString(FormatDateTime("yyyy-mm-dd hh:nn:ss", D)));
    J += ",\"message_id\":" + JsonString(Msg.MessageID());
    J += ",\"references\":[";
    const TStringList& Refs = Msg.References();
    for (int i = 0; i < Refs.GetCount(); ++i) J += (i ? "," : "") + JsonString(Refs.At(i));
    J += "]";
    J += ",\"lines\":" + IntToStr(Reader.Lines());
    J += ",\"size\":" + IntToStr(Reader.Size());

    // The shown text of each leaf, found by leaf index.
    std::vector<const TShownLeaf*> ShownOf(static_cast<size_t>(Layout.LeafCount), nullptr);
    for (const TShownLeaf& X : Layout.Shown) ShownOf[static_cast<size_t>(X.Leaf)] = &X;
    J += ",\"leaves\":[";
    for (int i = 0; i < Layout.LeafCount; ++i) {
        TMIMEPart* P = Root->LeafAt(i);
        const std::string FN = P->GetFileName();
        J += i ? ",{" : "{";
        J += "\"type\":" + JsonString(P->MediaType);
        J += ",\"subtype\":" + JsonString(P->SubType);
        J += ",\"encoding\":" + JsonString(P->GetEncoding());
        J += ",\"filename_sjis_hex\":" + (FN.empty() ? std::string("null") : Hex(FN));
        J += ",\"text_sjis_hex_lines\":";
        if (const TShownLeaf* S = ShownOf[static_cast<size_t>(i)]) {
            const auto B = Layout.Lines.begin() + S->FirstLine;
            J += HexArray(B, B + S->LineCount);
        } else {
            J += "null";
        }
        J += "}";
    }
    J += "]";
    J += ",\"shown_lines_sjis_hex\":" + HexArray(Layout.Lines.begin(), Layout.Lines.end());
    J += ",\"attachments\":[";
    for (size_t i = 0; i < Layout.Attachments.size(); ++i) {
        const TAttachmentEntry& E = Layout.Attachments[i];
        J += i ? ",{" : "{";
        J += "\"name_sjis_hex\":" + Hex(E.Name);
        J += ",\"number\":" + IntToStr(E.Number);
        J += ",\"sha256\":\"" + Digests[i] + "\"}";
    }
    J += "]}\n";
    if (std::fwrite(J.data(), 1, J.size(), stdout) != J.size() || std::fflush(stdout) != 0)
        return Fail(std::string("cannot write the output: ") + std::strerror(errno));
    return 0;
}
