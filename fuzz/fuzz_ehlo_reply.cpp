// libFuzzer target: EHLO replies, parsed alone and fed to the SMTP engine asked for STARTTLS and a sign-in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MailEngine.h"

namespace {

struct FuzzSmtp : TSMTPEngine {
    std::string Sent;
    bool Encrypted = false;
    int TlsStarts = 0;
    void TransportSend(const std::string& T) override { Sent += T; }
    void TransportClose() override { ResetState(); }
    void TransportOpen() override {}
    void TransportStartTls() override { ++TlsStarts; }
    bool TransportEncrypted() const override { return Encrypted; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 1) return 0;
    const std::string Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
    TStringList Lines;
    Lines.SetText(Text);
    const TEhloCapabilities C = ParseEhloReply(Lines);
    for (const std::string& M : C.AuthMechanisms)
        if (M.empty() || M.find_first_of(" \t\r\n") != std::string::npos) abort();

    FuzzSmtp S;
    S.Security = static_cast<TSecurity>(Data[0] % 3);
    S.Encrypted = Data[0] & 4;
    S.SignIn = Data[0] & 8;
    S.AuthUser = "user";
    S.AuthPassword = "secret";
    S.State = smtpNone;
    S.DataArrived("220 mx\r\n");
    S.DataArrived(Text);
    // PLAIN and LOGIN carry the password readably: only inside TLS.
    const bool Plain =
        S.Sent.find("AUTH PLAIN") != std::string::npos || S.Sent.find("AUTH LOGIN") != std::string::npos;
    if (Plain && !S.Encrypted) abort();
    // TLS asked for on a plain connection: nothing but EHLO and STARTTLS.
    if (S.Security != TSecurity::None && !S.Encrypted && S.Sent.find("AUTH") != std::string::npos) abort();
    if (S.Sent.find("MAIL") != std::string::npos && S.SignIn && S.Sent.find("AUTH") == std::string::npos)
        abort();
    return 0;
}
