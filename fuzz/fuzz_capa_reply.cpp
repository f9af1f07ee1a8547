// libFuzzer target: CAPA listings, parsed alone and fed to the POP3 engine waiting for STLS.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MailEngine.h"

namespace {

struct FuzzPop : TPopEngine {
    std::string Sent;
    int TlsStarts = 0;
    void TransportSend(const std::string& T) override { Sent += T; }
    void TransportClose() override { State = popNone; }
    void TransportStartTls() override { ++TlsStarts; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TStringList Lines;
    Lines.SetText(Text);
    for (const std::string& Name : CapaNames(Lines))
        if (Name.empty() || Name.find_first_of(" \t\r\n") != std::string::npos) abort();

    // The same bytes as the reply to CAPA, in two pieces.
    FuzzPop P;
    P.Security = TSecurity::StartTls;
    P.User = "user";
    P.Password = "secret";
    P.DataArrived("+OK ready\r\n");
    const size_t Half = Size / 2;
    P.DataArrived(Text.substr(0, Half));
    P.DataArrived(Text.substr(Half));
    // Nothing of the login leaves before the handshake.
    if (P.Sent.find("secret") != std::string::npos || P.Sent.find("USER") != std::string::npos) abort();
    if (P.TlsStarts > 1) abort();
    if (P.TlsStarts == 1) {
        P.TlsStarted();
        if (P.Sent.find("USER user\r\n") == std::string::npos) abort();
    }
    return 0;
}
