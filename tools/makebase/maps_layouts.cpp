#include "tools/makebase/maps_layouts.h"

#include <cmath>

namespace makebase {

namespace {

constexpr float kWall = 4.0f;       // outer wall thickness
constexpr float kSlab = 6.0f;       // floor and ceiling thickness

const Vec3 kWarm(1.0f, 0.85f, 0.6f);
const Vec3 kCool(0.65f, 0.8f, 1.0f);
const Vec3 kWhite(1.0f, 0.95f, 0.9f);
const Vec3 kAmber(1.0f, 0.7f, 0.35f);
const Vec3 kGreen(0.6f, 1.0f, 0.7f);
const Vec3 kRed(1.0f, 0.55f, 0.45f);

struct Style {
  int floor, wall, ceiling, trim, accent, lamp;
};

Style MakeStyle(MapBuilder& b, const char* floor, const char* wall, const char* ceiling, const char* trim,
                const char* accent) {
  return Style{b.Material(floor), b.Material(wall), b.Material(ceiling), b.Material(trim), b.Material(accent),
               b.Material("lamp")};
}

// Floor slab (top at y 0), ceiling slab (bottom at h) and the four outer walls of a rectangle.
void Shell(MapBuilder& b, const Style& s, float x0, float z0, float x1, float z1, float h) {
  const float X0 = x0 - kWall, X1 = x1 + kWall, Z0 = z0 - kWall, Z1 = z1 + kWall;
  b.Box(Vec3(X0, -kSlab, Z0), Vec3(X1, 0, Z1), s.floor, kAllFaces, kFaceMaxY);
  b.Box(Vec3(X0, h, Z0), Vec3(X1, h + kSlab, Z1), s.ceiling, kAllFaces, kFaceMinY);
  const unsigned sides = kFaceMinX | kFaceMaxX | kFaceMinZ | kFaceMaxZ;
  b.Box(Vec3(X0, -1, z0), Vec3(x0, h + 1, z1), s.wall, sides, kFaceMaxX);
  b.Box(Vec3(x1, -1, z0), Vec3(X1, h + 1, z1), s.wall, sides, kFaceMinX);
  b.Box(Vec3(X0, -1, Z0), Vec3(X1, h + 1, z0), s.wall, sides, kFaceMaxZ);
  b.Box(Vec3(X0, -1, z1), Vec3(X1, h + 1, Z1), s.wall, sides, kFaceMinZ);
  // A skirting band along the foot of the walls.
  b.Box(Vec3(x0 - 1, -1, z0 - 1), Vec3(x0 + 0.5f, 1.0f, z1 + 1), s.trim, kFaceMaxX | kFaceMaxY, kAllFaces);
  b.Box(Vec3(x1 - 0.5f, -1, z0 - 1), Vec3(x1 + 1, 1.0f, z1 + 1), s.trim, kFaceMinX | kFaceMaxY, kAllFaces);
  b.Box(Vec3(x0 - 1, -1, z0 - 1), Vec3(x1 + 1, 1.0f, z0 + 0.5f), s.trim, kFaceMaxZ | kFaceMaxY, kAllFaces);
  b.Box(Vec3(x0 - 1, -1, z1 - 0.5f), Vec3(x1 + 1, 1.0f, z1 + 1), s.trim, kFaceMinZ | kFaceMaxY, kAllFaces);
}

// A pillar from the floor to the ceiling (its ends are buried in the slabs).
void Pillar(MapBuilder& b, int mat, float cx, float cz, float half, float h) {
  b.Box(Vec3(cx - half, -1, cz - half), Vec3(cx + half, h + 1, cz + half), mat,
        kFaceMinX | kFaceMaxX | kFaceMinZ | kFaceMaxZ);
}

// A solid block standing on the floor: a platform, a crate stack, a low wall.
void Block(MapBuilder& b, int mat, float x0, float z0, float x1, float z1, float top) {
  b.Box(Vec3(x0, -1, z0), Vec3(x1, top, z1), mat, kAllFaces & ~kFaceMinY);
}

// A wall segment from the floor to the ceiling.
void Wall(MapBuilder& b, int mat, float x0, float z0, float x1, float z1, float h) {
  b.Box(Vec3(x0, -1, z0), Vec3(x1, h + 1, z1), mat, kFaceMinX | kFaceMaxX | kFaceMinZ | kFaceMaxZ);
}

// Lamps along the inner faces of a rectangle's walls, `spacing` apart, at height y.
void WallLamps(MapBuilder& b, const Style& s, float x0, float z0, float x1, float z1, float y, float spacing,
               const Vec3& colour, float intensity) {
  const int nx = static_cast<int>((x1 - x0) / spacing), nz = static_cast<int>((z1 - z0) / spacing);
  for (int i = 0; i < nx; ++i) {
    const float x = x0 + (x1 - x0) * (i + 0.5f) / nx;
    b.Lamp(Vec3(x, y, z0 + 1.1f), Vec3(0, 0, 1), colour, intensity, 0.55f, s.lamp);
    b.Lamp(Vec3(x, y, z1 - 1.1f), Vec3(0, 0, -1), colour, intensity, 0.55f, s.lamp);
  }
  for (int i = 0; i < nz; ++i) {
    const float z = z0 + (z1 - z0) * (i + 0.5f) / nz;
    b.Lamp(Vec3(x0 + 1.1f, y, z), Vec3(1, 0, 0), colour, intensity, 0.55f, s.lamp);
    b.Lamp(Vec3(x1 - 1.1f, y, z), Vec3(-1, 0, 0), colour, intensity, 0.55f, s.lamp);
  }
}

// A grid of lamps hanging under the ceiling at height h.
void CeilingLamps(MapBuilder& b, const Style& s, float x0, float z0, float x1, float z1, float h, int nx, int nz,
                  const Vec3& colour, float intensity) {
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < nz; ++j) {
      const float x = x0 + (x1 - x0) * (i + 0.5f) / nx, z = z0 + (z1 - z0) * (j + 0.5f) / nz;
      b.Lamp(Vec3(x, h - 1.1f, z), Vec3(0, -1, 0), colour, intensity, 0.8f, s.lamp);
    }
  }
}

