// The two player records: players[0] is this machine's player, players[1] the other.
#pragma once

#include "math/vec3_inline.h"

struct PlayerRecord {
  int index = 0;
  float health = 100.0f;
  int kills = 0;
  float deathTimer = 0.0f;
  float respawnTimer = 0.0f;
  Vec3 position;
  float weaponRaise = 1.0f;  // 1 fully raised; negative while the weapon is lowered for a change
  int currentWeapon = 0;     // 0..5
  int ammo[10] = {};
};

extern PlayerRecord players[2];
extern Vec3 eyePosition;
