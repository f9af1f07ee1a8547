// Test fixtures of the reachability tests: the ping group range held for one test, and a silent host in a network namespace.
#pragma once

#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "Icmphead.h"

// The message of the exception of type E that Step raises, or "(nothing raised)".
template <class E, class F>
std::string RaisedText(F Step) {
    try {
        Step();
    } catch (const E& Error) {
        return Error.Message();
    }
    return "(nothing raised)";
}

inline bool RunQuiet(const std::string& Command) {
    return std::system((Command + " >/dev/null 2>&1").c_str()) == 0;
}

// Holds net.ipv4.ping_group_range so that the system grants (or refuses) this
// process an ICMP datagram socket, and puts the old value back on destruction,
// whatever way the test leaves. Tests in other processes that hold one wait
// on a lock file, so the value never changes under a running test.
class ScopedPingGroupRange {
public:
    enum TMode { Grant, Refuse };

    explicit ScopedPingGroupRange(TMode Mode) {
        const std::string Gid = std::to_string(getegid());
        Ok = geteuid() == 0 && (LockFd = ::open(Lock, O_CREAT | O_RDWR | O_CLOEXEC, 0600)) >= 0 &&
             ::flock(LockFd, LOCK_EX) == 0 && std::getline(std::ifstream(Path), Old) &&
             Write(Mode == Grant ? Gid + " " + Gid : "1 0");
        if (!Ok) Why = "changing net.ipv4.ping_group_range needs root and a writable /proc/sys";
    }
    ~ScopedPingGroupRange() {
        if (Ok) Write(Old);
        if (LockFd >= 0) ::close(LockFd);  // releases the lock
    }

    bool Ok = false;
    std::string Why;

private:
    static constexpr const char* Path = "/proc/sys/net/ipv4/ping_group_range";
    static constexpr const char* Lock = "/tmp/velnaro-reach-ping-group-range.lock";
    static bool Write(const std::string& Value) {
        return static_cast<bool>(std::ofstream(Path) << Value << std::endl);
    }

    int LockFd = -1;
    std::string Old;
};

// A host that never answers an echo: a network namespace joined to this one by
// a veth pair with a private /30, the far end ignoring echo requests. Both go
// when the object does. Traffic to FarAddress stays inside the pair.
class SilentHost {
public:
    SilentHost() {
        if (geteuid() != 0) {
            Why = "creating a network namespace needs root";
            return;
        }
        static unsigned Serial = 0;
        const unsigned Pid = static_cast<unsigned>(getpid()), Mine = Serial++;
        const std::string Tag = std::to_string(Pid) + "x" + std::to_string(Mine);
        Namespace = "velnaro-reach-" + Tag;
        HostEnd = "vrh" + Tag;  // interface names stay within 15 characters
        FarEnd = "vrf" + Tag;
        const uint32_t Net = PickNetwork((Pid * 4u + Mine) & 0x3FFFFFu);
        FarAddress = DottedAddress(Net + 2);
        Cleanup();
        const std::string In = "ip netns exec " + Namespace + " ";
        for (const std::string& Step : {
                 "ip netns add " + Namespace,
                 "ip link add " + HostEnd + " type veth peer name " + FarEnd + " netns " + Namespace,
                 In + "ip addr add " + FarAddress + "/30 dev " + FarEnd,
                 In + "ip link set " + FarEnd + " up",
                 In + "sh -c 'echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all'",
                 "ip addr add " + DottedAddress(Net + 1) + "/30 dev " + HostEnd,
                 "ip link set " + HostEnd + " up",
             }) {
            if (!RunQuiet(Step)) {
                Why = "cannot set up a network namespace: '" + Step + "' failed";
                Cleanup();
                return;
            }
        }
        Ok = true;
    }
    ~SilentHost() { Cleanup(); }

    bool Ok = false;
    std::string Why;
    std::string FarAddress;

private:
    void Cleanup() {
        RunQuiet("ip link del " + HostEnd);
        RunQuiet("ip netns del " + Namespace);
    }

    // A /30 inside 10.0.0.0/8 that no address of this machine falls in.
    static uint32_t PickNetwork(uint32_t Index) {
        ifaddrs* List = nullptr;
        if (getifaddrs(&List) != 0) List = nullptr;
        for (;; Index = (Index + 1) & 0x3FFFFFu) {
            const uint32_t Net = (10u << 24) | (Index << 2);
            bool Taken = false;
            for (ifaddrs* I = List; I; I = I->ifa_next)
                Taken |= I->ifa_addr && I->ifa_addr->sa_family == AF_INET &&
                         (ntohl(reinterpret_cast<sockaddr_in*>(I->ifa_addr)->sin_addr.s_addr) & ~3u) == Net;
            if (!Taken) return freeifaddrs(List), Net;
        }
    }

    std::string Namespace, HostEnd, FarEnd;
};
