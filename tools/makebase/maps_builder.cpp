#include "tools/makebase/maps_builder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace makebase {

namespace {

// World units per texture repeat.
constexpr float kTextureScale = 8.0f;
// The longest side of a cell is at most this many times its shortest.
constexpr float kMaxCellAspect = 5.0f;

Vec3 Lerp(const Vec3& a, const Vec3& b, float f) { return a + (b - a) * f; }

Vec3 Normalized(Vec3 v) {
  const float len = v.Length();
  return len > 0.0f ? v * (1.0f / len) : Vec3(0, 0, 0);
}

}  // namespace

int MapBuilder::Material(const std::string& textureName) {
  for (size_t i = 0; i < materials_.size(); ++i) {
    if (materials_[i] == textureName) return static_cast<int>(i);
  }
  materials_.push_back(textureName);
  return static_cast<int>(materials_.size()) - 1;
}

void MapBuilder::Cell(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec3& axisU,
                      const Vec3& axisV, int material) {
  const Vec3* halves[2][3] = {{&a, &b, &c}, {&a, &c, &d}};
  for (auto& h : halves) {
    Tri t;
    Vec3 n = Vec3Cross(*h[1] - *h[0], *h[2] - *h[0]);
    if (n.LengthSquared() < 1e-8f) continue;  // a collapsed cell of a tapering face
    t.normal = Normalized(n);
    t.material = material;
    for (int k = 0; k < 3; ++k) {
      t.p[k] = *h[k];
      t.s[k] = h[k]->Dot(axisU) / kTextureScale;
      t.t[k] = h[k]->Dot(axisV) / kTextureScale;
    }
    tris_.push_back(t);
  }
}

void MapBuilder::Quad(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, int material, bool fine) {
  const float lenU = std::max((p1 - p0).Length(), (p2 - p3).Length());
  const float lenV = std::max((p3 - p0).Length(), (p2 - p1).Length());
  if (lenU <= 0.0f || lenV <= 0.0f) return;
  int nu = fine ? std::max(1, static_cast<int>(std::ceil(lenU / cell_ - 0.01f))) : 1;
  int nv = fine ? std::max(1, static_cast<int>(std::ceil(lenV / cell_ - 0.01f))) : 1;
  // Tapering faces (a ramp's sides) are judged by their narrow end.
  const float minU = std::min((p1 - p0).Length(), (p2 - p3).Length());
  const float minV = std::min((p3 - p0).Length(), (p2 - p1).Length());
  while (lenU / nu > kMaxCellAspect * (minV / nv) && nu < 64) ++nu;
  while (lenV / nv > kMaxCellAspect * (minU / nu) && nv < 64) ++nv;
  // Texture axes: u along the first edge, v along the second, made perpendicular so that walls
  // keep their pictures upright and unsheared.
  const Vec3 axisU = Normalized(p1 - p0);
  Vec3 side = p3 - p0;
  const Vec3 axisV = Normalized(side - axisU * side.Dot(axisU));
  auto at = [&](int i, int j) {
    const float fu = static_cast<float>(i) / nu, fv = static_cast<float>(j) / nv;
    return Lerp(Lerp(p0, p1, fu), Lerp(p3, p2, fu), fv);
  };
  for (int j = 0; j < nv; ++j) {
    for (int i = 0; i < nu; ++i) Cell(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), axisU, axisV, material);
  }
}

void MapBuilder::Solid(const Vec3 c[8], int material, unsigned faces, unsigned fine) {
  struct Face {
    unsigned bit;
    int p[4];
  };
  static const Face kFaces[6] = {
      {kFaceMinX, {0, 4, 6, 2}}, {kFaceMaxX, {5, 1, 3, 7}}, {kFaceMinY, {0, 1, 5, 4}},
      {kFaceMaxY, {2, 6, 7, 3}}, {kFaceMinZ, {1, 0, 2, 3}}, {kFaceMaxZ, {4, 5, 7, 6}},
  };
  for (const Face& f : kFaces) {
    if (!(faces & f.bit)) continue;
    Quad(c[f.p[0]], c[f.p[1]], c[f.p[2]], c[f.p[3]], material, (fine & f.bit) != 0);
  }
}

