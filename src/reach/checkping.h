// ChekPing: the reachability check run before each connection, name resolution and one ICMP echo by the system or the raw path.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "Tping.h"
#include "pingdll.h"

class TNameResolver;

class ChekPing : public QObject {
    Q_OBJECT
public:
    explicit ChekPing(QObject* Owner = nullptr);
    ~ChekPing() override;

    // Time-out in tenths of a second: Timeout = Tenths x 100 ms and the echo
    // component's WaitCount = Tenths.
    void SetTimeout(int Tenths);

    // Resolves Host and sends one echo. Read Found, Reachable, Address and
    // ErrorText afterwards. TICMPException and ECommError reach the caller.
    void Check();

    // The resolver the check's lookups go through (not owned); nullptr for the default.
    void SetResolver(TNameResolver* Resolver);

    // The echo component, while it lives (from construction to the end of a
    // check whose name resolved).
    Tping* Ping() const { return FPing.get(); }

    // How the echo of the last check went out.
    enum class TEchoPath { None, System, Raw };
    TEchoPath PathTaken = TEchoPath::None;

    std::string Host;
    std::string Address;
    int Timeout = 5000;
    bool Found = false;
    bool Reachable = false;
    std::string ErrorText;

    // The messages the check raises for the user (the error text of a failed
    // lookup, a time-out); the window shows them as message boxes.
    std::function<void(const std::string& Text)> OnMessage;

private:
    void MakePing();
    void Notify(const std::string& Text);
    void RawEcho();
    void SystemEcho(std::unique_ptr<ICPMDLL> Wrapper);

    std::unique_ptr<Tping> FPing;
    TNameResolver* FResolver = nullptr;
    int FWaitCount = 50;
};
