#include "game/player.h"

#include <algorithm>
#include <cmath>

#include "engine/frame.h"
#include "engine/random.h"
#include "engine/vector_helpers.h"
#include "game/data_files.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/level.h"
#include "game/remote_input.h"
#include "game/view.h"
#include "physics/physics.h"
#include "platform/cursor.h"
#include "platform/events.h"
#include "sound/sound_settings.h"
#include "sound/sound_source.h"

PlayerRecord players[2];
Vec3 eyePosition;
Vec3 lookDirection;

namespace {

// The remote player's own weapon-change latch.
bool remoteKeyLatch = false;

Vec3 Flat(const Vec3& v) { return Vec3(v.x, 0.0f, v.z); }

// The vector turned about the vertical axis by a radians.
Vec3 TurnAboutVertical(const Vec3& v, float a) {
  const float c = std::cos(a), s = std::sin(a);
  return Vec3(v.x * c + v.z * s, v.y, v.z * c - v.x * s);
}

float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

void SetPartClocks(CharacterModel& m) {
  m.lower.lastTime = gameClock;
  m.upper.lastTime = gameClock;
}

// Picks a spawn point row for the player: rows 0..4 for index 0, 5..9 for index 1. A map with
// fewer rows uses the rows it has; -1 when it has none.
int RespawnRow(int index) {
  int row = GameRand() % 5 + (index == 1 ? 5 : 0);
  if (lastSpawnPointIndex < 0) return -1;
  if (row > lastSpawnPointIndex) row %= lastSpawnPointIndex + 1;
  return row;
}

}  // namespace

PlayerRecord::PlayerRecord() = default;
PlayerRecord::~PlayerRecord() = default;

void PlayerRecord::ResetFields() {
  index = 0;
  health = 100.0f;
  kills = 0;
  deathTimer = respawnTimer = pitch = 0.0f;
  position = viewDirection = forward = side = forwardMove = velocity = sideMove = Vec3();
  bobPhase = 0.0f;
  spareByte1 = 0;
  spareInt1 = 0;
  weaponRaise = 1.0f;
  shotTimer = 0.0f;
  currentWeapon = shownWeapon = 0;
  weaponLower = recoilPhase = 0.0f;
  spareByte2 = 0;
  for (uint8_t& b : spareBytes3) b = 0;
  hurtFlash = 0.0f;
  for (int32_t& a : ammo) a = 0;
  body = nullptr;
  skin = 0;
  legsAnim = legsAnimWanted = torsoAnim = torsoAnimWanted = 0;
  torsoPitch = yaw = 0.0f;
}

void SetCareerAmmo(int32_t ammo[10], int map) {
  if (map > 1) ammo[1] = 50;
  if (map > 2) ammo[2] = 5;
  if (map > 3) ammo[3] = 50;
  if (map > 4) ammo[4] = 5;
  if (map > 5) ammo[5] = 50;
}

int CareerWeapon(int map) {
  if (map > 5) return 5;
  if (map > 1) return map - 1;
  return 0;
}

int NextWeapon(int current, const int32_t ammo[10]) {
  int next = 0;
  for (int i = current + 1; i <= 9; ++i) {
    if (i >= 0 && ammo[i] > 0) {
      next = i;
      break;
    }
  }
  return next > 5 ? 0 : next;
}

int PreviousWeapon(int current, const int32_t ammo[10]) {
  for (int i = std::min(current, 10) - 1; i >= 0; --i) {
    if (ammo[i] > 0) return i;
  }
  for (int i = 9; i >= current && i >= 0; --i) {
    if (ammo[i] > 0) return i > 5 ? 0 : i;
  }
  return 0;
}

bool StartWeaponChange(float& weaponRaise) {
  if (weaponRaise > 0.9f) {
    weaponRaise = -1.0f;
    return true;
  }
  if (weaponRaise < 0.0f) {
    weaponRaise = -0.4f;
    return true;
  }
  return false;
}

