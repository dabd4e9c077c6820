// A LAN match between two real game processes, each on its own virtual display, inside a network
// namespace the test makes for itself. Both are driven through their menus and a match of ten
// kills with injected input (the program's test control channel), and their states are read
// back after every frame. A stranger's datagrams with the peers' ids change nothing, and a flood
// of them does not cut the client off; a client that cannot load the map leaves with its host.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e_support.h"
#include "engine/wire/lan_datagrams.h"
#include "platform/udp.h"
#include "support/private_network.h"

namespace {

constexpr const char* kInsideVariable = "DUN_LAN_MATCH_INSIDE";
using Clock = std::chrono::steady_clock;
// The whole match must end inside the test's time-out. Both games render in software, so it runs
// as fast as the cores allow: 40 to 55 s measured, about 90 s when other work loads the machine.
constexpr auto kBudget = std::chrono::seconds(110);
constexpr int kGamePort = 2000;

struct V3 {
  float x = 0, y = 0, z = 0;
};

// One game process on its own X server, driven through its control files.
class Game {
 public:
  explicit Game(const std::string& name) : name_(name) {}
  ~Game() { Stop(); }

  // Starts the X server (which picks a free display itself) and the game on it; prepare may change
  // the run directory first.
  bool Start(const std::string& binary, const std::function<void(const std::string&)>& prepare = {}) {
    dir_ = MakeRunDirectory(name_);
    if (prepare) prepare(dir_);
    control_ = dir_ + "/control";
    int fds[2];
    if (pipe(fds) != 0) return false;
    xvfb_ = fork();
    if (xvfb_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 1);
      dup2(devnull, 2);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(90);
    }
    close(fds[1]);
    std::string display;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') display += c;
    close(fds[0]);
    if (display.empty()) return false;
    game_ = fork();
    if (game_ == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(91);
      const int log = open((dir_ + "/game.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(log, 1);
      dup2(log, 2);
      setenv("DISPLAY", (":" + display).c_str(), 1);
      setenv("DUNMARROW_TEST_CONTROL", control_.c_str(), 1);
      setenv("ALSOFT_DRIVERS", "null", 1);
      setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
      setenv("LP_NUM_THREADS", "0", 1);  // a view this small draws faster without helper threads
      execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
      _exit(92);
    }
    return game_ > 0;
  }

  void Stop() {
    for (pid_t* pid : {&game_, &xvfb_}) {
      if (*pid <= 0) continue;
      kill(*pid, SIGKILL);
      waitpid(*pid, nullptr, 0);
      *pid = -1;
    }
  }

  bool Running() {
    if (game_ <= 0) return false;
    int status = 0;
    if (waitpid(game_, &status, WNOHANG) != game_) return true;
    exitStatus_ = status;
    game_ = -1;
    return false;
  }
  int ExitStatus() const { return exitStatus_; }
  bool Started() const { return !dir_.empty(); }

  void Send(const std::string& line) {
    std::ofstream f(control_ + ".in", std::ios::app);
    f << line << '\n';
    ++sent_;
  }
  // Whether the last state read was drawn after every line sent so far had been taken.
  bool CaughtUp() const { return Int("commands") >= sent_; }

  // Reads the state the game wrote after its last frame.
  void Refresh() {
    std::ifstream f(control_ + ".state");
    std::map<std::string, std::vector<std::string>> s;
    std::string line;
    while (std::getline(f, line)) {
      std::istringstream in(line);
      std::string key, word;
      in >> key;
      while (in >> word) s[key].push_back(word);
    }
    if (s.count("frame")) state_ = s;
  }
  std::string Word(const std::string& key, size_t i = 0) const {
    const auto it = state_.find(key);
    return it == state_.end() || it->second.size() <= i ? std::string() : it->second[i];
  }
  int Int(const std::string& key, size_t i = 0) const { return std::atoi(Word(key, i).c_str()); }
  float Float(const std::string& key, size_t i = 0) const { return static_cast<float>(std::atof(Word(key, i).c_str())); }
  V3 Vec(const std::string& key) const { return V3{Float(key, 0), Float(key, 1), Float(key, 2)}; }
  int Frame() const { return Int("frame"); }

  const std::string& Name() const { return name_; }
  std::string Log() const {
    const std::vector<unsigned char> b = ReadFileBytes(dir_ + "/game.log");
    return std::string(b.begin(), b.end());
  }

 private:
  std::string name_, dir_, control_;
  pid_t xvfb_ = -1, game_ = -1;
  int exitStatus_ = 0;
  int sent_ = 0;
  std::map<std::string, std::vector<std::string>> state_;
};

class LanMatch : public ::testing::Test {
 protected:
  // Refreshes both games until cond holds; false on a time-out or when a game ended.
  bool WaitUntil(const std::function<bool()>& cond, double seconds, const char* what) {
    const auto until = std::min(Clock::now() + std::chrono::milliseconds(int(seconds * 1000)), deadline_);
    for (;;) {
      host_.Refresh();
      client_.Refresh();
      if (cond()) return true;
      for (Game* g : {&host_, &client_}) {
        if (g->Started() && !g->Running()) {
          ADD_FAILURE() << g->Name() << " ended (status " << g->ExitStatus() << ") waiting for " << what << "\n"
                        << g->Log();
          return false;
        }
      }
      if (Clock::now() > until) {
        ADD_FAILURE() << "timed out waiting for " << what;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  bool WaitFrames(Game& g, int n) {
    const int from = g.Frame();
    return WaitUntil([&] { return g.Frame() >= from + n; }, 10, "frames");
  }
  // A click on a menu row at (x, y) of the 800 x 600 window.
  bool Click(Game& g, int x, int y) {
    g.Send("cursor " + std::to_string(x) + " " + std::to_string(y));
    if (!WaitFrames(g, 2)) return false;
    g.Send("button 1");
    if (!WaitFrames(g, 2)) return false;
    g.Send("button 0");
    return WaitFrames(g, 2);
  }

  void SetUp() override {
    if (!std::getenv(kInsideVariable)) GTEST_SKIP() << "runs only inside the namespace of the outer test";
  }

  // Starts both games and takes them past the loading phase to their main menus. Unless the whole
  // window is wanted, the game draws its view into a corner of 80 x 60 pixels: the software
  // renderer then keeps up a frame rate that lets a ten-kill match end in time. Each machine draws
  // its id from the clock in seconds: the client starts a second after the host.
  bool StartBoth(const std::function<void(const std::string&)>& prepareClient = {}, bool wholeWindow = false) {
    const std::string why = WhyNotInPrivateNetwork();
    if (!why.empty()) {
      ADD_FAILURE() << "refusing to run two LAN games: " << why;
      return false;
    }
    const std::string binary = std::string(DUN_BINARY_DIR) + "/dunmarrow";
    if (access(binary.c_str(), X_OK) != 0 || !host_.Start(binary)) {
      ADD_FAILURE() << "cannot start " << binary;
      return false;
    }
    if (!wholeWindow) host_.Send("size 80 60");
    if (!WaitUntil([&] { return host_.Frame() > 0; }, 10, "the host's first frame")) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    if (!client_.Start(binary, prepareClient)) {
      ADD_FAILURE() << "cannot start the client";
      return false;
    }
    if (!wholeWindow) client_.Send("size 80 60");
    return WaitUntil(
        [&] {
          return host_.Word("loading") == "0" && client_.Word("loading") == "0" && host_.Int("gameState") == 1 &&
                 client_.Int("gameState") == 1;
        },
        30, "the main menus");
  }

  // From the main menus: MULTIPLAYER on both; the host's CREATE GAME and START; the client's JOIN
  // GAME and a search that lists the host. Then the client's click on that row joins.
  bool CreateFindAndJoin() {
    if (!Click(host_, 126, 326) || !Click(client_, 126, 326)) return false;
    if (!WaitUntil([&] { return host_.Int("gameState") == 40 && client_.Int("gameState") == 40; }, 5,
                   "the multiplayer menus")) {
      return false;
    }
    if (!Click(host_, 400, 276) || !WaitUntil([&] { return host_.Int("gameState") == 41; }, 5, "the create-game menu")) {
      return false;
    }
    if (!Click(host_, 400, 326) ||
        !WaitUntil([&] { return host_.Int("gameState") == 0 && host_.Int("hostState") == HOST_WAITING; }, 10,
                   "the host's level")) {
      return false;
    }
    EXPECT_EQ(host_.Int("gameMode"), 1);
    EXPECT_EQ(host_.Int("port"), kGamePort);
    const int hostId = host_.Int("localNetId");
    if (!Click(client_, 400, 326) || !WaitUntil([&] { return client_.Int("gameState") == 42; }, 5, "the connect screen")) {
      return false;
    }
    if (!Click(client_, 400, 426) ||
        !WaitUntil([&] { return client_.Int("server0") == hostId; }, 10, "the search reply") ||
        !WaitUntil([&] { return client_.Int("clientType") == CLIENT_IDLE; }, 10, "the search window's end")) {
      return false;
    }
    return Click(client_, 400, 276);
  }

  Game host_{"lan_match_host"};
  Game client_{"lan_match_client"};
  Clock::time_point deadline_ = Clock::now() + kBudget;
};

// A player that turns towards the other player and walks up to him, and, as the shooter, fires
// when the aim is good and he is near. Acts once per frame the game has drawn.
class Player {
 public:
  explicit Player(Game& g) : g_(g) {}

  void Step(bool shoot) {
    // A turn sent earlier must show in the state before the next one is worked out from it.
    const int frame = g_.Frame();
    if (frame == lastFrame_ || !g_.CaughtUp()) return;
    lastFrame_ = frame;
    const V3 me = g_.Vec("p0position"), view = g_.Vec("p0view"), target = g_.Vec("p1position");
    const float targetHealth = g_.Float("p1health");
    const bool bothAlive = targetHealth > 1.0f && g_.Float("p0health") > 1.0f;
    const float dx = target.x - me.x, dz = target.z - me.z;
    const float dy = (target.y + 0.8f) - (me.y + 2.5f);  // the eye to the middle of the body
    const float flat = std::sqrt(dx * dx + dz * dz);
    float yawError = std::atan2(dx, dz) - std::atan2(view.x, view.z);
    while (yawError > float(M_PI)) yawError -= 2.0f * float(M_PI);
    while (yawError < -float(M_PI)) yawError += 2.0f * float(M_PI);
    const float viewLength = std::sqrt(view.x * view.x + view.y * view.y + view.z * view.z);
    const float pitchError =
        std::atan2(dy, flat) - (viewLength > 0.0f ? std::asin(std::clamp(view.y / viewLength, -1.0f, 1.0f)) : 0.0f);
    // Mouse look turns 1/500 rad per pixel; the next frame takes the offset from the centre.
    const int mx = std::clamp(int(std::lround(-yawError * 500.0f)), -200, 200);
    const int my = std::clamp(int(std::lround(-pitchError * 500.0f)), -200, 200);
    if (mx != 0 || my != 0) g_.Send("cursor " + std::to_string(320 + mx) + " " + std::to_string(240 + my));

    // Two shots that do not land (a wall, a ramp or a pillar in the way): the shooter holds fire
    // and moves, forward and to one side, for a while before trying again.
    const int ammo = g_.Int("p0ammo");
    if (targetHealth < lastTargetHealth_ || !bothAlive) shotsSinceHit_ = 0;
    if (ammo < lastAmmo_) shotsSinceHit_ += lastAmmo_ - ammo;
    lastAmmo_ = ammo;
    lastTargetHealth_ = targetHealth;
    if (shotsSinceHit_ >= 2) {
      shotsSinceHit_ = 0;
      moveUntil_ = frame + 60;
    }
    const bool moving = frame < moveUntil_;
    // Fire only on an aim that has held for a few frames on a target standing still: the other
    // machine sees this view and that position a little later.
    const bool still = std::hypot(target.x - lastTarget_.x, target.z - lastTarget_.z) < 0.2f;
    lastTarget_ = target;
    aimedFrames_ = std::fabs(yawError) < 0.015f && std::fabs(pitchError) < 0.03f && still ? aimedFrames_ + 1 : 0;
    const bool aimed = aimedFrames_ >= 4;
    const float near = shoot ? 18.0f : 40.0f;
    const bool walk = bothAlive && std::fabs(yawError) < 0.6f && (flat > near || (moving && flat > 6.0f));
    // Circling to one side gets round an obstacle. Caught in a corner, the player backs off and
    // circles the other way for longer.
    if ((walk || moving) && frame - stuckSince_ > 20) {
      const float moved = std::hypot(me.x - stuckAt_.x, me.z - stuckAt_.z);
      if (moved < 0.5f) {
        moveUntil_ = frame + 80;
        backUntil_ = frame + 30;
        sideKey_ = sideKey_ == 'A' ? 'D' : 'A';
      }
      stuckSince_ = frame;
      stuckAt_ = me;
    }
    const bool sideStep = bothAlive && frame < moveUntil_;
    const bool back = bothAlive && frame < backUntil_;
    SetKey('S', back);
    SetKey('W', walk && !back);
    SetKey('A', sideStep && sideKey_ == 'A');
    SetKey('D', sideStep && sideKey_ == 'D');
    SetButton(shoot && aimed && !moving && bothAlive && flat < 28.0f);
  }

  void Stop() {
    SetKey('W', false);
    SetKey('S', false);
    SetKey('A', false);
    SetKey('D', false);
    SetButton(false);
  }

 private:
  void SetKey(int vk, bool down) {
    if (down == held_[vk]) return;
    held_[vk] = down;
    g_.Send("key " + std::to_string(vk) + (down ? " 1" : " 0"));
  }
  void SetButton(bool down) {
    if (down == firing_) return;
    firing_ = down;
    g_.Send(down ? "button 1" : "button 0");
  }

  Game& g_;
  int lastFrame_ = -1;
  std::map<int, bool> held_;
  bool firing_ = false;
  int lastAmmo_ = 0, shotsSinceHit_ = 0;
  float lastTargetHealth_ = 100.0f;
  int stuckSince_ = 0, moveUntil_ = 0, backUntil_ = 0, sideKey_ = 'D', aimedFrames_ = 0;
  V3 stuckAt_, lastTarget_;
};

// Sends a datagram from a third address of the namespace (127.0.0.3) to a port on 127.0.0.1.
void SendFromStranger(const std::vector<uint8_t>& datagram, uint16_t port) {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_in self{};
  self.sin_family = AF_INET;
  self.sin_addr.s_addr = htonl(0x7f000003u);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&self), sizeof self), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(kLoopbackIp);
  EXPECT_EQ(sendto(s, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
            ssize_t(datagram.size()));
  close(s);
}

// The UDP datagrams this namespace's kernel dropped because a socket's receive buffer was full.
long UdpReceiveBufferDrops() {
  std::ifstream f("/proc/net/snmp");
  std::string header, values;
  while (std::getline(f, header) && std::getline(f, values)) {
    if (header.rfind("Udp:", 0) != 0) continue;
    std::istringstream names(header), numbers(values);
    std::string name, number;
    while (names >> name && numbers >> number) {
      if (name == "RcvbufErrors") return std::atol(number.c_str());
    }
  }
  return -1;
}

// Sends copies of one datagram from a third address (127.0.0.3) to a port on 127.0.0.1 at a
// steady rate for a while; the number sent.
long Flood(const std::vector<uint8_t>& datagram, uint16_t port, int perSecond, std::chrono::milliseconds length) {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return 0;
  sockaddr_in self{};
  self.sin_family = AF_INET;
  self.sin_addr.s_addr = htonl(0x7f000003u);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(kLoopbackIp);
  long sent = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&self), sizeof self) == 0) {
    const auto start = Clock::now();
    for (auto tick = start; tick - start < length; tick += std::chrono::milliseconds(1)) {
      std::this_thread::sleep_until(tick);
      const long due = long(perSecond) * std::chrono::duration_cast<std::chrono::microseconds>(tick - start).count() /
                       1'000'000;
      for (; sent < due; ++sent) {
        sendto(s, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      }
    }
  }
  close(s);
  return sent;
}

// The outer halves: each makes a namespace and runs one inner test in it.
void RunInPrivateNetwork(const std::string& filter) {
  if (std::getenv(kInsideVariable)) GTEST_SKIP() << "inner run";
  const PrivateNetworkRun run = RunSelfInPrivateNetwork(filter, kInsideVariable);
  if (!run.available) GTEST_SKIP() << "network namespaces are not available here; LAN match not tested:\n" << run.output;
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("[  SKIPPED ]"), std::string::npos) << run.output;
}

TEST(LanMatchEndToEnd, TwoGamesPlayAMatchInsideAPrivateNetworkNamespace) {
  RunInPrivateNetwork("LanMatch.TenKillsThroughTheMenusAndTheRealFrameLoop");
}

TEST(LanMatchEndToEnd, AClientThatCannotLoadTheMapLeavesAndSoDoesTheHost) {
  RunInPrivateNetwork("LanMatch.AClientWithABrokenMapModelLeavesTheMatchAndSoDoesTheHost");
}

TEST(LanMatchEndToEnd, UnderAStrangersFloodTheClientStillMovesOnTheHost) {
  RunInPrivateNetwork("LanMatch.UnderAFloodFromAStrangerTheClientStillMovesOnTheHost");
}

// The inner half: host and client in the namespace, both on loopback, the client on a port the
// system chose (only the host binds the game's port).
TEST_F(LanMatch, TenKillsThroughTheMenusAndTheRealFrameLoop) {
  ASSERT_TRUE(StartBoth());
  ASSERT_TRUE(CreateFindAndJoin());
  const int hostId = host_.Int("localNetId");
  ASSERT_TRUE(WaitUntil(
      [&] {
        return client_.Int("gameState") == 0 && client_.Int("clientType") == CLIENT_IN_GAME &&
               host_.Int("hostState") == HOST_PLAYING;
      },
      10, "the join"));
  EXPECT_EQ(client_.Int("gameMode"), 2);
  EXPECT_EQ(client_.Int("joinedHostId"), hostId);
  EXPECT_EQ(host_.Int("acceptedClientId"), client_.Int("localNetId"));

  // A stranger at a third address sends each side a datagram with its peer's id: the host a
  // client datagram walking forward and firing, the client a host datagram with a finished score
  // and a hit to show.
  {
    ClientBlock spoof;
    spoof.type = CLIENT_IN_GAME;
    spoof.senderId = client_.Int("localNetId");
    spoof.forwardKey = spoof.fireKey = 2;
    spoof.viewDirection = Vec3(0.0f, 0.0f, -1.0f);
    HostBlock fake;
    fake.state = HOST_PLAYING;
    fake.hostId = hostId;
    fake.mapNumber = host_.Int("mapNumber");
    fake.scores[0] = fake.scores[1] = 9;
    fake.soundEvents[0] = NetSoundEvent{24, Vec3(0.0f, 2.0f, 0.0f), 0};
    ASSERT_TRUE(WaitFrames(host_, 10));  // the respawn at the match's start has reached the records
    const int ammoBefore = host_.Int("p1ammo");
    const V3 before = host_.Vec("p1position");
    // The client's score would show the stranger's for a frame until the host's next datagram.
    int strangerScores = 0;
    for (int i = 0; i < 20; ++i) {
      SendFromStranger(EncodeClientBlock(spoof), uint16_t(host_.Int("port")));
      SendFromStranger(EncodeHostBlock(fake), uint16_t(client_.Int("port")));
      ASSERT_TRUE(WaitFrames(client_, 1));
      strangerScores += client_.Int("scores", 0) + client_.Int("scores", 1);
      ASSERT_TRUE(WaitFrames(host_, 1));
      strangerScores += client_.Int("scores", 0) + client_.Int("scores", 1);
    }
    ASSERT_TRUE(WaitFrames(client_, 5));
    ASSERT_TRUE(WaitFrames(host_, 5));
    const V3 after = host_.Vec("p1position");
    EXPECT_EQ(host_.Int("p1ammo"), ammoBefore);
    EXPECT_LT(std::hypot(after.x - before.x, after.z - before.z), 0.5f);
    EXPECT_EQ(strangerScores, 0);
    EXPECT_EQ(client_.Int("hitBursts"), 0);
    EXPECT_EQ(host_.Int("acceptedClientId"), client_.Int("localNetId"));
  }

  // The client shoots the host ten times dead. Fifty rounds are not enough for ten kills, so once
  // the client runs low the host kills it once and it comes back with a full magazine.
  Player clientPlayer(client_), hostPlayer(host_);
  int hostKillsWanted = 0;
  const bool finished = WaitUntil(
      [&] {
        if (client_.Word("result") == "win" && host_.Word("result") == "lost") return true;
        // The host's records are the true ones (the client's lag a datagram behind them).
        const bool clientAlive = host_.Float("p1health") > 1.0f;
        if (hostKillsWanted <= host_.Int("scores", 0) && clientAlive && host_.Int("p1ammo") < 8) {
          hostKillsWanted = host_.Int("scores", 0) + 1;
        }
        const bool hostShoots = hostKillsWanted > host_.Int("scores", 0);
        hostPlayer.Step(hostShoots);
        clientPlayer.Step(!hostShoots);
        return false;
      },
      1000, "ten kills");
  clientPlayer.Stop();
  hostPlayer.Stop();
  ASSERT_TRUE(finished) << "scores " << host_.Int("scores", 0) << ":" << host_.Int("scores", 1);
  EXPECT_EQ(host_.Int("scores", 1), 10);
  EXPECT_EQ(client_.Int("scores", 1), 10);
  EXPECT_EQ(host_.Int("scores", 0), client_.Int("scores", 0));
  EXPECT_GT(client_.Int("hitBursts"), 0);

  // Both sides see the match reset to 0:0 once the host's player respawns.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return host_.Int("scores", 0) == 0 && host_.Int("scores", 1) == 0 && client_.Int("scores", 0) == 0 &&
               client_.Int("scores", 1) == 0;
      },
      30, "the reset to 0:0"));
  EXPECT_EQ(host_.Word("result"), "none");
  EXPECT_EQ(client_.Word("result"), "none");
}

