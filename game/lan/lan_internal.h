// Shared by the host's and the client's pumps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/udp.h"

// Reads every datagram waiting on netSocket and hands each one that fits the buffer whole to
// take; truncated datagrams are dropped. A backlog (a peer that kept sending while this side was
// stalled) is drained in one frame, so the newest datagram is the one that counts; only a flood
// that outpaces the reading reaches the bound, and the rest then waits for the next frame.
constexpr int kMaxDatagramsPerFrame = 1024;

template <typename Take>
void ReceiveWaitingDatagrams(int socket, uint8_t* buffer, size_t capacity, Take&& take,
                             int maxDatagrams = kMaxDatagramsPerFrame) {
  for (int n = 0; n < maxDatagrams; ++n) {
    size_t length = 0;
    NetAddress from;
    const UdpReceive r = UdpReceiveFrom(socket, buffer, capacity, &length, &from);
    if (r == UdpReceive::Empty || r == UdpReceive::Error) return;
    if (r == UdpReceive::Datagram) take(buffer, length, from);
  }
}

// Client: a datagram has gone out with the presses gathered since the last one; the next one
// carries only what is held or pressed from now on.
void ForgetSentPresses();
