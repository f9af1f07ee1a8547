// Compose benchmark: a Japanese text part and one attachment through TMIMEx
// (AddTextPart, AddAttachment, Compose), the lines written to a file.
// Usage: compose_bench ATTACHMENT BODY_SJIS OUTPUT
#include <cstdio>
#include <fstream>
#include <sstream>

#include "BaseMsg.h"
#include "MIMEx.h"
#include "cp932.h"

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: compose_bench ATTACHMENT BODY_SJIS OUTPUT\n");
        return 2;
    }
    std::ifstream In(argv[2], std::ios::binary);
    std::ostringstream Text;
    Text << In.rdbuf();

    TBaseMessage Fields;
    Fields.SetField("To", "tanaka@example.com");
    Fields.SetField("From", "sato@example.jp");
    Fields.SetField("Subject", SJ("資料の送付"));
    TStringList Body;
    Body.SetText(Text.str());

    TMIMEx M;
    M.AddTextPart(&Fields.Header(), &Body);
    M.AddAttachment(argv[1], "", "");
    M.Compose();

    std::FILE* Out = std::fopen(argv[3], "wb");
    if (!Out) return 1;
    const TStringList& L = *M.Lines;
    for (int i = 0; i < L.GetCount(); ++i) {
        const std::string& S = L.At(i);
        std::fwrite(S.data(), 1, S.size(), Out);
        std::fwrite("\r\n", 1, 2, Out);
    }
    return std::fclose(Out) == 0 ? 0 : 1;
}
