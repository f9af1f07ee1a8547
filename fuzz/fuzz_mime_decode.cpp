// Fuzzes the MIME decoder: a received message taken apart, every leaf walked,
// text bodies decoded for display and attachments saved.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "MIMEx.h"

namespace {
std::string TempDir() {
    static std::string Dir = [] {
        // A buffer without a destructor, so the exit handler can still read it.
        static char Tmpl[] = "/tmp/fuzz-mime-XXXXXX";
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
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TMIMEx M;
    M.DecodeAsHeader = Size > 0 && (Data[0] & 1);
    M.Root->DecodeAsHeader = M.DecodeAsHeader;
    M.DecodeText(Text);
    const int N = M.Root->LeafCount();
    for (int i = 0; i < N; ++i) {
        TMIMEPart* P = M.Root->LeafAt(i);
        if (!P) std::abort();
        const std::string Name = SafeFileName(P->GetFileName());
        if (Name.find('/') != std::string::npos || Name == "..") std::abort();
        if (P->MediaType == "text" && i % 2 == 0) {
            P->DecodeTextBody();
        } else if (i < 8) {
            P->SaveAttachment(TempDir(), "part");
        }
    }
    if (M.Root->LeafAt(N) != nullptr) std::abort();
    if (N == 1) {
        const int Blocks = UUBlockCount(M.Root->Body());
        for (int b = 1; b <= Blocks && b <= 4; ++b) {
            UUBlockName(M.Root->Body(), b);
            UUSaveBlock(M.Root->Body(), b, TempDir() + "/uu");
        }
    }
    // Writing the tree out again must not fail either.
    M.Compose();
    return 0;
}