// A slanted wall across the corner (x, z) of a room; (sx, sz) point into the room. Its inner
// face lies `depth` from the corner along the diagonal.
void CornerCut(MapBuilder& b, int mat, float x, float z, float sx, float sz, float depth, float h) {
  const float d = (depth - 3.0f) / std::sqrt(2.0f);
  const float yaw = (sx * sz > 0) ? 45.0f : -45.0f;
  b.TurnedBox(x + sx * d, z + sz * d, depth * 1.5f + 4.0f, 3, -1, h + 1, yaw, mat,
              kFaceMinX | kFaceMaxX | kFaceMinZ | kFaceMaxZ);
}

// Map 1: a square arena with four pillars and a raised centre reached by two ramps.
void Arena(MapBuilder& b) {
  Style s = MakeStyle(b, "floor_tiles", "brick_red", "ceiling_panels", "stone_trim", "metal_plate");
  const float x0 = -90, x1 = 70, z0 = -190, z1 = -30, h = 24;
  Shell(b, s, x0, z0, x1, z1, h);
  Block(b, s.accent, -25, -125, 5, -95, 4);
  b.Ramp(-45, -116, -25, -104, 0, 4, 0, -3, s.trim);
  b.Ramp(5, -116, 25, -104, 0, 4, 1, -3, s.trim);
  const float px[2] = {-50, 30}, pz[2] = {-150, -70};
  for (float x : px) {
    for (float z : pz) Pillar(b, s.trim, x, z, 3, h);
  }
  WallLamps(b, s, x0, z0, x1, z1, 10, 40, kWarm, 1.3f);
  CeilingLamps(b, s, x0, z0, x1, z1, h, 3, 3, kWhite, 1.6f);
}

