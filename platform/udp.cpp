#include "platform/udp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in ToSockaddr(const NetAddress& a) {
  sockaddr_in s{};
  s.sin_family = AF_INET;
  s.sin_addr.s_addr = htonl(a.ip);
  s.sin_port = htons(a.port);
  return s;
}

bool loopbackOnly = false;

}  // namespace

void UdpRestrictToLoopback(bool on) { loopbackOnly = on; }

int UdpOpen() {
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
  return s < 0 ? kInvalidSocket : s;
}

bool UdpBind(int socket, uint16_t port) {
  if (socket < 0) return false;
  sockaddr_in s{};
  s.sin_family = AF_INET;
  s.sin_addr.s_addr = htonl(INADDR_ANY);
  s.sin_port = htons(port);
  return ::bind(socket, reinterpret_cast<const sockaddr*>(&s), sizeof s) == 0;
}

uint16_t UdpLocalPort(int socket) {
  if (socket < 0) return 0;
  sockaddr_in s{};
  socklen_t len = sizeof s;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&s), &len) != 0) return 0;
  return ntohs(s.sin_port);
}

bool UdpSetBroadcast(int socket, bool on) {
  if (socket < 0) return false;
  const int value = on ? 1 : 0;
  return ::setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &value, sizeof value) == 0;
}

int UdpSetReceiveBuffer(int socket, int bytes) {
  if (socket < 0 || bytes <= 0) return 0;
  ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  int size = 0;
  socklen_t len = sizeof size;
  return ::getsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, &len) == 0 ? size : 0;
}

bool UdpConnect(int socket, const NetAddress& peer) {
  if (socket < 0) return false;
  const sockaddr_in s = ToSockaddr(peer);
  return ::connect(socket, reinterpret_cast<const sockaddr*>(&s), sizeof s) == 0;
}

int UdpSendTo(int socket, const void* data, size_t size, const NetAddress& to) {
  if (socket < 0) return -1;
  if (loopbackOnly && (to.ip >> 24) != 127) return -1;
  const sockaddr_in s = ToSockaddr(to);
  const ssize_t n = ::sendto(socket, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&s), sizeof s);
  return n < 0 ? -1 : static_cast<int>(n);
}

UdpReceive UdpReceiveFrom(int socket, void* data, size_t capacity, size_t* length, NetAddress* from) {
  if (socket < 0) return UdpReceive::Empty;
  sockaddr_in s{};
  socklen_t len = sizeof s;
  // MSG_TRUNC makes the call report the datagram's real length even when it did not fit.
  ssize_t n;
  for (;;) {
    len = sizeof s;
    n = ::recvfrom(socket, data, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&s), &len);
    if (n >= 0) break;
    // EINTR, and an ICMP "port unreachable" for an earlier send (reported here on Linux), say
    // nothing about the socket: read on.
    if (errno == EINTR || errno == ECONNREFUSED) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return UdpReceive::Empty;
    return UdpReceive::Error;
  }
  if (length) *length = static_cast<size_t>(n);
  if (from) {
    from->ip = ntohl(s.sin_addr.s_addr);
    from->port = ntohs(s.sin_port);
  }
  return static_cast<size_t>(n) > capacity ? UdpReceive::Truncated : UdpReceive::Datagram;
}

void UdpClose(int& socket) {
  if (socket < 0) return;
  ::close(socket);
  socket = kInvalidSocket;
}