// The client's own copy of the host's map (map 1) is cut short. Its join does not enter an empty
// level: a box names the file and the client is back at its main menu, and the host, told so,
// leaves the match for its main menu too.
TEST_F(LanMatch, AClientWithABrokenMapModelLeavesTheMatchAndSoDoesTheHost) {
  // Links every entry of folder from into folder to, except one.
  auto linkAllBut = [](const std::string& from, const std::string& to, const std::string& except) {
    ASSERT_EQ(mkdir(to.c_str(), 0755), 0) << to;
    DIR* d = opendir(from.c_str());
    ASSERT_NE(d, nullptr) << from;
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != ".." && n != except) symlink((from + "/" + n).c_str(), (to + "/" + n).c_str());
    }
    closedir(d);
  };
  auto breakMapOne = [&](const std::string& dir) {
    const std::string maps = dir + "/base/maps", data = std::string(DUN_DATA_DIR) + "/base/maps";
    ASSERT_EQ(unlink(maps.c_str()), 0);
    linkAllBut(data, maps, "1");
    linkAllBut(data + "/1", maps + "/1", "map.ms3d");
    std::vector<unsigned char> model = ReadFileBytes(data + "/1/map.ms3d");
    ASSERT_GT(model.size(), 4000u);
    model.resize(model.size() / 2);
    WriteFileBytes(maps + "/1/map.ms3d", model);
  };
  ASSERT_TRUE(StartBoth(breakMapOne));
  ASSERT_TRUE(CreateFindAndJoin());
  ASSERT_TRUE(WaitUntil(
      [&] {
        return client_.Int("gameState") == 1 && client_.Int("clientType") == CLIENT_IDLE && client_.Int("port") == 0 &&
               host_.Int("gameState") == 1 && host_.Int("hostState") == HOST_IDLE && host_.Int("port") == 0;
      },
      10, "both sides back at their main menus"));
  EXPECT_NE(client_.Log().find("[Error] Unable to load the file: base/maps/1/map.ms3d!"), std::string::npos)
      << client_.Log();
  EXPECT_NE(host_.Log().find("[Error] The other player has left the game."), std::string::npos) << host_.Log();
  // Neither side is drawn into a level afterwards.
  ASSERT_TRUE(WaitFrames(client_, 20));
  ASSERT_TRUE(WaitFrames(host_, 20));
  EXPECT_EQ(client_.Int("gameState"), 1);
  EXPECT_EQ(host_.Int("gameState"), 1);
}