// Map 2: a courtyard with cut corners, a colonnade and a monument in the middle.
void Courtyard(MapBuilder& b) {
  Style s = MakeStyle(b, "cobble", "plaster_yellow", "wood_beams", "marble", "stone_trim");
  const float x0 = -90, x1 = 90, z0 = -187, z1 = -27, h = 30;
  Shell(b, s, x0, z0, x1, z1, h);
  // Slanted walls across the four corners.
  const float cx[2] = {x0, x1}, cz[2] = {z0, z1};
  for (float x : cx) {
    for (float z : cz) CornerCut(b, s.wall, x, z, x < 0 ? 1.0f : -1.0f, z < -107 ? 1.0f : -1.0f, 12, h);
  }
  // Colonnade: octagonal columns along the two long sides.
  for (float z = z0 + 8; z <= z1 - 8 + 0.1f; z += 24) {
    b.Prism(x0 + 12, z, 2.5f, 6, -1, h + 1, 0, s.trim);
    b.Prism(x1 - 12, z, 2.5f, 6, -1, h + 1, 0, s.trim);
  }
  // Monument: a low octagonal plinth and a column.
  b.Prism(0, -107, 14, 8, -1, 2.5f, 22.5f, s.accent);
  b.Prism(0, -107, 5, 8, 2.5f, 16, 0, s.trim);
  WallLamps(b, s, x0 + 10, z0, x1 - 10, z1, 12, 36, kAmber, 1.4f);
  CeilingLamps(b, s, x0 + 20, z0 + 20, x1 - 20, z1 - 20, h, 3, 2, kWhite, 2.2f);
}

// Map 3: a long hall with two rows of pillars and a dais at the far end.
void PillarHall(MapBuilder& b) {
  Style s = MakeStyle(b, "stone_floor", "stone_wall", "wood_beams", "marble_dark", "carpet_red");
  const float x0 = -90, x1 = 150, z0 = -140, z1 = -74, h = 20;
  Shell(b, s, x0, z0, x1, z1, h);
  for (float x = -60; x <= 100; x += 32) {
    Pillar(b, s.trim, x, -124, 2.5f, h);
    Pillar(b, s.trim, x, -90, 2.5f, h);
    b.Lamp(Vec3(x, 9, -124 + 3.5f), Vec3(0, 0, 1), kWarm, 1.2f, 0.5f, s.lamp);
    b.Lamp(Vec3(x, 9, -90 - 3.5f), Vec3(0, 0, -1), kWarm, 1.2f, 0.5f, s.lamp);
  }
  // Dais with a ramp up its front, and slanted buttresses in the far corners.
  Block(b, s.accent, 120, -125, 150, -89, 3);
  b.Ramp(105, -113, 120, -101, 0, 3, 0, -3, s.accent);
  CornerCut(b, s.wall, x1, z0, -1, 1, 9, h);
  CornerCut(b, s.wall, x1, z1, -1, -1, 9, h);
  CornerCut(b, s.wall, x0, z0, 1, 1, 7, h);
  CornerCut(b, s.wall, x0, z1, 1, -1, 7, h);
  WallLamps(b, s, x0 + 10, z0, x1 - 10, z1, 11, 40, kWhite, 1.0f);
  CeilingLamps(b, s, x0, -112, x1, -102, h, 5, 1, kWhite, 1.6f);
}

