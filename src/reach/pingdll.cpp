// ICPMDLL: the system echo path, one ICMP echo through an unprivileged ICMP datagram socket, and TICMPException.
#include "pingdll.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <vector>

#include "Icmphead.h"
#include "cp932.h"

namespace {

// Sequence numbers of the system path; the kernel sets the identifier.
std::atomic<uint16_t> DatagramSequence{1};

int OpenEchoSocket() { return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP); }

}  // namespace

bool ICPMDLL::CanLoad() {
    int Fd = OpenEchoSocket();
    if (Fd < 0) return false;
    ::close(Fd);
    return true;
}

std::unique_ptr<ICPMDLL> ICPMDLL::TryLoad() {
    int Fd = OpenEchoSocket();
    if (Fd < 0) return nullptr;
    return std::unique_ptr<ICPMDLL>(new ICPMDLL(Fd));
}

ICPMDLL::ICPMDLL() {
    Handle = OpenEchoSocket();
    if (Handle < 0) throw TICMPException("Unable to register icmpDLL");
    SetUp();
}

ICPMDLL::ICPMDLL(int Socket) : Handle(Socket) { SetUp(); }

void ICPMDLL::SetUp() {
    int Flags = ::fcntl(Handle, F_GETFL);
    if (Flags < 0 || ::fcntl(Handle, F_SETFL, Flags | O_NONBLOCK) < 0) {
        ::close(Handle);
        Handle = -1;
        throw TICMPException("Unable to get ping handle");
    }
}

ICPMDLL::~ICPMDLL() {
    if (Handle >= 0) ::close(Handle);
}

void ICPMDLL::SetDestination(const std::string& AddressText) {
    uint32_t A;
    Destination = ParseDottedAddress(AddressText, A) ? htonl(A) : 0xFFFFFFFFu;
}

int ICPMDLL::Ping() {
    using Clock = std::chrono::steady_clock;
    ReplySize = DataSize + 44;
    const int Size = DataSize < 0 ? 8 : 8 + DataSize;
    std::vector<uint8_t> Request(static_cast<size_t>(Size), 0xA1);
    const uint16_t Sequence = DatagramSequence.fetch_add(1);
    Request[0] = IcmpEchoRequestType;
    Request[1] = 0;
    Request[2] = Request[3] = 0;  // the kernel fills in the checksum
    Request[4] = Request[5] = 0;  // and the identifier
    Request[6] = static_cast<uint8_t>(Sequence & 0xFF);
    Request[7] = static_cast<uint8_t>(Sequence >> 8);

    int Ttl = 255, Tos = 0;
    ::setsockopt(Handle, IPPROTO_IP, IP_TTL, &Ttl, sizeof Ttl);
    ::setsockopt(Handle, IPPROTO_IP, IP_TOS, &Tos, sizeof Tos);

    sockaddr_in To{};
    To.sin_family = AF_INET;
    To.sin_addr.s_addr = Destination;
    const auto Start = Clock::now();
    const auto Deadline = Start + std::chrono::milliseconds(Timeout > 0 ? Timeout : 0);
    bool Answered = false;
    if (::sendto(Handle, Request.data(), Request.size(), 0, reinterpret_cast<sockaddr*>(&To), sizeof To) >=
        0) {
        std::vector<uint8_t> Reply(IcmpReceiveSize);
        for (;;) {
            auto Left =
                std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
            if (Left < 0) break;
            pollfd P{Handle, POLLIN, 0};
            int R = ::poll(&P, 1, static_cast<int>(Left));
            if (R < 0 && errno == EINTR) continue;
            if (R <= 0) break;
            sockaddr_in From{};
            socklen_t FromSize = sizeof From;
            ssize_t N = ::recvfrom(Handle, Reply.data(), Reply.size(), 0, reinterpret_cast<sockaddr*>(&From),
                                   &FromSize);
            if (N < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
                break;
            }
            TIcmpReply Msg;
            // The kernel has checked the checksum and matched the identifier.
            if (ParseIcmpMessage(Reply.data(), static_cast<size_t>(N), Msg) &&
                Msg.Type == IcmpEchoReplyType && Msg.Sequence == Sequence) {
                RoundTrip = static_cast<int>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Start).count());
                ReplyAddress = DottedAddress(ntohl(From.sin_addr.s_addr));
                Status = 0;
                Answered = true;
                break;
            }
        }
    }
    if (!Answered) {
        RoundTrip = -1;
        throw TICMPException(SJ("ICMP error <pingの設定を無視するにcheckを入れて試してみてください>"));
    }
    return RoundTrip;
}
