// The two player records: players[0] is this machine's player, players[1] the other player of a
// LAN match (on the client, the host's player). A player is a sphere body in the physics world,
// pushed by forces from the movement keys, looked around with the mouse, carrying six weapons.
#pragma once

#include <cstdint>

#include "engine/character_model.h"
#include "math/vec3_inline.h"

class RigidBody;
class Simulator;

// Legs animation numbers (legsAnim / legsAnimWanted).
constexpr int kLegsStand = 0;
constexpr int kLegsRun = 1;
constexpr int kLegsRunBack = 2;
constexpr int kLegsDead = 4;
// Torso animation numbers (torsoAnim / torsoAnimWanted).
constexpr int kTorsoNormal = 0;
constexpr int kTorsoDead = 2;

struct PlayerRecord {
  PlayerRecord();
  ~PlayerRecord();
  PlayerRecord(const PlayerRecord&) = delete;
  PlayerRecord& operator=(const PlayerRecord&) = delete;

  // Every field back at its constructed value; the character model is kept (tests, level reset).
  void ResetFields();

  // Single player and host: creates the body at position and sets the level-start state.
  void Init(Simulator* world, const Vec3& position, const Vec3& direction, int index);
  // The LAN client: a record without a body.
  void InitRemote(const Vec3& position, const Vec3& direction, int index);
  // Back into play at a spawn point: rows 0..4 for index 0, 5..9 for index 1.
  void Respawn(int index);
  // Reads the cursor, re-centres it at (320, 240) and turns the view.
  void MouseLook();
  // players[0] in single player and on the host, once per frame.
  void UpdateLocal();
  // players[1] on the host, driven by the client's datagram.
  void UpdateOther();
  // Weapon-change timers, the fire gate and the shot itself (local: this machine's mouse).
  void FireWeapon(bool local);
  // The shot itself, once the fire gate has opened: ammunition, hit tests, damage, marks, sounds.
  void Shoot();
  // Alive as every rule of the game reads it, the HUD's death screen included: health above 1.0.
  // Only a living player moves, fires or changes weapons.
  bool Alive() const { return health > 1.0f; }

  int32_t index = 0;
  float health = 100.0f;  // alive while above 1.0 (Alive); -100 marks the waiting players[1] of a host
  int32_t kills = 0;
  float deathTimer = 0.0f;
  float respawnTimer = 0.0f;
  float pitch = 0.0f;  // radians, within [-1.2, 1.1]
  Vec3 position;
  Vec3 viewDirection;
  Vec3 forward;      // viewDirection with y 0
  Vec3 side;         // viewDirection turned by 1.57 rad about the vertical, y 0
  Vec3 forwardMove;  // +-10 x forward or zero
  Vec3 velocity;
  Vec3 sideMove;     // +-10 x side or zero
  float bobPhase = 0.0f;
  uint8_t spareByte1 = 0;
  int32_t spareInt1 = 0;
  float weaponRaise = 1.0f;  // 1 ready; -1.0 or -0.4 right after a weapon change
  float shotTimer = 0.0f;    // seconds since the last shot
  int32_t currentWeapon = 0;
  int32_t shownWeapon = 0;   // the weapon the character model holds
  float weaponLower = 0.0f;
  float recoilPhase = 0.0f;
  uint8_t spareByte2 = 0;
  uint8_t spareBytes3[4] = {};
  float hurtFlash = 0.0f;  // 1.0 when a bandit's shot hits, fades
  int32_t ammo[10] = {};
  RigidBody* body = nullptr;  // null on the LAN client
  int32_t skin = 0;
  int32_t legsAnim = 0, legsAnimWanted = 0;
  int32_t torsoAnim = 0, torsoAnimWanted = 0;
  float torsoPitch = 0.0f;  // degrees, -30 x pitch
  float yaw = 0.0f;         // degrees, heading of the flat view
  CharacterModel model;
};

extern PlayerRecord players[2];
// The local player's position and view of the previous update: the camera and effects read them.
extern Vec3 eyePosition;
extern Vec3 lookDirection;

// Respawns players[index] with that index.
void RespawnPlayerByIndex(int index);

// --- Rules shared by the local and the remote update, kept apart so they can be tested. ---

// The movement keys of one player for one frame.
struct MoveKeys {
  bool left = false, right = false, forward = false, back = false;
};
// Sets sideMove, forwardMove and legsAnimWanted from the keys (canAct false: no move).
void ApplyMoveKeys(PlayerRecord& p, const MoveKeys& keys, bool canAct);
// The map-dependent ammunition of single player on top of 50 for the pistol.
void SetCareerAmmo(int32_t ammo[10], int map);
// The highest weapon unlocked by the map (map 1: 0 .. map 6 and above: 5).
int CareerWeapon(int map);
// The next / previous weapon with ammunition by the E / Q rules.
int NextWeapon(int current, const int32_t ammo[10]);
int PreviousWeapon(int current, const int32_t ammo[10]);
// The weaponRaise rule of a change request: true when a new weapon is to be chosen.
bool StartWeaponChange(float& weaponRaise);
// The view turn of mouse look for a cursor at (cx, cy). The view is rebuilt from its heading and
// the stored pitch, so the two never drift apart and the pitch limits hold for the view itself.
void TurnView(PlayerRecord& p, int cx, int cy);
// The braking rule: replaces force when above the speed limit or when no key pushes.
// Returns the force to set; velocity.y may be zeroed.
Vec3 BrakeForce(Vec3 moveForce, Vec3& velocity, float speedLimit, float stopFactor);
