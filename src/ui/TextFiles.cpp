// Text files of the send and read pages: reading UTF-8 or Shift_JIS as the program's text, writing CR LF lines.
#include "TextFiles.h"

#include <sys/stat.h>

#include <cerrno>

#include "SafeFile.h"
#include "SysUtils.h"
#include "Utf8.h"
#include "cp932.h"

std::string TextFileToSjis(const std::string& Bytes) {
    if (!IsValidUtf8(Bytes)) return Bytes;
    size_t Start = 0;
    if (Bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) Start = 3;
    // SJ maps the characters that editors of JIS-based text use for a few
    // Shift_JIS codes (WAVE DASH for the full-width tilde, ...) to those
    // codes; it reads up to a NUL, so the text goes through it piece by piece.
    std::string Out;
    Out.reserve(Bytes.size() - Start);
    while (Start <= Bytes.size()) {
        size_t End = Bytes.find('\0', Start);
        if (End == std::string::npos) End = Bytes.size();
        Out += SJ(Bytes.substr(Start, End - Start).c_str());
        if (End == Bytes.size()) break;
        Out += '\0';
        Start = End + 1;
    }
    return Out;
}

std::string InOutErrorText(int Code) {
    switch (Code) {
        case ENOENT: return "File not found";
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL: return "Invalid filename";
        case EMFILE:
        case ENFILE: return "Too many open files";
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return "File access denied";
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return "Disk full";
        default: return "I/O error " + IntToStr(Code);
    }
}

std::string LoadTextFile(const std::string& Path) {
    std::string Data;
    const int Err = SafeFile::Read(Path, Data);
    if (Err != 0) throw Exception(InOutErrorText(Err));
    return TextFileToSjis(Data);
}

void SaveTextFile(const std::string& Path, const std::vector<std::string>& Lines) {
    size_t Size = 0;
    for (const auto& L : Lines) Size += L.size() + 2;
    std::string Data;
    Data.reserve(Size);
    for (const auto& L : Lines) {
        Data += L;
        Data += "\r\n";
    }
    const mode_t Mask = umask(0);
    umask(Mask);
    const int Err = SafeFile::Write(Path, Data, 0666 & ~static_cast<unsigned>(Mask));
    if (Err != 0) throw Exception(InOutErrorText(Err));
}
