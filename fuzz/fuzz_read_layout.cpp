// Fuzzes the message reader and the read layout: an arbitrary received text
// read whole and as lines (both must agree), laid out with and without its
// header, the attachment list checked and its entries saved into a private
// folder and written to memory (the same bytes both ways).
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "MessageReader.h"
#include "cp932.h"

namespace {
std::string TempDir() {
    static std::string Dir = [] {
        // A buffer without a destructor, so the exit handler can still read it.
        static char Tmpl[] = "/tmp/fuzz-layout-XXXXXX";
        const char* D = mkdtemp(Tmpl);
        if (!D) std::abort();
        // The folder goes when the run ends (libFuzzer leaves through exit).
        std::atexit([] {
            std::error_code E;
            std::filesystem::remove_all(Tmpl, E);
        });
        return std::string(D);
    }();
    return Dir;
}

// Every saved file is a plain name inside the folder; the folder is emptied.
void CheckAndEmpty(const std::string& Dir) {
    DIR* D = opendir(Dir.c_str());
    if (!D) std::abort();
    while (dirent* E = readdir(D)) {
        const std::string N = E->d_name;
        if (N == "." || N == "..") continue;
        if (E->d_type == DT_DIR) std::abort();
        unlink((Dir + "/" + N).c_str());
    }
    closedir(D);
}

// A saved file's bytes; Path is program text (Shift_JIS), the file system
// name its UTF-8 form.
std::string ReadBack(const std::string& Path) {
    std::ifstream F(Cp932ToUtf8(Path), std::ios::binary);
    std::ostringstream S;
    S << F.rdbuf();
    return S.str();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TStringList AsLines;
    AsLines.SetText(Text);
    for (int Pass = 0; Pass < 2; ++Pass) {
        TMessageReader R, FromLines;
        R.ReadText(Text);
        FromLines.Read(AsLines);
        TMIMEx& M = R.Mime();
        if (R.Size() != FromLines.Size() || R.Lines() != FromLines.Lines() ||
            R.Message().Subject() != FromLines.Message().Subject() ||
            R.Message().Date() != FromLines.Message().Date())
            std::abort();
        const bool WithHeader = Pass == 1;
        const TReadLayout L = R.Layout(WithHeader);
        const TReadLayout L2 = FromLines.Layout(WithHeader);
        if (L.Lines != L2.Lines || L.Attachments.size() != L2.Attachments.size()) std::abort();
        if (L.LeafCount != M.Root->LeafCount()) std::abort();
        if (!L.Attachments.empty() && !L.CanSave) std::abort();
        size_t Shown = WithHeader ? static_cast<size_t>(M.Root->Header().GetCount()) : 0;
        for (const TShownLeaf& S : L.Shown) {
            if (S.Leaf < 0 || S.Leaf >= L.LeafCount || S.FirstLine < 0 ||
                static_cast<size_t>(S.FirstLine) + static_cast<size_t>(S.LineCount) > L.Lines.size())
                std::abort();
            Shown += static_cast<size_t>(S.LineCount);
        }
        if (Shown > L.Lines.size()) std::abort();
        for (const TAttachmentEntry& E : L.Attachments) {
            if (E.Name.empty() || E.Name.find('/') != std::string::npos || E.Name == "." || E.Name == "..")
                std::abort();
            if (E.Number < 0 || (L.LeafCount > 1 && E.Number >= L.LeafCount)) std::abort();
        }
        if (Pass == 0) {
            for (size_t i = 0; i < L.Attachments.size() && i < 4; ++i) {
                std::string Saved, Error, MemError;
                const bool Ok = SaveAttachmentInto(M, L.Attachments[i], TempDir(), Saved, Error);
                if (!Ok && Error.empty()) std::abort();
                std::ostringstream Mem;
                const bool MemOk = WriteAttachment(M, L.Attachments[i], Mem, MemError);
                if (Ok && (!MemOk || Mem.str() != ReadBack(Saved))) std::abort();
                if (!MemOk && MemError.empty()) std::abort();
            }
            CheckAndEmpty(TempDir());
        }
    }
    return 0;
}
