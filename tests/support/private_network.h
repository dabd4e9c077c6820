// Runs a test program again inside a network namespace of its own (unshare -rn), with loopback up
// and a broadcast route on it, so that tests may bind the game's port and broadcast without
// reaching any other machine or process; and proves, inside, that the namespace is that one.
#pragma once

#include <string>

struct PrivateNetworkRun {
  bool available = false;  // the namespace could be made
  int status = 0;          // the inner run's exit status
  std::string output;      // its output, with the error stream
};

// Runs this program's tests matching filter inside a new namespace, with insideVariable set to 1.
PrivateNetworkRun RunSelfInPrivateNetwork(const std::string& filter, const char* insideVariable);

// Empty when this process sits in the namespace RunSelfInPrivateNetwork made (not the machine's,
// not the outer test's, no interface but loopback); else why not.
std::string WhyNotInPrivateNetwork();