void ApplyMoveKeys(PlayerRecord& p, const MoveKeys& k, bool canAct) {
  if (k.left && canAct) {
    p.sideMove = p.side * 10.0f;
    p.legsAnimWanted = kLegsRun;
  } else if (k.right && canAct) {
    p.sideMove = p.side * -10.0f;
    p.legsAnimWanted = kLegsRun;
  } else {
    p.sideMove.SetZero();
    p.legsAnimWanted = kLegsStand;
  }
  if (k.forward && canAct) {
    p.forwardMove = p.forward * 10.0f;
    p.legsAnimWanted = kLegsRun;
  } else if (k.back && canAct) {
    p.forwardMove = p.forward * -10.0f;
    p.legsAnimWanted = kLegsRunBack;
  } else {
    p.forwardMove.SetZero();
    if (!k.left && !k.right) p.legsAnimWanted = kLegsStand;
  }
}

Vec3 BrakeForce(Vec3 moveForce, Vec3& velocity, float speedLimit, float stopFactor) {
  Vec3 force = moveForce;
  if (std::sqrt(velocity.x * velocity.x + velocity.z * velocity.z) > speedLimit) {
    velocity.y = 0.0f;
    force = velocity * -2.0f;
  }
  if (Length(moveForce) < 0.5f) {
    velocity.y = 0.0f;
    force = velocity * -stopFactor;
  }
  return force;
}

void TurnView(PlayerRecord& p, int cx, int cy) {
  const float yawStep = static_cast<float>(320 - cx) / 500.0f;
  const float pitchStep = static_cast<float>(240 - cy) / 500.0f;
  const Vec3 turned = TurnAboutVertical(p.viewDirection, yawStep);
  p.forward = Flat(turned);
  p.side = Flat(TurnAboutVertical(turned, 1.57f));
  if (yawStep == 0.0f && pitchStep == 0.0f) return;  // the mouse did not move: the view stands
  p.pitch = std::clamp(p.pitch + pitchStep, -1.2f, 1.1f);
  // The view is its heading tilted by the stored pitch, never an increment on last frame's view:
  // tilting about an axis taken before the turn, or not tilting in the frame that meets a limit,
  // let the view's elevation wander away from the pitch and past the limits.
  Vec3 heading = p.forward;
  const float headingLength = Length(heading);
  // A view straight up or down has no heading; it then faces +x.
  heading = headingLength < 1e-6f ? Vec3(1.0f, 0.0f, 0.0f) : heading * (1.0f / headingLength);
  const float c = std::cos(p.pitch), s = std::sin(p.pitch);
  p.viewDirection.Set(heading.x * c, s, heading.z * c);
}

void PlayerRecord::Init(Simulator* world, const Vec3& start, const Vec3& direction, int playerIndex) {
  position = start;
  viewDirection = direction;
  pitch = 0.0f;
  index = playerIndex;
  body = world ? world->CreateRigidBody() : nullptr;
  if (body) {
    body->SetSleepThreshold(0.01f);
    body->SetCollideConnected(true);
    if (Geometry* g = body->AddGeometry()) g->SetSphereDiameter(2.5f);
    body->UpdateBoundingInfo();
    body->SetPos(position);
  }
  health = 100.0f;
  deathTimer = respawnTimer = 0.0f;
  for (int32_t& a : ammo) a = 0;
  if (gameMode == 0) {
    ammo[0] = 50;
    SetCareerAmmo(ammo, mapNumber);
  } else {
    const int32_t hostAmmo[6] = {100, 100, 5, 50, 5, 50};
    for (int i = 0; i < 6; ++i) ammo[i] = hostAmmo[i];
  }
  skin = 0;
  spareByte1 = spareByte2 = 0;
  spareInt1 = 0;
  for (uint8_t& b : spareBytes3) b = 0;
  weaponRaise = 1.0f;
  currentWeapon = shownWeapon = gameMode == 0 ? CareerWeapon(mapNumber) : 0;
  weaponLower = recoilPhase = 0.0f;
  model.SelectWeapon(shownWeapon);
  SetPartClocks(model);
  if (index == 1) {
    if (body) body->Active(false, static_cast<RigidBody*>(nullptr));
    respawnTimer = deathTimer = 20.0f;
    health = -100.0f;
  }
}

