// libFuzzer target: the SMTP receive engine and message preparation fed byte chunks in arbitrary states.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MailEngine.h"

namespace {

struct FuzzSmtp : TSMTPEngine {
    size_t SentBytes = 0;
    void TransportSend(const std::string& T) override { SentBytes += T.size(); }
    void TransportClose() override { ResetState(); }
    void TransportOpen() override {}
    void TransportStartTls() override {}
    bool TransportEncrypted() const override { return Encrypted; }
    bool Encrypted = false;
};

constexpr int StateCount = smtpAuthPass + 1;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 2) return 0;
    FuzzSmtp S;
    S.MyAddress = "me@example.test";
    S.Domain = "client.example.test";
    const uint8_t Flags = Data[1];
    S.Security = static_cast<TSecurity>((Flags >> 2) % 3);
    S.SignIn = Flags & 16;
    S.Encrypted = Flags & 32;
    S.AuthUser = "user";
    S.AuthPassword = "pw";
    S.OnSMTPError = [&](TSMTPState, const std::string& R) {
        if (R.empty()) abort();  // always a reply line or "no message"
        if (Flags & 1) S.Abort();
    };
    S.OnSendComp = [&](TObject* Sender) {
        if (Sender != &S) abort();
    };

    // The first part of the input, up to a NUL, is a message to send.
    size_t I = 2;
    size_t MsgEnd = I;
    while (MsgEnd < Size && Data[MsgEnd] != 0) ++MsgEnd;
    TStringList Msg;
    Msg.SetText(std::string(reinterpret_cast<const char*>(Data + I), MsgEnd - I));
    if (Flags & 2) Msg.Insert(0, "To: a@example.test,,b@example.test, <c@example.test>");
    S.State = static_cast<TSMTPState>(Data[0] % StateCount);
    S.SendMessage(Msg);
    I = MsgEnd < Size ? MsgEnd + 1 : Size;

    while (I < Size) {
        const uint8_t Op = Data[I++];
        switch (Op % 8) {
            case 5:
                if (I < Size) S.State = static_cast<TSMTPState>(Data[I++] % StateCount);
                break;
            case 6:
                if (Op & 8)
                    S.Quit();
                else if (Op & 16)
                    S.TlsStarted();
                else
                    S.Reset();
                break;
            case 7: S.SendMessage(Msg); break;
            default: {
                size_t Len = Op / 8 * 4 + 1;
                if (Len > Size - I) Len = Size - I;
                S.DataArrived(reinterpret_cast<const char*>(Data + I), Len);
                I += Len;
            }
        }
        if (S.ReplyCode < 0 || S.ReplyCode > 999) abort();
    }
    return 0;
}
