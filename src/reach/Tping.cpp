// Tping: the echo component, name resolution in WaitSlice steps and the raw-socket ICMP echo read through a QSocketNotifier.
#include "Tping.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Icmphead.h"
#include "cp932.h"
#include "errormessage.h"
#include "getname.h"

Tping::Tping(QObject* Owner) : QObject(Owner), Resolver(&DefaultNameResolver()) {
    // Nothing to start here: the socket interface is always there and offers
    // the equivalent of Windows Sockets 2.2.
}

Tping::~Tping() {
    if (PendingLookup != 0) {
        int Error = 0;
        Resolver->Cancel(PendingLookup, Error);
    }
    ReadNotifier.reset();
    if (Socket >= 0) ::close(Socket);
}

void Tping::SetResolver(TNameResolver* R) { Resolver = R ? R : &DefaultNameResolver(); }

void Tping::SetSignal() {
    Signal = true;
    if (ActiveWait) ActiveWait->quit();
}

bool Tping::WaitForSignal() {
    WaitSteps = 0;
    for (int Step = 0; Step <= WaitCount; ++Step) {
        if (Signal || SendFailure) return true;
        ++WaitSteps;
        QEventLoop Loop;
        QTimer Slice;
        Slice.setSingleShot(true);
        Slice.setTimerType(Qt::PreciseTimer);
        QObject::connect(&Slice, &QTimer::timeout, &Loop, &QEventLoop::quit);
        Slice.start(WaitSlice > 0 ? WaitSlice : 0);
        QEventLoop* Outer = ActiveWait;
        ActiveWait = &Loop;
        Loop.exec();
        ActiveWait = Outer;
    }
    return Signal || SendFailure;
}

void Tping::NotFound() {
    HostText = "NOTFOUND";
    if (OnError) OnError(this);
}

bool Tping::Resolve(const std::string& Host) {
    Resolved = false;
    HostText = Host;
    LookupResult.clear();
    uint32_t Address;
    if (!ParseDottedAddress(Host, Address)) {
        Signal = false;
        int Error = 0;
        PendingLookup = Resolver->Start(
            Host,
            [this](int Handle, int Err, const std::vector<uint32_t>& Addresses) {
                LookupAnswered(Handle, Err, Addresses);
            },
            Error);
        if (PendingLookup == 0) {
            LastError = Error;
            NotFound();
            return false;
        }
        if (!WaitForSignal()) {
            LastError = 10060;
            int Error2 = 0;
            if (!Resolver->Cancel(PendingLookup, Error2)) LastError = Error2;
            PendingLookup = 0;
            if (OnTimeout) OnTimeout(this);
            return false;
        }
        PendingLookup = 0;
        if (LookupResult.empty() || LookupResult.front() == 0xFFFFFFFFu) {
            NotFound();
            return false;
        }
        Address = LookupResult.front();
    }
    AddressText = DottedAddress(Address);
    Resolved = true;
    return true;
}

void Tping::LookupAnswered(int Handle, int Error, const std::vector<uint32_t>& Addresses) {
    if (Handle != PendingLookup || PendingLookup == 0) return;
    if (Error != 0) LastError = Error;
    LookupResult = Addresses;
    SetSignal();
}

bool Tping::Connect() {
    if (Socket >= 0) CloseSocket();
    int Fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (Fd < 0) {
        LastError = ErrnoToWinSockError(errno);
        throw ECommError(SJ("Socketが作成できない。") + SocketErrorText(LastError));
    }
    int Flags = ::fcntl(Fd, F_GETFL);
    if (Flags < 0 || ::fcntl(Fd, F_SETFL, Flags | O_NONBLOCK) < 0) {
        LastError = ErrnoToWinSockError(errno);
        ::close(Fd);
        throw ECommError(SJ("非ブロッキング設定ができない。") + SocketErrorText(LastError));
    }
    Socket = Fd;
    ReadNotifier = std::make_unique<QSocketNotifier>(Fd, QSocketNotifier::Read);
    QObject::connect(ReadNotifier.get(), &QSocketNotifier::activated, this, [this] { ReadReady(); });
    EchoOutstanding = false;
    return true;
}

