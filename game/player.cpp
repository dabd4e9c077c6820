#include "game/player.h"

PlayerRecord players[2];
Vec3 eyePosition;
Vec3 lookDirection;

PlayerRecord::PlayerRecord() = default;
PlayerRecord::~PlayerRecord() = default;

void PlayerRecord::ResetFields() {}
