// Shared by the host's and the client's pumps.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "platform/udp.h"

// The receive buffer each LAN socket asks for. Linux doubles the figure for its own bookkeeping and
// charges about 1,280 bytes for each 408-byte client block, so the 8 MiB in effect hold about
// 6,500 datagrams: more than the 5,000 that a flood of 100,000 a second brings in the longest frame
// the game counts (50 ms). Where the system's limit (net.core.rmem_max) is lower, the socket gets
// what that limit allows.
constexpr int kNetReceiveBufferBytes = 4 << 20;

// The longest a frame spends reading its socket: at about 1 us a datagram (read and decoded), time
// for some 9,000, more than the 5,000 that a flood of 100,000 a second brings in a 50 ms frame.
constexpr std::chrono::nanoseconds kMaxReceiveTimePerFrame = std::chrono::milliseconds(10);

// Reads every datagram waiting on the socket and hands each one that fits the buffer whole to
// take; truncated datagrams are dropped. The socket is read until it is empty, so that a flood
// never leaves it full between frames (the kernel would then drop the peer's datagrams with the
// flood's); only a flood that outpaces the reading meets the time bound (checked every 64
// datagrams), and the rest then waits for the next frame. maxDatagrams bounds the count as well.
template <typename Take>
void ReceiveWaitingDatagrams(int socket, uint8_t* buffer, size_t capacity, Take&& take,
                             int maxDatagrams = std::numeric_limits<int>::max(),
                             std::chrono::nanoseconds timeBound = kMaxReceiveTimePerFrame) {
  // The wall clock, not the frame clock: a frame clock that stands still must not make this endless.
  const auto until = std::chrono::steady_clock::now() + timeBound;
  for (int n = 0; n < maxDatagrams; ++n) {
    size_t length = 0;
    NetAddress from;
    const UdpReceive r = UdpReceiveFrom(socket, buffer, capacity, &length, &from);
    if (r == UdpReceive::Empty || r == UdpReceive::Error) return;
    if (r == UdpReceive::Datagram) take(buffer, length, from);
    if ((n & 63) == 63 && std::chrono::steady_clock::now() >= until) return;
  }
}

// Client: a datagram has gone out with the presses gathered since the last one; the next one
// carries only what is held or pressed from now on.
void ForgetSentPresses();
// Client: adds the keys held in play now to the presses the next datagram of the match carries
// (BuildClientInput does this too, and writes them into clientBlock).
void LatchClientPresses();
