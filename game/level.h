// One level: the map's models, collision model, light maps and physics world, the per-frame world
// step, and the models loaded once per run beside the maps.
#pragma once

#include <string>

#include "game/world.h"
#include "math/vec3_inline.h"

class RigidBody;
class Simulator;
class StaticModel;

// The physics world of the level (single player and host; null on the LAN client and between
// levels).
extern Simulator* simulator;

// Loaded once per run and kept.
extern StaticModel* weaponModels[6];
extern StaticModel* prizeModels[3];
extern StaticModel* banditModels[4];
extern StaticModel* playerModel;

// The start point the client's join uses.
extern const Vec3 kClientStartPosition;

// Creates the physics world of the level: bodies for the players and (single player) the four
// parked bandits, the map's triangles as terrain.
void CreatePhysicsWorld();
// Hands the map model's triangles to the world as its terrain mesh.
void SetMapTerrainMesh(Simulator* world);
// The LAN client's players: records without bodies.
void SetupPlayersNoPhysics();
// Takes all motion out of a body (null: nothing): linear and angular velocity and the force and
// torque set on it.
void StopBody(RigidBody* body);
// Stops the 23 game sounds (the two menu sounds keep playing).
void StopAllSounds();

// The seconds and sub-steps of the one physics advance of a frame.
float AdvanceSeconds(float step);
int AdvanceSteps(float step);

// The parking place of bandit slot i: far outside the map, one above the other.
Vec3 BanditParkingPoint(int i);

// The file of map n (1..20) of the given kind ("map.ms3d", "light.ms3d"); empty outside 1..20.
std::string MapFileName(int map, const char* file);