void PlayerRecord::InitRemote(const Vec3& start, const Vec3& direction, int playerIndex) {
  position = start;
  viewDirection = direction;
  pitch = 0.0f;
  index = playerIndex;
  health = 100.0f;
  ammo[0] = 50;
  ammo[1] = 50;
  ammo[2] = 5;
  skin = 1;
  spareByte1 = spareByte2 = 0;
  spareInt1 = 0;
  for (uint8_t& b : spareBytes3) b = 0;
  weaponRaise = 1.0f;
  currentWeapon = shownWeapon = 0;
  model.SelectWeapon(0);
  SetPartClocks(model);
}

void PlayerRecord::Respawn(int playerIndex) {
  if (body) body->Active(true, static_cast<RigidBody*>(nullptr));
  const int row = RespawnRow(playerIndex);
  if (body && row >= 0) {
    const SpawnPoint& s = spawnPoints[row];
    body->SetPos(Vec3(s.x, s.y, s.z));
  }
  // Back in play at rest: nothing of the motion of the life before carries over.
  StopBody(body);
  velocity.SetZero();
  forwardMove.SetZero();
  sideMove.SetZero();
  health = 100.0f;
  deathTimer = respawnTimer = 0.0f;
  for (int32_t& a : ammo) a = 0;
  ammo[0] = 50;
  if (gameMode == 0) SetCareerAmmo(ammo, mapNumber);
  skin = 1;
  spareByte1 = spareByte2 = 0;
  spareInt1 = 0;
  for (uint8_t& b : spareBytes3) b = 0;
  weaponRaise = 1.0f;
  currentWeapon = shownWeapon = gameMode == 0 ? CareerWeapon(mapNumber) : 0;
  weaponLower = recoilPhase = 0.0f;
  torsoAnimWanted = legsAnimWanted = 0;
  model.SelectWeapon(shownWeapon);
  SetPartClocks(model);
  if (soundOn) object2Sound.Play();
}

void RespawnPlayerByIndex(int playerIndex) {
  if (playerIndex < 0 || playerIndex > 1) return;
  players[playerIndex].Respawn(playerIndex);
}

void PlayerRecord::MouseLook() {
  // Mouse look reads motion relative to the window centre; the menus switch this off again.
  SetCursorRelativeMode(true);
  int cx = 320, cy = 240;
  GetCursorPos(cx, cy);
  SetCursorPos(320, 240);
  TurnView(*this, cx, cy);
}

namespace {

// The body's part of a frame: position, no spin, the move force, velocity, walking phase.
// Returns the move force.
Vec3 DriveBody(PlayerRecord& p) {
  const Vec3 moveForce = p.forwardMove + p.sideMove;
  if (p.body) {
    p.position = p.body->GetPos();
    p.body->SetAngularMomentum(Vec3(0.0f, 0.0f, 0.0f));
    p.body->SetForce(moveForce);
    p.velocity = p.body->GetVelocity();
  }
  p.bobPhase += Length(p.velocity) * 0.02f * frameStep;
  return moveForce;
}

void Brake(PlayerRecord& p, const Vec3& moveForce, float stopFactor) {
  const Vec3 force = BrakeForce(moveForce, p.velocity, 3.5f, stopFactor);
  if (p.body) p.body->SetForce(force);
}

// Footstep event of a host player: 22/23 (or 32/33) by speed; in between the first free slot gets
// the position but keeps its free code.
void QueueStepEvent(const PlayerRecord& p, int moving, int still) {
  const float speed = Length(p.velocity);
  const int code = speed > 1.5f ? moving : (speed < 0.8f ? still : -1);
  QueueSoundEvent(code, p.position + Vec3(0.0f, 2.0f, 0.0f));
}

// Applies a weapon change request by the rules of E (next) and Q (previous).
void ChangeWeapon(PlayerRecord& p, bool next) {
  if (StartWeaponChange(p.weaponRaise)) {
    p.currentWeapon = next ? NextWeapon(p.currentWeapon, p.ammo) : PreviousWeapon(p.currentWeapon, p.ammo);
  }
}

}  // namespace

