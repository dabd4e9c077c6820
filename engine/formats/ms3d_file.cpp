#include "engine/formats/ms3d_file.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/formats/binary_io.h"

namespace {

const char kIdentifier[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};

// The largest file a model may be: 65535 records of each kind, every group listing every
// triangle, plus generous room for the ignored animation section.
constexpr size_t kMaxMs3dFileBytes = size_t(64) << 20;

void ReadFloats(ByteReader& r, float* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = r.F32();
}

bool AllFinite(const float* v, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

void WriteFloats(ByteWriter& w, const float* v, int n) {
  for (int i = 0; i < n; ++i) w.F32(v[i]);
}

}  // namespace

bool ParseMs3d(const uint8_t* data, size_t size, Ms3dData& out) {
  ByteReader r(data, size);
  char id[10];
  if (!r.Bytes(id, sizeof id) || std::memcmp(id, kIdentifier, sizeof id) != 0) return false;
  const int32_t version = r.I32();
  if (!r.ok() || (version != 3 && version != 4)) return false;

  Ms3dData m;
  const uint16_t numVertices = r.U16();
  if (!r.ok() || r.remaining() < size_t(numVertices) * kMs3dVertexSize) return false;
  m.vertices.resize(numVertices);
  for (Ms3dVertex& v : m.vertices) {
    r.U8();  // editor flags
    ReadFloats(r, v.location, 3);
    // A position that is not a number or infinite would poison every bound built over the mesh.
    if (!AllFinite(v.location, 3)) return false;
    v.boneId = static_cast<signed char>(r.U8());
    r.U8();  // reference count
  }

  const uint16_t numTriangles = r.U16();
  if (!r.ok() || r.remaining() < size_t(numTriangles) * kMs3dTriangleSize) return false;
  m.triangles.resize(numTriangles);
  for (Ms3dTriangle& t : m.triangles) {
    r.U16();  // editor flags
    for (int& index : t.vertexIndices) {
      index = r.U16();
      if (index >= numVertices) return false;
    }
    for (auto& normal : t.vertexNormals) {
      ReadFloats(r, normal, 3);
      if (!AllFinite(normal, 3)) return false;
    }
    ReadFloats(r, t.s, 3);
    ReadFloats(r, t.t, 3);
    for (float& tc : t.t) tc = 1.0f - tc;
    r.U8();  // smoothing group
    r.U8();  // group index
  }

  const uint16_t numGroups = r.U16();
  if (!r.ok()) return false;
  m.groups.resize(numGroups);
  for (Ms3dGroup& g : m.groups) {
    r.U8();  // editor flags
    g.name = r.FixedString(kMs3dNameSize);
    const uint16_t n = r.U16();
    if (!r.ok() || r.remaining() < size_t(n) * 2 + 1) return false;
    g.triangleIndices.resize(n);
    for (int& index : g.triangleIndices) {
      index = r.U16();
      if (index >= numTriangles) return false;
    }
    g.materialIndex = static_cast<signed char>(r.U8());
  }

  const uint16_t numMaterials = r.U16();
  if (!r.ok() || r.remaining() < size_t(numMaterials) * kMs3dMaterialSize) return false;
  m.materials.resize(numMaterials);
  for (Ms3dMaterial& mat : m.materials) {
    mat.name = r.FixedString(kMs3dNameSize);
    ReadFloats(r, mat.ambient, 4);
    ReadFloats(r, mat.diffuse, 4);
    ReadFloats(r, mat.specular, 4);
    ReadFloats(r, mat.emissive, 4);
    mat.shininess = r.F32();
    mat.transparency = r.F32();
    r.U8();  // mode
    mat.textureFile = r.FixedString(kMs3dFileNameSize);
    r.Skip(kMs3dFileNameSize);  // alpha map
  }
  if (!r.ok()) return false;

  for (Ms3dGroup& g : m.groups) {
    if (g.materialIndex < 0 || g.materialIndex >= numMaterials) g.materialIndex = -1;
  }
  out = std::move(m);
  return true;
}

bool ParseMs3d(const std::vector<uint8_t>& bytes, Ms3dData& out) {
  return ParseMs3d(bytes.data(), bytes.size(), out);
}

bool LoadMs3dFile(const std::string& path, Ms3dData& out) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(DataPath(path), bytes, kMaxMs3dFileBytes)) return false;
  return ParseMs3d(bytes, out);
}

