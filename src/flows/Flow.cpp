// What the window flows share: the reachability check through ChekPing.
#include "Flow.h"

#include "checkping.h"

namespace {

class TChekPingCheck : public TReachCheck {
public:
    explicit TChekPingCheck(TNameResolver* Resolver) : FResolver(Resolver) {}

    void Check() override {
        ChekPing P;
        if (FResolver) P.SetResolver(FResolver);
        P.Host = Host;
        P.SetTimeout(TimeoutTenths);
        P.OnMessage = [this](const std::string& Text) { Fire(OnMessage, Text); };
        P.Check();
        Found = P.Found;
        Reachable = P.Reachable;
        Address = P.Address;
        ErrorText = P.ErrorText;
    }

private:
    TNameResolver* FResolver;
};

}  // namespace

TReachCheckFactory ChekPingFactory(TNameResolver* Resolver) {
    return [Resolver] { return std::make_unique<TChekPingCheck>(Resolver); };
}
