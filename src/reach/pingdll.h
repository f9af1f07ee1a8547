// ICPMDLL: the system echo path, one ICMP echo through an unprivileged ICMP datagram socket, and TICMPException.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "SysUtils.h"

// Raised when the system echo path cannot be set up or an echo gets no answer.
class TICMPException : public Exception {
public:
    using Exception::Exception;
};

// The system's ICMP echo service. On this platform it is the kernel's ICMP
// datagram ("ping") socket, which the system grants only to the groups in
// net.ipv4.ping_group_range; the wrapper "loads" when that socket can be made.
class ICPMDLL {
public:
    // Opens the echo socket; TICMPException "Unable to register icmpDLL" when
    // the system refuses it, "Unable to get ping handle" when it cannot be set up.
    ICPMDLL();
    ~ICPMDLL();
    ICPMDLL(const ICPMDLL&) = delete;
    ICPMDLL& operator=(const ICPMDLL&) = delete;

    // True when the system grants an ICMP datagram socket right now.
    static bool CanLoad();
    // A wrapper when the system grants the echo socket, nullptr when it
    // refuses it; TICMPException when the socket cannot be set up. Probing and
    // loading in one step leaves no gap in which the system's answer can change.
    static std::unique_ptr<ICPMDLL> TryLoad();

    // Destination from dotted text; a text that is no address gives the
    // all-ones address, to which no echo is answered.
    void SetDestination(const std::string& AddressText);

    // Sends DataSize bytes of 0xA1 with time to live 255 and waits up to
    // Timeout ms for the echo reply. Returns RoundTrip; without a reply
    // RoundTrip becomes -1 and TICMPException "ICMP error <...>" is raised.
    int Ping();

    std::string ReplyAddress;
    uint32_t Destination = 0xFFFFFFFFu;  // network byte order
    int DataSize = 56;
    int Timeout = 4000;
    int ReplySize = 0;
    int RoundTrip = 0;
    int Status = 0;  // 0: the reply was an echo reply

private:
    explicit ICPMDLL(int Socket);
    void SetUp();

    int Handle = -1;  // the echo socket
};