// Map 4: an open floor between two raised platforms, each reached by a ramp.
void Platforms(MapBuilder& b) {
  Style s = MakeStyle(b, "concrete", "panel_blue", "ceiling_panels", "metal_plate", "hazard");
  const float x0 = -90, x1 = 90, z0 = -190, z1 = -30, h = 26;
  Shell(b, s, x0, z0, x1, z1, h);
  Block(b, s.trim, -40, z0 - 1, x1 + 1, -160, 5);
  b.Ramp(-70, -175, -40, -163, 0, 5, 0, -3, s.accent);
  Block(b, s.trim, -40, -54, x1 + 1, z1 + 1, 5);
  b.Ramp(-70, -51, -40, -39, 0, 5, 0, -3, s.accent);
  // Cover: low walls in the middle.
  Block(b, s.accent, -20, -115, -14, -99, 3);
  Block(b, s.accent, 20, -130, 36, -124, 3);
  Block(b, s.accent, 20, -90, 36, -84, 3);
  Block(b, s.trim, 50, -112, 58, -102, 6);
  Pillar(b, s.wall, 0, -140, 3, h);
  Pillar(b, s.wall, 0, -74, 3, h);
  WallLamps(b, s, x0, z0, x1, z1, 13, 45, kCool, 1.4f);
  CeilingLamps(b, s, x0, z0 + 30, x1, z1 - 30, h, 4, 2, kWhite, 1.6f);
}

// Map 5: nine rooms joined by short corridors through thick walls.
void Rooms(MapBuilder& b) {
  Style s = MakeStyle(b, "wood_floor", "panel_green", "ceiling_panels", "stone_trim", "plaster_yellow");
  const float x0 = -90, x1 = 90, z0 = -197, z1 = -17, h = 18;
  Shell(b, s, x0, z0, x1, z1, h);
  const float cuts[2] = {-30, 30};          // x of the inner walls
  const float zcuts[2] = {-137, -77};       // z of the inner walls
  const float door = 6;                      // half width of a doorway
  for (float wx : cuts) {
    // A wall along z with a doorway in the middle of each room's side.
    float zPrev = z0;
    for (float zc : {-167.0f, -107.0f, -47.0f}) {
      Wall(b, s.wall, wx - 4, zPrev, wx + 4, zc - door, h);
      zPrev = zc + door;
    }
    Wall(b, s.wall, wx - 4, zPrev, wx + 4, z1, h);
  }
  for (float wz : zcuts) {
    float xPrev = x0;
    for (float xc : {-60.0f, 0.0f, 60.0f}) {
      Wall(b, s.wall, xPrev, wz - 4, xc - door, wz + 4, h);
      xPrev = xc + door;
    }
    Wall(b, s.wall, xPrev, wz - 4, x1, wz + 4, h);
  }
  // Something in every room.
  Block(b, s.accent, -6, -113, 6, -101, 2.5f);
  b.Prism(60, -167, 4, 6, -1, h + 1, 0, s.trim);
  b.Prism(-60, -47, 4, 6, -1, h + 1, 0, s.trim);
  Block(b, s.accent, 50, -60, 70, -52, 3);
  Block(b, s.accent, -70, -170, -62, -150, 3);
  for (float rx : {-60.0f, 0.0f, 60.0f}) {
    for (float rz : {-167.0f, -107.0f, -47.0f}) {
      b.Lamp(Vec3(rx + 14, h - 1.1f, rz + 14), Vec3(0, -1, 0), kWarm, 1.7f, 0.7f, s.lamp);
      b.Lamp(Vec3(rx - 14, h - 1.1f, rz - 14), Vec3(0, -1, 0), kWarm, 1.7f, 0.7f, s.lamp);
    }
  }
}

