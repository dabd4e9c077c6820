// The LAN match: host and client pumps and the state they share with the frame function.
#pragma once

struct HostBlockHeader {
  int state = 0;
};
struct ClientBlockHeader {
  int type = 0;
};

extern HostBlockHeader hostBlock;
extern ClientBlockHeader clientBlock;
extern bool soundEventsSent;
extern int scores[2];
// Identifies this machine on the LAN (1..998), drawn at every window creation.
extern int localNetId;

void NetHostPump(int port);
void NetClientPump(int port);
void ClearSoundEvents();