// A stranger at a third address floods the host with 100,000 datagrams a second (client blocks of
// another id) for five seconds while the client walks back and forth: the client's own datagrams
// still reach the host among them, and it moves there. Both games draw their whole 800 x 600 view,
// so that their frames take as long as a player's would.
TEST_F(LanMatch, UnderAFloodFromAStrangerTheClientStillMovesOnTheHost) {
  ASSERT_TRUE(StartBoth({}, true));
  ASSERT_TRUE(CreateFindAndJoin());
  ASSERT_TRUE(WaitUntil([&] { return client_.Int("clientType") == CLIENT_IN_GAME && host_.Int("hostState") == HOST_PLAYING; },
                        10, "the join"));
  ASSERT_TRUE(WaitFrames(host_, 10));  // the respawn at the match's start has reached the records
  ClientBlock stranger;
  stranger.type = CLIENT_IN_GAME;
  stranger.senderId = 999;
  stranger.forwardKey = 2;
  const long dropsBefore = UdpReceiveBufferDrops();
  long sent = 0;
  std::thread flood([&] { sent = Flood(EncodeClientBlock(stranger), kGamePort, 100'000, std::chrono::seconds(5)); });
  // Forward and back in turns of 20 frames, so that no wall stops the walk for long. Each datagram
  // of the client carries its clock: the host's frames that show a newer one than their last took
  // a datagram of the client.
  float path = 0.0f;
  V3 last = host_.Vec("p1position");
  int turnFrame = client_.Frame(), hostFrames = host_.Frame(), lastHostFrame = hostFrames, heard = 0;
  int clientFrames = client_.Frame();
  float lastClientClock = host_.Float("clientClock");
  bool forward = true;
  client_.Send("key 87 1");
  const auto until = Clock::now() + std::chrono::seconds(5);
  WaitUntil(
      [&] {
        const V3 now = host_.Vec("p1position");
        path += std::hypot(now.x - last.x, now.z - last.z);
        last = now;
        if (host_.Frame() != lastHostFrame) {
          lastHostFrame = host_.Frame();
          if (host_.Float("clientClock") != lastClientClock) ++heard;
          lastClientClock = host_.Float("clientClock");
        }
        if (client_.Frame() >= turnFrame + 20) {
          turnFrame = client_.Frame();
          client_.Send(forward ? "key 87 0" : "key 83 0");
          forward = !forward;
          client_.Send(forward ? "key 87 1" : "key 83 1");
        }
        return Clock::now() > until;
      },
      10, "the end of the flood");
  client_.Send(forward ? "key 87 0" : "key 83 0");
  flood.join();
  hostFrames = host_.Frame() - hostFrames;
  clientFrames = client_.Frame() - clientFrames;
  const long drops = UdpReceiveBufferDrops() - dropsBefore;
  std::printf("flood: %ld datagrams sent in 5 s, %ld dropped by the kernel; the client moved %.1f units on the host "
              "in %d host frames, %d of them with news from the client (%d client frames)\n",
              sent, drops, path, hostFrames, heard, clientFrames);
  EXPECT_GT(sent, 400'000);
  EXPECT_GT(path, 20.0f);
  // The client sends about once a frame and the host takes the newest datagram of each of its
  // frames: most frames of the slower side bring news.
  EXPECT_GE(2 * heard, std::min(hostFrames, clientFrames));
}

}  // namespace
