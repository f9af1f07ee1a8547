// Tping: the echo component, name resolution in WaitSlice steps and the raw-socket ICMP echo read through a QSocketNotifier.
#pragma once

#include <QObject>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SysUtils.h"

class QEventLoop;
class QSocketNotifier;
class TNameResolver;

// A failed socket call of the echo component: "ping Error: " and the detail.
class ECommError : public Exception {
public:
    explicit ECommError(const std::string& Detail) : Exception("ping Error: " + Detail) {}
};

class Tping : public QObject {
    Q_OBJECT
public:
    explicit Tping(QObject* Owner = nullptr);
    ~Tping() override;

    // Resolves Host into AddressText (a dotted address needs no lookup).
    // On failure HostText becomes "NOTFOUND" and OnError is raised, or, when
    // no answer comes within WaitCount + 1 steps, OnTimeout with LastError 10060.
    bool Resolve(const std::string& Host);

    // Opens the raw ICMP socket; ECommError when the system refuses it.
    bool Connect();
    // Sends one echo request to AddressText and waits for its reply.
    bool SendEcho();
    // True once the reply has arrived, waiting for it if needed.
    bool ReceiveEcho();
    // Closes the raw socket; ECommError when it is not open.
    void CloseSocket();
    bool SocketOpen() const { return Socket >= 0; }

    // The resolver lookups go through; not owned. Defaults to DefaultNameResolver().
    void SetResolver(TNameResolver* Resolver);

    std::string HostText;
    std::string AddressText;
    bool Resolved = false;
    int LastError = 0;
    int WaitSlice = 100;
    int WaitCount = 50;
    uint16_t HighVersion = 0x0202;  // low byte: major number
    std::function<void(Tping* Sender)> OnError;
    std::function<void(Tping* Sender)> OnTimeout;

    int Socket = -1;
    bool ReplyArrived = false;
    std::string ReplySource;
    long SentBytes = 0;
    // Steps the last wait took (each up to WaitSlice ms).
    int WaitSteps = 0;

private:
    void SetSignal();
    // Waits in up to WaitCount + 1 steps of WaitSlice ms while processing
    // events; true when the signal was set (or a send failed) in time.
    bool WaitForSignal();
    void NotFound();
    void LookupAnswered(int Handle, int Error, const std::vector<uint32_t>& Addresses);
    void WriteReady();
    void ReadReady();

    TNameResolver* Resolver;
    bool Signal = false;
    QEventLoop* ActiveWait = nullptr;
    int PendingLookup = 0;
    std::vector<uint32_t> LookupResult;
    std::unique_ptr<QSocketNotifier> ReadNotifier;
    bool EchoOutstanding = false;
    uint16_t SentIdentifier = 0;
    uint16_t SentSequence = 0;
    uint32_t SentDestination = 0;
    std::exception_ptr SendFailure;
};
