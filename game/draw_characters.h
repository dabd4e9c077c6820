// Drawing of the actors that are not this machine's player: the other player of a LAN match and
// the bandits. The drawing also advances the death, respawn and spawn-fade clocks the game logic
// reads; those state halves are separate functions.
#pragma once

#include "math/vec3_inline.h"

struct PlayerRecord;
struct BanditRecord;

// Names of the legs animations 0..4 and torso animations 0..2; null outside the table.
const char* LegsAnimationName(int n);
const char* TorsoAnimationName(int n);

// How one actor is drawn this frame.
struct ActorDrawState {
  float yaw = 0.0f;         // degrees, heading of the facing
  float sink = 0.0f;        // how far the body has sunk into the ground (dead for long)
  bool faded = false;       // blended with alpha below
  float alpha = 1.0f;
};

// Advances the other player's death and respawn clocks by one frame and says how to draw it.
ActorDrawState AdvanceOtherPlayer(PlayerRecord& p, float step);
// The same for a bandit (death clock and spawn fade).
ActorDrawState AdvanceBandit(BanditRecord& b, float step);
// Alpha of a bandit's muzzle flash for its timer (opaque at the shot, gone after 0.075 s).
float BanditFlashAlpha(float muzzleFlashTimer);
// Where bandit i stands: its body's position (the record's when it has no body).
Vec3 BanditDrawPosition(const BanditRecord& b);
// The skin texture index of the other player and of bandit i; -1 when there is none.
int OtherPlayerSkinTexture(int skin);
int BanditSkinTexture(int bandit, int skin);

void DrawOtherPlayer();
void DrawBandits();
