// Linked into every test program that can reach the platform layer: UDP sends are confined to
// loopback before any test runs, so a test that clicks SEARCH or JOIN never reaches the network.
#include "platform/udp.h"

namespace {

[[maybe_unused]] const bool confined = [] {
  UdpRestrictToLoopback(true);
  return true;
}();

}  // namespace
