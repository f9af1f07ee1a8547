// ChekPing: the reachability check run before each connection, name resolution and one ICMP echo by the system or the raw path.
#include "checkping.h"

#include <QEventLoop>
#include <QTimer>

#include "errormessage.h"
#include "pingdll.h"
#include "pingdllthreadUnit.h"

ChekPing::ChekPing(QObject* Owner) : QObject(Owner) { MakePing(); }

ChekPing::~ChekPing() = default;

void ChekPing::MakePing() {
    FPing = std::make_unique<Tping>();
    FPing->WaitCount = FWaitCount;
    if (FResolver) FPing->SetResolver(FResolver);
    FPing->OnError = [this](Tping* Sender) { Notify(SocketErrorText(Sender->LastError)); };
    FPing->OnTimeout = [this](Tping* Sender) {
        Notify(SocketErrorText(Sender->LastError) + " withTimeout at " + Sender->metaObject()->className());
    };
}

void ChekPing::Notify(const std::string& Text) {
    if (OnMessage) OnMessage(Text);
}

void ChekPing::SetTimeout(int Tenths) {
    Timeout = Tenths * 100;
    FWaitCount = Tenths;
    if (FPing) FPing->WaitCount = Tenths;
}

void ChekPing::SetResolver(TNameResolver* Resolver) {
    FResolver = Resolver;
    if (FPing) FPing->SetResolver(Resolver);
}

void ChekPing::Check() {
    // A second check gets a fresh echo component.
    if (!FPing) MakePing();
    PathTaken = TEchoPath::None;
    ErrorText.clear();
    FPing->Resolve(Host);
    Address = FPing->AddressText;
    Found = true;
    Reachable = true;
    if (!FPing->Resolved) {
        Found = false;
        return;
    }
    // The echo component goes at the end of the check, also when it throws.
    struct TRelease {
        std::unique_ptr<Tping>& Ping;
        ~TRelease() { Ping.reset(); }
    } Release{FPing};
    std::unique_ptr<ICPMDLL> Wrapper = ICPMDLL::TryLoad();
    if (!Wrapper && (FPing->HighVersion & 0xFF) >= 2) {
        RawEcho();
        return;
    }
    if (!Wrapper) Wrapper = std::make_unique<ICPMDLL>();  // raises "Unable to register icmpDLL"
    SystemEcho(std::move(Wrapper));
}

void ChekPing::RawEcho() {
    PathTaken = TEchoPath::Raw;
    Tping& P = *FPing;
    P.Connect();
    if (!P.SendEcho()) {
        ErrorText = SocketErrorText(P.LastError) + " at Sending";
        Reachable = false;
        P.CloseSocket();
    } else if (P.ReceiveEcho()) {
        Address = P.AddressText;
        P.CloseSocket();
    } else {
        ErrorText = SocketErrorText(P.LastError) + " at reciveing";
        Reachable = false;
        if (P.SocketOpen()) P.CloseSocket();
    }
}

void ChekPing::SystemEcho(std::unique_ptr<ICPMDLL> Wrapper) {
    PathTaken = TEchoPath::System;
    const int WaitCount = FPing->WaitCount;
    pingdllthread Worker(std::move(Wrapper), Address);
    Worker.TimeoutTenths = WaitCount;
    Worker.Wrapper().Timeout = WaitCount * 100;

    QEventLoop Loop;
    Worker.OnCompleted = [&Loop] { Loop.quit(); };
    // The worker gives up after its own time-out; this bound only guards
    // against a worker that never reports.
    QTimer Guard;
    Guard.setSingleShot(true);
    QObject::connect(&Guard, &QTimer::timeout, &Loop, &QEventLoop::quit);
    Worker.start();
    Guard.start(WaitCount * 100 + 5000);
    while (!Worker.Completed() && Guard.isActive()) Loop.exec();
    Worker.wait();

    if (Worker.Failed) {
        ErrorText = Worker.FailText;
        Reachable = false;
    } else {
        Reachable = true;
        Address = Worker.ReplyAddress;
    }
}