bool Tping::SendEcho() {
    Signal = false;
    SentBytes = 0;
    ReplyArrived = false;
    SendFailure = nullptr;
    // The packet goes out from the event loop, as on a write notification.
    QMetaObject::invokeMethod(
        this, [this] { WriteReady(); }, Qt::QueuedConnection);
    bool Signalled = WaitForSignal();
    if (SendFailure) {
        std::exception_ptr Failure = SendFailure;
        SendFailure = nullptr;
        std::rethrow_exception(Failure);
    }
    if (!Signalled) {
        LastError = 10060;
        if (OnTimeout) OnTimeout(this);
        return false;
    }
    return true;
}

void Tping::WriteReady() {
    if (Socket < 0) return;
    Signal = false;
    uint32_t Destination;
    if (!ParseDottedAddress(AddressText, Destination)) Destination = 0xFFFFFFFFu;
    sockaddr_in To{};
    To.sin_family = AF_INET;
    To.sin_port = 0;
    To.sin_addr.s_addr = htonl(Destination);
    uint16_t Identifier, Sequence;
    TEchoPacket Packet = NextEchoRequest(TickCount(), Identifier, Sequence);
    SentIdentifier = Identifier;
    SentSequence = Sequence;
    SentDestination = Destination;
    EchoOutstanding = true;
    ssize_t N =
        ::sendto(Socket, Packet.data(), Packet.size(), 0, reinterpret_cast<sockaddr*>(&To), sizeof To);
    SentBytes = static_cast<long>(N);
    if (N < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        LastError = ErrnoToWinSockError(errno);
        // Raised to the caller of SendEcho once its wait has ended.
        SendFailure = std::make_exception_ptr(ECommError(SJ("sendto Error: ") + SocketErrorText(LastError)));
        if (ActiveWait) ActiveWait->quit();
    }
}

void Tping::ReadReady() {
    if (Socket < 0) return;
    uint8_t Buffer[IcmpReceiveSize];
    sockaddr_in From{};
    socklen_t FromSize = sizeof From;
    ssize_t N = ::recvfrom(Socket, Buffer, sizeof Buffer, 0, reinterpret_cast<sockaddr*>(&From), &FromSize);
    if (N < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
        LastError = ErrnoToWinSockError(errno);
        NotFound();
        return;
    }
    // Every ICMP packet the machine receives reaches a raw socket; only the
    // reply to the request just sent counts as the answer.
    TIcmpReply Reply;
    if (!EchoOutstanding || !ParseIpIcmpPacket(Buffer, static_cast<size_t>(N), Reply)) return;
    if (!IsEchoReplyTo(Reply, SentIdentifier, SentSequence) || Reply.Source != SentDestination) return;
    EchoOutstanding = false;
    ReplySource = DottedAddress(Reply.Source);
    ReplyArrived = true;
    SetSignal();
}

bool Tping::ReceiveEcho() {
    if (Socket < 0) {
        NotFound();
        return false;
    }
    if (ReplyArrived) return true;
    Signal = false;
    if (!WaitForSignal() || !ReplyArrived) {
        LastError = 10060;
        if (OnTimeout) OnTimeout(this);
        CloseSocket();
        return false;
    }
    return true;
}

void Tping::CloseSocket() {
    ReadNotifier.reset();
    int Fd = Socket;
    Socket = -1;
    EchoOutstanding = false;
    if (Fd < 0 || ::close(Fd) != 0) {
        LastError = Fd < 0 ? 10038 : ErrnoToWinSockError(errno);
        throw ECommError(SJ("Socketが閉じられない。") + SocketErrorText(LastError));
    }
}