void PlayerRecord::UpdateLocal() {
  eyePosition = position;
  lookDirection = viewDirection;
  const bool canAct = gameState == 0 && Alive();
  MoveKeys k;
  k.left = keys['A'] || keys[VK_LEFT];
  k.right = keys['D'] || keys[VK_RIGHT];
  k.forward = keys['W'] || keys[VK_UP];
  k.back = keys['S'] || keys[VK_DOWN];
  ApplyMoveKeys(*this, k, canAct);
  MouseLook();
  torsoPitch = -30.0f * pitch;
  yaw = HeadingDifferenceFolded(NormalizeVector(Flat(viewDirection)), Vec3(0.0f, 0.0f, 1.0f)) * 57.29578f;
  FireWeapon(true);
  if (!Alive()) {
    torsoAnimWanted = kTorsoDead;
    legsAnimWanted = kLegsDead;
  }
  for (int n = 0; n < 2; ++n) {
    const bool next = n == 0;
    if (!keys[next ? static_cast<int>('E') : static_cast<int>('Q')] || keyLatch || !canAct) continue;
    keyLatch = true;
    ChangeWeapon(*this, next);
    if (gameMode == 0) {
      if (soundOn) changeSound.Play();
    } else if (gameMode == 1) {
      QueueSoundEvent(kEventHostChange, position + Vec3(0.0f, 2.0f, 0.0f));
    }
  }
  const Vec3 moveForce = DriveBody(*this);
  if (gameMode == 0) {
    if (soundOn) {
      const float speed = Length(velocity);
      if (speed > 1.5f && !SoundPlaying(stepsSound)) stepsSound.Play();
      if (speed < 0.8f && SoundPlaying(stepsSound)) stepsSound.Stop();
    }
  } else if (gameMode == 1) {
    QueueStepEvent(*this, kEventHostSteps, kEventHostStill);
  }
  Brake(*this, moveForce, 2.0f);
}

void PlayerRecord::UpdateOther() {
  const RemoteInput& in = remoteInput;
  const float step = frameStep;
  float* view[3] = {&viewDirection.x, &viewDirection.y, &viewDirection.z};
  for (int i = 0; i < 3; ++i) {
    const float d = in.viewDirection[i] - *view[i];
    if (d != 0.0f) *view[i] += d * 0.1f * step;
  }
  const float dp = in.pitch - pitch;
  if (dp != 0.0f) pitch += dp * 0.1f * step;
  forward = Flat(viewDirection);
  side = Flat(TurnAboutVertical(viewDirection, 1.57f));
  torsoPitch = -30.0f * pitch;
  yaw = HeadingDifference(NormalizeVector(Flat(viewDirection)), Vec3(0.0f, 0.0f, 1.0f)) * 57.29578f;
  FireWeapon(false);
  MoveKeys k;
  k.left = in.strafeLeftKey == 2;
  k.right = in.strafeRightKey == 2;
  k.forward = in.forwardKey == 2;
  k.back = in.backKey == 2;
  const bool canAct = gameState == 0 && Alive();
  ApplyMoveKeys(*this, k, canAct);
  if (!Alive()) {
    torsoAnimWanted = kTorsoDead;
    legsAnimWanted = kLegsDead;
  }
  for (int n = 0; n < 2; ++n) {
    const bool next = n == 0;
    if ((next ? in.nextWeaponKey : in.previousWeaponKey) != 2 || remoteKeyLatch || !canAct) continue;
    remoteKeyLatch = true;
    ChangeWeapon(*this, next);
    QueueSoundEvent(kEventClientChange, position + Vec3(0.0f, 2.0f, 0.0f));
  }
  if (in.spaceKey != 2 && in.nextWeaponKey != 2 && in.previousWeaponKey != 2) remoteKeyLatch = false;
  const Vec3 moveForce = DriveBody(*this);
  QueueStepEvent(*this, kEventClientSteps, kEventClientStill);
  Brake(*this, moveForce, 3.0f);
}
