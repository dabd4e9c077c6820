#include "tools/makebase/models_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace makebase {

namespace {

constexpr float kPi = 3.14159265358979f;

P3 Cross(P3 a, P3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

P3 Unit(P3 v) {
  const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return len > 0.0f ? v * (1.0f / len) : v;
}

}  // namespace

Placement At(P3 origin) {
  Placement p;
  p.origin = origin;
  return p;
}

Placement Placement::TiltedX(float degrees) const {
  const float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
  Placement p = *this;
  p.axis[1] = axis[1] * c + axis[2] * s;
  p.axis[2] = axis[2] * c - axis[1] * s;
  return p;
}

Placement Placement::TurnedY(float degrees) const {
  const float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
  Placement p = *this;
  p.axis[2] = axis[2] * c + axis[0] * s;
  p.axis[0] = axis[0] * c - axis[2] * s;
  return p;
}

std::string TextureFile(int number) {
  char name[40];
  std::snprintf(name, sizeof name, "base/textures/tex%02d.bmp", number);
  return name;
}

int ModelBuilder::AddMaterial(const std::string& name, const std::string& texture, P3 shade, float shininess,
                              float glow) {
  Ms3dMaterial m;
  m.name = name;
  m.textureFile = texture;
  const float rgb[3] = {shade.x, shade.y, shade.z};
  for (int i = 0; i < 3; ++i) {
    m.ambient[i] = 0.45f * rgb[i];
    m.diffuse[i] = rgb[i];
    m.specular[i] = 0.25f;
    m.emissive[i] = glow * rgb[i];
  }
  m.ambient[3] = m.diffuse[3] = m.specular[3] = m.emissive[3] = 1.0f;
  m.shininess = shininess;
  m.transparency = 1.0f;
  data_.materials.push_back(m);
  return static_cast<int>(data_.materials.size()) - 1;
}

void ModelBuilder::Use(int material) {
  for (size_t g = 0; g < data_.groups.size(); ++g) {
    if (data_.groups[g].materialIndex == material) {
      group_ = static_cast<int>(g);
      return;
    }
  }
  Ms3dGroup g;
  g.name = data_.materials[material].name;
  g.materialIndex = material;
  data_.groups.push_back(g);
  group_ = static_cast<int>(data_.groups.size()) - 1;
}

int ModelBuilder::AddVertex(P3 p) {
  Ms3dVertex v;
  v.location[0] = p.x;
  v.location[1] = p.y;
  v.location[2] = p.z;
  data_.vertices.push_back(v);
  return static_cast<int>(data_.vertices.size()) - 1;
}

void ModelBuilder::Triangle(P3 a, P3 b, P3 c, const float s[3], const float t[3], P3 na, P3 nb, P3 nc) {
  Ms3dTriangle tri;
  const P3 p[3] = {a, b, c}, n[3] = {na, nb, nc};
  for (int k = 0; k < 3; ++k) {
    tri.vertexIndices[k] = AddVertex(p[k]);
    tri.vertexNormals[k][0] = n[k].x;
    tri.vertexNormals[k][1] = n[k].y;
    tri.vertexNormals[k][2] = n[k].z;
    tri.s[k] = s[k];
    tri.t[k] = t[k];
  }
  data_.triangles.push_back(tri);
  data_.groups[group_].triangleIndices.push_back(static_cast<int>(data_.triangles.size()) - 1);
}

void ModelBuilder::Quad(P3 a, P3 b, P3 c, P3 d, UvRect uv) {
  const P3 n = Unit(Cross(b - a, c - a));
  const float s1[3] = {uv.s0, uv.s1, uv.s1}, t1[3] = {uv.t0, uv.t0, uv.t1};
  const float s2[3] = {uv.s0, uv.s1, uv.s0}, t2[3] = {uv.t0, uv.t1, uv.t1};
  Triangle(a, b, c, s1, t1, n, n, n);
  Triangle(a, c, d, s2, t2, n, n, n);
}

void ModelBuilder::Box(const Placement& at, P3 h, UvRect uv) {
  auto corner = [&](int sx, int sy, int sz) { return at.Point({sx * h.x, sy * h.y, sz * h.z}); };
  // Each face counter-clockwise seen from outside.
  Quad(corner(-1, -1, 1), corner(1, -1, 1), corner(1, 1, 1), corner(-1, 1, 1), uv);      // +z
  Quad(corner(1, -1, -1), corner(-1, -1, -1), corner(-1, 1, -1), corner(1, 1, -1), uv);  // -z
  Quad(corner(1, -1, 1), corner(1, -1, -1), corner(1, 1, -1), corner(1, 1, 1), uv);      // +x
  Quad(corner(-1, -1, -1), corner(-1, -1, 1), corner(-1, 1, 1), corner(-1, 1, -1), uv);  // -x
  Quad(corner(-1, 1, 1), corner(1, 1, 1), corner(1, 1, -1), corner(-1, 1, -1), uv);      // +y
  Quad(corner(-1, -1, -1), corner(1, -1, -1), corner(1, -1, 1), corner(-1, -1, 1), uv);  // -y
}

void ModelBuilder::Facing(P3 outward, P3 a, P3 b, P3 c, const float s[3], const float t[3], P3 na, P3 nb,
                          P3 nc) {
  const P3 n = Cross(b - a, c - a);
  if (n.x * outward.x + n.y * outward.y + n.z * outward.z >= 0.0f) {
    Triangle(a, b, c, s, t, na, nb, nc);
  } else {
    const float s2[3] = {s[0], s[2], s[1]}, t2[3] = {t[0], t[2], t[1]};
    Triangle(a, c, b, s2, t2, na, nc, nb);
  }
}

void ModelBuilder::Cylinder(const Placement& at, float r, float z0, float z1, int sides, bool smooth, UvRect uv,
                            bool caps) {
  auto rim = [&](float i, float z) {
    const float a = 2.0f * kPi * i / sides;
    return at.Point({r * std::cos(a), r * std::sin(a), z});
  };
  auto radial = [&](float i) {
    const float a = 2.0f * kPi * i / sides;
    return Unit(at.Direction({std::cos(a), std::sin(a), 0.0f}));
  };
  for (int i = 0; i < sides; ++i) {
    const P3 a = rim(i, z0), b = rim(i + 1, z0), c = rim(i + 1, z1), d = rim(i, z1);
    const float sa = uv.s0 + (uv.s1 - uv.s0) * i / sides, sb = uv.s0 + (uv.s1 - uv.s0) * (i + 1) / sides;
    const P3 mid = radial(i + 0.5f);
    const P3 na = smooth ? radial(float(i)) : mid;
    const P3 nb = smooth ? radial(float(i + 1)) : mid;
    const float s1[3] = {sa, sb, sb}, t1[3] = {uv.t0, uv.t0, uv.t1};
    const float s2[3] = {sa, sb, sa}, t2[3] = {uv.t0, uv.t1, uv.t1};
    Facing(mid, a, b, c, s1, t1, na, nb, nb);
    Facing(mid, a, c, d, s2, t2, na, nb, na);
  }
  if (!caps) return;
  const float sm = (uv.s0 + uv.s1) * 0.5f, tm = (uv.t0 + uv.t1) * 0.5f;
  const float hs = (uv.s1 - uv.s0) * 0.5f, ht = (uv.t1 - uv.t0) * 0.5f;
  for (int end = 0; end < 2; ++end) {
    const float z = end ? z1 : z0;
    const float sign = (z == std::max(z0, z1)) ? 1.0f : -1.0f;
    const P3 n = Unit(at.Direction({0.0f, 0.0f, sign}));
    const P3 centre = at.Point({0.0f, 0.0f, z});
    for (int i = 0; i < sides; ++i) {
      const float a0 = 2.0f * kPi * i / sides, a1 = 2.0f * kPi * (i + 1) / sides;
      const float s[3] = {sm, sm + hs * std::cos(a0), sm + hs * std::cos(a1)};
      const float t[3] = {tm, tm + ht * std::sin(a0), tm + ht * std::sin(a1)};
      Facing(n, centre, rim(i, z), rim(i + 1, z), s, t, n, n, n);
    }
  }
}

void ModelBuilder::Prism(P3 base, float r, float y0, float y1, int sides, bool smooth, UvRect uv) {
  // The placement's z axis points up; its x and y axes lie in the floor plane.
  Placement up = At(base);
  up.axis[0] = {1, 0, 0};
  up.axis[1] = {0, 0, -1};
  up.axis[2] = {0, 1, 0};
  Cylinder(up, r, y0, y1, sides, smooth, uv);
}

}  // namespace makebase

namespace makebase {

bool ModelBuilder::Save(const std::string& outDir, const std::string& relative) const {
  return SaveMs3dFile(outDir + "/" + relative, data_);
}

}  // namespace makebase
