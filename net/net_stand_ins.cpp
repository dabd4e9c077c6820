// Stand-ins until the LAN match exists.
#include "net/net.h"

HostBlockHeader hostBlock;
ClientBlockHeader clientBlock;
bool soundEventsSent = false;
int scores[2];
int localNetId = 0;

void NetHostPump(int) {}
void NetClientPump(int) {}
void ClearSoundEvents() {}
