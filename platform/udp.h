// UDP datagram sockets over POSIX: one non-blocking IPv4 socket per handle, in place of the
// Windows sockets the LAN match was written against. A handle is a plain int; -1 is no socket.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kInvalidSocket = -1;

// An IPv4 address and port, both in host byte order (the conversion to network order happens
// only inside this layer).
struct NetAddress {
  uint32_t ip = 0;
  uint16_t port = 0;
  bool operator==(const NetAddress&) const = default;
};

constexpr uint32_t kLoopbackIp = 0x7f000001u;   // 127.0.0.1
constexpr uint32_t kBroadcastIp = 0xffffffffu;  // 255.255.255.255

// Opens a non-blocking UDP socket; kInvalidSocket on failure.
int UdpOpen();
// Binds to any local address at port (0: a free port chosen by the system).
bool UdpBind(int socket, uint16_t port);
// The local port a socket is bound to (0 when unbound or on failure).
uint16_t UdpLocalPort(int socket);
// Allows sending to broadcast addresses.
bool UdpSetBroadcast(int socket, bool on);
// Confines sends to loopback (127.0.0.0/8): a datagram to any other address, broadcast included,
// fails as a refused send would. Every test program turns this on (tests/support/udp_guard.cpp).
void UdpRestrictToLoopback(bool on);
// Asks for a receive buffer of this many bytes. The system may give less (it caps the size at its
// own limit) and counts its own bookkeeping per datagram against it. The size in effect afterwards,
// as the system reports it; 0 on failure.
int UdpSetReceiveBuffer(int socket, int bytes);
// From now on takes datagrams only from this address: the system turns the others away before they
// reach the socket's buffer. Sends to any address still go out.
bool UdpConnect(int socket, const NetAddress& peer);
// Sends one datagram; the number of bytes sent, or -1 on failure.
int UdpSendTo(int socket, const void* data, size_t size, const NetAddress& to);

enum class UdpReceive {
  Datagram,   // a datagram was read; *length is its full length
  Truncated,  // a datagram longer than the buffer was read and cut; *length is its full length
  Empty,      // nothing waiting (or no socket)
  Error,      // the socket failed
};
// Reads one waiting datagram into data (at most capacity bytes) without blocking.
UdpReceive UdpReceiveFrom(int socket, void* data, size_t capacity, size_t* length, NetAddress* from);
// Closes the socket and sets the handle to kInvalidSocket; does nothing for kInvalidSocket.
void UdpClose(int& socket);
