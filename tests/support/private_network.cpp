#include "private_network.h"

#include <net/if.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kOuterNamespaceVariable = "DUN_OUTER_NETNS";
constexpr const char* kReadyMarker = "PRIVATE-NETNS-READY";

std::string NamespaceOf(const char* path) {
  char buffer[256];
  const ssize_t n = readlink(path, buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace

PrivateNetworkRun RunSelfInPrivateNetwork(const std::string& filter, const char* insideVariable) {
  PrivateNetworkRun run;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  const std::string outerNs = NamespaceOf("/proc/self/ns/net");
  if (n <= 0 || outerNs.empty()) {
    run.output = "cannot read /proc/self";
    return run;
  }
  self[n] = '\0';
  const std::string command =
      std::string("unshare -rn sh -c 'ip link set lo up && "
                  "ip route add broadcast 255.255.255.255 dev lo table local src 127.0.0.1 && echo ") +
      kReadyMarker + " && exec env " + insideVariable + "=1 " + kOuterNamespaceVariable + "=\"" + outerNs +
      "\" \"$0\" --gtest_filter=" + filter + "' '" + self + "' 2>&1";
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return run;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, p)) run.output += buffer;
  run.status = pclose(p);
  run.available = run.output.find(kReadyMarker) != std::string::npos;
  return run;
}

std::string WhyNotInPrivateNetwork() {
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
