// Helpers the MIME files share: the base64 tables, soft breaks and file access.
#include "MIMEShared.h"

#include <sys/stat.h>

#include "MIMEEncodings.h"
#include "cp932.h"

namespace mime_detail {

TBase64Table::TBase64Table() {
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
const TBase64Table Base64Table;
const char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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

}  // namespace mime_detail
