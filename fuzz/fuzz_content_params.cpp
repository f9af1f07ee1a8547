// Fuzzes content parameter lists and the RFC 2231 routines.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MIMEx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TContentParams P;
    P.SetText(Text);
    for (const char* Name : {"filename", "name", "charset", "boundary", "title"}) P.ParamValue(Name);
    std::string Item, N, S, V;
    for (int i = 0; i < P.GetCount() && i < 64; ++i) ParseParamItem(P[i], N, S, V);
    RFC2231Decode(Text);
    if (PercentDecode(PercentEncode(Text)) != Text) std::abort();

    // A value written by SetParam reads back as Shift_JIS text: exactly when
    // it holds no byte that Shift_JIS text cannot.
    TContentParams Out;
    Out.SetParam("filename", Text);
    const std::string Back = Out.ParamValue("filename");
    bool Ascii = true;
    for (unsigned char c : Text)
        if (c < 0x20 || c >= 0x7F) Ascii = false;
    if (Ascii && Back != Text) std::abort();
    for (const std::string& Piece : SplitParamValue(Text))
        if (Piece.empty() || Piece.size() > 41) std::abort();

    TBaseMessage M;
    M.SetField("Content-Disposition", "attachment");
    Out.WriteToField(M, "Content-Disposition");
    P.DeleteParam("filename");
    for (int i = 0; i < P.GetCount(); ++i) {
        ParseParamItem(P[i], N, S, V);
        if (SameText(Trim(N), "filename")) std::abort();
    }
    return 0;
}