bool WriteMs3d(const Ms3dData& model, std::vector<uint8_t>& out, int32_t version) {
  constexpr size_t kMaxCount = std::numeric_limits<uint16_t>::max();
  if (model.vertices.size() > kMaxCount || model.triangles.size() > kMaxCount ||
      model.groups.size() > kMaxCount || model.materials.size() > kMaxCount) {
    return false;
  }
  const int numVertices = static_cast<int>(model.vertices.size());
  const int numTriangles = static_cast<int>(model.triangles.size());
  const int numMaterials = static_cast<int>(model.materials.size());

  // The triangle record names the group that holds it; the first group wins.
  std::vector<uint8_t> groupOfTriangle(model.triangles.size(), 0);
  std::vector<bool> grouped(model.triangles.size(), false);
  for (size_t g = 0; g < model.groups.size(); ++g) {
    const Ms3dGroup& group = model.groups[g];
    if (group.triangleIndices.size() > kMaxCount) return false;
    if (group.materialIndex < -1 || group.materialIndex >= numMaterials || group.materialIndex > 127) {
      return false;
    }
    for (int index : group.triangleIndices) {
      if (index < 0 || index >= numTriangles) return false;
      if (!grouped[index]) {
        grouped[index] = true;
        groupOfTriangle[index] = static_cast<uint8_t>(g);
      }
    }
  }
  for (const Ms3dTriangle& t : model.triangles) {
    for (int index : t.vertexIndices) {
      if (index < 0 || index >= numVertices) return false;
    }
  }
  for (const Ms3dMaterial& mat : model.materials) {
    if (mat.textureFile.size() >= kMs3dFileNameSize) return false;
  }

  ByteWriter w;
  w.Bytes(kIdentifier, sizeof kIdentifier);
  w.I32(version);

  w.U16(static_cast<uint16_t>(numVertices));
  for (const Ms3dVertex& v : model.vertices) {
    w.U8(0);
    WriteFloats(w, v.location, 3);
    w.U8(static_cast<uint8_t>(v.boneId));
    w.U8(0);
  }

  w.U16(static_cast<uint16_t>(numTriangles));
  for (size_t i = 0; i < model.triangles.size(); ++i) {
    const Ms3dTriangle& t = model.triangles[i];
    w.U16(0);
    for (int index : t.vertexIndices) w.U16(static_cast<uint16_t>(index));
    for (const auto& normal : t.vertexNormals) WriteFloats(w, normal, 3);
    WriteFloats(w, t.s, 3);
    for (float tc : t.t) w.F32(1.0f - tc);
    w.U8(1);
    w.U8(groupOfTriangle[i]);
  }

  w.U16(static_cast<uint16_t>(model.groups.size()));
  for (const Ms3dGroup& g : model.groups) {
    w.U8(0);
    w.FixedString(g.name, kMs3dNameSize);
    w.U16(static_cast<uint16_t>(g.triangleIndices.size()));
    for (int index : g.triangleIndices) w.U16(static_cast<uint16_t>(index));
    w.U8(static_cast<uint8_t>(static_cast<int8_t>(g.materialIndex)));
  }

  w.U16(static_cast<uint16_t>(numMaterials));
  for (const Ms3dMaterial& mat : model.materials) {
    w.FixedString(mat.name, kMs3dNameSize);
    WriteFloats(w, mat.ambient, 4);
    WriteFloats(w, mat.diffuse, 4);
    WriteFloats(w, mat.specular, 4);
    WriteFloats(w, mat.emissive, 4);
    w.F32(mat.shininess);
    w.F32(mat.transparency);
    w.U8(0);
    w.FixedString(mat.textureFile, kMs3dFileNameSize);
    w.FixedString(std::string(), kMs3dFileNameSize);
  }

  // Animation section: frames per second, current time, frame count, joint count.
  w.F32(24.0f);
  w.F32(0.0f);
  w.I32(1);
  w.U16(0);

  out = std::move(w.bytes());
  return true;
}

bool SaveMs3dFile(const std::string& path, const Ms3dData& model) {
  std::vector<uint8_t> bytes;
  return WriteMs3d(model, bytes) && WriteWholeFile(DataPath(path), bytes, true);
}
