// SocketErrorText: the Japanese sentence for a Windows Sockets error code, and the errno to Windows Sockets code mapping.
#pragma once

#include <cstdint>
#include <string>

// The Shift_JIS sentence for a Windows Sockets error code; codes without a
// sentence of their own (0, negative and unknown codes) give the default
// "WinSock 不明なエラーです". Never fails.
std::string SocketErrorText(int32_t ErrorCode);

// The Windows Sockets error number for a POSIX errno value (EACCES -> 10013,
// ETIMEDOUT -> 10060, ...). 0 stays 0; a value with no counterpart is returned
// unchanged, which SocketErrorText reports with its default text. (The client
// socket has its own WinSockErrorFromErrno for connection errors, which maps
// unknown values to 10053; the names differ so that both link into one program.)
int ErrnoToWinSockError(int Errno);
