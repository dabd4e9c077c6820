#include "game/bandits.h"

BanditRecord bandits[kBanditSlots];
int lastBanditIndex = 3;
int banditSpawnCount = 0;

BanditRecord::BanditRecord() = default;
BanditRecord::~BanditRecord() = default;
