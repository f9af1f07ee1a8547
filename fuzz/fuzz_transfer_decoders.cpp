// Fuzzes the base64, quoted-printable and plain decoders and the encoders.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "MIMEx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TBase64List B;
    TQuotedPrintableList Q;
    TPlainList P;
    B.SetText(Text);
    Q.SetText(Text);
    P.SetText(Text);
    std::ostringstream OB, OQ, OP;
    B.DecodeTo(OB);
    Q.DecodeTo(OQ);
    P.DecodeTo(OP);
    if (OB.str().size() > Text.size()) std::abort();

    // Encoding then decoding gives the bytes back.
    std::istringstream In(Text);
    B.EncodeFrom(In);
    for (int i = 0; i + 1 < B.GetCount(); ++i)
        if (B[i].size() != 80) std::abort();
    std::ostringstream Back;
    B.DecodeTo(Back);
    if (Back.str() != Text) std::abort();

    std::istringstream InQ(Text);
    Q.EncodeFrom(InQ);
    for (int i = 0; i < Q.GetCount(); ++i)
        if (Q[i].size() > 76) std::abort();
    std::ostringstream BackQ;
    Q.DecodeTo(BackQ);
    // Line ends come back as CR LF; without any, the text plus one CR LF.
    if (Text.find_first_of("\r\n") == std::string::npos && !Text.empty() && BackQ.str() != Text + "\r\n")
        std::abort();
    return 0;
}
