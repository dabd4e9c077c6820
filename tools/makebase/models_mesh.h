// A small builder of static models for the data generator: boxes, cylinders and prisms with flat
// or smooth normals and texture coordinates, grouped by material, turned into MS3D data.
#pragma once

#include <string>

#include "engine/formats/ms3d_file.h"

namespace makebase {

struct P3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};
inline P3 operator+(P3 a, P3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline P3 operator-(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline P3 operator*(P3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

// A texture rectangle: s0..s1 across, t0..t1 up (t up from the picture's bottom).
struct UvRect {
  float s0 = 0.0f, t0 = 0.0f, s1 = 1.0f, t1 = 1.0f;
};

// Orientation of a part: rotation (rows are the part's x, y, z axes in model space) and origin.
struct Placement {
  P3 axis[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  P3 origin;

  P3 Point(P3 local) const { return origin + Direction(local); }
  P3 Direction(P3 local) const { return axis[0] * local.x + axis[1] * local.y + axis[2] * local.z; }
  // The same placement turned by `degrees` about its own x axis (a positive angle tips +y to +z).
  Placement TiltedX(float degrees) const;
  // The same placement turned about its own y axis (a positive angle turns +z to +x).
  Placement TurnedY(float degrees) const;
};
Placement At(P3 origin);

class ModelBuilder {
 public:
  // Adds a material: texture path with '/', shade multiplying the texture, shininess, and a glow
  // (emission as a share of the shade) for small bright things.
  int AddMaterial(const std::string& name, const std::string& texture, P3 shade, float shininess = 20.0f,
                  float glow = 0.0f);
  // Later triangles go into a group of this material (one group per material, made on first use).
  void Use(int material);

  void Triangle(P3 a, P3 b, P3 c, const float s[3], const float t[3], P3 na, P3 nb, P3 nc);
  // A flat quad a, b, c, d (counter-clockwise seen from the front), the texture rectangle spread
  // over it with a at (s0, t0) and c at (s1, t1).
  void Quad(P3 a, P3 b, P3 c, P3 d, UvRect uv);
  // A box of half sizes h around the placement's origin, each face showing the whole rectangle.
  void Box(const Placement& at, P3 h, UvRect uv);
  // A cylinder (or prism, with few sides and flat shading) along the placement's z axis, from
  // z = z0 to z = z1, radius r, with end caps. The rectangle wraps around the side once.
  void Cylinder(const Placement& at, float r, float z0, float z1, int sides, bool smooth, UvRect uv,
                bool caps = true);
  // A vertical prism from y0 to y1: the cylinder above stood upright.
  void Prism(P3 base, float r, float y0, float y1, int sides, bool smooth, UvRect uv);

  const Ms3dData& Data() const { return data_; }
  // Writes the model as OUTDIR/relative.
  bool Save(const std::string& outDir, const std::string& relative) const;

 private:
  // A triangle turned so that its winding faces `outward`.
  void Facing(P3 outward, P3 a, P3 b, P3 c, const float s[3], const float t[3], P3 na, P3 nb, P3 nc);
  int AddVertex(P3 p);
  Ms3dData data_;
  int group_ = -1;
};

// The standard texture path of the table picture texNN.bmp.
std::string TextureFile(int number);

// Model families (models_weapons.cpp, models_objects.cpp).
bool WriteViewWeapons(const std::string& outDir);
bool WritePickups(const std::string& outDir);
bool WriteBanditHitMeshes(const std::string& outDir);

}  // namespace makebase