// Map 6: an octagonal arena with slanted walls, a central column and a ring of cover.
void Octagon(MapBuilder& b) {
  Style s = MakeStyle(b, "floor_tiles", "stone_wall", "wood_beams", "marble", "brick_red");
  const float cx = 0, cz = -107, apothem = 90, h = 28;
  Shell(b, s, cx - apothem, cz - apothem, cx + apothem, cz + apothem, h);
  const float halfLen = apothem * std::tan(3.14159265f / 8) + 5;
  for (int i = 0; i < 8; ++i) {
    if (i % 2 == 0) continue;  // the four axis sides are the shell's own walls
    const float a = i * 3.14159265f / 4;
    b.TurnedBox(cx + (apothem + 3) * std::cos(a), cz + (apothem + 3) * std::sin(a), 3, halfLen, -1, h + 1,
                -i * 45.0f, s.wall, kFaceMinX | kFaceMaxX | kFaceMinZ | kFaceMaxZ);
  }
  b.Prism(cx, cz, 9, 8, -1, h + 1, 22.5f, s.trim);
  for (int i = 0; i < 8; ++i) {
    const float a = (i + 0.5f) * 3.14159265f / 4;
    b.TurnedBox(cx + 45 * std::cos(a), cz + 45 * std::sin(a), 1.5f, 7, -1, 3, -(i + 0.5f) * 45.0f, s.accent,
                kAllFaces & ~kFaceMinY);
  }
  for (int i = 0; i < 8; ++i) {
    const float a = i * 3.14159265f / 4;
    b.Lamp(Vec3(cx + 9.3f * std::cos(a), 11, cz + 9.3f * std::sin(a)), Vec3(std::cos(a), 0, std::sin(a)),
           kAmber, 1.3f, 0.5f, s.lamp);
    const float r = 62;
    b.Lamp(Vec3(cx + r * std::cos(a + 0.39f), h - 1.1f, cz + r * std::sin(a + 0.39f)), Vec3(0, -1, 0), kWhite,
           2.0f, 0.8f, s.lamp);
  }
}

// Map 7: a warehouse of crate stacks with a loading platform along one wall.
void Warehouse(MapBuilder& b) {
  Style s = MakeStyle(b, "concrete", "corrugated", "metal_plate", "hazard", "crate");
  const float x0 = -90, x1 = 110, z0 = -190, z1 = -30, h = 24;
  Shell(b, s, x0, z0, x1, z1, h);
  Block(b, s.ceiling, 80, z0 - 1, x1 + 1, z1 + 1, 6);
  b.Ramp(50, -125, 80, -113, 0, 6, 0, -3, s.trim);
  // Crate stacks in rows, leaving aisles.
  struct Crate { float x, z, w, d, top; };
  const Crate crates[] = {
      {-40, -160, 8, 8, 4}, {-32, -160, 8, 8, 8}, {-40, -152, 8, 8, 4}, {0, -170, 10, 8, 6},
      {10, -150, 8, 8, 4},  {-40, -80, 8, 8, 8},  {-32, -80, 8, 8, 4}, {-40, -60, 8, 10, 4},
      {0, -70, 10, 8, 8},   {10, -90, 8, 8, 4},   {30, -140, 8, 8, 6}, {30, -70, 8, 8, 6},
      {-60, -140, 6, 6, 3}, {-62, -70, 6, 6, 3},  {40, -100, 6, 6, 3}, {55, -160, 8, 8, 8},
  };
  for (const Crate& c : crates) Block(b, s.accent, c.x, c.z, c.x + c.w, c.z + c.d, c.top);
  Pillar(b, s.trim, 20, -120, 2, h);
  Pillar(b, s.trim, -20, -120, 2, h);
  Pillar(b, s.trim, 20, -100, 2, h);
  Pillar(b, s.trim, -20, -100, 2, h);
  CeilingLamps(b, s, x0, z0, x1, z1, h, 5, 4, kWhite, 1.5f);
  WallLamps(b, s, x0, z0, 80, z1, 9, 50, kAmber, 0.9f);
}

