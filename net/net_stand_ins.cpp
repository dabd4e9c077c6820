// Stand-ins until the LAN match exists.
#include "net/net.h"

HostBlockHeader hostBlock;
ClientBlockHeader clientBlock;
bool soundEventsSent = false;
int scores[2];
int localNetId = 0;
ServerEntry serverList[5];
NetAddress hostAddress;
int netSocket = kInvalidSocket;

void NetHostPump(int) {}
void NetClientPump(int) {}
void ClearSoundEvents() {}
void NetClientJoin(uint16_t, int) {}
void NetCloseSocket(int) {}
void NetShutdown() {}
void NetHostStart(int) {}
