// Shared by the host's and the client's pumps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/udp.h"

// Reads the datagrams waiting on netSocket, at most a bounded number per frame (a flood must not
// hold the frame; the rest wait for the next one), and hands each one that fits the buffer whole
// to take. Truncated datagrams are dropped.
template <typename Take>
void ReceiveWaitingDatagrams(int socket, uint8_t* buffer, size_t capacity, Take&& take) {
  constexpr int kMaxDatagramsPerFrame = 64;
  for (int n = 0; n < kMaxDatagramsPerFrame; ++n) {
    size_t length = 0;
    NetAddress from;
    const UdpReceive r = UdpReceiveFrom(socket, buffer, capacity, &length, &from);
    if (r == UdpReceive::Empty || r == UdpReceive::Error) return;
    if (r == UdpReceive::Datagram) take(buffer, length, from);
  }
}