// Map 8: a cross-shaped hall: four arms around a square centre, slanted inner corners.
void Cross(MapBuilder& b) {
  Style s = MakeStyle(b, "stone_floor", "brick_grey", "wood_beams", "stone_trim", "marble_dark");
  const float x0 = -100, x1 = 100, z0 = -207, z1 = -7, h = 22;
  Shell(b, s, x0, z0, x1, z1, h);
  // Solid corner blocks leave arms 40 wide.
  const float arm = 20, ccx = 0, ccz = -107;
  const float inner = 40;  // half size of the centre square
  Wall(b, s.wall, x0, z0, ccx - arm, ccz - inner, h);
  Wall(b, s.wall, ccx + arm, z0, x1, ccz - inner, h);
  Wall(b, s.wall, x0, ccz + inner, ccx - arm, z1, h);
  Wall(b, s.wall, ccx + arm, ccz + inner, x1, z1, h);
  Wall(b, s.wall, x0, ccz - inner, ccx - inner, ccz - arm, h);
  Wall(b, s.wall, x0, ccz + arm, ccx - inner, ccz + inner, h);
  Wall(b, s.wall, ccx + inner, ccz - inner, x1, ccz - arm, h);
  Wall(b, s.wall, ccx + inner, ccz + arm, x1, ccz + inner, h);
  // Chamfers at the centre's corners.
  for (int sx = -1; sx <= 1; sx += 2) {
    for (int sz = -1; sz <= 1; sz += 2) {
      CornerCut(b, s.wall, ccx + sx * inner, ccz + sz * inner, -sx, -sz, 6, h);
    }
  }
  Pillar(b, s.trim, ccx - 15, ccz - 15, 3, h);
  Pillar(b, s.trim, ccx + 15, ccz - 15, 3, h);
  Pillar(b, s.trim, ccx - 15, ccz + 15, 3, h);
  Pillar(b, s.trim, ccx + 15, ccz + 15, 3, h);
  Block(b, s.accent, ccx - 5, ccz - 5, ccx + 5, ccz + 5, 2);
  // Lamps down every arm and around the centre.
  for (float d : {-85.0f, -62.0f, 62.0f, 85.0f}) {
    b.Lamp(Vec3(ccx + d, h - 1.1f, ccz), Vec3(0, -1, 0), kWarm, 1.6f, 0.7f, s.lamp);
    b.Lamp(Vec3(ccx, h - 1.1f, ccz + d), Vec3(0, -1, 0), kWarm, 1.6f, 0.7f, s.lamp);
  }
  for (float d : {-75.0f, 75.0f}) {
    b.Lamp(Vec3(ccx + d, 9, ccz - arm + 1.1f), Vec3(0, 0, 1), kRed, 1.1f, 0.5f, s.lamp);
    b.Lamp(Vec3(ccx + d, 9, ccz + arm - 1.1f), Vec3(0, 0, -1), kRed, 1.1f, 0.5f, s.lamp);
    b.Lamp(Vec3(ccx - arm + 1.1f, 9, ccz + d), Vec3(1, 0, 0), kRed, 1.1f, 0.5f, s.lamp);
    b.Lamp(Vec3(ccx + arm - 1.1f, 9, ccz + d), Vec3(-1, 0, 0), kRed, 1.1f, 0.5f, s.lamp);
  }
  CeilingLamps(b, s, ccx - 30, ccz - 30, ccx + 30, ccz + 30, h, 2, 2, kWhite, 1.8f);
}

// Map 9: terraces rising to the east, joined by ramps.
void Terraces(MapBuilder& b) {
  Style s = MakeStyle(b, "grass_stone", "stone_wall", "ceiling_panels", "stone_trim", "cobble");
  const float x0 = -95, x1 = 100, z0 = -180, z1 = -34, h = 28;
  Shell(b, s, x0, z0, x1, z1, h);
  Block(b, s.accent, 0, z0 - 1, x1 + 1, z1 + 1, 3);
  Block(b, s.floor, 45, z0 - 1, x1 + 1, z1 + 1, 6);
  b.Ramp(-15, -146, 0, -134, 0, 3, 0, -3, s.trim);
  b.Ramp(-15, -80, 0, -68, 0, 3, 0, -3, s.trim);
  b.Ramp(30, -113, 45, -101, 3, 6, 0, 0, s.trim);
  for (float z : {-150.0f, -64.0f}) Pillar(b, s.trim, -45, z, 3, h);
  Block(b, s.trim, -60, -112, -52, -102, 2.5f);
  Block(b, s.trim, 15, -165, 25, -150, 6);
  Block(b, s.trim, 15, -64, 25, -49, 6);
  b.Prism(75, -107, 6, 8, 5, h + 1, 22.5f, s.wall);
  WallLamps(b, s, x0, z0, x1, z1, 14, 48, kGreen, 1.1f);
  CeilingLamps(b, s, x0, z0, x1, z1, h, 4, 3, kWhite, 2.2f);
}

