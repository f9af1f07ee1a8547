// Fuzzes a received message: arbitrary text is assigned, every field is read,
// and fields are looked up, deleted and set by names taken from the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "BaseMsg.h"

namespace {
// The text as the message shows it must be the header, the separator and the body.
void CheckShape(const TBaseMessage& M) {
    const int H = M.Header().GetCount();
    const int B = M.Body().GetCount();
    const int Expected = M.HasSeparator() ? H + B + 1 : H;
    if (M.GetCount() != Expected) std::abort();
    if (B > 0 && !M.HasSeparator()) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TINetMessage M;
    M.SetText(Text);
    CheckShape(M);
    for (int i = 0; i < M.Header().GetCount(); ++i)
        if (M.Header().Get(i).empty()) std::abort();

    (void)M.Subject();
    (void)M.From();
    (void)M.Date();
    (void)M.MessageID();
    (void)M.References();
    (void)M.Lines();
    (void)M.Size();

    // Field names from the input: the text before the first colon of the
    // first few lines, and a fixed set.
    const char* Fixed[] = {"Subject", "from", "RECEIVED", "", "X"};
    std::string Names[8];
    int NameCount = 0;
    for (const char* F : Fixed) Names[NameCount++] = F;
    for (int i = 0; i < M.Header().GetCount() && NameCount < 8; ++i) {
        const std::string& L = M.Header().At(i);
        const size_t Colon = L.find(':');
        if (Colon != std::string::npos) Names[NameCount++] = L.substr(0, Colon);
    }
    for (int n = 0; n < NameCount; ++n) {
        const std::string Value = M.GetField(Names[n]);
        const int Before = M.Header().GetCount();
        M.DeleteField(Names[n]);
        if (M.Header().GetCount() > Before) std::abort();
        M.SetField(Names[n], Value + "\r\n x");
        if (M.GetField(Names[n]).empty() && M.FindField(Names[n]) < 0) std::abort();
        CheckShape(M);
    }

    TINetMessage Copy;
    Copy.Assign(M);
    TStringList Out;
    Copy.SaveToStrings(Out);
    TBaseMessage Back;
    Back.LoadFromStrings(Out);
    if (Back.Header().GetCount() != Copy.Header().GetCount() ||
        Back.Body().GetCount() != Copy.Body().GetCount())
        std::abort();
    if (Copy.GetCount() > 0) {
        Copy.Delete(Copy.GetCount() - 1);
        Copy.Insert(0, "A: b");
    }
    CheckShape(Copy);
    return 0;
}
