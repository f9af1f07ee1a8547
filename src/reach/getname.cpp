// Name lookup for the echo component: the replaceable resolver interface and the system's asynchronous lookup behind it.
#include "getname.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

namespace {

class TSystemResolver : public TNameResolver {
public:
    int Start(const std::string& Name, TAnswer Answer, int& Error) override {
        Error = 0;
        if (!Context) Context = std::make_unique<QObject>();
        auto Pending = std::make_shared<int>(0);
        int Id = QHostInfo::lookupHost(QString::fromLatin1(Name.data(), static_cast<int>(Name.size())),
                                       Context.get(),
                                       [this, Pending](const QHostInfo& Info) { Deliver(*Pending, Info); });
        if (Id <= 0) {
            Error = 11003;
            return 0;
        }
        *Pending = Id;
        Answers[Id] = std::move(Answer);
        return Id;
    }

    bool Cancel(int Handle, int& Error) override {
        Error = 0;
        auto It = Answers.find(Handle);
        if (It == Answers.end()) {
            Error = 10022;
            return false;
        }
        Answers.erase(It);
        QHostInfo::abortHostLookup(Handle);
        return true;
    }

private:
    void Deliver(int Id, const QHostInfo& Info) {
        auto It = Answers.find(Id);
        if (It == Answers.end()) return;  // cancelled
        TAnswer Answer = std::move(It->second);
        Answers.erase(It);
        std::vector<uint32_t> Addresses;
        for (const QHostAddress& A : Info.addresses())
            if (A.protocol() == QAbstractSocket::IPv4Protocol) Addresses.push_back(A.toIPv4Address());
        int Error = 0;
        switch (Info.error()) {
            case QHostInfo::NoError:
                if (Addresses.empty()) Error = 11004;
                break;
            case QHostInfo::HostNotFound: Error = 11001; break;
            default: Error = 11002; break;
        }
        if (Answer) Answer(Id, Error, Addresses);
    }

    std::unique_ptr<QObject> Context;
    std::map<int, TAnswer> Answers;
};

TNameResolver* Replacement = nullptr;

}  // namespace

TNameResolver& SystemNameResolver() {
    static TSystemResolver Resolver;
    return Resolver;
}

TNameResolver& DefaultNameResolver() { return Replacement ? *Replacement : SystemNameResolver(); }

void SetDefaultNameResolver(TNameResolver* Resolver) { Replacement = Resolver; }
