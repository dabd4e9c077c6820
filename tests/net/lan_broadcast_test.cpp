// Discovery by broadcast, run only inside a network namespace that this test makes for itself
// (unshare -rn): there the one interface is loopback, so the broadcast reaches nothing but this
// process. The outer test re-runs this program inside the namespace; the inner test refuses to
// broadcast anywhere else.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "net/lan_machines.h"
#include "support/private_network.h"

namespace {

constexpr const char* kInsideVariable = "DUN_LAN_NETNS_INSIDE";

// The outer half: makes the namespace and runs the inner test in it.
TEST(LanBroadcast, DiscoveryAndJoinInsideAPrivateNetworkNamespace) {
  if (std::getenv(kInsideVariable)) GTEST_SKIP() << "inner run";
  const PrivateNetworkRun run = RunSelfInPrivateNetwork("LanBroadcast.Inside", kInsideVariable);
  if (!run.available) {
    GTEST_SKIP() << "network namespaces are not available here; broadcast discovery not tested:\n" << run.output;
  }
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("[  SKIPPED ]"), std::string::npos) << run.output;
}

// The inner half: a host on the game's port and a searching client, in one process.
TEST(LanBroadcast, Inside) {
  if (!std::getenv(kInsideVariable)) GTEST_SKIP() << "runs only inside the namespace of the outer test";
  const std::string why = WhyNotInPrivateNetwork();
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
