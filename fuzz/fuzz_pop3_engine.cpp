// libFuzzer target: the POP3 receive engine fed byte chunks in arbitrary states.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MailEngine.h"

namespace {

struct FuzzPop : TPopEngine {
    size_t SentBytes = 0;
    void TransportSend(const std::string& T) override { SentBytes += T.size(); }
    void TransportClose() override { ResetState(); }
    void TransportStartTls() override {}
};

constexpr int StateCount = popStls + 1;

void Check(const FuzzPop& P) {
    if (P.State < popNone || P.State >= StateCount) abort();
    if (!P.Uids.empty() && P.Uids.size() != static_cast<size_t>(P.MessageCount)) abort();
    if (P.Sizes.size() > static_cast<size_t>(P.MessageCount) && P.MessageCount >= 0) abort();
    if (P.MessageSize(-1) != -1 || P.MessageSize(static_cast<int>(P.Sizes.size())) != -1) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 2) return 0;
    FuzzPop P;
    P.User = "user";
    P.Password = "pass";
    P.State = static_cast<TPopState>(Data[0] % StateCount);
    P.MaxLineLength = 512;  // small, so that inputs reach the cap
    P.APop = Data[1] & 1;
    if (Data[1] & 16) P.Security = TSecurity::StartTls;
    const bool Chain = Data[1] & 2;  // handlers send the next command at once
    int Depth = 0;
    P.OnRecvComp = [&](bool, TPopState S) {
        if (Chain && Depth < 4 && S == popList) {
            ++Depth;
            P.Retrieve(P.MessageCount);
            --Depth;
        }
    };
    P.OnGetError = [&](bool, TPopState) {
        if (Chain) P.Quit();
    };
    P.OnReceiving = [&](int Bytes) {
        if (Bytes < 0) abort();
    };
    if (Data[1] & 4) P.OnHeaderRecv = [](bool, TPopState) {};
    if (Data[1] & 8) P.OnDeleted = [](bool, TPopState) {};

    size_t I = 2;
    while (I < Size) {
        const uint8_t Op = Data[I++];
        switch (Op % 8) {
            case 5:
                if (I < Size) P.Retrieve(Data[I++] % 6);
                break;
            case 6:
                if (I < Size) P.State = static_cast<TPopState>(Data[I++] % StateCount);
                break;
            case 7:
                if (Op & 8)
                    P.Quit();
                else if (Op & 32)
                    P.TlsStarted();
                else if (Op & 16)
                    P.RetrieveHeader(1);
                else if (Op & 64)
                    P.RetrieveUids();
                else
                    P.Delete(2);
                break;
            default: {
                size_t Len = Op / 8 * 4 + 1;
                if (Len > Size - I) Len = Size - I;
                P.DataArrived(reinterpret_cast<const char*>(Data + I), Len);
                I += Len;
            }
        }
        Check(P);
    }
    return 0;
}
