// The MS3D reader on arbitrary bytes: never a crash, every index it accepts resolves, every
// position and normal it accepts is finite, and what it accepts survives the writer and a second
// read.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/formats/ms3d_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Ms3dData model;
  if (!ParseMs3d(data, size, model)) return 0;
  const int vertices = static_cast<int>(model.vertices.size());
  const int triangles = static_cast<int>(model.triangles.size());
  for (const Ms3dVertex& v : model.vertices) {
    for (float c : v.location) {
      if (!std::isfinite(c)) std::abort();
    }
  }
  for (const Ms3dTriangle& t : model.triangles) {
    for (int v : t.vertexIndices) {
      if (v < 0 || v >= vertices) std::abort();
    }
    for (const auto& normal : t.vertexNormals) {
      for (float c : normal) {
        if (!std::isfinite(c)) std::abort();
      }
    }
  }
  for (const Ms3dGroup& g : model.groups) {
    if (g.materialIndex < -1 || g.materialIndex >= static_cast<int>(model.materials.size())) std::abort();
    for (int t : g.triangleIndices) {
      if (t < 0 || t >= triangles) std::abort();
    }
  }
  // A texture name filling its whole field cannot be written back with a terminator.
  for (const Ms3dMaterial& m : model.materials) {
    if (m.textureFile.size() >= kMs3dFileNameSize) return 0;
  }
  std::vector<uint8_t> bytes;
  Ms3dData again;
  if (!WriteMs3d(model, bytes) || !ParseMs3d(bytes, again)) std::abort();
  if (again.vertices.size() != model.vertices.size() || again.triangles.size() != model.triangles.size() ||
      again.groups.size() != model.groups.size() || again.materials.size() != model.materials.size()) {
    std::abort();
  }
  return 0;
}
