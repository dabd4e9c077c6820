// Building blocks of the generated maps: solids (boxes, turned boxes, ramps, prisms) whose faces
// are cut into near-square cells, lamps, and the finished model with its lamp model.
#pragma once

#include <string>
#include <vector>

#include "engine/formats/ms3d_file.h"
#include "math/vec3_inline.h"

namespace makebase {

// Face bits of a six-sided solid.
enum : unsigned {
  kFaceMinX = 1u << 0,
  kFaceMaxX = 1u << 1,
  kFaceMinY = 1u << 2,
  kFaceMaxY = 1u << 3,
  kFaceMinZ = 1u << 4,
  kFaceMaxZ = 1u << 5,
  kAllFaces = 63u,
};

// One light of a map: where it shines from, its colour and strength, and the size of its halo.
struct MapLamp {
  Vec3 position;
  Vec3 colour;       // 0..1 per component; also the halo colour
  float intensity;   // multiplies the colour in the baked light
  float haloSize;    // the halo's size as the game draws it
};

// A surface material of the maps: its texture under base/textures/maps/.
struct MapSurface {
  const char* name;  // texture file base name, e.g. "brick_red"
};

class MapBuilder {
 public:
  // cellSize: faces the player sees are cut into cells no larger than this.
  explicit MapBuilder(float cellSize) : cell_(cellSize) {}

  // Registers a material using the texture base/textures/maps/NAME.bmp; returns its index.
  int Material(const std::string& textureName);

  // A solid of eight corners indexed x + 2y + 4z (bit 0: high x side, bit 1: top, bit 2: high z
  // side). `faces` selects the faces written; `fine` those cut at the cell size (the others are
  // cut only as far as needed to keep the cells near square).
  void Solid(const Vec3 corners[8], int material, unsigned faces = kAllFaces, unsigned fine = kAllFaces);
  // Axis-aligned box.
  void Box(Vec3 lo, Vec3 hi, int material, unsigned faces = kAllFaces, unsigned fine = kAllFaces);
  // Box of half extents (hx, hz) about (cx, cz), from y0 to y1, turned by yaw degrees about the
  // vertical axis (a slanted wall when turned).
  void TurnedBox(float cx, float cz, float hx, float hz, float y0, float y1, float yawDegrees, int material,
                 unsigned faces = kAllFaces);
  // Solid ramp over [x0, x1] x [z0, z1]: its top rises from yLow to yHigh along +x (axis 0), -x
  // (1), +z (2) or -z (3); its base is buried below the floor at y = base.
  void Ramp(float x0, float z0, float x1, float z1, float yLow, float yHigh, int direction, float base, int material);
  // Upright prism of `sides` faces (a slanted-walled pillar), radius to the corners.
  void Prism(float cx, float cz, float radius, int sides, float y0, float y1, float yawDegrees, int material);
  // A flat quad, corners counter-clockwise seen from its front.
  void Quad(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, int material, bool fine);

  // A lamp: its fixture (a small box of the given material set against the surface whose outward
  // normal is `facing`) and the light point just in front of it.
  void Lamp(const Vec3& position, const Vec3& facing, const Vec3& colour, float intensity, float haloSize,
            int fixtureMaterial);

  int TriangleCount() const { return static_cast<int>(tris_.size()); }
  const std::vector<MapLamp>& Lamps() const { return lamps_; }

  // The map model: one group per material, in material order.
  Ms3dData BuildModel() const;
  // The lamp model: one small triangle per lamp, each with its own material (diffuse = halo
  // colour, emissive red x 0.7 = halo size).
  Ms3dData BuildLampModel() const;

 private:
  struct Tri {
    Vec3 p[3];
    float s[3], t[3];
    Vec3 normal;
    int material;
  };
  void Cell(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec3& axisU, const Vec3& axisV,
            int material);

  float cell_;
  std::vector<std::string> materials_;
  std::vector<Tri> tris_;
  std::vector<MapLamp> lamps_;
};

}  // namespace makebase
