// Discovery by broadcast, run only inside a network namespace that this test makes for itself
// (unshare -rn): there the one interface is loopback, so the broadcast reaches nothing but this
// process. The outer test re-runs this program inside the namespace; the inner test refuses to
// broadcast anywhere else.
#include <gtest/gtest.h>

#include <net/if.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "net/lan_machines.h"

namespace {

constexpr const char* kInsideVariable = "DUN_LAN_NETNS_INSIDE";
constexpr const char* kOuterNamespaceVariable = "DUN_LAN_OUTER_NETNS";
constexpr const char* kReadyMarker = "LAN-NETNS-READY";

std::string NamespaceOf(const char* path) {
  char buffer[256];
  const ssize_t n = readlink(path, buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(n));
}

// Proof that this process sits in a namespace of its own: a namespace other than the machine's
// (init's, where readable, and the outer test's), holding no interface but loopback.
std::string WhyNotIsolated() {
  const std::string self = NamespaceOf("/proc/self/ns/net");
  if (self.empty()) return "cannot read /proc/self/ns/net";
  const std::string init = NamespaceOf("/proc/1/ns/net");
  if (!init.empty() && init == self) return "this is the machine's network namespace";
  const char* outer = std::getenv(kOuterNamespaceVariable);
  if (outer == nullptr || *outer == '\0' || self == outer) return "not inside the namespace made by the outer test";
  struct if_nameindex* names = if_nameindex();
  if (names == nullptr) return "cannot list the interfaces";
  std::string others;
  for (struct if_nameindex* i = names; i->if_index != 0; ++i) {
    if (std::string(i->if_name) != "lo") others += std::string(" ") + i->if_name;
  }
  if_freenameindex(names);
  if (!others.empty()) return "interfaces other than loopback:" + others;
  return std::string();
}

std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) {
    *status = -1;
    return out;
  }
  char buffer[512];
  while (fgets(buffer, sizeof buffer, p)) out += buffer;
  *status = pclose(p);
  return out;
}

// The outer half: makes the namespace and runs the inner test in it.
TEST(LanBroadcast, DiscoveryAndJoinInsideAPrivateNetworkNamespace) {
  if (std::getenv(kInsideVariable)) GTEST_SKIP() << "inner run";
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = '\0';
  const std::string outerNs = NamespaceOf("/proc/self/ns/net");
  ASSERT_FALSE(outerNs.empty());
  const std::string command =
      std::string("unshare -rn sh -c 'ip link set lo up && "
                  "ip route add broadcast 255.255.255.255 dev lo table local src 127.0.0.1 && echo ") +
      kReadyMarker + " && exec env " + kInsideVariable + "=1 " + kOuterNamespaceVariable + "=\"" + outerNs +
      "\" \"$0\" --gtest_filter=LanBroadcast.Inside' '" + self + "' 2>&1";
  int status = 0;
  const std::string out = RunCommand(command, &status);
  if (out.find(kReadyMarker) == std::string::npos) {
    GTEST_SKIP() << "network namespaces are not available here; broadcast discovery not tested:\n" << out;
  }
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
  EXPECT_EQ(out.find("[  SKIPPED ]"), std::string::npos) << out;
}

// The inner half: a host on the game's port and a searching client, in one process.
TEST(LanBroadcast, Inside) {
  if (!std::getenv(kInsideVariable)) GTEST_SKIP() << "runs only inside the namespace of the outer test";
  const std::string why = WhyNotIsolated();
  ASSERT_TRUE(why.empty()) << "refusing to broadcast: " << why;
  // Isolated: the loopback-only rule of the test programs may be lifted for the broadcast.
  UdpRestrictToLoopback(false);

  ResetLanTestWorld();
  LanMachine host, client;
  host.netId = 314;
  host.map = 6;
  host.mode = 1;
  client.netId = 271;
  client.mode = 2;
  On(host, [] { NetHostStart(NET_PORT); });
  ASSERT_NE(host.socket, kInvalidSocket);

  // UPDATE on the connect screen: one broadcast, then a second of listening.
  On(client, [] {
    clientBlock.type = CLIENT_SEARCH;
    NetClientJoin(NET_PORT, -1);
  });
  for (int i = 0; i < 100 && client.servers[0].id == 0; ++i) {
    On(host, [] { NetHostPump(NET_PORT); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    On(client, [] { NetClientPump(NET_PORT); });
  }
  ASSERT_EQ(client.servers[0].id, 314);
  EXPECT_EQ(client.servers[0].mapNumber, 6);
  EXPECT_EQ(client.servers[0].state, HOST_WAITING);
  EXPECT_EQ(client.servers[0].address.port, NET_PORT);
  EXPECT_EQ(client.servers[1].id, 0);
  EXPECT_EQ(host.host.state, HOST_WAITING);  // a search does not make the host accept anybody

  // The search window ends; then a click on the listed row joins.
  On(client, [] { NetCloseSocket(netSocket); NetShutdown(); });
  On(client, [] {
    hostAddress = serverList[0].address;
    clientBlock.type = CLIENT_JOIN;
    NetClientJoin(NET_PORT, 0);
  });
  for (int i = 0; i < 200 && host.host.state != HOST_PLAYING; ++i) {
    On(host, [] { NetHostPump(NET_PORT); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    On(client, [] { NetClientPump(NET_PORT); });
  }
  EXPECT_EQ(host.host.state, HOST_PLAYING);
  EXPECT_EQ(host.accepted, 271);
  EXPECT_EQ(client.client.type, CLIENT_IN_GAME);
  EXPECT_EQ(client.log.loadedMaps, std::vector<int>{6});
  CloseMachine(host);
  CloseMachine(client);
  OverrideCursorPos(false);
  UdpRestrictToLoopback(true);
}

}  // namespace