void MapBuilder::Box(Vec3 lo, Vec3 hi, int material, unsigned faces, unsigned fine) {
  Vec3 c[8];
  for (int i = 0; i < 8; ++i) c[i] = Vec3((i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z);
  Solid(c, material, faces, fine);
}

void MapBuilder::TurnedBox(float cx, float cz, float hx, float hz, float y0, float y1, float yawDegrees, int material,
                           unsigned faces) {
  const float a = yawDegrees * 3.14159265f / 180.0f;
  const float ca = std::cos(a), sa = std::sin(a);
  Vec3 c[8];
  for (int i = 0; i < 8; ++i) {
    const float lx = (i & 1) ? hx : -hx, lz = (i & 4) ? hz : -hz;
    c[i] = Vec3(cx + lx * ca + lz * sa, (i & 2) ? y1 : y0, cz - lx * sa + lz * ca);
  }
  Solid(c, material, faces, faces);
}

void MapBuilder::Ramp(float x0, float z0, float x1, float z1, float yLow, float yHigh, int direction, float base,
                      int material) {
  Vec3 c[8];
  for (int i = 0; i < 8; ++i) {
    const bool hx = (i & 1) != 0, hz = (i & 4) != 0;
    bool high = false;
    switch (direction) {
      case 0: high = hx; break;
      case 1: high = !hx; break;
      case 2: high = hz; break;
      default: high = !hz; break;
    }
    c[i] = Vec3(hx ? x1 : x0, (i & 2) ? (high ? yHigh : yLow) : base, hz ? z1 : z0);
  }
  Solid(c, material, kAllFaces & ~kFaceMinY, kAllFaces);
}

void MapBuilder::Prism(float cx, float cz, float radius, int sides, float y0, float y1, float yawDegrees, int material) {
  const float step = 2.0f * 3.14159265f / sides;
  const float yaw = yawDegrees * 3.14159265f / 180.0f;
  auto corner = [&](int i, float y) {
    const float a = yaw - step * i;
    return Vec3(cx + radius * std::cos(a), y, cz + radius * std::sin(a));
  };
  for (int i = 0; i < sides; ++i) Quad(corner(i, y0), corner(i + 1, y0), corner(i + 1, y1), corner(i, y1), material, true);
  // Caps: a fan about the centre, the top facing up and the bottom down.
  const Vec3 top(cx, y1, cz), bottom(cx, y0, cz);
  const Vec3 ax(1, 0, 0), az(0, 0, 1);
  for (int i = 0; i < sides; ++i) {
    Tri t;
    t.material = material;
    const Vec3 pts[2][3] = {{top, corner(i + 1, y1), corner(i, y1)}, {bottom, corner(i, y0), corner(i + 1, y0)}};
    for (int h = 0; h < 2; ++h) {
      t.normal = Normalized(Vec3Cross(pts[h][1] - pts[h][0], pts[h][2] - pts[h][0]));
      for (int k = 0; k < 3; ++k) {
        t.p[k] = pts[h][k];
        t.s[k] = pts[h][k].Dot(ax) / kTextureScale;
        t.t[k] = pts[h][k].Dot(az) / kTextureScale;
      }
      tris_.push_back(t);
    }
  }
}

void MapBuilder::Lamp(const Vec3& position, const Vec3& facing, const Vec3& colour, float intensity, float haloSize,
                      int fixtureMaterial) {
  // The fixture: 0.6 deep along the facing axis, 1.6 across, its front 0.5 behind the light.
  const Vec3 back = position - facing * 1.1f;
  const Vec3 front = position - facing * 0.5f;
  Vec3 lo(std::min(back.x, front.x), std::min(back.y, front.y), std::min(back.z, front.z));
  Vec3 hi(std::max(back.x, front.x), std::max(back.y, front.y), std::max(back.z, front.z));
  for (int axis = 0; axis < 3; ++axis) {
    if (std::fabs(facing[axis]) < 0.5f) {
      lo[axis] = position[axis] - 0.8f;
      hi[axis] = position[axis] + 0.8f;
    }
  }
  Box(lo, hi, fixtureMaterial);
  lamps_.push_back({position, colour, intensity, haloSize});
}

Ms3dData MapBuilder::BuildModel() const {
  Ms3dData m;
  for (size_t mi = 0; mi < materials_.size(); ++mi) {
    Ms3dMaterial mat;
    mat.name = "surface" + std::to_string(mi);
    const float amb[4] = {0.6f, 0.6f, 0.6f, 1.0f}, dif[4] = {0.9f, 0.9f, 0.9f, 1.0f};
    std::copy(amb, amb + 4, mat.ambient);
    std::copy(dif, dif + 4, mat.diffuse);
    mat.transparency = 1.0f;
    mat.textureFile = "base/textures/maps/" + materials_[mi] + ".bmp";
    m.materials.push_back(mat);
    Ms3dGroup g;
    g.name = materials_[mi];
    g.materialIndex = static_cast<int>(mi);
    for (const Tri& t : tris_) {
      if (t.material != static_cast<int>(mi)) continue;
      Ms3dTriangle mt;
      for (int k = 0; k < 3; ++k) {
        Ms3dVertex v;
        v.boneId = -1;
        v.location[0] = t.p[k].x;
        v.location[1] = t.p[k].y;
        v.location[2] = t.p[k].z;
        mt.vertexIndices[k] = static_cast<int>(m.vertices.size());
        m.vertices.push_back(v);
        mt.vertexNormals[k][0] = t.normal.x;
        mt.vertexNormals[k][1] = t.normal.y;
        mt.vertexNormals[k][2] = t.normal.z;
        mt.s[k] = t.s[k];
        mt.t[k] = t.t[k];
      }
      g.triangleIndices.push_back(static_cast<int>(m.triangles.size()));
      m.triangles.push_back(mt);
    }
    if (!g.triangleIndices.empty()) m.groups.push_back(std::move(g));
  }
  return m;
}

Ms3dData MapBuilder::BuildLampModel() const {
  Ms3dData m;
  // Lamps of the same colour and halo size share a material and a group.
  std::map<std::tuple<float, float, float, float>, int> groupOf;
  for (const MapLamp& l : lamps_) {
    const auto key = std::make_tuple(l.colour.x, l.colour.y, l.colour.z, l.haloSize);
    auto it = groupOf.find(key);
    if (it == groupOf.end()) {
      Ms3dMaterial mat;
      mat.name = "halo" + std::to_string(m.materials.size());
      mat.diffuse[0] = l.colour.x;
      mat.diffuse[1] = l.colour.y;
      mat.diffuse[2] = l.colour.z;
      mat.diffuse[3] = 1.0f;
      mat.emissive[0] = l.haloSize / 0.7f;
      mat.transparency = 1.0f;
      Ms3dGroup g;
      g.name = mat.name;
      g.materialIndex = static_cast<int>(m.materials.size());
      m.materials.push_back(mat);
      m.groups.push_back(g);
      it = groupOf.emplace(key, static_cast<int>(m.groups.size()) - 1).first;
    }
    const Vec3 offs[3] = {Vec3(-0.15f, -0.1f, 0), Vec3(0.15f, -0.1f, 0), Vec3(0, 0.2f, 0)};
    Ms3dTriangle t;
    for (int k = 0; k < 3; ++k) {
      Ms3dVertex v;
      v.location[0] = l.position.x + offs[k].x;
      v.location[1] = l.position.y + offs[k].y;
      v.location[2] = l.position.z + offs[k].z;
      t.vertexIndices[k] = static_cast<int>(m.vertices.size());
      m.vertices.push_back(v);
      t.vertexNormals[k][2] = 1.0f;
    }
    m.groups[it->second].triangleIndices.push_back(static_cast<int>(m.triangles.size()));
    m.triangles.push_back(t);
  }
  return m;
}

}  // namespace makebase