// Map 10: a walled keep with doorways and corner towers in a large yard.
void Fortress(MapBuilder& b) {
  Style s = MakeStyle(b, "cobble", "stone_wall", "wood_beams", "brick_grey", "stone_trim");
  const float x0 = -95, x1 = 95, z0 = -200, z1 = -14, h = 30;
  Shell(b, s, x0, z0, x1, z1, h);
  const float kx0 = -30, kx1 = 50, kz0 = -147, kz1 = -67, top = 12, door = 6;
  const float kcx = (kx0 + kx1) / 2, kcz = (kz0 + kz1) / 2;
  auto keepWall = [&](float ax0, float az0, float ax1, float az1) {
    Block(b, s.trim, ax0, az0, ax1, az1, top);
  };
  keepWall(kx0 - 2, kz0 - 2, kcx - door, kz0 + 2);
  keepWall(kcx + door, kz0 - 2, kx1 + 2, kz0 + 2);
  keepWall(kx0 - 2, kz1 - 2, kcx - door, kz1 + 2);
  keepWall(kcx + door, kz1 - 2, kx1 + 2, kz1 + 2);
  keepWall(kx0 - 2, kz0 + 2, kx0 + 2, kcz - door);
  keepWall(kx0 - 2, kcz + door, kx0 + 2, kz1 - 2);
  keepWall(kx1 - 2, kz0 + 2, kx1 + 2, kcz - door);
  keepWall(kx1 - 2, kcz + door, kx1 + 2, kz1 - 2);
  for (float tx : {kx0, kx1}) {
    for (float tz : {kz0, kz1}) b.Prism(tx, tz, 6, 8, -1, 16, 22.5f, s.wall);
  }
  Block(b, s.accent, kcx - 10, kcz - 10, kcx + 10, kcz + 10, 4);
  b.Ramp(kcx - 6, kcz - 26, kcx + 6, kcz - 10, 0, 4, 2, -3, s.accent);
  for (float tx : {kx0, kx1}) {
    for (float tz : {kz0, kz1}) {
      const float dx = tx < kcx ? 1.0f : -1.0f;
      b.Lamp(Vec3(tx + dx * 6.6f, 14, tz), Vec3(dx, 0, 0), kAmber, 1.3f, 0.6f, s.lamp);
      b.Lamp(Vec3(tx - dx * 6.6f, 14, tz), Vec3(-dx, 0, 0), kAmber, 1.3f, 0.6f, s.lamp);
    }
  }
  WallLamps(b, s, x0, z0, x1, z1, 12, 45, kWarm, 1.3f);
  CeilingLamps(b, s, x0, z0, x1, z1, h, 4, 4, kWhite, 2.0f);
}

}  // namespace

Vec3 MapStartPoint(int map) {
  switch (map) {
    case 7: return Vec3(-70, 3, -112);
    case 9: return Vec3(-78, 3, -107);
    case 10: return Vec3(-70, 3, -120);
    default: return Vec3(-70, 3, -107);
  }
}

Vec3 BuildMapLayout(int map, MapBuilder& b) {
  switch (map) {
    case 1: Arena(b); break;
    case 2: Courtyard(b); break;
    case 3: PillarHall(b); break;
    case 4: Platforms(b); break;
    case 5: Rooms(b); break;
    case 6: Octagon(b); break;
    case 7: Warehouse(b); break;
    case 8: Cross(b); break;
    case 9: Terraces(b); break;
    default: Fortress(b); break;
  }
  return MapStartPoint(map);
}

}  // namespace makebase
