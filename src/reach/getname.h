// Name lookup for the echo component: the replaceable resolver interface and the system's asynchronous lookup behind it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// An asynchronous host-name lookup. Answers come later through the event loop
// of the thread that started the lookup, never from inside Start.
class TNameResolver {
public:
    // Handle of the lookup, Windows Sockets error code carried by the answer
    // (0 when none), IPv4 addresses in host order (may be empty).
    using TAnswer = std::function<void(int Handle, int Error, const std::vector<uint32_t>& Addresses)>;

    virtual ~TNameResolver() = default;
    // Starts a lookup of Name; returns a handle above 0, or 0 with a Windows
    // Sockets error code in Error when the lookup cannot be started.
    virtual int Start(const std::string& Name, TAnswer Answer, int& Error) = 0;
    // Cancels a pending lookup, whose answer is then never delivered; false
    // with a Windows Sockets error code in Error when that fails.
    virtual bool Cancel(int Handle, int& Error) = 0;
};

// The system's lookup (QHostInfo): IPv4 addresses only; a name that is not
// found gives 11001, a failing name service 11002, a name with no IPv4
// address 11004.
TNameResolver& SystemNameResolver();

// The resolver new echo components use: the system's unless replaced.
// Replacing it does not take ownership; nullptr restores the system's.
TNameResolver& DefaultNameResolver();
void SetDefaultNameResolver(TNameResolver* Resolver);
